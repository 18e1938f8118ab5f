// Every golden case (examples/*, examples/page/*) through the web page's engine under node:
// the output file, standard output and standard error must be the bytes the
// expected files hold (no standard error where none is expected), run after
// run in one module.
// Usage: node tests/web/golden_node.js SITE_DIR
'use strict';
const fs = require('fs');
const path = require('path');

const site = path.resolve(process.argv[2] || 'build-wasm/site');
const examples = path.join(__dirname, '..', '..', 'examples');
const latin2 = require(path.join(site, 'latin2.js'));
const { startEngine } = require(path.join(site, 'engine_api.js'));
const createLevezet = require(path.join(site, 'levezet_web.js'));

// What the command line adds to standard output after a completed run.
const successLine = 'A program sikeresen lefutott. Egy gomb, es az enter leutesevel kilephet.\n';

function differs(expectedFile, actual) {
  if (!fs.existsSync(expectedFile)) {
    return false;
  }
  return Buffer.compare(fs.readFileSync(expectedFile), Buffer.from(actual)) !== 0;
}

async function main() {
  const wasm = fs.readFileSync(path.join(site, 'levezet_web.wasm'));
  const engine = await startEngine(createLevezet, wasm, (text) => latin2.encode(text).bytes);
  const failures = [];
  const cases = fs.readdirSync(examples).sort()
    .concat(fs.readdirSync(path.join(examples, 'page')).map((name) => path.join('page', name)))
    .filter((name) => fs.existsSync(path.join(examples, name, 'input.txt')));
  for (const name of cases) {
    const dir = path.join(examples, name);
    // As the golden runner runs the command line: levezet [OPTIONS] input.txt
    // output.txt, the options one per line in arguments.txt.
    const argumentsFile = path.join(dir, 'arguments.txt');
    const options = fs.existsSync(argumentsFile)
      ? latin2.decode(fs.readFileSync(argumentsFile)).replace(/\n$/, '').split('\n') : [];
    const result = engine.run(fs.readFileSync(path.join(dir, 'input.txt')),
      options.concat('input.txt'));
    const completed = result.status === 'completed';
    const statusFile = path.join(dir, 'expected_status.txt');
    const expectedStatus = fs.existsSync(statusFile) ? fs.readFileSync(statusFile, 'utf8').trim() : '0';
    const stdout = Buffer.concat([result.standardOutput, Buffer.from(completed ? successLine : '')]);
    const wrong = [];
    if ((expectedStatus === '0') !== completed) {
      wrong.push(`status ${result.status}`);
    }
    if (differs(path.join(dir, 'expected_output.txt'), result.output)) wrong.push('output');
    if (differs(path.join(dir, 'expected_stdout.txt'), stdout)) wrong.push('stdout');
    const stderrFile = path.join(dir, 'expected_stderr.txt');
    if (fs.existsSync(stderrFile) ? differs(stderrFile, result.standardError)
      : result.standardError.length > 0) {
      wrong.push('stderr');
    }
    if (wrong.length > 0) {
      failures.push(`${name}: ${wrong.join(', ')} differ`);
    }
  }
  for (const failure of failures) {
    console.log(failure);
  }
  console.log(`${cases.length - failures.length} of ${cases.length} golden cases identical under node`);
  process.exit(failures.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
