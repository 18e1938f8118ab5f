#!/usr/bin/env bash
# CI after the normal tests: the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzz target: build it, replay the kept
# corpus and every example input, and fuzz for a bounded time.
# FUZZ_SECONDS sets the fuzzing time (default 75).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --tests --fuzz

echo "=== sanitizer suite (asan preset)"
cmake --preset asan -DLEVEZET_TESTS=ON >/dev/null
cmake --build --preset asan
ctest --preset asan -j2

echo "=== fuzz target (fuzz preset)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_program
fuzzer=build-fuzz/tests/fuzz/fuzz_program

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/examples" "$work/corpus" "$work/artifacts"
for input in examples/*/input.txt; do
  cp "$input" "$work/examples/$(basename "$(dirname "$input")").txt"
done
cp tests/fuzz/corpus/* "$work/corpus/"

# Prints a failed libFuzzer run's log and the inputs it left, then fails.
report_fault() {  # report_fault LOG
  tail -n 60 "$1"
  for artifact in "$work"/artifacts/*; do
    [ -e "$artifact" ] || continue
    echo "--- $artifact (base64)"
    base64 "$artifact" | head -c 20000
    echo
  done
  echo "the fuzz target found a fault"
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
