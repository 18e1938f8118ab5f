#include "app/explain_report.h"

#include <algorithm>
#include <iostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "eval/explain.h"
#include "input/rule_model.h"
#include "relation/tuple_text.h"

namespace {

// Swallows what is written to it.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int byte) override { return byte; }
};

// The "sor1: " lines sent nowhere while it lives: working a derivation out
// again compares tuples, and tuples of unequal widths would print their line
// again, wherever the run's standard output goes.
class SilencedOutput {
 public:
  SilencedOutput() = default;
  SilencedOutput(const SilencedOutput&) = delete;
  SilencedOutput& operator=(const SilencedOutput&) = delete;

 private:
  NullBuffer sink_;
  std::ostream stream_{&sink_};
  WidthReportTarget target_{stream_};
};

// Lines this many steps deep and less are indented by blanks; deeper ones
// start with their depth, so that the text grows with its lines alone.
constexpr std::size_t deepestIndented = 50;

// The start of a line `depth` steps deep: two blanks a step, or "[51] ".
std::string indentation(std::size_t depth) {
  return depth <= deepestIndented ? std::string(2 * depth, ' ')
                                  : '[' + std::to_string(depth) + "] ";
}

// The lines of one node, `depth` steps deep, without those of its body.
void writeNode(const DerivationNode& node, std::size_t depth,
               const std::vector<std::string>& ruleLines, std::ostream& out) {
  const std::string inner = indentation(depth + 1);
  out << indentation(depth) << factText(node.relation, node.tuple, node.types) << '\n';
  switch (node.source) {
    case DerivationNode::Source::declared:
      out << inner << "bemenet, " << node.inputLine << ". sor\n";
      return;
    case DerivationNode::Source::repeated:
      out << inner << "levezetese fent\n";
      return;
    case DerivationNode::Source::unexplained:
      out << inner << "a futas nem jegyezte fel, honnan jott\n";
      return;
    case DerivationNode::Source::derived:
      break;
  }
  out << inner << "szabaly, " << node.ruleLine << ". sor: " << ruleLines[node.ruleLine - 1] << '\n';
  out << inner << "kotesek: " << bindingsText(node.bindings) << '\n';
  for (const std::string& atom : node.skipped) {
    out << inner << "kimaradt, nem volt ilyen nevu relacio: " << atom << '\n';
  }
}

// The tree from node 0, each node followed by its body one step deeper, walked
// with a stack of its own however deep it goes.
void writeTree(const std::vector<DerivationNode>& nodes, const std::vector<std::string>& ruleLines,
               std::ostream& out) {
  std::vector<std::pair<std::size_t, std::size_t>> pending{{0, 0}};  // node, depth; last first
  while (!pending.empty()) {
    const auto [id, depth] = pending.back();
    pending.pop_back();
    writeNode(nodes[id], depth, ruleLines, out);
    const std::vector<std::size_t>& body = nodes[id].body;
    for (std::size_t k = body.size(); k-- > 0;) {
      pending.emplace_back(body[k], depth + 1);
    }
  }
}

// The first row of `relation` equal to `tuple` value by value, or rowCount().
std::size_t findRow(const Relation& relation, const Tuple& tuple) {
  std::vector<Value> wanted;
  for (const std::string& value : tuple) {
    wanted.push_back(makeValue(value));
  }
  for (std::size_t r = 0; r < relation.rowCount(); ++r) {
    if (rowsEqual(relation.row(r), wanted)) {
      return r;
    }
  }
  return relation.rowCount();
}

// The row that the fact's arguments denote, read by the relation's types, or
// where its rows differ in width, by as many types as the fact has arguments
// (the types beyond the relation's being "int"); rowCount() when there is none.
std::size_t findFact(const Relation& relation, const Atom& fact) {
  std::vector<ValueType> types = relation.types();
  const std::size_t r = findRow(relation, parseTupleText(types, fact.argumentText));
  if (r != relation.rowCount()) {
    return r;
  }
  types.resize(fact.terms.size(), ValueType(intType));
  return findRow(relation, parseTupleText(types, fact.argumentText));
}

void writeExplanation(const std::string& fact, const DerivationLog& log,
                      const std::vector<Rule>& rules, const RelationList& relations,
                      const std::vector<std::string>& ruleLines, std::ostream& out) {
  const FactDerivation derivation = deriveFact(fact, log, rules, relations);
  if (derivation.nodes.empty()) {
    out << fact << ": " << derivation.missing << '\n';
    return;
  }
  writeTree(derivation.nodes, ruleLines, out);
}

}  // namespace

std::string bindingsText(const std::vector<DerivationNode::Binding>& bindings) {
  if (bindings.empty()) {
    return "nincs";
  }
  std::string text;
  for (const DerivationNode::Binding& binding : bindings) {
    text += (text.empty() ? "" : ", ") + binding.variable + '=';
    text += binding.isString ? '\'' + binding.value + '\'' : binding.value;
  }
  return text;
}

FactDerivation deriveFact(const std::string& fact, const DerivationLog& log,
                          const std::vector<Rule>& rules, const RelationList& relations) {
  // A fact is written as an atom, and cut as one.
  const Atom cut = cutAtom(fact, 0);
  const Relation* relation = relations.findFirst(cut.name);
  if (relation == nullptr) {
    return FactDerivation{{}, "nincs ilyen nevu relacio: " + cut.name};
  }
  const std::size_t r = findFact(*relation, cut);
  if (r == relation->rowCount()) {
    return FactDerivation{{}, "nem eleme a relacionak"};
  }
  FactDerivation derivation;
  {
    const SilencedOutput silenced;
    derivation.nodes = explainTuple(log, rules, cut.name, relation->row(r), relations);
  }
  if (derivation.nodes.empty()) {
    derivation.missing = "a futas nem jegyezte fel, honnan jott";
  }
  return derivation;
}

std::string factText(const std::string& name, const Tuple& tuple,
                     const std::vector<ValueType>& types) {
  return name + '(' + tupleText(tuple, types) + ')';
}

void writeExplanations(const std::vector<std::string>& facts, const DerivationLog& log,
                       const std::vector<Rule>& rules, const RelationList& relations,
                       const std::vector<std::string>& ruleLines, std::ostream& out) {
  out << "--- levezetes ---\n";
  for (const std::string& fact : facts) {
    writeExplanation(fact, log, rules, relations, ruleLines, out);
  }
}
