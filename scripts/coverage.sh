#!/usr/bin/env bash
# Line coverage of the engine (app/, input/, relation/, algebra/, eval/) by the
# whole test suite: unit tests, golden cases, dialogue and resource checks, and
# the fuzz corpus replay. Prints the per-folder figures and writes every line
# not reached to build-coverage/unreached.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --tests --fuzz
root=$(pwd)
out=build-coverage
rm -rf "$out/profiles"
cmake --preset coverage -DLEVEZET_TESTS=ON >/dev/null
cmake --build --preset coverage
if ! ctest --preset coverage -j2 >"$out/ctest.log"; then
  echo "some tests failed; the coverage below is that of the runs as they went:"
  grep -E '^\s+[0-9]+ - ' "$out/ctest.log" || true
fi
grep -E 'tests passed' "$out/ctest.log"

llvm-profdata merge -sparse "$out"/profiles/*.profraw -o "$out/merged.profdata"
llvm-cov export -format=lcov -instr-profile="$out/merged.profdata" "$out/levezet" \
  -object "$out/tests/unit_tests" -object "$out/tests/fuzz/fuzz_replay" \
  -ignore-filename-regex='(^/usr/|/tests/)' >"$out/coverage.lcov"

# Per folder: lines with code, lines reached. Then every line not reached.
awk -v root="$root/" -v unreached="$out/unreached.txt" '
  /^SF:/ { file = substr($0, 4); sub("^" root, "", file); next }
  /^DA:/ {
    split(substr($0, 4), field, ",")
    key = file ":" field[1]
    if (!(key in count)) { order[++n] = key; folderOf[key] = file; sub("/.*", "", folderOf[key]) }
    count[key] += field[2]
  }
  END {
    for (i = 1; i <= n; i++) {
      key = order[i]; folder = folderOf[key]
      total[folder]++; all++
      if (count[key] > 0) { hit[folder]++; allHit++ } else { print key > unreached }
    }
    printf "%-10s %8s %8s %8s\n", "folder", "lines", "reached", "percent"
    for (folder in total) {
      printf "%-10s %8d %8d %7.1f%%\n", folder, total[folder], hit[folder], 100 * hit[folder] / total[folder]
    }
    printf "%-10s %8d %8d %7.1f%%\n", "all", all, allHit, 100 * allHit / all
  }' "$out/coverage.lcov"
: >"$out/unreached.txt.src"
if [ -s "$out/unreached.txt" ]; then
  while IFS=: read -r file line; do
    printf '%s:%s: %s\n' "$file" "$line" "$(sed -n "${line}p" "$file" | sed 's/^ *//')"
  done <"$out/unreached.txt" >"$out/unreached.txt.src"
fi
mv "$out/unreached.txt.src" "$out/unreached.txt"
echo "unreached lines: $(wc -l <"$out/unreached.txt") (listed in $out/unreached.txt)"
