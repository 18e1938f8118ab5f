// The editor of the input file: CodeMirror with a mode for the file format
// (rules, the empty line, relation blocks), line numbers, undo, search, and
// the run's diagnostics as lint marks.
import { EditorState } from '@codemirror/state';
import {
  EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
  highlightSpecialChars, drawSelection,
} from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { searchKeymap, highlightSelectionMatches } from '@codemirror/search';
import { lintGutter, setDiagnostics } from '@codemirror/lint';
import { Tag, tagHighlighter } from '@lezer/highlight';

// One tag per kind of token; tagHighlighter gives each its class (lz-...),
// coloured in style.css.
const tokenKinds = ['head', 'atom', 'variable', 'number', 'text', 'operator', 'arrow',
  'declaration', 'attribute', 'punctuation', 'invalid'];
// Token names carry a prefix so that none is taken for one of the stream
// parser's built-in names (variable, attribute, ...).
const tokenTags = Object.fromEntries(tokenKinds.map((kind) => ['lz_' + kind, Tag.define()]));

const atomInitial = /[a-z\u00e1\u00e9\u00ed\u00f3\u00f5\u00fa\u00fb\u0151\u0171]/;
const variableInitial = /[A-Z\u00c1\u00c9\u00cd\u00d3\u00d5\u00da\u00db\u0150\u0170]/;
const nameBytes = /[^(),<>=!'\s]/;

// A rule line: head(args)<-atom(args),condition,...
function ruleToken(stream, state) {
  if (stream.sol()) {
    state.inHead = true;
    state.depth = 0;
  }
  if (stream.match('<-')) {
    state.inHead = false;
    return 'arrow';
  }
  if (stream.match(':-')) {
    return 'invalid';
  }
  const next = stream.peek();
  if (next === '(') {
    stream.next();
    state.depth++;
    return 'punctuation';
  }
  if (next === ')') {
    stream.next();
    state.depth = Math.max(0, state.depth - 1);
    return 'punctuation';
  }
  if (next === ',') {
    stream.next();
    return 'punctuation';
  }
  if (stream.match(/^(!=|<=|>=|=|<|>)/)) {
    return 'operator';
  }
  if (next === "'") {
    stream.next();
    stream.skipTo("'") ? stream.next() : stream.skipToEnd();
    return 'text';
  }
  if (/[0-9]/.test(next)) {
    stream.match(/^[0-9]+/);
    return 'number';
  }
  if (state.depth === 0 && atomInitial.test(next)) {
    stream.eatWhile(nameBytes);
    return state.inHead ? 'head' : 'atom';
  }
  if (variableInitial.test(next)) {
    stream.eatWhile(nameBytes);
    return 'variable';
  }
  if (/\s/.test(next)) {
    stream.eatSpace();
    return null;
  }
  stream.eatWhile(nameBytes);
  return stream.current().length > 0 ? null : (stream.next(), null);
}

// A line of the relations: a tuple line starts with a digit or a quote,
// anything else declares a relation: name(attributes).
function relationToken(stream, state) {
  if (stream.sol()) {
    state.tupleLine = /[0-9']/.test(stream.peek());
    state.depth = 0;
  }
  const next = stream.peek();
  if (next === "'") {
    stream.next();
    stream.skipTo("'") ? stream.next() : stream.skipToEnd();
    return 'text';
  }
  if ('(),'.includes(next)) {
    stream.next();
    state.depth += next === '(' ? 1 : next === ')' ? -1 : 0;
    return 'punctuation';
  }
  stream.eatWhile(/[^(),']/);
  if (state.tupleLine) {
    return /^[0-9]/.test(stream.current()) ? 'number' : 'invalid';
  }
  return state.depth === 0 ? 'declaration' : 'attribute';
}

// The file format. The first empty line ends the rules (as the engine reads
// it: the rule section ends before a line followed by an empty one).
const fileFormat = StreamLanguage.define({
  name: 'levezet',
  startState: () => ({ rules: true, inHead: true, depth: 0, tupleLine: false, sawLine: false }),
  copyState: (state) => ({ ...state }),
  token(stream, state) {
    state.sawLine = true;
    const kind = state.rules ? ruleToken(stream, state) : relationToken(stream, state);
    return kind === null ? null : 'lz_' + kind;
  },
  blankLine(state) {
    if (state.sawLine) {
      state.rules = false;
    }
  },
  tokenTable: tokenTags,
});

const highlighter = tagHighlighter(tokenKinds.map((kind) => ({ tag: tokenTags['lz_' + kind], class: 'lz-' + kind })));

// The end of the place a diagnostic names: from its column to the next
// comma, parenthesis or the line's end, at least one character.
function markEnd(text, from) {
  const stop = text.slice(from).search(/[,()]/);
  const end = stop < 0 ? text.length : from + stop;
  return Math.min(text.length, Math.max(end, from + 1));
}

// Makes the editor inside `parent`. `onChange()` is called after each change
// of the text, `onRun()` on Ctrl-Enter. Returns the calls the page needs.
export function createEditor(parent, { onChange, onRun }) {
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: '',
      extensions: [
        lineNumbers(),
        highlightActiveLineGutter(),
        highlightSpecialChars(),
        history(),
        drawSelection(),
        highlightActiveLine(),
        highlightSelectionMatches(),
        fileFormat,
        syntaxHighlighting(highlighter),
        lintGutter(),
        keymap.of([
          { key: 'Mod-Enter', run: () => { onRun(); return true; } },
          ...defaultKeymap, ...searchKeymap, ...historyKeymap, indentWithTab,
        ]),
        EditorView.updateListener.of((update) => {
          if (update.docChanged) {
            onChange();
          }
        }),
        EditorView.contentAttributes.of({ 'aria-label': 'bemeneti fájl', spellcheck: 'false' }),
      ],
    }),
  });

  // The document position of line `line` (from 1), character `column` (from
  // 1) or its start; clamped to the text.
  function position(line, column) {
    const doc = view.state.doc;
    const at = doc.line(Math.min(Math.max(line, 1), doc.lines));
    return at.from + Math.min(Math.max((column || 1) - 1, 0), at.length);
  }

  return {
    view,
    text: () => view.state.doc.toString(),
    setText(text) {
      view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
    },
    // `diagnostics`: { line, column (a character index from 1, or null), message }.
    showDiagnostics(diagnostics) {
      const doc = view.state.doc;
      const marks = diagnostics.filter((d) => d.line >= 1 && d.line <= doc.lines).map((d) => {
        const line = doc.line(d.line);
        const from = position(d.line, d.column);
        const to = d.column === null ? line.to : line.from + markEnd(line.text, from - line.from);
        return { from, to: Math.max(from, to), severity: 'warning', message: d.message };
      });
      view.dispatch(setDiagnostics(view.state, marks));
    },
    // Puts the cursor at `line`, `column` and scrolls it into view, the
    // editor itself into the window too.
    goTo(line, column) {
      const at = position(line, column);
      view.dispatch({
        selection: { anchor: at, head: view.state.doc.lineAt(at).to },
        effects: EditorView.scrollIntoView(at, { y: 'center' }),
      });
      view.dom.scrollIntoView({ block: 'nearest' });
      view.focus();
    },
    focus: () => view.focus(),
  };
}
