#include "eval/derivation_log.h"

#include <algorithm>
#include <utility>

namespace {

Relation schemaOf(const Relation& relation) {
  return Relation(relation.name(), relation.types(), relation.attributes());
}

}  // namespace

bool DerivationLog::History::appendNew(Row added) {
  for (; indexed < size(); ++indexed) {
    index.emplace(hashRow(row(indexed)), indexed);
  }
  const Hash hash = hashRow(added);
  const auto [first, last] = index.equal_range(hash);
  for (auto held = first; held != last; ++held) {
    if (rowsEqual(row(held->second), added)) {
      return false;
    }
  }
  rows.append(added);
  index.emplace(hash, indexed++);
  return true;
}

std::size_t DerivationLog::newHistory(const std::string& name) {
  histories_.emplace_back();
  histories_.back().name = name;
  return histories_.size() - 1;
}

std::size_t DerivationLog::firstNamed(const std::string& name) const {
  const std::size_t* id = order_.findFirst(name);
  return id == nullptr ? none : *id;
}

std::size_t DerivationLog::currentOrPending(const std::string& name) {
  const std::size_t id = firstNamed(name);
  if (id != none) {
    return id;
  }
  const auto pending = pending_.find(name);
  if (pending != pending_.end()) {
    return pending->second;
  }
  return pending_.emplace(name, newHistory(name)).first->second;
}

void DerivationLog::recordDeclared(const RelationList& relations,
                                   const std::vector<TupleLines>& lines) {
  auto relation = relations.begin();
  for (std::size_t i = 0; i < lines.size() && relation != relations.end(); ++i, ++relation) {
    const std::size_t id = newHistory(relation->name());
    order_.append(relation->name(), id);
    History& history = histories_[id];
    const RowBuffer& rows = lines[i].rows;
    for (std::size_t k = 0; k < rows.count; ++k) {
      if (history.appendNew(rows.row(k))) {
        history.declaredLines.push_back(lines[i].firstLine + k);
      }
    }
    history.declaredRows = history.size();
  }
}

void DerivationLog::evaluationBegun(const Rule& rule, const RelationList& knownRelations,
                                    const std::vector<AtomRows>& given) {
  Evaluation evaluation{rule.lineNumber, {}};
  for (std::size_t e = 0; e < rule.body.size(); ++e) {
    if (!rule.body[e].isAtom) {
      continue;
    }
    const auto input = std::find_if(given.begin(), given.end(),
                                    [e](const AtomRows& atom) { return atom.element == e; });
    if (input != given.end()) {
      evaluation.atoms.push_back(AtomInput{e, true, schemaOf(*input->schema), input->begin,
                                           input->end, currentOrPending(input->schema->name())});
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

void DerivationLog::resultMerged(const Relation& merged) {
  std::size_t id = none;
  if (!order_.takeFirst(merged.name(), id)) {
    id = newHistory(merged.name());
  }
  order_.append(merged.name(), id);
  History& history = histories_[id];
  if (history.size() == 0 && merged.isDuplicateFree()) {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.rows.append(merged.row(i));
    }
  } else {
    for (std::size_t i = 0; i < merged.rowCount(); ++i) {
      history.appendNew(merged.row(i));
    }
  }
  claim(history, history.size());
}

void DerivationLog::rowsGained(const std::string& name, std::size_t rowCount) {
  claim(histories_[currentOrPending(name)], rowCount);
}

void DerivationLog::claim(History& history, std::size_t rowCount) const {
  const std::size_t claimed =
      std::max(history.declaredRows, history.marks.empty() ? 0 : history.marks.back().end);
  if (rowCount > claimed && !evaluations_.empty()) {
    history.marks.push_back(History::Mark{rowCount, evaluations_.size() - 1});
  }
}

void DerivationLog::relationMade(const std::string& name, const RowSet& rows) {
  // The first rows, those the relation held before, the history has in its
  // own order; the rows it gained follow in the order they came, a slice at
  // a time.
  constexpr std::size_t slice = std::size_t{1} << 15;
  History& history = histories_[currentOrPending(name)];
  for (std::size_t held = history.size(); held < rows.size(); held = history.size()) {
    const RowBuffer gained = rows.rows(held, std::min(held + slice, rows.size()));
    for (std::size_t k = 0; k < gained.count; ++k) {
      history.rows.append(gained.row(k));
    }
  }
}

void DerivationLog::movedToEnd(const std::string& name) {
  std::size_t id = none;
  const auto pending = pending_.find(name);
  if (pending != pending_.end()) {
    id = pending->second;
    pending_.erase(pending);
  } else if (!order_.takeFirst(name, id)) {
    id = newHistory(name);
  }
  order_.append(name, id);
}
