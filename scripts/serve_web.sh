#!/usr/bin/env bash
# Builds the web page and serves it at http://127.0.0.1:PORT/ (default 8015)
# until interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8015}
scripts/build_web.sh
echo "levezet: http://127.0.0.1:$port/ (Ctrl-C stops the server)"
exec python3 -m http.server --bind 127.0.0.1 --directory build-wasm/site "$port"
