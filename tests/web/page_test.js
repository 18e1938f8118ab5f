// The page in headless Chromium, served from 127.0.0.1: the README's example
// typed and run, diagnostics marked in the editor, Latin-2 kept byte for byte
// through examples, runs and saving, runaway programs refused or stopped with
// the page still running the next program, and a tuple explained on a click.
// Usage: node tests/web/page_test.js SITE_DIR [--url URL] [--screenshot PNG]
// Without --url the page is served from SITE_DIR by a server of the test's own.
'use strict';
const assert = require('assert/strict');
const fs = require('fs');
const path = require('path');
const { serveSite, launchChromium } = require('./site_server');

function argument(name) {
  const at = process.argv.indexOf(name);
  return at < 0 ? undefined : process.argv[at + 1];
}

const site = path.resolve(process.argv[2] || 'build-wasm/site');
const siteUrl = argument('--url');
const screenshot = argument('--screenshot');
const examples = path.join(__dirname, '..', '..', 'examples');
const latin2 = require(path.join(site, 'latin2.js'));

function example(name, part) {
  return fs.readFileSync(path.join(examples, name, part));
}

function exampleText(name, part) {
  return latin2.decode(example(name, part));
}

async function openPage(browser, url) {
  const page = await browser.newPage({ viewport: { width: 1280, height: 860 }, acceptDownloads: true });
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  await page.goto(url);
  await page.locator('#status', { hasText: 'A motor kész.' }).waitFor();
  page.problems = problems;
  return page;
}

async function runAndWait(page, statusPattern = /^Kész/) {
  await page.click('#run');
  await page.waitForFunction(
    (source) => new RegExp(source).test(document.getElementById('status').textContent),
    statusPattern.source);
}

// Puts `value` into the editor as a paste does (Playwright's fill stalls on
// texts of some thousand lines).
async function paste(page, value) {
  await page.locator('#editor').evaluate((editor, pasted) => {
    editor.value = pasted;
    editor.dispatchEvent(new Event('input', { bubbles: true }));
  }, value);
}

const text = (page, selector) => page.locator(selector).evaluate((node) => node.textContent);

// The README's example is the golden case derived_after_declared.
async function readmeExampleTypedAndRun(page) {
  await page.fill('#editor', '');
  await page.click('#editor');
  await page.keyboard.type(exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
  assert.equal(await text(page, '#stdout'), '');
  assert.equal(await page.locator('#diagnostics li').count(), 0);
}

async function diagnosticsMarkTheirLines(page) {
  const name = 'malformed_condition_without_operator';
  await page.fill('#editor', exampleText(name, 'input.txt'));
  await runAndWait(page);
  // Each diagnostic is three lines: FILE:LINE:COLUMN: ..., the input line, a caret.
  const expected = exampleText(name, 'expected_stderr.txt').split('\n').filter(Boolean);
  const heads = expected.filter((line, i) => i % 3 === 0);
  assert.deepEqual(await page.locator('#diagnostics li .message').allTextContents(), heads);
  assert.deepEqual(await page.locator('#diagnostics li pre').allTextContents(),
    heads.map((line, i) => expected[3 * i + 1] + '\n' + expected[3 * i + 2]));
  const lines = [...new Set(heads.map((line) => Number(/^input\.txt:(\d+):/.exec(line)[1])))];
  assert.deepEqual((await page.locator('#gutter .marked').allTextContents()).map(Number), lines);
  assert.equal(await text(page, '#stderr'), '');
  if (screenshot) {
    await page.screenshot({ path: screenshot });
  }
  // A diagnostic clicked selects its line in the editor from its column on.
  await page.locator('#diagnostics li').nth(2).click();
  const selected = await page.locator('#editor').evaluate(
    (editor) => editor.value.slice(editor.selectionStart, editor.selectionEnd));
  const [, line, column] = /^input\.txt:(\d+):(\d+):/.exec(heads[2]);
  assert.equal(selected, exampleText(name, 'input.txt').split('\n')[line - 1].slice(column - 1));
  // Without warnings there are none.
  await page.uncheck('#warnings');
  await runAndWait(page);
  assert.equal(await page.locator('#diagnostics li').count(), 0);
  await page.check('#warnings');
}

// Saves the output and returns its bytes.
async function savedOutput(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  return fs.readFileSync(await download.path());
}

// A file opened from the disk runs as its bytes stand.
async function openedFileRuns(page) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#open')]);
  await chooser.setFiles(path.join(examples, 'crlf_input', 'input.txt'));
  await page.locator('#file-name', { hasText: 'input.txt' }).waitFor();
  await page.waitForFunction(() => document.getElementById('editor').value.startsWith('p(X,Y)<-'));
  await runAndWait(page);
  assert.equal(Buffer.compare(await savedOutput(page), example('crlf_input', 'expected_output.txt')), 0);
}

async function latin2KeptExact(page) {
  // Accented names, and CR LF line ends that a text box does not show.
  for (const name of ['route_network', 'accented_initials', 'crlf_input', 'unequal_length_union']) {
    await page.selectOption('#examples', name);
    await page.waitForFunction(
      (shown) => document.getElementById('file-name').textContent === shown, name + '/input.txt');
    if (name === 'crlf_input') {
      await page.locator('#encoding-note', { hasText: 'kocsivissza (CR)' }).waitFor();
    }
    await runAndWait(page);
    assert.equal(Buffer.compare(await savedOutput(page), example(name, 'expected_output.txt')), 0,
      name + ': saved output differs');
    const stdout = exampleText(name, 'expected_stdout.txt').replace(/A program sikeresen.*\n$/, '');
    assert.equal(await text(page, '#stdout'), stdout, name + ': standard output differs');
  }
  // Text pasted from elsewhere: what Latin-2 cannot write is named, and run as '?'.
  await page.fill('#editor', 'p(X)<-q(X)\n\nq(a)\n\'árvíztűrő\'\n\'5 €\'\n');
  await page.locator('#encoding-note', { hasText: '€' }).waitFor();
  await runAndWait(page);
  assert.match(await text(page, '#output'), /^'5 \?'$/m);
  assert.match(await text(page, '#output'), /^'árvíztűrő'$/m);
}

function runawayProduct() {
  let program = 'q(X,Y,Z)<-p(X),p(Y),p(Z)\n\np(a)\n';
  for (let i = 0; i < 2000; i++) {
    program += i + '\n';
  }
  return program;
}

function longClosure(nodes) {
  let program = 'tc(X,Y)<-e(X,Y)\ntc(X,Z)<-tc(X,Y),e(Y,Z)\n\ne(a,b)\n';
  for (let i = 1; i < nodes; i++) {
    program += `${i},${i + 1}\n`;
  }
  return program;
}

async function runawayRefusedThenNextRuns(page) {
  await paste(page, runawayProduct());
  await runAndWait(page, /munkakeret/);
  assert.match(await text(page, '#stderr'), /^Elfogyott a munkakeret!! /);
  assert.equal(await text(page, '#output'), '');
  assert.equal(await page.locator('#save').isDisabled(), true);
  await page.fill('#editor', exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
}

// Without the work limit (?munkakeret=0) the same product asks for more
// memory than there is: refused with a message, and the engine goes on.
async function outOfMemoryThenNextRuns(page) {
  await page.goto(new URL('?munkakeret=0', page.url()).href);
  await page.locator('#status', { hasText: 'A motor kész.' }).waitFor();
  await paste(page, runawayProduct());
  await runAndWait(page, /memória/);
  assert.match(await text(page, '#stderr'), /^Elfogyott a memoria!! /);
  await page.fill('#editor', exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
}

async function stoppedThenNextRuns(page) {
  await paste(page, longClosure(3000));
  await page.click('#run');
  await page.locator('#status', { hasText: 'Fut' }).waitFor();
  await page.waitForTimeout(300);
  await page.click('#stop');
  await page.locator('#status', { hasText: 'Leállítva' }).waitFor();
  await page.locator('#status', { hasText: 'újra kész' }).waitFor();
  await page.fill('#editor', exampleText('recursion_transitive_closure', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'),
    exampleText('recursion_transitive_closure', 'expected_output.txt'));
}

// A click on a derived tuple of the output shows how it was derived.
async function tupleClickedIsExplained(page) {
  await page.locator('#output.explainable').waitFor({ state: 'attached' });
  await page.fill('#editor', exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  const point = await page.locator('#output').evaluate((pre) => {
    const lines = pre.textContent.split('\n');
    const start = lines.slice(0, lines.indexOf('path2(X,Z)') + 1).join('\n').length + 1;
    const range = document.createRange();
    range.setStart(pre.firstChild, start);
    range.setEnd(pre.firstChild, start + 3);  // the line 1,3
    const box = range.getBoundingClientRect();
    return { x: box.x + 2, y: box.y + box.height / 2 };
  });
  await page.mouse.click(point.x, point.y);
  await page.locator('#explanation-pane').waitFor({ state: 'visible' });
  assert.match(await text(page, '#explanation'), /^path2\(1,3\)$/m);
}

async function main() {
  const server = siteUrl ? { url: siteUrl, close: async () => {} } : await serveSite(site);
  const browser = await launchChromium();
  const cases = [readmeExampleTypedAndRun, diagnosticsMarkTheirLines, latin2KeptExact, openedFileRuns,
    runawayRefusedThenNextRuns, outOfMemoryThenNextRuns, stoppedThenNextRuns,
    tupleClickedIsExplained];
  let failed = 0;
  try {
    for (const testCase of cases) {
      const page = await openPage(browser, server.url);
      try {
        await testCase(page);
        assert.deepEqual(page.problems, []);
        console.log(`passed: ${testCase.name}`);
      } catch (error) {
        failed++;
        // Playwright's messages quote the text typed; the head is enough.
        console.log(`FAILED: ${testCase.name}\n${String(error.stack || error).slice(0, 1500)}`);
      } finally {
        await page.close();
      }
    }
  } finally {
    await browser.close();
    await server.close();
  }
  console.log(`${cases.length - failed} of ${cases.length} page tests passed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
