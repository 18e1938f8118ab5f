#include "eval/explain.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "algebra/condition.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "relation/row.h"

namespace {

constexpr std::size_t none = DerivationLog::none;

Tuple tupleOf(Row row) {
  Tuple tuple;
  for (const Value value : row) {
    tuple.push_back(valueString(value));
  }
  return tuple;
}

}  // namespace

namespace {

// Builds the derivation tree node by node.
class Explainer {
 public:
  Explainer(const DerivationLog& log, const std::vector<Rule>& rules,
            const RelationList& finalRelations)
      : log_(log), rules_(rules) {
    auto relation = finalRelations.begin();
    for (auto id = log.order().begin(); id != log.order().end() && relation != finalRelations.end();
         ++id, ++relation) {
      finalTypes_.emplace(*id, relation->types());
    }
  }

  // The node of row `r` of the relation `relation`, and below it its
  // derivation, node after node in the order of the tree's lines: a stack of
  // its own holds the nodes whose body is being explained, however deep.
  void explain(std::size_t relation, std::size_t r) {
    struct Open {
      std::size_t id;
      RowsUsed used;  // the body's rows, explained up to `next`
      std::size_t next;
    };
    std::vector<Open> open;
    const std::size_t root = addNode(relation, r);
    open.push_back({root, deriveNode(root, relation, r), 0});
    while (!open.empty()) {
      Open& top = open.back();
      if (top.next == top.used.size()) {
        open.pop_back();
        continue;
      }
      const auto [usedRelation, usedRow] = top.used[top.next++];
      const std::size_t child = addNode(usedRelation, usedRow);
      nodes_[top.id].body.push_back(child);
      open.push_back({child, deriveNode(child, usedRelation, usedRow), 0});
    }
  }

  std::vector<DerivationNode> release() { return std::move(nodes_); }

 private:
  using RowsUsed = std::vector<std::pair<std::size_t, std::size_t>>;  // relation, row

  // A node for row `r` of `relation`, its source not yet known.
  std::size_t addNode(std::size_t relation, std::size_t r) {
    const DerivationLog::History& history = log_.history(relation);
    DerivationNode node;
    node.relation = history.name;
    node.tuple = tupleOf(history.row(r));
    const auto types = finalTypes_.find(relation);
    if (types != finalTypes_.end()) {
      node.types = types->second;
    }
    nodes_.push_back(std::move(node));
    return nodes_.size() - 1;
  }

  // Says where node `id`, row `r` of `relation`, came from, and returns the
  // rows its body used when it was derived and not explained before.
  RowsUsed deriveNode(std::size_t id, std::size_t relation, std::size_t r) {
    const DerivationLog::History& history = log_.history(relation);
    if (r < history.declaredRows) {
      nodes_[id].source = DerivationNode::Source::declared;
      nodes_[id].inputLine = history.declaredLines[r];
      return {};
    }
    if (!explained_.insert({relation, r}).second) {
      nodes_[id].source = DerivationNode::Source::repeated;
      return {};
    }
    const auto mark =
        std::upper_bound(history.marks.begin(), history.marks.end(), r,
                         [](std::size_t row, const auto& held) { return row < held.end; });
    if (mark == history.marks.end()) {
      return {};
    }
    const DerivationLog::Evaluation& evaluation = log_.evaluation(mark->evaluation);
    const Rule* rule = ruleOnLine(evaluation.ruleLine);
    return rule == nullptr ? RowsUsed() : derive(id, *rule, evaluation, history.row(r));
  }

  // The rule on `line`, or null; the rules stand in line order.
  const Rule* ruleOnLine(std::size_t line) const {
    const auto found = std::lower_bound(
        rules_.begin(), rules_.end(), line,
        [](const Rule& rule, std::size_t wanted) { return rule.lineNumber < wanted; });
    return found == rules_.end() || found->lineNumber != line ? nullptr : &*found;
  }

  // Evaluates the rule again on what `evaluation` read, finds the first binding
  // that gives `target`, and returns the rows its atoms took (relation, row).
  RowsUsed derive(std::size_t id, const Rule& rule, const DerivationLog::Evaluation& evaluation,
                  Row target) {
    std::vector<Relation> inputs(evaluation.atoms.size());
    AtomRelations given(rule.body.size());
    for (std::size_t a = 0; a < evaluation.atoms.size(); ++a) {
      const DerivationLog::AtomInput& atom = evaluation.atoms[a];
      if (atom.found) {
        inputs[a] = rowsRead(atom);
        given[atom.element].rows = &inputs[a];
      } else {
        nodes_[id].skipped.push_back(rule.body[atom.element].text);
      }
    }
    const Relation bindings = evaluateBindings(rule, RelationList(), given);
    const std::size_t b = bindingGiving(bindings, rule.headTerms, target);
    RowsUsed used;
    if (b == none) {
      return used;
    }
    nodes_[id].source = DerivationNode::Source::derived;
    nodes_[id].ruleLine = rule.lineNumber;
    nodes_[id].bindings = bindingsOf(bindings, b);
    for (std::size_t a = 0; a < evaluation.atoms.size(); ++a) {
      const DerivationLog::AtomInput& atom = evaluation.atoms[a];
      if (atom.found) {
        const std::size_t r =
            rowTaken(rule.body[atom.element].atom, inputs[a], atom, bindings, bindings.row(b));
        if (r != none) {
          used.emplace_back(atom.history, r);
        }
      }
    }
    return used;
  }

  // The rows an atom read, as a relation under the schema they had.
  Relation rowsRead(const DerivationLog::AtomInput& atom) const {
    Relation relation = atom.schema;
    if (atom.history == none) {
      return relation;
    }
    const DerivationLog::History& history = log_.history(atom.history);
    std::size_t r = atom.begin;
    while (r < atom.end) {
      RowBuffer rows(history.row(r).size());
      for (; r < atom.end && history.row(r).size() == rows.width; ++r) {
        rows.append(history.row(r));
      }
      relation.addRows(std::move(rows), true);
    }
    return relation;
  }

  // The first binding whose head projection is `target`, or none.
  static std::size_t bindingGiving(const Relation& bindings, const std::vector<Term>& head,
                                   Row target) {
    std::vector<std::size_t> columns;
    for (const Term& term : head) {
      std::size_t column = 0;
      if (term.kind == TermKind::empty) {
        continue;
      }
      if (!findColumn(bindings, term.text, column)) {
        return none;
      }
      columns.push_back(column);
    }
    if (columns.size() != target.size()) {
      return none;
    }
    for (std::size_t b = 0; b < bindings.rowCount(); ++b) {
      const Row row = bindings.row(b);
      bool gives = true;
      for (std::size_t k = 0; k < columns.size() && gives; ++k) {
        gives = columns[k] < row.size() && valuesEqual(row[columns[k]], target[k]);
      }
      if (gives) {
        return b;
      }
    }
    return none;
  }

  static std::vector<DerivationNode::Binding> bindingsOf(const Relation& bindings, std::size_t b) {
    std::vector<DerivationNode::Binding> result;
    const Row row = bindings.row(b);
    const std::vector<std::string>& attributes = bindings.attributes();
    const std::vector<ValueType>& types = bindings.types();
    for (std::size_t c = 0; c < attributes.size() && c < row.size(); ++c) {
      const std::string& name = attributes[c];
      const bool listed = std::any_of(result.begin(), result.end(), [&name](const auto& binding) {
        return binding.variable == name;
      });
      if (startsWithVariableInitial(name) && !listed) {
        result.push_back({name, valueString(row[c]), c < types.size() && types[c].isString()});
      }
    }
    return result;
  }

  // The row of `input` that the atom took for the binding `bound`: one that its
  // constants and repeated variables select and whose variables hold the bound
  // values, the same bytes where there is one, else as the join compares them.
  // Its number in the history of the atom's relation, or none.
  std::size_t rowTaken(const Atom& atom, const Relation& input,
                       const DerivationLog::AtomInput& read, const Relation& bindings,
                       Row bound) const {
    const Relation selected = atomSelection(atom, input);
    for (const bool exact : {true, false}) {
      for (std::size_t i = 0; i < selected.rowCount(); ++i) {
        if (holdsBound(atom, selected.row(i), bindings, bound, exact)) {
          const DerivationLog::History& history = log_.history(read.history);
          const std::size_t r = history.rows.find(selected.row(i), read.begin, read.end);
          return r == read.end ? none : r;
        }
      }
    }
    return none;
  }

  static bool holdsBound(const Atom& atom, Row row, const Relation& bindings, Row bound,
                         bool exact) {
    for (std::size_t t = 0; t < atom.terms.size(); ++t) {
      if (atom.terms[t].kind != TermKind::variable) {
        continue;
      }
      std::size_t column = 0;
      if (!findColumn(bindings, atom.terms[t].text, column) || column >= bound.size() ||
          t >= row.size()) {
        return false;
      }
      const bool asText =
          exact || (column < bindings.types().size() && bindings.types()[column].isString());
      if (!valuesEqual(joinKey(row[t], asText), joinKey(bound[column], asText))) {
        return false;
      }
    }
    return true;
  }

  const DerivationLog& log_;
  const std::vector<Rule>& rules_;
  std::unordered_map<std::size_t, std::vector<ValueType>> finalTypes_;  // by relation
  std::vector<DerivationNode> nodes_;
  std::set<std::pair<std::size_t, std::size_t>> explained_;
};

}  // namespace

std::vector<DerivationNode> explainTuple(const DerivationLog& log, const std::vector<Rule>& rules,
                                         const std::string& name, Row row,
                                         const RelationList& finalRelations) {
  const std::size_t relation = log.firstNamed(name);
  if (relation == DerivationLog::none) {
    return {};
  }
  const DerivationLog::History& history = log.history(relation);
  const std::size_t r = history.rows.find(row, 0, history.size());
  if (r == history.size()) {
    return {};
  }
  Explainer explainer(log, rules, finalRelations);
  explainer.explain(relation, r);
  return explainer.release();
}
