#include "eval/explain.h"

#include <algorithm>
#include <set>
#include <utility>

#include "algebra/condition.h"
#include "algebra/integer_value.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/line_reader.h"

namespace {

constexpr std::size_t none = static_cast<std::size_t>(-1);

std::size_t rowHash(Row row) {
  std::size_t hash = row.size();
  for (const Value value : row) {
    hash = hash * 0x9E3779B97F4A7C15ULL + hashValue(value);
  }
  return hash;
}

bool rowsEqual(Row first, Row second) {
  return first.size() == second.size() &&
         std::equal(first.begin(), first.end(), second.begin(), valuesEqual);
}

bool integersEqual(Value first, Value second) {
  char firstBuffer[8];
  char secondBuffer[8];
  return compareIntegers(integerValueOf(valueText(first, firstBuffer)),
                         integerValueOf(valueText(second, secondBuffer))) == 0;
}

Relation schemaOf(const Relation& relation) {
  return Relation(relation.name(), relation.types(), relation.attributes());
}

Tuple tupleOf(Row row) {
  Tuple tuple;
  for (const Value value : row) {
    tuple.push_back(valueString(value));
  }
  return tuple;
}

}  // namespace

Row DerivationLog::History::row(std::size_t r) const {
  if (ends.empty()) {
    return Row(cells.data() + r * width, width);
  }
  const std::size_t begin = r == 0 ? 0 : ends[r - 1];
  return Row(cells.data() + begin, ends[r] - begin);
}

std::size_t DerivationLog::History::scan(Row wanted, std::size_t begin, std::size_t end) const {
  for (std::size_t r = begin; r < end; ++r) {
    if (rowsEqual(row(r), wanted)) {
      return r;
    }
  }
  return end;
}

void DerivationLog::History::append(Row added) {
  if (rows == 0) {
    width = added.size();
  }
  if (ends.empty() && added.size() != width) {
    for (std::size_t r = 1; r <= rows; ++r) {
      ends.push_back(r * width);
    }
  }
  cells.insert(cells.end(), added.begin(), added.end());
  ++rows;
  if (!ends.empty()) {
    ends.push_back(cells.size());
  }
}

bool DerivationLog::History::appendNew(Row added) {
  for (; indexed < size(); ++indexed) {
    index.emplace(rowHash(row(indexed)), indexed);
  }
  const std::size_t hash = rowHash(added);
  const auto [first, last] = index.equal_range(hash);
  for (auto held = first; held != last; ++held) {
    if (rowsEqual(row(held->second), added)) {
      return false;
    }
  }
  append(added);
  index.emplace(hash, indexed++);
  return true;
}

const Rule* DerivationLog::ruleOnLine(std::size_t line) const {
  const auto found = std::find_if(rules_.begin(), rules_.end(),
                                  [line](const Rule& rule) { return rule.lineNumber == line; });
  return found == rules_.end() ? nullptr : &*found;
}

void DerivationLog::recordDeclared(const std::string& name, const RowBuffer& rows,
                                   std::size_t firstLine) {
  const auto [entry, created] = histories_.try_emplace(name);
  if (!created) {
    entry->second.ambiguous = true;
    return;
  }
  History& history = entry->second;
  for (std::size_t k = 0; k < rows.count; ++k) {
    if (history.appendNew(Row(rows.cells.data() + k * rows.width, rows.width))) {
      history.declaredLines.push_back(firstLine + k);
    }
  }
  history.declaredRows = history.size();
}

void DerivationLog::beginEvaluation(const Rule& rule, const RelationList& knownRelations,
                                    const std::vector<AtomInput>& given) {
  Evaluation evaluation{rule.lineNumber, {}};
  for (std::size_t e = 0; e < rule.body.size(); ++e) {
    if (!rule.body[e].isAtom) {
      continue;
    }
    const auto input = std::find_if(given.begin(), given.end(),
                                    [e](const AtomInput& atom) { return atom.element == e; });
    if (input != given.end()) {
      evaluation.atoms.push_back(*input);
      continue;
    }
    AtomInput atom;
    atom.element = e;
    if (const Relation* found = knownRelations.findFirst(rule.body[e].atom.name)) {
      atom.found = true;
      atom.schema = schemaOf(*found);
      atom.end = rowCount(found->name());
    }
    evaluation.atoms.push_back(std::move(atom));
  }
  evaluations_.push_back(std::move(evaluation));
}

void DerivationLog::recordMerge(const Relation& merged) {
  History& history = histories_[merged.name()];
  if (history.size() == 0 && merged.isDuplicateFree()) {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.append(merged.row(i));
    }
  } else {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.appendNew(merged.row(i));
    }
  }
  claimRows(merged.name(), history.size());
}

void DerivationLog::claimRows(const std::string& name, std::size_t rowCount) {
  History& history = histories_[name];
  const std::size_t claimed =
      std::max(history.declaredRows, history.marks.empty() ? 0 : history.marks.back().end);
  if (rowCount > claimed && !evaluations_.empty()) {
    history.marks.push_back(History::Mark{rowCount, evaluations_.size() - 1});
  }
}

void DerivationLog::appendRows(const std::string& name, const RowBuffer& rows) {
  History& history = histories_[name];
  for (std::size_t k = 0; k < rows.count; ++k) {
    history.append(Row(rows.cells.data() + k * rows.width, rows.width));
  }
}

std::size_t DerivationLog::rowCount(const std::string& name) const {
  const History* found = history(name);
  return found == nullptr ? 0 : found->size();
}

const DerivationLog::History* DerivationLog::history(const std::string& name) const {
  const auto found = histories_.find(name);
  return found == histories_.end() ? nullptr : &found->second;
}

namespace {

// Builds the derivation tree node by node.
class Explainer {
 public:
  Explainer(const DerivationLog& log, const RelationList& finalRelations)
      : log_(log), finalRelations_(finalRelations) {}

  // The node of row `r` of `name`, and below it its derivation.
  std::size_t explain(const std::string& name, std::size_t r) {
    const DerivationLog::History& history = *log_.history(name);
    const std::size_t id = nodes_.size();
    DerivationNode node;
    node.relation = name;
    node.tuple = tupleOf(history.row(r));
    if (const Relation* relation = finalRelations_.findFirst(name)) {
      node.types = relation->types();
    }
    nodes_.push_back(std::move(node));
    if (history.ambiguous) {
      return id;
    }
    if (r < history.declaredRows) {
      nodes_[id].source = DerivationNode::Source::declared;
      nodes_[id].inputLine = history.declaredLines[r];
      return id;
    }
    if (!explained_.insert({name, r}).second) {
      nodes_[id].source = DerivationNode::Source::repeated;
      return id;
    }
    const auto mark =
        std::upper_bound(history.marks.begin(), history.marks.end(), r,
                         [](std::size_t row, const auto& held) { return row < held.end; });
    if (mark == history.marks.end()) {
      return id;
    }
    const DerivationLog::Evaluation& evaluation = log_.evaluation(mark->evaluation);
    if (const Rule* rule = log_.ruleOnLine(evaluation.ruleLine)) {
      const std::vector<std::pair<std::string, std::size_t>> used =
          derive(id, *rule, evaluation, history.row(r));
      for (const auto& [usedName, usedRow] : used) {
        const std::size_t child = explain(usedName, usedRow);
        nodes_[id].body.push_back(child);
      }
    }
    return id;
  }

  std::vector<DerivationNode> release() { return std::move(nodes_); }

 private:
  // Evaluates the rule again on what `evaluation` read, finds the first binding
  // that gives `target`, and returns the rows its atoms took (name, row).
  std::vector<std::pair<std::string, std::size_t>> derive(
      std::size_t id, const Rule& rule, const DerivationLog::Evaluation& evaluation, Row target) {
    std::vector<Relation> inputs(evaluation.atoms.size());
    AtomRelations given(rule.body.size());
    for (std::size_t a = 0; a < evaluation.atoms.size(); ++a) {
      const DerivationLog::AtomInput& atom = evaluation.atoms[a];
      const DerivationLog::History* read = log_.history(atom.schema.name());
      if (atom.found && read != nullptr && read->ambiguous) {
        return {};
      }
      if (atom.found) {
        inputs[a] = rowsRead(atom);
        given[atom.element].rows = &inputs[a];
      } else {
        nodes_[id].skipped.push_back(rule.body[atom.element].text);
      }
    }
    const Relation bindings = evaluateBindings(rule, RelationList(), given);
    const std::size_t b = bindingGiving(bindings, rule.headArguments, target);
    std::vector<std::pair<std::string, std::size_t>> used;
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
          used.emplace_back(atom.schema.name(), r);
        }
      }
    }
    return used;
  }

  // The rows an atom read, as a relation under the schema they had.
  Relation rowsRead(const DerivationLog::AtomInput& atom) const {
    Relation relation = atom.schema;
    const DerivationLog::History* history = log_.history(atom.schema.name());
    if (history == nullptr) {
      return relation;
    }
    std::size_t r = atom.begin;
    while (r < atom.end) {
      RowBuffer rows(history->row(r).size());
      for (; r < atom.end && history->row(r).size() == rows.width; ++r) {
        rows.append(history->row(r));
      }
      relation.addRows(std::move(rows), true);
    }
    return relation;
  }

  // The first binding whose head projection is `target`, or none.
  static std::size_t bindingGiving(const Relation& bindings, const std::string& headArguments,
                                   Row target) {
    std::vector<std::size_t> columns;
    for (const std::string& item : splitList(headArguments)) {
      std::size_t column = 0;
      if (item.empty()) {
        continue;
      }
      if (!findColumn(bindings, item, column)) {
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
          const DerivationLog::History& history = *log_.history(read.schema.name());
          const std::size_t r = history.scan(selected.row(i), read.begin, read.end);
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
      if (asText ? !valuesEqual(row[t], bound[column]) : !integersEqual(row[t], bound[column])) {
        return false;
      }
    }
    return true;
  }

  const DerivationLog& log_;
  const RelationList& finalRelations_;
  std::vector<DerivationNode> nodes_;
  std::set<std::pair<std::string, std::size_t>> explained_;
};

}  // namespace

std::vector<DerivationNode> explainTuple(const DerivationLog& log, const std::string& name, Row row,
                                         const RelationList& finalRelations) {
  const DerivationLog::History* history = log.history(name);
  if (history != nullptr && history->ambiguous) {
    DerivationNode node;
    node.relation = name;
    node.tuple = tupleOf(row);
    if (const Relation* relation = finalRelations.findFirst(name)) {
      node.types = relation->types();
    }
    return {node};
  }
  if (history == nullptr) {
    return {};
  }
  const std::size_t r = history->scan(row, 0, history->size());
  if (r == history->size()) {
    return {};
  }
  Explainer explainer(log, finalRelations);
  explainer.explain(name, r);
  return explainer.release();
}
