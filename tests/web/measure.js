// Warm runs of one input file in the page's worker in headless Chromium: the
// engine's time per run (input copied in, output copied out), first run apart.
// Usage: node tests/web/measure.js SITE_DIR INPUT_FILE [RUNS]
// For example on W2 of bench/run.py (python3 bench/run.py --generate-only):
//   node tests/web/measure.js build-wasm/site /tmp/levezet-bench/scale-1-seed-4242/W2/input.txt
'use strict';
const path = require('path');
const { serveSite, launchChromium } = require('./site_server');

async function main() {
  const [site, input, runs = '6'] = process.argv.slice(2);
  const server = await serveSite(site, { '/measured/input.txt': path.resolve(input) });
  const browser = await launchChromium();
  try {
    const page = await browser.newPage();
    await page.goto(server.url + '?munkakeret=0');
    await page.locator('#status', { hasText: 'A motor kész.' }).waitFor();
    const results = await page.evaluate(async (count) => {
      const bytes = new Uint8Array(await (await fetch('/measured/input.txt')).arrayBuffer());
      const times = [];
      let output = null;
      for (let i = 0; i < count; i++) {
        const result = await window.levezetPage.runBytes(bytes);
        times.push(result.milliseconds);
        output = result.output;
      }
      return { times, length: output.length,
        digest: Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', output))) };
    }, Number(runs));
    const warm = results.times.slice(1).sort((a, b) => a - b);
    const digest = Buffer.from(results.digest).toString('hex');
    console.log(`runs (ms): ${results.times.map((t) => t.toFixed(0)).join(' ')}`);
    console.log(`warm median: ${warm[Math.floor(warm.length / 2)].toFixed(0)} ms, ` +
      `best: ${warm[0].toFixed(0)} ms; output ${results.length} bytes, sha256 ${digest}`);
  } finally {
    await browser.close();
    await server.close();
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
