#include "eval/relation_list.h"

#include <utility>

#include "algebra/union.h"

RelationList::RelationList(std::vector<Relation> relations) {
  slots_.reserve(relations.size());
  for (Relation& relation : relations) {
    append(std::move(relation));
  }
}

const Relation* RelationList::findFirst(const std::string& name) const {
  const auto found = names_.find(name);
  return found == names_.end() || found->second.count == 0 ? nullptr : &slots_[found->second.first];
}

std::size_t RelationList::countNamed(const std::string& name) const {
  const auto found = names_.find(name);
  return found == names_.end() ? 0 : found->second.count;
}

void RelationList::append(Relation relation) {
  const std::size_t slot = slots_.size();
  Named& named = names_[relation.name()];
  if (named.count++ == 0) {
    named.first = slot;
  } else {
    next_[named.last] = slot;
  }
  named.last = slot;
  slots_.push_back(std::move(relation));
  out_.push_back(false);
  next_.push_back(none);
}

bool RelationList::takeFirst(const std::string& name, Relation& taken) {
  const auto found = names_.find(name);
  if (found == names_.end() || found->second.count == 0) {
    return false;
  }
  Named& named = found->second;
  const std::size_t slot = named.first;
  named.first = next_[slot];
  if (--named.count == 0) {
    named.last = none;
  }
  taken = std::move(slots_[slot]);
  slots_[slot] = Relation();
  out_[slot] = true;
  ++outCount_;
  return true;
}

void RelationList::mergeToEnd(Relation result) {
  Relation merged;
  if (!takeFirst(result.name(), merged)) {
    append(std::move(result));
    return;
  }
  merged = unionOf(std::move(merged), result);
  merged.setName(result.name());
  append(std::move(merged));
  compactIfSparse();
}

void RelationList::replaceToEnd(Relation relation) {
  Relation replaced;
  takeFirst(relation.name(), replaced);
  append(std::move(relation));
  compactIfSparse();
}

void RelationList::compactIfSparse() {
  if (outCount_ * 2 <= slots_.size()) {
    return;
  }
  *this = RelationList(release());
}

std::vector<Relation> RelationList::release() {
  std::vector<Relation> relations;
  relations.reserve(size());
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (!out_[slot]) {
      relations.push_back(std::move(slots_[slot]));
    }
  }
  *this = RelationList();
  return relations;
}
