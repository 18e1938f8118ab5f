// The page: an editor for the input file, a run in the worker, and the output
// file, standard output and diagnostics it gives.
(function () {
  'use strict';

  const $ = (id) => document.getElementById(id);
  const editor = $('editor');
  const gutter = $('gutter');
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

  // Longer outputs are shown cut; saving gives them whole.
  const shownCharacters = 2000000;

  // ?munkakeret=N sets the engine's work limit (0: none), for measurements.
  const workLimitParameter = new URLSearchParams(location.search).get('munkakeret');
  const workLimit = workLimitParameter === null ? undefined : Number(workLimitParameter);

  let worker = null;
  let ready = false;
  let nextId = 1;
  const waiting = new Map();  // run id -> resolve
  let running = null;  // the id of the run on screen, while it runs
  let loaded = null;  // { bytes, shown }: a file as read, while the editor shows it unchanged
  let lastOutput = null;
  let outputLines = [];
  let explainSupported = false;

  function setStatus(text, failed = false) {
    statusLine.textContent = text;
    statusLine.classList.toggle('failed', failed);
  }

  function secondsText(milliseconds) {
    return (milliseconds / 1000).toFixed(3).replace('.', ',') + ' s';
  }

  // --- the worker -------------------------------------------------------

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

  // Sends `bytes` to the worker as the input file with `options`. `done`
  // resolves to the worker's result, or never when the worker is stopped first.
  function send(bytes, options = []) {
    const id = nextId++;
    const done = new Promise((resolve) => {
      waiting.set(id, resolve);
      worker.postMessage({ id, input: bytes, options, workLimit });
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
    worker.terminate();
    waiting.clear();
    running = null;
    stopButton.disabled = true;
    setStatus('Leállítva: a futást megszakította. Új motor indul…');
    document.addEventListener('levezet-ready',
      () => setStatus('Leállítva. A motor újra kész, a következő program futtatható.'),
      { once: true });
    startWorker();
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

  // --- the input file ---------------------------------------------------

  // The bytes to run: the file as read while the editor shows it unchanged
  // (a text box turns CR LF into LF), else the editor's text in Latin-2.
  function inputBytes() {
    if (loaded !== null && editor.value === loaded.shown) {
      return loaded.bytes;
    }
    return latin2.encode(editor.value).bytes;
  }

  function showEncodingNote() {
    const missing = latin2.encode(editor.value).missing;
    const changed = loaded !== null && editor.value === loaded.shown && loaded.changedByEditor;
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
    const text = latin2.decode(bytes);
    editor.value = text;
    loaded = { bytes, shown: editor.value, changedByEditor: editor.value !== text };
    $('file-name').textContent = name;
    editorChanged();
  }

  // The line numbers beside the editor, those in `marks` (line -> text)
  // marked. Drawn again only when the number of lines or the marks change.
  let gutterDrawn = { count: 0, marked: false };
  function drawGutter(marks = new Map()) {
    const count = editor.value.split('\n').length;
    if (count === gutterDrawn.count && marks.size === 0 && !gutterDrawn.marked) {
      return;
    }
    gutterDrawn = { count, marked: marks.size > 0 };
    const numbers = document.createDocumentFragment();
    let plain = '';
    for (let line = 1; line <= count; line++) {
      const mark = marks.get(line);
      if (mark) {
        const span = document.createElement('span');
        span.className = 'marked';
        span.title = mark;
        span.textContent = String(line);
        numbers.append(plain, span);
        plain = '\n';
      } else {
        plain += line + '\n';
      }
    }
    numbers.append(plain);
    gutter.replaceChildren(numbers);
    gutter.scrollTop = editor.scrollTop;
  }

  let noteTimer = 0;
  function editorChanged() {
    drawGutter();
    clearTimeout(noteTimer);
    noteTimer = setTimeout(showEncodingNote, 150);
  }

  // Selects line `line` (from 1) of the editor, from `column` (from 1) when
  // given, and scrolls it into view.
  function selectLine(line, column = null) {
    const lines = editor.value.split('\n');
    let start = 0;
    for (let i = 0; i < line - 1 && i < lines.length; i++) {
      start += lines[i].length + 1;
    }
    const end = start + (lines[line - 1] || '').length;
    editor.focus();
    editor.setSelectionRange(column === null ? start : Math.min(start + column - 1, end), end);
    const lineHeight = parseFloat(getComputedStyle(editor).lineHeight) || 20;
    editor.scrollTop = Math.max(0, (line - 3) * lineHeight);
  }

  // --- results ----------------------------------------------------------

  function showDiagnostics(stderrText) {
    const { diagnostics, rest } = pageLogic.parseDiagnostics(stderrText);
    const marks = new Map();
    const items = diagnostics.map((diagnostic) => {
      const previous = marks.get(diagnostic.line);
      marks.set(diagnostic.line, previous ? previous + '\n' + diagnostic.message : diagnostic.message);
      const item = document.createElement('li');
      const message = document.createElement('span');
      message.className = 'message';
      message.textContent = diagnostic.text;
      const context = document.createElement('pre');
      context.textContent = diagnostic.context.join('\n');
      item.append(message, context);
      item.title = 'Ugrás a ' + diagnostic.line + '. sorra';
      item.addEventListener('click', () => selectLine(diagnostic.line, diagnostic.column));
      return item;
    });
    $('diagnostics').replaceChildren(...items);
    drawGutter(marks);
    // What is not a diagnostic (the trace report, messages of failed runs) stays as text.
    $('stderr').textContent = rest;
  }

  const statusTexts = {
    outOfMemory: 'Elfogyott a memória: a program nagyobb relációkat építene, mint amennyi a ' +
      'böngészőben elfér. A következő program futtatható.',
    workLimitReached: 'A program túl sok munkát kér, ezért a motor leállította (elfogyott a ' +
      'munkakeret). A következő program futtatható.',
    badOptions: 'A motor nem fogadta el a kapcsolókat.',
  };

  function showResult(result) {
    const output = latin2.decode(result.output);
    lastOutput = result.status === 'completed' ? result.output : null;
    saveButton.disabled = lastOutput === null;
    outputLines = output.split('\n');
    outputPane.textContent = output.length > shownCharacters
      ? output.slice(0, shownCharacters) + '\n… (a kimenet további része a mentett fájlban)'
      : output;
    $('stdout').textContent = latin2.decode(result.standardOutput);
    showDiagnostics(latin2.decode(result.standardError));
    $('explanation-pane').hidden = true;
    if (result.status === 'completed') {
      setStatus('Kész (' + secondsText(result.milliseconds) + ').');
    } else {
      setStatus(statusTexts[result.status] || result.status, true);
    }
  }

  // The command line of a run: options, then the file's name for the diagnostics.
  function runOptions() {
    const options = [];
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
    runButton.disabled = true;
    stopButton.disabled = false;
    setStatus('Fut…');
    const run = send(bytes, runOptions());
    running = run.id;
    const result = await run.done;
    if (running !== run.id) {
      return;
    }
    running = null;
    stopButton.disabled = true;
    runButton.disabled = false;
    showResult(result);
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
    if (!explainSupported || running !== null) {
      return;
    }
    const fact = pageLogic.factAt(outputLines, clickedLine(event));
    if (fact === null) {
      return;
    }
    const result = await runBytes(inputBytes(),
      ['-w', '--explain', fact, '--', $('file-name').textContent]);
    $('explanation').textContent = latin2.decode(result.standardOutput) ||
      latin2.decode(result.standardError);
    $('explanation-pane').hidden = false;
  }

  function save() {
    if (lastOutput === null) {
      return;
    }
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([lastOutput], { type: 'application/octet-stream' }));
    link.download = 'outputk.txt';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  async function listExamples() {
    const response = await fetch('examples/index.json');
    const examples = await response.json();
    const select = $('examples');
    for (const example of examples) {
      const option = document.createElement('option');
      option.value = example.name;
      option.textContent = example.name;
      option.title = example.description;
      select.append(option);
    }
    select.addEventListener('change', async () => {
      if (select.value === '') {
        return;
      }
      const response = await fetch('examples/' + encodeURIComponent(select.value) + '.txt');
      load(new Uint8Array(await response.arrayBuffer()), select.value + '/input.txt');
    });
  }

  // --- wiring -----------------------------------------------------------

  editor.addEventListener('input', editorChanged);
  editor.addEventListener('scroll', () => { gutter.scrollTop = editor.scrollTop; });
  editor.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      runEditor();
    }
  });
  runButton.addEventListener('click', runEditor);
  stopButton.addEventListener('click', stopRun);
  saveButton.addEventListener('click', save);
  outputPane.addEventListener('click', explain);
  $('open').addEventListener('click', () => $('open-file').click());
  $('open-file').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (file) {
      load(new Uint8Array(await file.arrayBuffer()), file.name);
    }
    event.target.value = '';
  });

  editor.value = firstProgram;
  editorChanged();
  startWorker();
  document.addEventListener('levezet-ready', () => setStatus('A motor kész.'), { once: true });
  listExamples().catch(() => {});

  // For tests and measurements: runs bytes in the page's worker.
  window.levezetPage = { runBytes };
})();
