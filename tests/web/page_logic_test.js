// The page's reading of the engine's texts, and its Latin-2, under node.
// Usage: node --test tests/web/page_logic_test.js
'use strict';
const assert = require('assert/strict');
const path = require('path');
const test = require('node:test');

const latin2 = require(path.join(__dirname, '..', '..', 'web', 'latin2.js'));
const { parseDiagnostics, factAt, blockLine, readingOf, characterColumn, capped } = require(path.join(__dirname, '..', '..', 'web', 'page_logic.js'));

test('every byte decodes to one character and encodes back to itself', () => {
  const bytes = Uint8Array.from({ length: 256 }, (_, b) => b);
  const text = latin2.decode(bytes);
  assert.equal(text.length, 256);
  const again = latin2.encode(text);
  assert.deepEqual(again.missing, []);
  assert.deepEqual(Array.from(again.bytes), Array.from(bytes));
  // The Hungarian letters sit where Latin-2 puts them.
  assert.deepEqual(Array.from(latin2.encode('őűŐŰáé').bytes), [0xf5, 0xfb, 0xd5, 0xdb, 0xe1, 0xe9]);
});

test('characters Latin-2 cannot write are named once and written as ?', () => {
  const { bytes, missing } = latin2.encode('a€b€→😀ő');
  assert.deepEqual(missing, ['€', '→', '😀']);
  assert.equal(Buffer.from(bytes).toString('latin1'), 'a?b???\xf5');  // one ? for the emoji
});

test('diagnostics give their lines, input lines and carets; the rest stays apart', () => {
  const text = [
    'input.txt:12:7: figyelmeztetes: a fej valtozojat a torzs nem koti',
    'r(X,W)<-edge(X,Y)',
    '      ^',
    'C:\\adat\\be.txt:2:1: figyelmeztetes: kettospont: a szovegben',
    'input.txt:1:1: figyelmeztetes: nem az',
    '  ^',
    'be.txt:5: figyelmeztetes: oszlop nelkul',
    'p(X)<-q(X)',
    '--- nyomkovetes ---',
    'x.txt:4:2: hiba: mas fajta',
    'input.txt: meg 20 figyelmeztetes, ezeket nem irja ki',
    '',
  ].join('\n');
  const { diagnostics, rest } = parseDiagnostics(text);
  assert.deepEqual(diagnostics.map((d) => [d.line, d.column, d.message, d.context]), [
    [12, 7, 'a fej valtozojat a torzs nem koti', ['r(X,W)<-edge(X,Y)', '      ^']],
    // The input line of a diagnostic may look like a diagnostic itself.
    [2, 1, 'kettospont: a szovegben', ['input.txt:1:1: figyelmeztetes: nem az', '  ^']],
    [5, null, 'oszlop nelkul', ['p(X)<-q(X)']],
  ]);
  assert.equal(rest, '--- nyomkovetes ---\nx.txt:4:2: hiba: mas fajta\n' +
    'input.txt: meg 20 figyelmeztetes, ezeket nem irja ki');
  // Cut short at the end of the text.
  assert.deepEqual(parseDiagnostics('a:3:4: figyelmeztetes: m\nq(X)').diagnostics[0].context, ['q(X)']);
});

test('an output line gives the fact of its block, headers and rules give none', () => {
  const lines = [
    'path2(X,Z)<-edge(X,Y),edge(Y,Z)', '',
    'edge(from,to)', '1,2', '2,3', '',
    'city(id,name)', "1,'P\u00e9cs'", '',
    'p', 'a', '',
  ];
  assert.equal(factAt(lines, 3), 'edge(1,2)');
  assert.equal(factAt(lines, 4), 'edge(2,3)');
  assert.equal(factAt(lines, 7), "city(1,'P\u00e9cs')");
  assert.equal(factAt(lines, 10), 'p(a)');
  for (const index of [-1, 0, 1, 2, 5, 6, 11, 40]) {
    assert.equal(factAt(lines, index), null, `line ${index}`);
  }
});

test('a relation name finds the header of its first block, a rule line none', () => {
  const lines = ['p(X)<-q(X)', '', 'q(a)', '1', '', 'p(X)', '1', '', 'p(b)', ''];
  assert.equal(blockLine(lines, 'q'), 2);
  assert.equal(blockLine(lines, 'p'), 5);
  assert.equal(blockLine(lines, 'r'), -1);
  assert.equal(blockLine(['p(X)<-q(X)'], 'p'), -1);
});

test('a file is read as UTF-8 only when it is valid UTF-8 with a multi-byte sequence', () => {
  assert.equal(readingOf(Buffer.from("p('P\u00e9cs')\n", 'utf8')), 'utf-8');
  assert.equal(readingOf(Buffer.from("p('P\u00e9cs')\n", 'latin1')), 'latin2');
  assert.equal(readingOf(Buffer.from('p(a)\n')), 'latin2');
  assert.equal(readingOf(Uint8Array.from([0xef, 0xbb, 0xbf, 0x70])), 'utf-8');
  // Byte columns of a UTF-8 line count the bytes of each character.
  assert.equal(characterColumn("p('\u0151\u20ac',X", 8, 'utf-8'), 6);
  assert.equal(characterColumn("p('\u0151\u20ac',X", 8, 'latin2'), 8);
  assert.equal(characterColumn('\u{1f600}a', 5, 'utf-8'), 3);
});

test('a pane shows at most its limit and says how much it left out', () => {
  assert.deepEqual(capped('abcdef', 6), { shown: 'abcdef', left: 0 });
  assert.deepEqual(capped('abcdef', 4), { shown: 'abcd', left: 2 });
});
