#include "app/explain_data.h"

#include "app/explain_report.h"
#include "app/json_text.h"

namespace {

const char* sourceName(DerivationNode::Source source) {
  switch (source) {
    case DerivationNode::Source::declared:
      return "declared";
    case DerivationNode::Source::derived:
      return "derived";
    case DerivationNode::Source::repeated:
      return "repeated";
    default:
      return "unexplained";
  }
}

void writeDerived(const DerivationNode& node, const std::vector<std::string>& ruleLines,
                  std::ostream& out) {
  out << ",\"line\":" << node.ruleLine << ",\"rule\":" << jsonString(ruleLines[node.ruleLine - 1])
      << ",\"bindings\":" << jsonString(bindingsText(node.bindings)) << ",\"skipped\":[";
  for (std::size_t s = 0; s < node.skipped.size(); ++s) {
    out << (s == 0 ? "" : ",") << jsonString(node.skipped[s]);
  }
  out << "],\"body\":[";
  for (std::size_t b = 0; b < node.body.size(); ++b) {
    out << (b == 0 ? "" : ",") << node.body[b];
  }
  out << ']';
}

void writeNodes(const std::vector<DerivationNode>& nodes, const std::vector<std::string>& ruleLines,
                std::ostream& out) {
  out << ",\"nodes\":[";
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    const DerivationNode& node = nodes[n];
    out << (n == 0 ? "" : ",")
        << "{\"fact\":" << jsonString(factText(node.relation, node.tuple, node.types))
        << ",\"source\":\"" << sourceName(node.source) << '"';
    if (node.source == DerivationNode::Source::declared) {
      out << ",\"line\":" << node.inputLine;
    } else if (node.source == DerivationNode::Source::derived) {
      writeDerived(node, ruleLines, out);
    }
    out << '}';
  }
  out << ']';
}

}  // namespace

void writeExplanationData(const std::vector<std::string>& facts, const DerivationLog& log,
                          const std::vector<Rule>& rules, const RelationList& relations,
                          const std::vector<std::string>& ruleLines, std::ostream& out) {
  out << '[';
  for (std::size_t f = 0; f < facts.size(); ++f) {
    const FactDerivation derivation = deriveFact(facts[f], log, rules, relations);
    out << (f == 0 ? "" : ",") << "{\"fact\":" << jsonString(facts[f]);
    if (derivation.nodes.empty()) {
      out << ",\"missing\":" << jsonString(derivation.missing);
    } else {
      writeNodes(derivation.nodes, ruleLines, out);
    }
    out << '}';
  }
  out << "]\n";
}
