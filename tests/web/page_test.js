// The page in headless Chromium, served from 127.0.0.1: the README's example
// typed, coloured and run; diagnostics as lint marks that a click scrolls to;
// Latin-2 and UTF-8 files kept byte for byte through runs and saving;
// runaway programs refused or stopped with the page still running the next
// program; a tuple explained as a tree; the program's graph; a shared
// address; an example; the layout at 1280x800 and 360 px wide.
// Usage: node tests/web/page_test.js SITE_DIR [--url URL] [--screenshots DIR]
// Without --url the page is served from SITE_DIR by a server of the test's own.
// With --screenshots, the pictures README shows are written there.
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
const screenshots = argument('--screenshots');
const examples = path.join(__dirname, '..', '..', 'examples');
const latin2 = require(path.join(site, 'latin2.js'));

function example(name, part) {
  return fs.readFileSync(path.join(examples, name, part));
}

function exampleText(name, part) {
  return latin2.decode(example(name, part));
}

async function openPage(browser, url, viewport = { width: 1280, height: 800 }) {
  const page = await browser.newPage({ viewport, acceptDownloads: true });
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  await page.goto(url);
  await page.locator('#status', { hasText: 'A motor kész.' }).waitFor();
  page.problems = problems;
  return page;
}

async function picture(page, name) {
  if (screenshots) {
    await page.screenshot({ path: path.join(screenshots, name) });
  }
}

async function runAndWait(page, statusPattern = /^Kész/) {
  await page.click('#run');
  await page.waitForFunction(
    (source) => new RegExp(source).test(document.getElementById('status').textContent),
    statusPattern.source);
}

// Puts `value` into the editor as a paste does.
const setText = (page, value) => page.evaluate((text) => window.levezetPage.setText(text), value);
const editorText = (page) => page.evaluate(() => window.levezetPage.text());
const text = (page, selector) => page.locator(selector).evaluate((node) => node.textContent);
const texts = (page, selector) => page.locator(selector).allTextContents();

// The README's example (the golden case derived_after_declared), typed: the
// language mode colours heads, atoms, variables, declarations, numbers and texts.
async function readmeExampleTypedAndRun(page) {
  await setText(page, '');
  await page.click('.cm-content');
  await page.keyboard.type(exampleText('derived_after_declared', 'input.txt'));
  assert.equal(await editorText(page), exampleText('derived_after_declared', 'input.txt'));
  assert.deepEqual(await texts(page, '.lz-head'), ['path2', 'far']);
  assert.deepEqual(await texts(page, '.lz-atom'), ['edge', 'edge', 'path2']);
  assert.deepEqual(await texts(page, '.lz-arrow'), ['<-', '<-']);
  assert.deepEqual(await texts(page, '.lz-declaration'), ['edge', 'city']);
  assert.deepEqual(await texts(page, '.lz-attribute'), ['from', 'to', 'id', 'name']);
  assert.deepEqual(await texts(page, '.lz-text'), ["'Pecs'", "'Gyor'"]);
  assert.equal((await texts(page, '.lz-variable')).join(''), 'XZXYYZXXYXY');
  assert.equal((await texts(page, '.lz-number')).length, 8);
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
  assert.equal(await text(page, '#stdout'), '');
  assert.equal(await page.locator('#diagnostics li').count(), 0);
  await picture(page, 'screenshot-run.png');
}

// Each diagnostic is three lines: FILE:LINE:COLUMN: ..., the input line, a caret.
function expectedDiagnostics(name) {
  const expected = exampleText(name, 'expected_stderr.txt').split('\n').filter(Boolean);
  return expected.filter((line, i) => i % 3 === 0).map((head, i) => {
    const [, line, column] = /^input\.txt:(\d+):(\d+):/.exec(head);
    return { head, line: Number(line), column: Number(column),
      context: expected[3 * i + 1] + '\n' + expected[3 * i + 2] };
  });
}

async function diagnosticsMarkTheirColumns(page) {
  const name = 'malformed_condition_without_operator';
  const input = exampleText(name, 'input.txt');
  await setText(page, input);
  await runAndWait(page);
  const expected = expectedDiagnostics(name);
  assert.deepEqual(await texts(page, '#diagnostics li .message'), expected.map((d) => d.head));
  assert.deepEqual(await texts(page, '#diagnostics li pre'), expected.map((d) => d.context));
  assert.equal(await text(page, '#diagnostic-count'), String(expected.length));
  // Each underline starts at its column, each line with one has a gutter mark.
  const underlined = await texts(page, '.cm-lintRange');
  assert.deepEqual(underlined.map((u, i) => input.split('\n')[expected[i].line - 1]
    .slice(expected[i].column - 1).startsWith(u) && u.length > 0), expected.map(() => true));
  assert.equal(await page.locator('.cm-lint-marker').count(), new Set(expected.map((d) => d.line)).size);
  await page.click('#tab-diagnostics');
  await picture(page, 'screenshot-diagnostics.png');
  // Without warnings there are none.
  await page.uncheck('#warnings');
  await runAndWait(page);
  assert.equal(await page.locator('#diagnostics li').count(), 0);
  assert.equal(await page.locator('.cm-lintRange').count(), 0);
}

// A diagnostic far down a long file: a click on it brings its line into the
// editor's view, the cursor at its column.
async function diagnosticClickScrollsThere(page) {
  let program = 'p(X)<-e(X)\n\ne(a)\n';
  for (let i = 0; i < 300; i++) {
    program += i + '\n';
  }
  program += 'r(b)\n1\n2,3\n';
  await setText(page, program);
  await runAndWait(page);
  await page.click('#tab-diagnostics');
  const [, line] = /:(\d+):/.exec(await text(page, '#diagnostics li .message'));
  assert.equal(Number(line), program.split('\n').indexOf('2,3') + 1);
  assert.equal(await page.locator('.cm-lintRange').count(), 0);  // not drawn while off-screen
  await page.locator('#diagnostics li').first().click();
  const mark = page.locator('.cm-lintRange');
  await mark.waitFor();
  const box = await mark.boundingBox();
  const scroller = await page.locator('.cm-scroller').boundingBox();
  assert.ok(box.y >= scroller.y && box.y + box.height <= scroller.y + scroller.height, 'mark in view');
  assert.ok(box.y + box.height <= 800, 'mark within the window');
  assert.equal(await page.evaluate(() => document.activeElement.classList.contains('cm-content')), true);
}

// Clicks the save button `button` and returns the bytes saved.
async function saved(page, button) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  return fs.readFileSync(await download.path());
}

const savedOutput = (page) => saved(page, '#save');

async function openFile(page, file) {
  // The name is set with the text, once the file is read.
  await page.locator('#file-name').evaluate((name) => { name.textContent = ''; });
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#open')]);
  await chooser.setFiles(file);
  await page.locator('#file-name', { hasText: path.basename(file) }).waitFor();
}

// Files opened from the disk run as their bytes stand: accented names, CR LF
// line ends that the editor does not show, tuples of unequal widths.
async function latin2KeptExact(page) {
  for (const name of ['route_network', 'accented_initials', 'crlf_input', 'unequal_length_union']) {
    await openFile(page, path.join(examples, name, 'input.txt'));
    assert.equal(await editorText(page), exampleText(name, 'input.txt').replace(/\r/g, ''));
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
  await setText(page, 'p(X)<-q(X)\n\nq(a)\n\'árvíztűrő\'\n\'5 €\'\n');
  await page.locator('#encoding-note', { hasText: '€' }).waitFor();
  await runAndWait(page);
  assert.match(await text(page, '#output'), /^'5 \?'$/m);
  assert.match(await text(page, '#output'), /^'árvíztűrő'$/m);
}

// A file saved as UTF-8 shows its text, runs as its bytes, and its output is
// saved in UTF-8 too.
async function utf8FileReadAsWritten(page) {
  const utf8 = Buffer.from(exampleText('route_network', 'input.txt'), 'utf8');
  const file = path.join(fs.mkdtempSync(path.join(require('os').tmpdir(), 'page-')), 'utak.txt');
  fs.writeFileSync(file, utf8);
  await openFile(page, file);
  assert.equal(await editorText(page), exampleText('route_network', 'input.txt'));
  assert.equal(await text(page, '#file-encoding'), '(UTF-8)');
  // Saved as it came, unchanged and after an edit.
  assert.equal(Buffer.compare(await saved(page, '#save-input'), utf8), 0);
  await page.click('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type("'Őrség'\n");
  assert.equal(Buffer.compare(await saved(page, '#save-input'), Buffer.concat([utf8, Buffer.from("'Őrség'\n")])), 0);
  await page.keyboard.press('Control+z');
  await page.waitForFunction(() => document.getElementById('encoding-note').hidden);
  await runAndWait(page);
  // The output pane shows the saved bytes read as UTF-8, the rule lines as typed.
  const output = new TextDecoder('utf-8', { fatal: true }).decode(await savedOutput(page));
  assert.equal(await text(page, '#output'), output);
  assert.ok(output.startsWith(exampleText('route_network', 'input.txt').split('\n\n')[0]));
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
  await setText(page, runawayProduct());
  await runAndWait(page, /munkakeret/);
  assert.match(await text(page, '#stderr'), /^Elfogyott a munkakeret!! /);
  assert.equal(await page.locator('#panel-console').isVisible(), true);
  assert.equal(await text(page, '#output'), '');
  assert.equal(await page.locator('#save').isDisabled(), true);
  await setText(page, exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
}

// Without the work limit (?munkakeret=0) the same product asks for more
// memory than there is: refused with a message, and the engine goes on.
async function outOfMemoryThenNextRuns(page) {
  await page.goto(new URL('?munkakeret=0', page.url()).href);
  await page.locator('#status', { hasText: 'A motor kész.' }).waitFor();
  await setText(page, runawayProduct());
  await runAndWait(page, /memória/);
  assert.match(await text(page, '#stderr'), /^Elfogyott a memoria!! /);
  await setText(page, exampleText('derived_after_declared', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'), exampleText('derived_after_declared', 'expected_output.txt'));
}

async function stoppedThenNextRuns(page) {
  await setText(page, longClosure(3000));
  await page.click('#run');
  await page.locator('#status', { hasText: 'Fut' }).waitFor();
  await page.waitForTimeout(300);
  await page.click('#stop');
  await page.locator('#status', { hasText: 'Leállítva' }).waitFor();
  await page.locator('#status', { hasText: 'újra kész' }).waitFor();
  await setText(page, exampleText('recursion_transitive_closure', 'input.txt'));
  await runAndWait(page);
  assert.equal(await text(page, '#output'),
    exampleText('recursion_transitive_closure', 'expected_output.txt'));
}

// The point of line `index` (from 0) of the output pane, for a click.
function outputLinePoint(page, index) {
  return page.locator('#output').evaluate((pre, wanted) => {
    const start = pre.textContent.split('\n').slice(0, wanted).join('\n').length + 1;
    const range = document.createRange();
    range.setStart(pre.firstChild, start);
    range.setEnd(pre.firstChild, start + 1);
    const box = range.getBoundingClientRect();
    return { x: box.x + 2, y: box.y + box.height / 2 };
  }, index);
}

// A click on a derived tuple of the output shows how it was derived, as a
// tree whose nodes open and close, the tuple marked in the output.
async function tupleClickedIsExplained(page) {
  await page.locator('#output.explainable').waitFor({ state: 'attached' });
  await setText(page, exampleText('recursion_transitive_closure', 'input.txt'));
  await runAndWait(page);
  const lines = (await text(page, '#output')).split('\n');
  const asked = lines.indexOf('1,3', lines.indexOf('tc(X,Y)'));
  const point = await outputLinePoint(page, asked);
  await page.mouse.click(point.x, point.y);
  await page.locator('.tree .asked').waitFor();
  assert.equal(await text(page, '.tree .asked > details > summary .fact'), 'tc(1,3)');
  assert.match(await text(page, '.tree .asked > details > summary .origin'), /^szabály, \d+\. sor: tc\(/);
  assert.ok((await texts(page, '.tree .fact')).some((fact) => /^edge\(/.test(fact)));
  const mark = await page.locator('#output-mark').boundingBox();
  assert.ok(Math.abs(mark.y + mark.height / 2 - point.y) < mark.height / 2, 'clicked line marked');
  // A node closes on a click.
  const firstInner = page.locator('.tree .asked details details').first();
  await firstInner.locator('summary').first().click();
  assert.equal(await firstInner.evaluate((d) => d.open), false);
  await picture(page, 'screenshot-explanation.png');
}

const graphProgram = 'path2(X,Z)<-edge(X,Y),edge(Y,Z)\nfar(X)<-path2(X,Y),X!=Y\n' +
  'tc(X,Y)<-edge(X,Y)\ntc(X,Z)<-tc(X,Y),edge(Y,Z)\n\nedge(from,to)\n1,2\n2,3\n3,1\n\n' +
  "city(id,name)\n1,'Pecs'\n";

// The README's example with its recursive rules: a node per relation, an edge
// per rule atom, tc's group framed; a click on a relation shows its block.
async function graphOfTheProgram(page) {
  await setText(page, graphProgram);
  await runAndWait(page);
  await page.click('#tab-graph');
  await page.locator('svg.graph').waitFor();
  assert.deepEqual(await texts(page, '.node.declared text'), ['edge', 'city']);
  assert.deepEqual(await texts(page, '.node.derived text'), ['1. path2', '2. far', '3. tc']);
  const edges = await page.locator('.edge').evaluateAll((paths) =>
    paths.map((p) => `${p.dataset.from}->${p.dataset.to}`));
  assert.deepEqual(edges, ['0->2', '0->2', '2->3', '0->4', '4->4', '0->4']);
  const frame = await page.locator('.group rect').boundingBox();
  const tc = await page.locator('.node[data-name=tc]').boundingBox();
  assert.ok(tc.x >= frame.x && tc.y >= frame.y && tc.x + tc.width <= frame.x + frame.width &&
    tc.y + tc.height <= frame.y + frame.height, 'tc inside its frame');
  assert.equal(await text(page, '.group text'), '3. rekurzív csoport');
  await picture(page, 'screenshot-graph.png');
  await page.click('.node[data-name=far]');
  await page.locator('#panel-output').waitFor();
  const header = await outputLinePoint(page, (await text(page, '#output')).split('\n').indexOf('far(X)'));
  const mark = await page.locator('#output-mark').boundingBox();
  assert.ok(Math.abs(mark.y + mark.height / 2 - header.y) < mark.height / 2, 'block header marked');
}

// Shares the editor's program and opens the address in a new page.
async function sharedAgain(page) {
  // The note of an earlier share would otherwise pass the wait before this one is made.
  await page.evaluate(() => { document.getElementById('share-note').textContent = ''; });
  await page.click('#share');
  await page.locator('#share-note', { hasText: 'címsorban' }).waitFor();
  const address = page.url();
  assert.match(address, /#program=[A-Za-z0-9_-]+$/);
  const again = await openPage(page.context().browser(), address);
  await again.locator('#status', { hasText: 'megosztott' }).waitFor();
  const shared = await editorText(again);
  assert.deepEqual(again.problems, []);
  await again.close();
  return shared;
}

async function sharedAddressLoadsTheProgram(page) {
  await setText(page, '');
  await page.click('.cm-content');
  const typed = "őse(X,Y)<-szülő(X,Y)\n\nszülő(a,b)\n'Pécs','Győr'\n";
  await page.keyboard.type(typed);
  assert.equal(await sharedAgain(page), typed);
  await openFile(page, path.join(examples, 'route_network', 'input.txt'));
  assert.equal(await sharedAgain(page), exampleText('route_network', 'input.txt'));
}

// An example chosen by its Hungarian title runs to its golden output.
async function exampleRuns(page) {
  const titles = await texts(page, '#examples option');
  assert.equal(titles.length, 11);
  assert.ok(titles.includes('Családfa és ősök'));
  await page.selectOption('#examples', '01_csaladfa');
  await page.locator('#example-description', { hasText: 'Családfa és ősök: ' }).waitFor();
  await page.waitForFunction(() => window.levezetPage.text().startsWith('nagyszulo('));
  await runAndWait(page);
  assert.equal(Buffer.compare(await savedOutput(page), example('page/01_csaladfa', 'expected_output.txt')), 0);
}

// No two of the page's parts overlap, nothing is wider than the window.
async function assertLaidOut(page, width) {
  const boxes = await page.evaluate(() => ['header', '.toolbar', '#status', '.editor-pane',
    '.result-pane'].map((selector) => {
    const box = document.querySelector(selector).getBoundingClientRect();
    return { selector, top: box.top, bottom: box.bottom, left: box.left, right: box.right };
  }));
  for (let i = 0; i + 1 < boxes.length; i++) {
    const [a, b] = [boxes[i], boxes[i + 1]];
    const beside = a.right <= b.left || b.right <= a.left;
    assert.ok(beside || a.bottom <= b.top + 0.5, `${a.selector} overlaps ${b.selector}`);
  }
  assert.ok(await page.evaluate((w) => document.documentElement.scrollWidth <= w, width),
    'wider than the window');
}

async function layoutFillsTheWindow(page) {
  await picture(page, 'screenshot-loaded.png');
  await assertLaidOut(page, 1280);
  // The panes reach the window's bottom, and the page itself does not scroll.
  const bottom = await page.locator('.editor').evaluate((e) => e.getBoundingClientRect().bottom);
  assert.ok(bottom > 760 && bottom <= 800, `editor ends at ${bottom}`);
  assert.equal(await page.evaluate(() => document.documentElement.scrollHeight), 800);
  // A long line scrolls sideways inside the output pane.
  await setText(page, `p(X)<-q(X)\n\nq(a)\n'${'x'.repeat(400)}'\n`);
  await runAndWait(page);
  assert.ok(await page.locator('#output').evaluate((pre) => pre.scrollWidth > pre.clientWidth));
  await assertLaidOut(page, 1280);
  const phone = await openPage(page.context().browser(), page.url(), { width: 360, height: 740 });
  await runAndWait(phone);
  await assertLaidOut(phone, 360);
  await phone.close();
}

async function main() {
  const server = siteUrl ? { url: siteUrl, close: async () => {} } : await serveSite(site);
  const browser = await launchChromium();
  const cases = [layoutFillsTheWindow, readmeExampleTypedAndRun, diagnosticsMarkTheirColumns,
    diagnosticClickScrollsThere, latin2KeptExact, utf8FileReadAsWritten,
    runawayRefusedThenNextRuns, outOfMemoryThenNextRuns, stoppedThenNextRuns,
    tupleClickedIsExplained, graphOfTheProgram, sharedAddressLoadsTheProgram, exampleRuns];
  const only = argument('--only');
  let failed = 0;
  let ran = 0;
  try {
    for (const testCase of cases.filter((c) => !only || c.name === only)) {
      ran++;
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
  console.log(`${ran - failed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
