#!/usr/bin/env bash
# CI for 32-bit targets and the web page: the whole test suite as a 32-bit
# program (preset m32); the engine built with emscripten (preset wasm), its
# unit tests and every golden case run under node; the page's own logic under
# node; the page's first load within its budget (400 KB gzipped); and the
# page, served by scripts/serve_web.sh on 127.0.0.1, in headless Chromium
# (Debian's) driven by playwright-core (tests/web, npm ci).
# Usage: ci_web.sh [--screenshots DIR]   (writes the page's pictures there)
set -euo pipefail
cd "$(dirname "$0")/.."
screenshots=""
if [ "${1:-}" = "--screenshots" ]; then
  screenshots=$(realpath "$2")
fi
scripts/ensure_tools.sh --tests --m32 --web --browser

echo "=== whole suite as a 32-bit program (m32 preset)"
# A kernel without 32-bit support cannot run what -m32 builds: only the
# program is then built (it still has to compile for 32 bits), not the suite
# it could not run.
probe=$(mktemp -d)
printf 'int main() { return 0; }\n' | g++ -m32 -x c++ - -o "$probe/probe"
if "$probe/probe" 2>/dev/null; then
  cmake --preset m32 -DLEVEZET_TESTS=ON >/dev/null
  cmake --build --preset m32
  ctest --preset m32 -j2
else
  cmake --preset m32 -DLEVEZET_TESTS=OFF >/dev/null
  cmake --build --preset m32 --target levezet
  echo "32-bit programs cannot run on this kernel: the program was built, the suite neither built nor run"
fi
rm -rf "$probe"

echo "=== the engine under node (wasm preset)"
scripts/build_web.sh
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
cmake --build --preset wasm --target unit_tests
node build-wasm/tests/unit_tests.js --gtest_brief=1
node tests/web/golden_node.js build-wasm/site
node --test tests/web/page_logic_test.js
node tests/web/first_load.js build-wasm/site

echo "=== the page in headless Chromium"
(cd tests/web && npm ci --no-audit --no-fund)
work=$(mktemp -d)
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
scripts/serve_web.sh "$port" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 1 300); do
  python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1])' \
    "http://127.0.0.1:$port/" >/dev/null 2>&1 && break
  sleep 0.2
done
node tests/web/page_test.js build-wasm/site --url "http://127.0.0.1:$port/" \
  --screenshots "${screenshots:-$work}"
