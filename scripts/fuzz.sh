#!/bin/sh
# Builds the libFuzzer targets of tests/fuzz with clang++ under AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each one for a bounded time, starting
# from its seed corpus. Any finding (crash, sanitizer report, leak, timeout,
# memory blow-up) fails the script; the input that caused it is kept in
# <build>/fuzz-artifacts.
#
# Before fuzzing, each target runs once over tests/fuzz/regressions/<target>/
# (inputs of mended faults, which must stay mended). FUZZ_ARGS adds libFuzzer options,
# e.g. FUZZ_ARGS="-fork=4 -ignore_timeouts=1" for a long exploratory run.
# Usage: scripts/fuzz.sh [seconds-per-target] [build-folder] [target...]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$here/build-fuzz}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_run fuzz_text"}

sh "$here/scripts/install-deps.sh"

# clang++ with libFuzzer's runtime: checked by linking an empty target.
probe_dir=$(mktemp -d)
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  >"$probe_dir/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe_dir/probe.cpp" -o "$probe_dir/probe" >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y clang libclang-rt-14-dev
fi
rm -rf "$probe_dir"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTESSAREL_FUZZ=ON -DTESSAREL_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target $targets

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
failed=""
# The targets work in temporary folders of their own; keep them (and what a
# killed target leaves behind) inside the build folder.
export TMPDIR="$build/fuzz-tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
# The log stream opens "tessarel.log" in the starting folder before a target
# silences it: start in the build folder.
cd "$build"
export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for t in $targets; do
  for kind in regressions; do
    dir="$here/tests/fuzz/$kind/$t"
    [ -d "$dir" ] || continue
    files=$(find "$dir" -type f | sort)
    [ -n "$files" ] || continue
    echo "== $t: $kind"
    # shellcheck disable=SC2086
    if ! "$build/tests/fuzz/$t" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$artifacts/$t-" $files; then
      failed="$failed $t($kind)"
    fi
  done
  # New inputs go to a scratch corpus; the seed corpus in the tree stays as it is.
  # Paths are absolute: each target moves into a private directory of its own.
  work="$build/fuzz-corpus/$t"
  mkdir -p "$work"
  echo "== $t: ${seconds}s"
  # libFuzzer reports every new input; its output is kept in a file and only
  # its end is shown, in full when the target found something.
  out="$build/fuzz-$t.log"
  # shellcheck disable=SC2086
  if "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" ${FUZZ_ARGS:-} "$work" "$here/tests/fuzz/corpus/$t" \
    >"$out" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units)' "$out" || true
  else
    tail -n 60 "$out"
    failed="$failed $t"
  fi
done
total=$(echo $targets | wc -w)
nfailed=$(echo $failed | wc -w)
echo "fuzz: $((total - nfailed)) passed, $nfailed failed"
if [ -n "$failed" ]; then
  echo "fuzz findings in:$failed (inputs in $artifacts)" >&2
  exit 1
fi
