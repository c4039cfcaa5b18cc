#!/bin/sh
# Builds the benchmarks in Release mode, runs them several times and prints a
# table of medians against the speed and memory targets, with the processor.
# Usage: scripts/bench.sh [repetitions]     (default 3; about 4 minutes)
# Environment: BENCH_BUILD  build folder (default <repo>/build-bench-rel)
#              BENCH_FILTER regular expression of the benchmarks to run
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
reps=${1:-3}
build=${BENCH_BUILD:-$here/build-bench-rel}
filter=${BENCH_FILTER:-.}

sh "$here/scripts/install-deps.sh" libbenchmark-dev python3

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSAREL_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tessarel_bench tessarel_bench_memory >/dev/null

work=$(mktemp -d /tmp/tessarel_bench_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "Running the benchmarks ($reps repetitions each)..."
"$build/bench/tessarel_bench" --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 \
  --benchmark_out="$work/results.json" --benchmark_out_format=json >/dev/null

echo "Measuring peak memory..."
for n in 1000 1000000; do
  mkdir -p "$work/mem$n"
  (cd "$work/mem$n" && "$build/bench/tessarel_bench_memory" "$n") >>"$work/memory.txt"
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/^[^:]*: *//')
python3 - "$work/results.json" "$work/memory.txt" "$cpu" "$reps" <<'EOF'
import json, re, sys

results = json.load(open(sys.argv[1]))["benchmarks"]
cpu, reps = sys.argv[3], sys.argv[4]
med = {}
for b in results:
    if b.get("aggregate_name") == "median":
        med[b["run_name"]] = b

def get(name):
    return med.get(name)

def us(b):
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
    return b["cpu_time"] * scale

def rate(b):
    return b.get("items_per_second", 0.0)

def m(x):
    return "%.1fM" % (x / 1e6)

misses = []
print()
print("Processor: %s (one core; medians of %s runs, CPU time)" % (cpu, reps))
print()
labels = {0: "model 0 (real SOS)", 1: "model 1 (SOS)", 2: "model 2 (FDS)", 3: "model 3 (DPS)", 4: "neutral (model 1, s=0)"}
print("Individual-mode reproduction, one deme (growth, reproduction, list swap; s = 0.1 unless neutral)")
print("%-24s %9s %12s %14s %12s %7s" % ("model", "deme", "us/gen", "offspring/s", "draws only/s", "ratio"))
for model in range(5):
    for n in (1000, 10000, 100000):
        b = get("BM_IndividualReproduction/%d/%d" % (model, n))
        f = get("BM_IndividualReproductionFloor/%d/%d" % (model, n))
        if not b or not f:
            continue
        ratio = us(b) / us(f)
        print("%-24s %9d %12.1f %14s %12s %7.2f" % (labels[model], n, us(b), m(rate(b)), m(rate(f)), ratio))
        if ratio > 2.0:
            misses.append("%s at %d individuals: %.2f times its draws (target 2)" % (labels[model], n, ratio))
        if model == 4 and rate(b) < 20e6:
            misses.append("neutral at %d individuals: %s offspring/s (target 20M)" % (n, m(rate(b))))
    small = get("BM_IndividualReproduction/%d/1000" % model)
    large = get("BM_IndividualReproduction/%d/100000" % model)
    if small and large and (us(large) / 100.0) > 2.0 * us(small):
        misses.append("%s: cost per offspring at 10^5 individuals is %.1f times that at 10^3 (linearity)"
                      % (labels[model], us(large) / 100.0 / us(small)))
print()
print("Frequency-mode generation, one deme, 10 alleles")
print("%-24s %9s %12s" % ("model", "deme", "us/gen"))
for model in range(4):
    for n in (1000, 10000, 100000):
        b = get("BM_FrequencyGeneration/%d/%d" % (model, n))
        if b:
            print("%-24s %9d %12.2f" % (labels[model], n, us(b)))
print()
print("Migration over a grid (counting, moving, merging)")
print("%-16s %7s %12s %14s %12s" % ("mode", "demes", "us/gen", "migrants/s", "us/deme"))
for mode, name in ((0, "individual"), (1, "frequency")):
    for side in (2, 10, 50):
        b = get("BM_Migration/%d/%d" % (side, mode))
        if b:
            print("%-16s %7d %12.1f %14s %12.3f" % (name, side * side, us(b), m(rate(b)), us(b) / (side * side)))
print()
print("Mutation step, demes of 1000 individuals, rate 1e-4")
print("%7s %12s %16s %12s %7s" % ("demes", "us/step", "ns/individual", "draws us", "ratio"))
for side in (1, 10, 50):
    b = get("BM_MutationStep/%d" % side)
    f = get("BM_MutationStepFloor/%d" % side)
    if b and f:
        print("%7d %12.1f %16.2f %12.1f %7.2f" % (side * side, us(b), us(b) * 1e3 / (side * side * 1000), us(f), us(b) / us(f)))
print()
print("Whole run: side x side demes at K = 1000, 200 generations, model 1, no mutation")
print("%7s %10s %14s %14s" % ("demes", "seconds", "offspring/s", "ns/offspring"))
per = []
for side in (1, 10, 50):
    b = get("BM_WholeRun/%d/1000/200/iterations:1" % side)
    if b:
        ns = 1e9 / rate(b)
        per.append((side * side, ns))
        print("%7d %10.2f %14s %14.1f" % (side * side, us(b) / 1e6, m(rate(b)), ns))
if len(per) >= 2 and per[-1][1] > 2.0 * min(p[1] for p in per):
    misses.append("whole run: cost per offspring grows with the number of demes (%s)" % per)
print()
mem = {}
for line in open(sys.argv[2]):
    f = line.split()
    if len(f) >= 4:
        mem[int(f[1])] = int(f[3])
if 1000000 in mem:
    whole = mem[1000000] * 1024.0 / 1e6
    print("Peak memory, one deme of 10^6 individuals: %.1f MB, %.1f bytes per individual" % (mem[1000000] / 1024.0, whole))
    if 1000 in mem:
        marginal = (mem[1000000] - mem[1000]) * 1024.0 / (1e6 - 1e3)
        print("  (%.1f bytes per individual above the fixed cost of a run)" % marginal)
    if whole > 100.0:
        misses.append("peak memory %.1f bytes per individual (target 100)" % whole)
print()
if misses:
    print("Targets missed:")
    for x in misses:
        print("  - " + x)
else:
    print("All targets met.")
EOF
