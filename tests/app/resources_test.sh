#!/usr/bin/env bash
# Runs that fail for want of resources: memory running out, a read error in the
# middle of the input, an output that cannot be renamed into place. Each must
# end with a message on standard error and status 1, no success message, an
# existing output file unchanged and no temporary file left beside it.
# Usage: resources_test.sh PATH_TO_PROGRAM PATH_TO_IO_FAULTS_LIBRARY
# Exits 77 (skipped) when nothing could be run.
set -u
program=$(realpath "$1")
faults=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
ran=0
success='A program sikeresen lefutott. Egy gomb, es az enter leutesevel kilephet.'

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "${3:0:200}"
    failures=$((failures + 1))
  fi
}

# The checks every failed run shares. Usage: check_failed NAME STATUS STDOUT
check_failed() {
  check "$1 status" 1 "$2"
  check "$1 no success message" "" "$(printf '%s' "$3" | grep -F "$success")"
  check "$1 output kept" "old" "$(cat out.txt)"
  check "$1 no temporary" "" "$(find . -name '.out.txt.*' -printf '%f ')"
}

sanitized=false
if grep -q __asan_init "$program"; then
  sanitized=true  # AddressSanitizer reserves more address space than any limit leaves
  export ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0"
fi

# Memory: a product of 20,000 tuples with themselves (400 million pairs) under a
# 256 MiB address-space limit.
if [ "$sanitized" = false ]; then
  { echo 'p(X,Y)<-r(X),r(Y)'; echo; echo 'r(a)'; seq 1 20000; } > product.txt
  printf 'old\n' > out.txt
  out=$(ulimit -v 262144 && exec timeout 120 "$program" product.txt out.txt </dev/null 2>err.txt)
  status=$?
  check "memory stderr" "Elfogyott a memoria!! " "$(head -c 22 err.txt)"
  check_failed memory "$status" "$out"
  ran=$((ran + 1))
fi

# A read error after the first 5,000 bytes of a 60,000-byte input.
{ echo 'p(X)<-r(X)'; echo; echo 'r(a)'; seq 1 12000; } > big.txt
printf 'old\n' > out.txt
out=$(LD_PRELOAD="$faults" IO_FAULT_READ_FILE=big.txt IO_FAULT_READ_AFTER=5000 \
  "$program" big.txt out.txt </dev/null 2>err.txt)
status=$?
check "read-error stderr names the input" "big.txt" "$(tail -c 7 err.txt)"
check_failed read-error "$status" "$out"
ran=$((ran + 1))

# The finished output cannot be renamed into place.
printf 'old\n' > out.txt
out=$(LD_PRELOAD="$faults" IO_FAULT_RENAME=1 "$program" big.txt out.txt </dev/null 2>err.txt)
status=$?
check "rename stderr" "Nem tudtam kiirni az outputfile-t!! out.txt" "$(cat err.txt)"
check_failed rename "$status" "$out"
ran=$((ran + 1))

# The same runs without faults complete, so the failures above came from the faults.
out=$("$program" big.txt out.txt </dev/null 2>err.txt)
check "control status" 0 "$?"
check "control output" "p(X)<-r(X)" "$(head -n 1 out.txt)"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "resources: all checks passed ($ran fault runs)"
