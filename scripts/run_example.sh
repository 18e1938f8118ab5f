#!/usr/bin/env bash
# Builds the program and runs it on the bundled example, then shows the output file.
set -eu
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh
cmake --preset release -DLEVEZET_TESTS=OFF >/dev/null
cmake --build --preset release --target levezet
./build/levezet inputkteszt.txt outputk.txt </dev/null
echo "--- outputk.txt ---"
cat outputk.txt
