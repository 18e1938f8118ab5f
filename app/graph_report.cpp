#include "app/graph_report.h"

#include <unordered_map>
#include <utility>

#include "app/json_text.h"

namespace {

// The characters of Latin-2 bytes 0xA0 to 0xFF; the bytes below stand for
// the code point of their own value.
constexpr char16_t latin2Upper[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// `text` as a quoted DOT string in UTF-8: '"' and '\' escaped, control bytes
// (which no DOT string may hold) as '?'.
std::string dotString(const std::string& text) {
  std::string quoted = "\"";
  for (const char byte : text) {
    const auto code = static_cast<unsigned char>(byte);
    const char32_t character = code < 0xA0 ? code : latin2Upper[code - 0xA0];
    if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
      quoted += '?';
    } else if (character < 0x80) {
      quoted += (byte == '"' || byte == '\\') ? std::string{'\\', byte} : std::string{byte};
    } else if (character < 0x800) {
      quoted += static_cast<char>(0xC0 | (character >> 6));
      quoted += static_cast<char>(0x80 | (character & 0x3F));
    } else {
      quoted += static_cast<char>(0xE0 | (character >> 12));
      quoted += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
      quoted += static_cast<char>(0x80 | (character & 0x3F));
    }
  }
  return quoted + '"';
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
