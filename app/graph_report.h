// The report of --graph: which relation is derived from which, as a picture
// of the program (Graphviz DOT) or as data for the web page (JSON).
#ifndef APP_GRAPH_REPORT_H_
#define APP_GRAPH_REPORT_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "input/rule_model.h"
#include "input/rule_order.h"

// The relations a program names and the rule atoms between them.
struct ProgramGraph {
  struct Node {
    std::string name;
    bool declared = false;  // has a block in the input
    bool derived = false;   // the head of a rule
    bool known = true;      // declared or derived: an atom of no such relation is passed over
    std::size_t step =
        0;  // its group's place in the evaluation order as --trace numbers it, 0 if none
  };
  // One per atom of a rule body: the atom's relation is used to derive the head.
  struct Edge {
    std::size_t from = 0;  // node numbers
    std::size_t to = 0;
    std::size_t ruleLine = 0;
  };
  // A recursive group: its members (node numbers) and its step.
  struct Group {
    std::vector<std::size_t> members;
    std::size_t step = 0;
  };
  std::vector<Node> nodes;  // declared in file order, then heads in evaluation order, then the rest
  std::vector<Edge> edges;  // in rule line order, each rule's atoms as written
  std::vector<Group> recursiveGroups;
};

// The graph of `rules` evaluated in `order`, over the relations named
// `declared` (as the input declares them, in file order; repeats name one
// node). Lines that are no rules add nothing.
ProgramGraph programGraph(const std::vector<ParsedRule>& rules,
                          const std::vector<EvaluationGroup>& order,
                          const std::vector<std::string>& declared);

// Writes `graph` in Graphviz DOT, names converted from Latin-2 to UTF-8:
// declared relations as boxes, derived ones as ellipses with their step,
// unknown ones dashed, recursive groups framed, each edge labelled with its
// rule line.
void writeGraphDot(const ProgramGraph& graph, std::ostream& out);

// Writes `graph` as one JSON object {"nodes":[...],"edges":[...],"groups":[...]},
// names as the run holds their bytes (only '"', '\' and control bytes escaped).
void writeGraphData(const ProgramGraph& graph, std::ostream& out);

#endif  // APP_GRAPH_REPORT_H_
