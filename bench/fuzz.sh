#!/usr/bin/env bash
# Fuzzes the parsers of tests/fuzz with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a given time each, two targets at a time.
#   bench/fuzz.sh [seconds per target, default 600] [target ...]
# Targets: ini number timetext commandline encoderplan identify (all by default). Inputs that reach new
# code are kept in build-fuzz/corpus/<target>; a crash is written to build-fuzz/findings/ and
# belongs, once mended, in tests/fuzz/corpus/<target>/. Prints the runs of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini number timetext commandline encoderplan identify)

command -v clang++ >/dev/null || {
  echo "clang++ is needed: apt-get install clang libclang-rt-14-dev" >&2
  exit 1
}
out=build-fuzz
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQVJ_FUZZ=ON -DQVJ_BUILD_GUI=OFF >/dev/null
cmake --build "$out" -j2 --target "${targets[@]/#/fuzz_}" >/dev/null
mkdir -p "$out/findings"

run_one() {
  local t=$1 log="$out/fuzz-$1.log"
  mkdir -p "$out/corpus/$t"
  # Leaks of Qt's global statics at exit are no finding.
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    nice "$out/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$t-" \
    "$out/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1 || true
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  if grep -q 'ERROR: \|runtime error\|check failed' "$log"; then
    echo "$t: $runs runs in $seconds s, FINDING (see $log)"
  else
    echo "$t: $runs runs in $seconds s, no finding"
  fi
}

pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
wait
