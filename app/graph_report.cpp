#include "app/graph_report.h"

#include <unordered_map>
#include <utility>

#include "app/json_text.h"
#include "input/encoding.h"

namespace {

// `text` as a quoted DOT string in UTF-8: '"' and '\' escaped, control bytes
// (which no DOT string may hold) as '?'.
std::string dotString(const std::string& text) {
  std::string quoted = "\"";
  for (const char byte : text) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
      quoted += '?';
    } else {
      quoted += (byte == '"' || byte == '\\') ? std::string{'\\', byte} : std::string{byte};
    }
  }
  return utf8FromLatin2(quoted + '"');
}

// Node numbers by name, a node made for each name met first.
class NodeIndex {
 public:
  explicit NodeIndex(ProgramGraph& graph) : graph_(graph) {}

  ProgramGraph::Node& operator[](const std::string& name) { return graph_.nodes[numberOf(name)]; }

  std::size_t numberOf(const std::string& name) {
    const auto [found, added] = numbers_.emplace(name, graph_.nodes.size());
    if (added) {
      graph_.nodes.push_back(ProgramGraph::Node{name});
    }
    return found->second;
  }

 private:
  ProgramGraph& graph_;
  std::unordered_map<std::string, std::size_t> numbers_;
};

// The steps of the heads of rules, and the recursive groups among them.
void addSteps(const std::vector<ParsedRule>& rules, const std::vector<EvaluationGroup>& order,
              ProgramGraph& graph, NodeIndex& index) {
  std::unordered_map<std::string, bool> heads;
  for (const ParsedRule& rule : rules) {
    if (rule.isRule()) {
      heads[rule.headName] = true;
    }
  }
  for (std::size_t step = 1; step <= order.size(); ++step) {
    ProgramGraph::Group group{{}, step};
    for (const std::string& member : order[step - 1].members) {
      if (heads.count(member) == 0) {
        continue;  // the name of a line that is no rule
      }
      ProgramGraph::Node& node = index[member];
      node.derived = true;
      node.step = step;
      group.members.push_back(index.numberOf(member));
    }
    if (order[step - 1].recursive && !group.members.empty()) {
      graph.recursiveGroups.push_back(std::move(group));
    }
  }
}

}  // namespace

ProgramGraph programGraph(const std::vector<ParsedRule>& rules,
                          const std::vector<EvaluationGroup>& order,
                          const std::vector<std::string>& declared) {
  ProgramGraph graph;
  NodeIndex index(graph);
  for (const std::string& name : declared) {
    index[name].declared = true;
  }
  addSteps(rules, order, graph, index);
  for (const ParsedRule& rule : rules) {
    if (!rule.isRule()) {
      continue;
    }
    const std::size_t head = index.numberOf(rule.headName);
    for (const BodyElement& element : rule.written) {
      if (element.isAtom) {
        const std::size_t used = index.numberOf(element.atom.name);
        graph.edges.push_back(ProgramGraph::Edge{used, head, rule.lineNumber});
      }
    }
  }
  for (ProgramGraph::Node& node : graph.nodes) {
    node.known = node.declared || node.derived;
  }
  return graph;
}

void writeGraphDot(const ProgramGraph& graph, std::ostream& out) {
  out << "digraph levezet {\n"
         "  rankdir=LR;\n"
         "  graph [fontname=\"sans-serif\"];\n"
         "  node [fontname=\"sans-serif\"];\n"
         "  edge [fontname=\"sans-serif\", fontsize=10];\n";
  for (std::size_t n = 0; n < graph.nodes.size(); ++n) {
    const ProgramGraph::Node& node = graph.nodes[n];
    const std::string label =
        node.step == 0 ? node.name : std::to_string(node.step) + ". " + node.name;
    out << "  n" << n << " [label=" << dotString(label);
    if (!node.known) {
      out << ", shape=box, style=dashed";
    } else if (node.declared) {
      out << ", shape=box, style=filled, fillcolor=\"#e8eef4\"";
    } else {
      out << ", shape=ellipse";
    }
    out << "];\n";
  }
  for (const ProgramGraph::Group& group : graph.recursiveGroups) {
    out << "  subgraph cluster_" << group.step << " {\n    label=\"" << group.step
        << ". rekurziv csoport\";\n    style=rounded;\n   ";
    for (const std::size_t member : group.members) {
      out << " n" << member << ';';
    }
    out << "\n  }\n";
  }
  for (const ProgramGraph::Edge& edge : graph.edges) {
    out << "  n" << edge.from << " -> n" << edge.to << " [label=\"" << edge.ruleLine
        << ". sor\"];\n";
  }
  out << "}\n";
}

void writeGraphData(const ProgramGraph& graph, std::ostream& out) {
  out << "{\"nodes\":[";
  for (std::size_t n = 0; n < graph.nodes.size(); ++n) {
    const ProgramGraph::Node& node = graph.nodes[n];
    out << (n == 0 ? "" : ",") << "{\"name\":" << jsonString(node.name)
        << ",\"declared\":" << (node.declared ? "true" : "false")
        << ",\"derived\":" << (node.derived ? "true" : "false")
        << ",\"known\":" << (node.known ? "true" : "false") << ",\"step\":" << node.step << '}';
  }
  out << "],\"edges\":[";
  for (std::size_t e = 0; e < graph.edges.size(); ++e) {
    const ProgramGraph::Edge& edge = graph.edges[e];
    out << (e == 0 ? "" : ",") << "{\"from\":" << edge.from << ",\"to\":" << edge.to
        << ",\"line\":" << edge.ruleLine << '}';
  }
  out << "],\"groups\":[";
  for (std::size_t g = 0; g < graph.recursiveGroups.size(); ++g) {
    const ProgramGraph::Group& group = graph.recursiveGroups[g];
    out << (g == 0 ? "" : ",") << "{\"step\":" << group.step << ",\"members\":[";
    for (std::size_t m = 0; m < group.members.size(); ++m) {
      out << (m == 0 ? "" : ",") << group.members[m];
    }
    out << "]}";
  }
  out << "]}\n";
}
