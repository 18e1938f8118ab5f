// What the page reads out of the engine's texts: the diagnostics on standard
// error with the input line each concerns, and the fact that an output line
// stands for. Plain functions, loaded by the page and by node (require).
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

  const pageLogic = { parseDiagnostics, factAt };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = pageLogic;
  } else {
    root.pageLogic = pageLogic;
  }
})(this);
