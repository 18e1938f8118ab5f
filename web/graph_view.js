// The picture of the program: its relations and the rule atoms between them,
// laid out by dagre and drawn as SVG. Loaded when the graph is first shown.
import dagre from '@dagrejs/dagre';

const svgSpace = 'http://www.w3.org/2000/svg';

function svg(name, attributes = {}, text = null) {
  const element = document.createElementNS(svgSpace, name);
  for (const [key, value] of Object.entries(attributes)) {
    element.setAttribute(key, value);
  }
  if (text !== null) {
    element.textContent = text;
  }
  return element;
}

// The label of a node: its step in the evaluation order, then its name.
function labelOf(node) {
  return node.step > 0 ? `${node.step}. ${node.name}` : node.name;
}

function kindOf(node) {
  if (!node.known) {
    return 'unknown';
  }
  return node.declared ? 'declared' : 'derived';
}

// Lays out `graph` (the engine's graph data) and returns dagre's graph.
function layout(graph, textWidth) {
  const g = new dagre.graphlib.Graph({ multigraph: true, compound: true });
  g.setGraph({ rankdir: 'LR', nodesep: 24, ranksep: 56, marginx: 12, marginy: 12 });
  g.setDefaultEdgeLabel(() => ({}));
  graph.nodes.forEach((node, n) => {
    g.setNode('n' + n, { width: textWidth(labelOf(node)) + 28, height: 34 });
  });
  for (const group of graph.groups) {
    g.setNode('group' + group.step, { label: `${group.step}. rekurzív csoport` });
    for (const member of group.members) {
      g.setParent('n' + member, 'group' + group.step);
    }
  }
  graph.edges.forEach((edge, e) => {
    g.setEdge('n' + edge.from, 'n' + edge.to, { width: 0, height: 0 }, 'e' + e);
  });
  dagre.layout(g);
  return g;
}

function pathOf(points) {
  return points.map((p, i) => `${i === 0 ? 'M' : 'L'}${p.x.toFixed(1)},${p.y.toFixed(1)}`).join(' ');
}

// A self-loop (a rule that reads its own head) drawn as an arc below its
// node, clear of the frame's title above.
function loopPath(box) {
  const bottom = box.y + box.height / 2;
  const x = box.x;
  return `M${x + 8},${bottom} C${x + 24},${bottom + 30} ${x - 24},${bottom + 30} ${x - 8},${bottom}`;
}

function drawNode(node, n, box) {
  const group = svg('g', {
    class: `node ${kindOf(node)}`, 'data-name': node.name, 'data-node': n, tabindex: '0',
    role: 'button', transform: `translate(${box.x},${box.y})`,
  });
  const w = box.width;
  const h = box.height;
  group.append(node.declared || !node.known
    ? svg('rect', { x: -w / 2, y: -h / 2, width: w, height: h, rx: 3 })
    : svg('ellipse', { rx: w / 2, ry: h / 2 }));
  group.append(svg('text', { 'text-anchor': 'middle', dy: '0.35em' }, labelOf(node)));
  const kinds = { declared: 'megadott reláció', derived: 'levezetett reláció',
    unknown: 'sem megadott, sem levezetett: az atomjai kimaradnak' };
  group.append(svg('title', {}, `${node.name}: ${kinds[kindOf(node)]}`));
  return group;
}

// Draws `graph` into `container` (replacing what was there). `onSelect(name)`
// is called when a relation is clicked or chosen with Enter.
export function drawGraph(container, graph, onSelect) {
  const measure = document.createElement('canvas').getContext('2d');
  measure.font = '14px system-ui, sans-serif';
  const g = layout(graph, (text) => measure.measureText(text).width);
  const { width, height } = g.graph();
  const picture = svg('svg', {
    class: 'graph', width: Math.ceil(width), height: Math.ceil(height),
    viewBox: `0 0 ${Math.ceil(width)} ${Math.ceil(height)}`, role: 'img',
    'aria-label': 'a program gráfja',
  });
  const defs = svg('defs');
  const marker = svg('marker', { id: 'arrow', viewBox: '0 0 10 10', refX: 9, refY: 5,
    markerWidth: 7, markerHeight: 7, orient: 'auto-start-reverse' });
  marker.append(svg('path', { d: 'M0,0 L10,5 L0,10 z' }));
  defs.append(marker);
  picture.append(defs);
  for (const group of graph.groups) {
    const box = g.node('group' + group.step);
    const frame = svg('g', { class: 'group', 'data-step': group.step });
    frame.append(svg('rect', { x: box.x - box.width / 2, y: box.y - box.height / 2,
      width: box.width, height: box.height, rx: 8 }));
    frame.append(svg('text', { x: box.x - box.width / 2 + 6, y: box.y - box.height / 2 + 13 },
      `${group.step}. rekurzív csoport`));
    picture.append(frame);
  }
  graph.edges.forEach((edge, e) => {
    const d = edge.from === edge.to
      ? loopPath(g.node('n' + edge.from)) : pathOf(g.edge('n' + edge.from, 'n' + edge.to, 'e' + e).points);
    const line = svg('path', { class: 'edge', d, 'marker-end': 'url(#arrow)',
      'data-from': edge.from, 'data-to': edge.to });
    line.append(svg('title', {}, `${edge.line}. sor: ${graph.nodes[edge.from].name} → ` +
      graph.nodes[edge.to].name));
    picture.append(line);
  });
  graph.nodes.forEach((node, n) => picture.append(drawNode(node, n, g.node('n' + n))));
  picture.addEventListener('click', (event) => {
    const node = event.target.closest('.node');
    if (node) {
      onSelect(node.dataset.name);
    }
  });
  picture.addEventListener('keydown', (event) => {
    const node = event.target.closest('.node');
    if (node && event.key === 'Enter') {
      onSelect(node.dataset.name);
    }
  });
  container.replaceChildren(picture);
}
