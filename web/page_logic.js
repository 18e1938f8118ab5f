// What the page reads out of the engine's texts: the diagnostics on standard
// error with the input line each concerns, and the fact that an output line
// stands for. Plain functions, loaded by the page and by node (require).
(function (root) {
  'use strict';

  // Diagnostics in the compiler-like form FILE:LINE:COL: figyelmeztetes: MESSAGE,
  // and the form "Figyelmeztetes: LINE. sor: MESSAGE", which has no column.
  const located = /^(.*):(\d+):(\d+): figyelmeztetes: (.*)$/;
  const numbered = /^Figyelmeztetes: (\d+)\. sor: (.*)$/;

  // One { line, column, message, text } per diagnostic line of `text`
  // (line from 1, column from 1 or null); other lines are left out.
  function parseDiagnostics(text) {
    const diagnostics = [];
    for (const line of text.split('\n')) {
      let match = located.exec(line);
      if (match) {
        diagnostics.push({
          line: Number(match[2]), column: Number(match[3]), message: match[4], text: line,
        });
        continue;
      }
      match = numbered.exec(line);
      if (match) {
        diagnostics.push({ line: Number(match[1]), column: null, message: match[2], text: line });
      }
    }
    return diagnostics;
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
