// What the page reads out of the engine's texts and the input's bytes: the
// diagnostics on standard error with the input line each concerns, the fact
// or relation block an output line stands for, the reading of a file, and
// texts cut for showing. Plain functions, loaded by the page and by node (require).
(function (root) {
  'use strict';

  // FILE:LINE:COLUMN: figyelmeztetes: MESSAGE, then the input line as it
  // stands and, when there is a column, a caret under it. The column may be
  // missing (FILE:LINE: ...).
  const located = /^(.*):(\d+):(\d+): figyelmeztetes: (.*)$/;
  const lineOnly = /^(.*):(\d+): figyelmeztetes: (.*)$/;

  // The diagnostics of standard error `text`, each { line, column, message,
  // text, context } (line from 1, column from 1 or null, text the first line,
  // context the input line and the caret line), and `rest`: the other lines
  // (a trace report, a count of diagnostics left out, a failed run's message).
  function parseDiagnostics(text) {
    const lines = text.split('\n');
    const diagnostics = [];
    const rest = [];
    for (let i = 0; i < lines.length; i++) {
      const withColumn = located.exec(lines[i]);
      const match = withColumn || lineOnly.exec(lines[i]);
      if (!match) {
        rest.push(lines[i]);
        continue;
      }
      const contextLines = Math.min(withColumn ? 2 : 1, lines.length - 1 - i);
      diagnostics.push({
        line: Number(match[2]),
        column: withColumn ? Number(match[3]) : null,
        message: withColumn ? match[4] : match[3],
        text: lines[i],
        context: lines.slice(i + 1, i + 1 + contextLines),
      });
      i += contextLines;
    }
    return { diagnostics, rest: rest.join('\n').replace(/^\n+|\n+$/g, '') };
  }

  // The fact that line `index` of the output file's `lines` stands for, as
  // name(values), or null. The relations follow the first empty line (the
  // rules come before it); each block is a header name(attributes), its
  // tuple lines, and an empty line.
  function factAt(lines, index) {
    const firstEmpty = lines.indexOf('');
    if (index < 0 || index >= lines.length || firstEmpty < 0 || index <= firstEmpty ||
        lines[index] === '') {
      return null;
    }
    let header = index;
    while (header > firstEmpty + 1 && lines[header - 1] !== '') {
      header--;
    }
    if (header === index) {
      return null;  // the header itself
    }
    const open = lines[header].indexOf('(');
    const name = open < 0 ? lines[header] : lines[header].slice(0, open);
    return `${name}(${lines[index]})`;
  }

  // The header line of the first block of relation `name` in the output
  // file's `lines` (after the first empty line), or -1.
  function blockLine(lines, name) {
    const firstEmpty = lines.indexOf('');
    for (let i = firstEmpty + 1; firstEmpty >= 0 && i < lines.length; i++) {
      if (lines[i - 1] === '' && lines[i] !== '') {
        const open = lines[i].indexOf('(');
        if ((open < 0 ? lines[i] : lines[i].slice(0, open)) === name) {
          return i;
        }
      }
    }
    return -1;
  }

  // How the engine reads `bytes` (a Uint8Array): 'utf-8' for valid UTF-8
  // holding at least one multi-byte sequence (a leading byte-order mark
  // allowed), else 'latin2', byte for byte.
  function readingOf(bytes) {
    if (!bytes.some((b) => b >= 0x80)) {
      return 'latin2';
    }
    try {
      new TextDecoder('utf-8', { fatal: true }).decode(bytes);
      return 'utf-8';
    } catch (error) {
      return 'latin2';
    }
  }

  // The character column (from 1) of byte column `byteColumn` of `lineText`
  // in a file read as `reading`.
  function characterColumn(lineText, byteColumn, reading) {
    if (reading !== 'utf-8') {
      return byteColumn;
    }
    let bytes = 0;
    let characters = 0;
    for (const character of lineText) {
      if (bytes >= byteColumn - 1) {
        break;
      }
      const code = character.codePointAt(0);
      bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
      characters += character.length;
    }
    return characters + 1;
  }

  // `text` as a pane shows it: at most `limit` characters, and how many were
  // left out (0 when none).
  function capped(text, limit) {
    return text.length <= limit ? { shown: text, left: 0 }
      : { shown: text.slice(0, limit), left: text.length - limit };
  }

  const pageLogic = { parseDiagnostics, factAt, blockLine, readingOf, characterColumn, capped };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = pageLogic;
  } else {
    root.pageLogic = pageLogic;
  }
})(this);
