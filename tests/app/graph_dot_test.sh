#!/usr/bin/env bash
# --graph on every golden input, read by Graphviz's dot: each graph must be
# DOT that dot draws without a word on standard error.
# Usage: graph_dot_test.sh LEVEZET EXAMPLES_DIR   (exit 77 without dot)
set -u
program=$1
examples=$2
command -v dot >/dev/null 2>&1 || { echo "dot not found"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
count=0
for input in "$examples"/*/input.txt "$examples"/*/*/input.txt; do
  [ -f "$input" ] || continue
  count=$((count + 1))
  # Inputs whose tuples differ in width print "sor1: " lines first; the graph follows them.
  "$program" -q -w --graph "$input" "$work/out.txt" </dev/null | sed -n '/^digraph /,$p' >"$work/graph.dot"
  if ! dot -Tsvg "$work/graph.dot" -o "$work/graph.svg" 2>"$work/dot.err" || [ -s "$work/dot.err" ]; then
    echo "dot refused the graph of $input:"
    head -5 "$work/dot.err"
    failed=$((failed + 1))
  fi
done
echo "$((count - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
