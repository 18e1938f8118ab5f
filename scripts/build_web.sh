#!/usr/bin/env bash
# Builds the web page into build-wasm/site: the page and its scripts, the
# engine (preset wasm: levezet_web.js and levezet_web.wasm) and the bundled
# examples with an index. Installs emscripten when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure_tools.sh --web
# Debian's emscripten runs its JavaScript steps with the system's node, which
# finds the packaged modules they need only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
cmake --preset wasm >/dev/null
cmake --build --preset wasm --target levezet_web
site=build-wasm/site
rm -rf "$site"
mkdir -p "$site/examples"
cp web/index.html web/style.css web/page.js web/page_logic.js web/worker.js web/latin2.js \
  web/engine_api.js build-wasm/levezet_web.js build-wasm/levezet_web.wasm "$site/"
# Each example's input, and a list of them with the line examples/README.md
# gives each (text without Markdown).
python3 - "$site/examples" <<'PY'
import json, os, re, shutil, sys
target = sys.argv[1]
descriptions = {}
for line in open('examples/README.md', encoding='latin-1'):
    match = re.match(r'- ((?:`[^`]+`(?:, )?)+): (.*)', line)
    if match:
        for name in re.findall(r'`([^`]+)`', match.group(1)):
            descriptions[name] = match.group(2).replace('`', '').strip()
index = []
for name in sorted(os.listdir('examples')):
    source = os.path.join('examples', name, 'input.txt')
    if os.path.isfile(source):
        shutil.copyfile(source, os.path.join(target, name + '.txt'))
        index.append({'name': name, 'description': descriptions.get(name, '')})
with open(os.path.join(target, 'index.json'), 'w', encoding='utf-8') as out:
    json.dump(index, out, ensure_ascii=False, indent=0)
PY
echo "page built in $site"
