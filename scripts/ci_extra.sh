#!/usr/bin/env bash
# CI after the normal tests: the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzz targets: build them, replay the kept
# corpora and every example input, and fuzz each for a bounded time.
# FUZZ_SECONDS sets the fuzzing time of fuzz_program (default 75),
# DIFFERENTIAL_SECONDS that of fuzz_differential (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --tests --fuzz

echo "=== sanitizer suite (asan preset)"
cmake --preset asan -DLEVEZET_TESTS=ON >/dev/null
cmake --build --preset asan
ctest --preset asan -j2

echo "=== fuzz targets (fuzz preset)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_program fuzz_differential
fuzzer=build-fuzz/tests/fuzz/fuzz_program
differential=build-fuzz/tests/fuzz/fuzz_differential

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/examples" "$work/corpus" "$work/recursion" "$work/artifacts"
for input in examples/*/input.txt; do
  cp "$input" "$work/examples/$(basename "$(dirname "$input")").txt"
done
cp tests/fuzz/corpus/* "$work/corpus/"
cp tests/fuzz/recursion_corpus/* "$work/recursion/"
cat tests/fuzz/program.dict tests/fuzz/recursion.dict >"$work/recursion.dict"

# Prints a failed libFuzzer run's log and the inputs it left, then fails.
report_fault() {  # report_fault LOG
  tail -n 60 "$1"
  for artifact in "$work"/artifacts/*; do
    [ -e "$artifact" ] || continue
    echo "--- $artifact (base64)"
    base64 "$artifact" | head -c 20000
    echo
  done
  echo "a fuzz target found a fault"
  exit 1
}

echo "=== corpus replay"
"$fuzzer" -runs=0 -timeout=2 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$work/examples" >"$work/replay.log" 2>&1 || report_fault "$work/replay.log"
tail -n 1 "$work/replay.log"

seconds=${FUZZ_SECONDS:-75}
echo "=== fuzzing for ${seconds} s"
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=2 -rss_limit_mb=2048 \
  -dict=tests/fuzz/program.dict -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$work/examples" >"$work/fuzz.log" 2>&1 || report_fault "$work/fuzz.log"
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$work/fuzz.log"
echo "fuzzing: no fault found"

# The differential target runs every input twice (plain rounds, then
# semi-naively), so it gets twice the hang limit. It fuzzes from the recursion
# seeds alone: among the larger example inputs the fuzzer reaches recursive
# groups far less often.
echo "=== differential replay"
"$differential" -runs=0 -timeout=4 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" \
  "$work/recursion" "$work/corpus" "$work/examples" >"$work/differential_replay.log" 2>&1 ||
  report_fault "$work/differential_replay.log"
tail -n 1 "$work/differential_replay.log"

seconds=${DIFFERENTIAL_SECONDS:-60}
echo "=== differential fuzzing for ${seconds} s"
"$differential" -max_total_time="$seconds" -max_len=1024 -timeout=4 -rss_limit_mb=2048 \
  -dict="$work/recursion.dict" -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/recursion" >"$work/differential.log" 2>&1 ||
  report_fault "$work/differential.log"
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' \
  "$work/differential.log"
echo "differential fuzzing: no difference found"
