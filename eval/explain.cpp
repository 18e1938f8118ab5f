#include "eval/explain.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "algebra/condition.h"
#include "algebra/integer_value.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/line_reader.h"

namespace {

constexpr std::size_t none = DerivationLog::none;

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
  char firstBuffer[valueBufferSize];
  char secondBuffer[valueBufferSize];
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

std::size_t DerivationLog::newHistory(const std::string& name) {
  histories_.emplace_back();
  histories_.back().name = name;
  return histories_.size() - 1;
}

std::size_t DerivationLog::namedIn(const std::vector<std::size_t>& ids,
                                   const std::string& name) const {
  const auto found = std::find_if(ids.begin(), ids.end(),
                                  [&](std::size_t id) { return histories_[id].name == name; });
  return found == ids.end() ? none : *found;
}

std::size_t DerivationLog::firstNamed(const std::string& name) const {
  return namedIn(order_, name);
}

std::size_t DerivationLog::currentOrPending(const std::string& name) {
  std::size_t id = firstNamed(name);
  if (id == none) {
    id = namedIn(pending_, name);
  }
  if (id == none) {
    id = newHistory(name);
    pending_.push_back(id);
  }
  return id;
}

void DerivationLog::recordDeclared(const std::string& name, const RowBuffer& rows,
                                   std::size_t firstLine) {
  const std::size_t id = newHistory(name);
  order_.push_back(id);
  History& history = histories_[id];
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
      evaluation.atoms.back().history = currentOrPending(input->schema.name());
      continue;
    }
    AtomInput atom;
    atom.element = e;
    if (const Relation* found = knownRelations.findFirst(rule.body[e].atom.name)) {
      atom.found = true;
      atom.schema = schemaOf(*found);
      atom.history = firstNamed(found->name());
      atom.end = atom.history == none ? 0 : histories_[atom.history].size();
    }
    evaluation.atoms.push_back(std::move(atom));
  }
  evaluations_.push_back(std::move(evaluation));
}

void DerivationLog::recordMerge(const Relation& merged) {
  std::size_t id = firstNamed(merged.name());
  if (id == none) {
    id = newHistory(merged.name());
  } else {
    order_.erase(std::find(order_.begin(), order_.end(), id));
  }
  order_.push_back(id);
  History& history = histories_[id];
  if (history.size() == 0 && merged.isDuplicateFree()) {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.append(merged.row(i));
    }
  } else {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.appendNew(merged.row(i));
    }
  }
  claim(history, history.size());
}

void DerivationLog::claimRows(const std::string& name, std::size_t rowCount) {
  claim(histories_[currentOrPending(name)], rowCount);
}

void DerivationLog::claim(History& history, std::size_t rowCount) const {
  const std::size_t claimed =
      std::max(history.declaredRows, history.marks.empty() ? 0 : history.marks.back().end);
  if (rowCount > claimed && !evaluations_.empty()) {
    history.marks.push_back(History::Mark{rowCount, evaluations_.size() - 1});
  }
}

void DerivationLog::appendRows(const std::string& name, const RowBuffer& rows) {
  History& history = histories_[currentOrPending(name)];
  for (std::size_t k = 0; k < rows.count; ++k) {
    history.append(Row(rows.cells.data() + k * rows.width, rows.width));
  }
}

std::size_t DerivationLog::rowCount(const std::string& name) const {
  std::size_t id = firstNamed(name);
  if (id == none) {
    id = namedIn(pending_, name);
  }
  return id == none ? 0 : histories_[id].size();
}

void DerivationLog::followOrder(const RelationList& knownRelations) {
  std::unordered_map<std::string, std::deque<std::size_t>> byName;
  for (const std::size_t id : order_) {
    byName[histories_[id].name].push_back(id);
  }
  for (const std::size_t id : pending_) {
    byName[histories_[id].name].push_back(id);
  }
  std::vector<std::size_t> order;
  for (const Relation& relation : knownRelations) {
    std::deque<std::size_t>& held = byName[relation.name()];
    if (held.empty()) {
      order.push_back(newHistory(relation.name()));
    } else {
      order.push_back(held.front());
      held.pop_front();
    }
  }
  order_ = std::move(order);
  pending_.clear();
}

namespace {

// Builds the derivation tree node by node.
class Explainer {
 public:
  Explainer(const DerivationLog& log, const RelationList& finalRelations) : log_(log) {
    const std::vector<std::size_t>& order = log.order();
    for (std::size_t p = 0; p < order.size() && p < finalRelations.size(); ++p) {
      finalTypes_.emplace(order[p], finalRelations[p].types());
    }
  }

  // The node of row `r` of the relation `relation`, and below it its derivation.
  std::size_t explain(std::size_t relation, std::size_t r) {
    const DerivationLog::History& history = log_.history(relation);
    const std::size_t id = nodes_.size();
    DerivationNode node;
    node.relation = history.name;
    node.tuple = tupleOf(history.row(r));
    const auto types = finalTypes_.find(relation);
    if (types != finalTypes_.end()) {
      node.types = types->second;
    }
    nodes_.push_back(std::move(node));
    if (r < history.declaredRows) {
      nodes_[id].source = DerivationNode::Source::declared;
      nodes_[id].inputLine = history.declaredLines[r];
      return id;
    }
    if (!explained_.insert({relation, r}).second) {
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
      const std::vector<std::pair<std::size_t, std::size_t>> used =
          derive(id, *rule, evaluation, history.row(r));
      for (const auto& [usedRelation, usedRow] : used) {
        const std::size_t child = explain(usedRelation, usedRow);
        nodes_[id].body.push_back(child);
      }
    }
    return id;
  }

  std::vector<DerivationNode> release() { return std::move(nodes_); }

 private:
  // Evaluates the rule again on what `evaluation` read, finds the first binding
  // that gives `target`, and returns the rows its atoms took (relation, row).
  std::vector<std::pair<std::size_t, std::size_t>> derive(
      std::size_t id, const Rule& rule, const DerivationLog::Evaluation& evaluation, Row target) {
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
    const std::size_t b = bindingGiving(bindings, rule.headArguments, target);
    std::vector<std::pair<std::size_t, std::size_t>> used;
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
          const DerivationLog::History& history = log_.history(read.history);
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
  std::unordered_map<std::size_t, std::vector<ValueType>> finalTypes_;  // by relation
  std::vector<DerivationNode> nodes_;
  std::set<std::pair<std::size_t, std::size_t>> explained_;
};

}  // namespace

std::vector<DerivationNode> explainTuple(const DerivationLog& log, const std::string& name, Row row,
                                         const RelationList& finalRelations) {
  const std::size_t relation = log.firstNamed(name);
  if (relation == DerivationLog::none) {
    return {};
  }
  const DerivationLog::History& history = log.history(relation);
  const std::size_t r = history.scan(row, 0, history.size());
  if (r == history.size()) {
    return {};
  }
  Explainer explainer(log, finalRelations);
  explainer.explain(relation, r);
  return explainer.release();
}
