#!/usr/bin/env bash
# Builds the web page into build-wasm/site: the page, its scripts bundled by
# esbuild with the editor (CodeMirror) and, in a chunk loaded when the graph
# is first shown, the graph layout (dagre), the engine (preset wasm:
# levezet_web.js and levezet_web.wasm), and the page's examples with an
# index. Installs emscripten when it is missing, and the page's npm packages
# from web/package-lock.json (npm ci) when they are missing or older than it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --web --npm
# Debian's emscripten runs its JavaScript steps with the system's node, which
# finds the packaged modules they need only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if [ ! -f web/node_modules/.package-lock.json ] ||
   [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund)
fi
cmake --preset wasm >/dev/null
cmake --build --preset wasm --target levezet_web
site=build-wasm/site
rm -rf "$site"
mkdir -p "$site/examples"
cp web/index.html web/style.css web/page_logic.js web/worker.js web/latin2.js \
  web/engine_api.js build-wasm/levezet_web.js build-wasm/levezet_web.wasm "$site/"
web/node_modules/.bin/esbuild web/page.js --bundle --format=esm --splitting --minify \
  --target=es2020 --chunk-names='[name]-[hash]' --outdir="$site" --log-level=warning
# The page's examples (examples/page/*: input.txt, and title.txt in UTF-8 with
# the title on its first line and a one-line description on its second).
python3 - "$site/examples" <<'PY'
import json, os, shutil, sys
target = sys.argv[1]
index = []
for name in sorted(os.listdir('examples/page')):
    folder = os.path.join('examples/page', name)
    if not os.path.isfile(os.path.join(folder, 'input.txt')):
        continue
    with open(os.path.join(folder, 'title.txt'), encoding='utf-8') as about:
        title, description = (about.read().splitlines() + ['', ''])[:2]
    shutil.copyfile(os.path.join(folder, 'input.txt'), os.path.join(target, name + '.txt'))
    index.append({'name': name, 'title': title, 'description': description})
with open(os.path.join(target, 'index.json'), 'w', encoding='utf-8') as out:
    json.dump(index, out, ensure_ascii=False, indent=0)
PY
echo "page built in $site"
