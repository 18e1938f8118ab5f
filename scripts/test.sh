#!/usr/bin/env bash
# Builds everything and runs every test: unit tests, golden cases, dialogue checks.
set -eu
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --tests --graphviz
cmake --preset release -DLEVEZET_TESTS=ON >/dev/null
cmake --build --preset release
ctest --preset release -j2
