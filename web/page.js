// The page: an editor for the input file, a run in the worker, and the output
// file, standard output, diagnostics, explanations and the program's graph it
// gives. Bundled with the editor by esbuild; the graph's layout is loaded
// when the graph is first shown.
import { createEditor } from './editor.js';
import { drawExplanations } from './explanation_view.js';
import { fragmentOf, textOf } from './share.js';

const { latin2, pageLogic } = window;
const $ = (id) => document.getElementById(id);
const statusLine = $('status');
const runButton = $('run');
const stopButton = $('stop');
const saveButton = $('save');
const outputPane = $('output');
const encodingNote = $('encoding-note');

// The README's example, shown at the first visit.
const firstProgram = [
  'path2(X,Z)<-edge(X,Y),edge(Y,Z)',
  'far(X)<-path2(X,Y),X!=Y',
  '',
  'edge(from,to)',
  '1,2',
  '2,3',
  '3,1',
  '',
  'city(id,name)',
  "1,'Pecs'",
  "2,'Gyor'",
  '',
].join('\n');

// Longer texts are shown cut; saving gives them whole.
const shownCharacters = 2000000;

// ?munkakeret=N sets the engine's work limit (0: none), for measurements.
const workLimitParameter = new URLSearchParams(location.search).get('munkakeret');
const workLimit = workLimitParameter === null ? undefined : Number(workLimitParameter);

let worker = null;
let ready = false;
let nextId = 1;
const waiting = new Map();  // run id -> resolve
let running = null;  // the id of the run on screen, while it runs
// The file as read, while the editor shows it unchanged: its bytes, the text
// shown and how the engine reads it ('latin2' or 'utf-8').
let loaded = null;
let lastRun = null;  // { output, reading, lines, graph }
let explainSupported = false;

function setStatus(text, failed = false) {
  statusLine.textContent = text;
  statusLine.classList.toggle('failed', failed);
}

function secondsText(milliseconds) {
  return (milliseconds / 1000).toFixed(3).replace('.', ',') + ' s';
}

function decode(bytes, reading) {
  return reading === 'utf-8' ? new TextDecoder('utf-8').decode(bytes) : latin2.decode(bytes);
}

function saveBytes(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// --- the editor ---------------------------------------------------------

let noteTimer = 0;
const editor = createEditor($('editor'), {
  onChange() {
    clearTimeout(noteTimer);
    noteTimer = setTimeout(showEncodingNote, 150);
  },
  onRun: () => runEditor(),
});

// The reading of what the editor shows: the file's while it is unchanged or
// was read as UTF-8, else Latin-2.
function currentReading() {
  return loaded !== null && (loaded.reading === 'utf-8' || editor.text() === loaded.shown)
    ? loaded.reading : 'latin2';
}

// The bytes to run: the file as read while the editor shows it unchanged (the
// editor shows no CR), else the editor's text in the file's reading.
function inputBytes() {
  if (loaded !== null && editor.text() === loaded.shown) {
    return loaded.bytes;
  }
  return currentReading() === 'utf-8'
    ? new TextEncoder().encode(editor.text()) : latin2.encode(editor.text()).bytes;
}

function showEncodingNote() {
  const missing = currentReading() === 'utf-8' ? [] : latin2.encode(editor.text()).missing;
  const changed = loaded !== null && editor.text() === loaded.shown && loaded.changedByEditor;
  if (missing.length > 0) {
    encodingNote.textContent = 'A szöveg ' + missing.length + ' karaktere nem írható le ' +
      'Latin-2 (ISO 8859-2) kódolásban: ' + missing.slice(0, 12).join(' ') +
      '. Futtatáskor „?” kerül a helyükre.';
  } else if (changed) {
    encodingNote.textContent = 'A fájlban kocsivissza (CR) vagy NUL bájt van, amit a szerkesztő ' +
      'nem mutat: amíg nem módosítja, a futtatás a fájl eredeti bájtjait kapja.';
  }
  encodingNote.hidden = missing.length === 0 && !changed;
}

function load(bytes, name) {
  const reading = pageLogic.readingOf(bytes);
  const text = decode(bytes, reading).replace(/^\uFEFF/, '');
  editor.setText(text);
  const shown = editor.text();
  loaded = { bytes, shown, reading, changedByEditor: shown !== text || /\r/.test(text) };
  $('file-name').textContent = name;
  $('file-encoding').textContent = reading === 'utf-8' ? '(UTF-8)' : '';
  editor.showDiagnostics([]);
  showEncodingNote();
}

function setTyped(text) {
  loaded = null;
  editor.setText(text);
  $('file-encoding').textContent = '';
  editor.showDiagnostics([]);
}

// --- the worker -----------------------------------------------------------

function startWorker() {
  ready = false;
  runButton.disabled = true;
  worker = new Worker('worker.js');
  worker.onmessage = (event) => {
    const message = event.data;
    if (message.ready) {
      ready = true;
      runButton.disabled = false;
      probeExplain();
      document.dispatchEvent(new Event('levezet-ready'));
      return;
    }
    if (message.failed) {
      setStatus('A motor nem töltődött be: ' + message.failed, true);
      return;
    }
    const resolve = waiting.get(message.id);
    waiting.delete(message.id);
    if (resolve) {
      resolve(message);
    }
  };
}

function restartWorker() {
  worker.terminate();
  waiting.clear();
  startWorker();
}

// Sends `bytes` to the worker as the input file with `options`. `done`
// resolves to the worker's result, or never when the worker is stopped first.
// A run that broke the engine (status 'crashed') gets a fresh one.
function send(bytes, options = []) {
  const id = nextId++;
  const done = new Promise((resolve) => {
    waiting.set(id, resolve);
    worker.postMessage({ id, input: bytes, options, workLimit });
  }).then((result) => {
    if (result.status === 'crashed') {
      restartWorker();
    }
    return result;
  });
  return { id, done };
}

function runBytes(bytes, options = []) {
  return send(bytes, options).done;
}

function stopRun() {
  if (running === null) {
    return;
  }
  running = null;
  stopButton.disabled = true;
  setStatus('Leállítva: a futást megszakította. Új motor indul…');
  document.addEventListener('levezet-ready',
    () => setStatus('Leállítva. A motor újra kész, a következő program futtatható.'),
    { once: true });
  restartWorker();
}

// The explanation of a tuple comes from the option --explain where the
// engine has it: an engine without it refuses the option.
function probeExplain() {
  runBytes(new Uint8Array(0), ['--explain', 'p()']).then((result) => {
    explainSupported = result.status !== 'badOptions';
    outputPane.classList.toggle('explainable', explainSupported);
    outputPane.title = explainSupported ? 'Kattintson egy sorra: hogyan vezethető le?' : '';
  });
}

// --- panes ----------------------------------------------------------------

// Shows `text` in `pre`, cut at shownCharacters; the line under it says how
// much was left out and offers the whole text (`bytes`) as `fileName`, and
// how many bytes the engine did not keep (`engineCut`).
function showCapped(pre, text, bytes, fileName, engineCut = 0) {
  const { shown, left } = pageLogic.capped(text, shownCharacters);
  pre.textContent = shown;
  const cut = pre.closest('.capped').querySelector('.cut');
  cut.hidden = left === 0 && !(engineCut > 0);
  cut.replaceChildren();
  if (engineCut > 0) {
    cut.append(`A motor ${engineCut.toLocaleString('hu')} bájtot nem tartott meg a végéről. `);
  }
  if (left > 0) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'small';
    button.textContent = 'Teljes szöveg mentése';
    button.addEventListener('click', () => saveBytes(bytes, fileName));
    cut.append(`… ${left.toLocaleString('hu')} további karakter nem fért ki ` +
      `(összesen ${text.length.toLocaleString('hu')}). `, button);
  }
}

function selectTab(name) {
  for (const tab of document.querySelectorAll('[role=tab]')) {
    const selected = tab.id === 'tab-' + name;
    tab.setAttribute('aria-selected', String(selected));
    $(tab.getAttribute('aria-controls')).hidden = !selected;
  }
  if (name === 'graph') {
    drawGraphWhenShown();
  }
}

// Marks line `index` (from 0) of the output pane and scrolls it into view.
function markOutputLine(index) {
  const mark = $('output-mark');
  const style = getComputedStyle(outputPane);
  const lineHeight = parseFloat(style.lineHeight) || 21;
  mark.style.top = `${parseFloat(style.paddingTop) + index * lineHeight}px`;
  mark.style.height = `${lineHeight}px`;
  mark.style.width = `${outputPane.scrollWidth}px`;
  mark.hidden = false;
  const top = index * lineHeight;
  if (top < outputPane.scrollTop || top > outputPane.scrollTop + outputPane.clientHeight - lineHeight) {
    outputPane.scrollTop = Math.max(0, top - outputPane.clientHeight / 3);
  }
}

// --- results --------------------------------------------------------------

function showDiagnostics(stderrText, reading) {
  const { diagnostics, rest } = pageLogic.parseDiagnostics(stderrText);
  const inputLines = editor.text().split('\n');
  const located = diagnostics.map((diagnostic) => ({
    ...diagnostic,
    column: diagnostic.column === null ? null
      : pageLogic.characterColumn(inputLines[diagnostic.line - 1] || '', diagnostic.column, reading),
  }));
  editor.showDiagnostics(located);
  const items = located.map((diagnostic) => {
    const item = document.createElement('li');
    const message = document.createElement('span');
    message.className = 'message';
    message.textContent = diagnostic.text;
    const context = document.createElement('pre');
    context.textContent = diagnostic.context.join('\n');
    item.append(message, context);
    item.title = 'Ugrás a ' + diagnostic.line + '. sorra';
    item.tabIndex = 0;
    item.addEventListener('click', () => editor.goTo(diagnostic.line, diagnostic.column));
    return item;
  });
  $('diagnostics').replaceChildren(...items);
  $('diagnostic-count').textContent = diagnostics.length > 0 ? String(diagnostics.length) : '';
  return rest;
}

const statusTexts = {
  outOfMemory: 'Elfogyott a memória: a program nagyobb relációkat építene, mint amennyi a ' +
    'böngészőben elfér. A következő program futtatható.',
  workLimitReached: 'A program túl sok munkát kér, ezért a motor leállította (elfogyott a ' +
    'munkakeret). A következő program futtatható.',
  badOptions: 'A motor nem fogadta el a kapcsolókat.',
  crashed: 'A motor hibát jelzett, újraindult. A következő program futtatható.',
};

function showResult(result, reading) {
  const output = decode(result.output, reading);
  const completed = result.status === 'completed';
  let graph = null;
  if (completed && result.data && result.data.length > 0) {
    graph = JSON.parse(decode(result.data, reading));
  }
  lastRun = { output: completed ? result.output : null, reading, lines: output.split('\n'), graph };
  saveButton.disabled = !completed;
  showCapped(outputPane, output, result.output, 'outputk.txt');
  $('output-mark').hidden = true;
  showCapped($('stdout'), decode(result.standardOutput, reading), result.standardOutput, 'stdout.txt',
    result.standardOutputCut);
  const stderrText = decode(result.standardError, reading);
  // What is not a diagnostic (the trace report, messages of failed runs) stays as text.
  const rest = showDiagnostics(stderrText, reading);
  showCapped($('stderr'), rest, result.standardError, 'stderr.txt', result.standardErrorCut);
  $('explanation-pane').hidden = true;
  graphDrawn = false;
  if (!$('panel-graph').hidden) {
    drawGraphWhenShown();
  }
  if (completed) {
    setStatus('Kész (' + secondsText(result.milliseconds) + ').');
  } else {
    setStatus(statusTexts[result.status] || result.status, true);
    if (rest !== '') {
      selectTab('console');
    }
  }
}

// The command line of a run: options, then the file's name for the diagnostics.
function runOptions(extra = []) {
  const options = [...extra];
  if (!$('warnings').checked) {
    options.push('-w');
  }
  if ($('trace').checked) {
    options.push('--trace');
  }
  return options.concat('--', $('file-name').textContent);
}

async function runEditor() {
  if (!ready || running !== null) {
    return;
  }
  const bytes = inputBytes();
  const reading = currentReading();
  runButton.disabled = true;
  stopButton.disabled = false;
  setStatus('Fut…');
  const run = send(bytes, runOptions(['--data', '--graph']));
  running = run.id;
  const result = await run.done;
  if (running !== run.id) {
    return;
  }
  running = null;
  stopButton.disabled = true;
  runButton.disabled = false;
  showResult(result, reading);
}

// The line of the output pane under a click, from 0.
function clickedLine(event) {
  const range = document.caretRangeFromPoint
    ? document.caretRangeFromPoint(event.clientX, event.clientY) : null;
  if (!range || !outputPane.contains(range.startContainer)) {
    return -1;
  }
  const before = document.createRange();
  before.setStart(outputPane, 0);
  before.setEnd(range.startContainer, range.startOffset);
  return before.toString().split('\n').length - 1;
}

async function explain(event) {
  if (!explainSupported || running !== null || lastRun === null) {
    return;
  }
  const index = clickedLine(event);
  const fact = pageLogic.factAt(lastRun.lines, index);
  if (fact === null) {
    return;
  }
  markOutputLine(index);
  const pane = $('explanation-pane');
  const view = $('explanation');
  view.textContent = 'A levezetés készül…';
  pane.hidden = false;
  const result = await runBytes(inputBytes(), ['-w', '--data', '--explain', fact, '--',
    $('file-name').textContent]);
  try {
    if (result.status !== 'completed') {
      throw new Error(statusTexts[result.status] || result.status);
    }
    drawExplanations(view, JSON.parse(decode(result.data, lastRun.reading)));
  } catch (error) {
    const message = document.createElement('p');
    message.className = 'missing failed';
    message.textContent = `${fact}: a levezetést nem sikerült elkészíteni (${error.message || error}).`;
    view.replaceChildren(message);
  }
}

// --- the graph --------------------------------------------------------------

// Relations beyond which the graph is not laid out: the picture would be
// unreadable and the layout slow.
const largestGraph = 400;
let graphDrawn = false;
let graphModule = null;

async function drawGraphWhenShown() {
  const container = $('graph');
  if (graphDrawn) {
    return;
  }
  if (lastRun === null || lastRun.graph === null) {
    container.textContent = 'A gráf a futtatás után látható.';
    return;
  }
  graphDrawn = true;
  if (lastRun.graph.nodes.length > largestGraph) {
    container.textContent = `A programnak ${lastRun.graph.nodes.length} relációja van: ennyit ` +
      `a gráf nem rajzol ki (legfeljebb ${largestGraph}-at). A parancssor --graph kapcsolója ` +
      'a teljes gráfot megadja Graphviz DOT alakban.';
    return;
  }
  graphModule = graphModule || await import('./graph_view.js');
  graphModule.drawGraph(container, lastRun.graph, (name) => {
    const line = pageLogic.blockLine(lastRun.lines, name);
    selectTab('output');
    if (line >= 0) {
      markOutputLine(line);
    }
  });
}

// --- examples, files, sharing ---------------------------------------------

async function listExamples() {
  const examples = await (await fetch('examples/index.json')).json();
  const select = $('examples');
  for (const example of examples) {
    const option = document.createElement('option');
    option.value = example.name;
    option.textContent = example.title;
    option.title = example.description;
    select.append(option);
  }
  select.addEventListener('change', async () => {
    const example = examples.find((e) => e.name === select.value);
    $('example-description').hidden = !example;
    if (!example) {
      return;
    }
    $('example-description').textContent = example.title + ': ' + example.description;
    const response = await fetch('examples/' + encodeURIComponent(example.name) + '.txt');
    load(new Uint8Array(await response.arrayBuffer()), example.name + '.txt');
  });
}

// Addresses longer than this Chromium does not open.
const longestAddress = 2 * 1024 * 1024;

async function share() {
  const fragment = await fragmentOf(editor.text());
  const note = $('share-note');
  note.hidden = false;
  if (location.href.length - location.hash.length + fragment.length > longestAddress) {
    note.textContent = 'A program túl hosszú ahhoz, hogy a címbe kerüljön (a böngészők ' +
      '2 MB-nál hosszabb címet nem nyitnak meg): küldje el fájlként.';
    return;
  }
  history.replaceState(null, '', fragment);
  note.textContent = `A program a címsorban van (${location.href.length.toLocaleString('hu')} ` +
    'karakter); a címet bárkinek elküldheti, a program nem kerül szerverre.';
  try {
    await navigator.clipboard.writeText(location.href);
    note.textContent += ' A cím a vágólapra került.';
  } catch {
    // Without the clipboard's permission the address bar holds the link.
  }
}

async function loadShared() {
  if (location.hash === '') {
    return false;
  }
  const text = await textOf(location.hash);
  if (text === null) {
    $('share-note').textContent = 'A cím nem tartalmaz olvasható programot; a kezdő példa látható.';
    $('share-note').hidden = false;
    return false;
  }
  setTyped(text);
  $('file-name').textContent = 'input.txt';
  return true;
}

// --- wiring -----------------------------------------------------------------

runButton.addEventListener('click', runEditor);
stopButton.addEventListener('click', stopRun);
saveButton.addEventListener('click', () => lastRun && lastRun.output && saveBytes(lastRun.output, 'outputk.txt'));
$('share').addEventListener('click', share);
$('save-input').addEventListener('click', () => saveBytes(inputBytes(), $('file-name').textContent));
outputPane.addEventListener('click', explain);
$('explanation-close').addEventListener('click', () => {
  $('explanation-pane').hidden = true;
  $('output-mark').hidden = true;
});
for (const tab of document.querySelectorAll('[role=tab]')) {
  tab.addEventListener('click', () => selectTab(tab.id.replace('tab-', '')));
}
$('open').addEventListener('click', () => $('open-file').click());
$('open-file').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (file) {
    load(new Uint8Array(await file.arrayBuffer()), file.name);
  }
  event.target.value = '';
});
window.addEventListener('hashchange', loadShared);

editor.setText(firstProgram);
const sharedLoaded = loadShared();
startWorker();
document.addEventListener('levezet-ready', async () => {
  setStatus((await sharedLoaded) ? 'A motor kész. A megosztott program betöltve.' : 'A motor kész.');
}, { once: true });
listExamples().catch(() => {});

// For tests and measurements: runs bytes in the page's worker; sets the
// editor's text as typed.
window.levezetPage = { runBytes, setText: setTyped, text: () => editor.text() };
