// The explanation of a tuple as a collapsible tree, drawn from the engine's
// data (the nodes of each tree flat, node 0 the root). Children are made
// when their node is first opened, so a deep tree costs only what is shown.

// Levels opened at first; deeper ones wait for a click.
const openLevels = 3;

function span(className, text) {
  const element = document.createElement('span');
  element.className = className;
  element.textContent = text;
  return element;
}

// What a node says of where its tuple came from.
function originText(node) {
  switch (node.source) {
    case 'declared':
      return `bemenet, ${node.line}. sor`;
    case 'derived':
      return `szabály, ${node.line}. sor: ${node.rule}`;
    case 'repeated':
      return 'levezetése fent';
    default:
      return 'a futás nem jegyezte fel, honnan jött';
  }
}

function fillChildren(nodes, node, list, depth) {
  const details = [];
  if (node.bindings !== undefined) {
    details.push(span('bindings', 'kötések: ' + node.bindings));
  }
  for (const atom of node.skipped || []) {
    details.push(span('skipped', 'kimaradt, nem volt ilyen nevű reláció: ' + atom));
  }
  for (const line of details) {
    const item = document.createElement('li');
    item.className = 'detail';
    item.append(line);
    list.append(item);
  }
  for (const child of node.body || []) {
    list.append(nodeItem(nodes, child, depth + 1));
  }
}

// The list item of node `id`: a leaf for a tuple of the input, else a
// <details> whose children are made when it is first opened.
function nodeItem(nodes, id, depth) {
  const node = nodes[id];
  const item = document.createElement('li');
  item.className = 'tree-node ' + node.source;
  const label = [span('fact', node.fact), ' ', span('origin', originText(node))];
  if (node.source !== 'derived') {
    item.append(...label);
    return item;
  }
  const details = document.createElement('details');
  const summary = document.createElement('summary');
  summary.append(...label);
  const children = document.createElement('ul');
  details.append(summary, children);
  let filled = false;
  const fill = () => {
    if (!filled && details.open) {
      filled = true;
      fillChildren(nodes, node, children, depth);
    }
  };
  details.addEventListener('toggle', fill);
  details.open = depth < openLevels;
  fill();
  item.append(details);
  return item;
}

// Draws the explanations `explanations` (the engine's data: per fact,
// { fact, missing } or { fact, nodes }) into `container`.
export function drawExplanations(container, explanations) {
  const parts = explanations.map((explanation) => {
    if (!explanation.nodes) {
      const line = document.createElement('p');
      line.className = 'missing';
      line.textContent = `${explanation.fact}: ${explanation.missing}`;
      return line;
    }
    const tree = document.createElement('ul');
    tree.className = 'tree';
    const root = nodeItem(explanation.nodes, 0, 0);
    root.classList.add('asked');
    tree.append(root);
    return tree;
  });
  container.replaceChildren(...parts);
}
