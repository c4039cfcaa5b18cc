#!/bin/sh
# Builds the libFuzzer targets of tests/fuzz with clang++ under AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each one for a bounded time, starting
# from its seed corpus. Any finding (crash, sanitizer report, leak, timeout,
# memory blow-up) fails the script; the input that caused it is kept in
# <build>/fuzz-artifacts.
# Usage: scripts/fuzz.sh [seconds-per-target] [build-folder] [target...]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$here/build-fuzz}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_my_string fuzz_settings fuzz_structure_change fuzz_ci_file fuzz_freq_file"}

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
for t in $targets; do
  # New inputs go to a scratch corpus; the seed corpus in the tree stays as it is.
  # Paths are absolute: each target moves into a private directory of its own.
  work="$build/fuzz-corpus/$t"
  mkdir -p "$work"
  echo "== $t: ${seconds}s"
  if ! ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$work" "$here/tests/fuzz/corpus/$t"; then
    failed="$failed $t"
  fi
done
if [ -n "$failed" ]; then
  echo "fuzz findings in:$failed (inputs in $artifacts)" >&2
  exit 1
fi
echo "fuzz: no finding"
