// The page's first load, gzipped: every file of the built site that a visit
// fetches before the first run (the chunks esbuild splits off, NAME-HASH.js,
// and the examples come later, on demand). Fails past the budget.
// Usage: node tests/web/first_load.js SITE_DIR [BUDGET_KB]   (default 400)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const site = path.resolve(process.argv[2] || 'build-wasm/site');
const budget = Number(process.argv[3] || 400) * 1024;
const later = /-[A-Z0-9]{8}\.js$/;
const files = fs.readdirSync(site).filter((name) => !later.test(name) && !name.endsWith('.map'))
  .filter((name) => fs.statSync(path.join(site, name)).isFile()).concat('examples/index.json');
let total = 0;
for (const name of files.sort()) {
  const bytes = fs.readFileSync(path.join(site, name));
  const packed = zlib.gzipSync(bytes, { level: 9 }).length;
  total += packed;
  console.log(`${name}: ${bytes.length} bytes, ${packed} gzipped`);
}
for (const name of fs.readdirSync(site).filter((n) => later.test(n))) {
  console.log(`${name} (when first used): ${zlib.gzipSync(fs.readFileSync(path.join(site, name)), { level: 9 }).length} gzipped`);
}
console.log(`first load: ${total} bytes gzipped (${(total / 1024).toFixed(0)} KB of ${budget / 1024} KB)`);
process.exit(total <= budget ? 0 : 1);
