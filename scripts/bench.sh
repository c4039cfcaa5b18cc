#!/bin/sh
# Builds the benchmarks in Release mode, runs them and prints, with the
# processor's name, the speed and memory targets as ratios measured in one
# run (never absolute times), then the tables of the steps of a generation.
# Usage: scripts/bench.sh [repetitions]     (default 3; under 2 minutes)
# Environment: BENCH_BUILD  build folder (default <repo>/build-bench-rel)
#              BENCH_FILTER regular expression of the step benchmarks to run
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
reps=${1:-3}
build=${BENCH_BUILD:-$here/build-bench-rel}
filter=${BENCH_FILTER:-.}

sh "$here/scripts/install-deps.sh" libbenchmark-dev python3

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSAREL_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tessarel_bench tessarel_bench_memory tessarel_bench_targets >/dev/null

work=$(mktemp -d /tmp/tessarel_bench_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "Timing whole runs against the targets ($reps repetitions)..."
mkdir -p "$work/targets"
(cd "$work/targets" && "$build/bench/tessarel_bench_targets" "$reps") >"$work/targets.txt"

echo "Measuring peak memory..."
for n in 1000 1000000; do
  mkdir -p "$work/mem$n"
  (cd "$work/mem$n" && "$build/bench/tessarel_bench_memory" "$n") >>"$work/memory.txt"
done

echo "Running the step benchmarks ($reps repetitions each)..."
"$build/bench/tessarel_bench" --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_min_time=0.1 \
  --benchmark_out="$work/results.json" --benchmark_out_format=json >/dev/null 2>"$work/bench.err"

cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/^[^:]*: *//')
python3 - "$work/results.json" "$work/memory.txt" "$work/targets.txt" "$cpu" "$reps" <<'EOF'
import json, sys

results = json.load(open(sys.argv[1]))["benchmarks"]
cpu, reps = sys.argv[4], sys.argv[5]
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
print("Processor: %s (one core; CPU time, medians of %s runs)" % (cpu, reps))
print()
print("Targets, whole runs (each ratio timed within one process)")
for line in open(sys.argv[3]):
    print("  " + line.rstrip())
    if line.startswith("target") and line.rstrip().endswith("MISSED"):
        misses.append(line.strip())

mem = {}
for line in open(sys.argv[2]):
    f = line.split()
    if len(f) >= 4:
        mem[int(f[1])] = int(f[3])
if 1000000 in mem and 1000 in mem:
    marginal = (mem[1000000] - mem[1000]) * 1024.0 / (1e6 - 1e3)
    print("  one deme of 10^6 individuals: peak %.1f MB, a run of 10^3: %.1f MB" % (mem[1000000] / 1024.0, mem[1000] / 1024.0))
    line = "target (c) peak memory per individual above the fixed cost of a run: %.1f bytes (at most 70) %s" % (
        marginal, "met" if marginal <= 70.0 else "MISSED")
    print("  " + line)
    if marginal > 70.0:
        misses.append(line)
print()

labels = {0: "model 0 (real SOS)", 1: "model 1 (SOS)", 2: "model 2 (FDS)", 3: "model 3 (DPS)", 4: "neutral (model 1, s=0)"}
g, f = get("BM_Draws/0"), get("BM_Draws/1")
if g and f:
    print("Draws of one offspring under model 1 (two getint, one getfloat)")
    print("  through GSL: %s offspring/s; block generator: %s offspring/s (%.1f times faster)"
          % (m(rate(g)), m(rate(f)), rate(f) / rate(g)))
    print()
print("Individual-mode reproduction, one deme (growth, reproduction, list swap; s = 0.1 unless neutral);")
print("\"ratio\": its time over that of the same numbers of draws made through GSL")
print("%-24s %9s %12s %14s %12s %7s" % ("model", "deme", "us/gen", "offspring/s", "GSL draws/s", "ratio"))
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
print("Mutation step, demes of 1000 individuals, rate 1e-4 (\"ratio\": over its draws through GSL)")
print("%7s %12s %16s %12s %7s" % ("demes", "us/step", "ns/individual", "draws us", "ratio"))
for side in (1, 10, 50):
    b = get("BM_MutationStep/%d" % side)
    f = get("BM_MutationStepFloor/%d" % side)
    if b and f:
        print("%7d %12.1f %16.2f %12.1f %7.2f" % (side * side, us(b), us(b) * 1e3 / (side * side * 1000), us(f), us(b) / us(f)))
print()
if misses:
    print("Targets missed:")
    for x in misses:
        print("  - " + x)
else:
    print("All targets met.")
EOF
