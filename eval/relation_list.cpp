#include "eval/relation_list.h"

#include <algorithm>

#include "algebra/union.h"

std::size_t RelationList::firstNamed(const std::string& name) const {
  return static_cast<std::size_t>(
      std::find_if(relations_.begin(), relations_.end(),
                   [&name](const Relation& relation) { return relation.name() == name; }) -
      relations_.begin());
}

const Relation* RelationList::findFirst(const std::string& name) const {
  const std::size_t found = firstNamed(name);
  return found == relations_.size() ? nullptr : &relations_[found];
}

void RelationList::mergeToEnd(Relation result) {
  const std::size_t existing = firstNamed(result.name());
  if (existing == relations_.size()) {
    relations_.push_back(std::move(result));
    return;
  }
  Relation merged = std::move(relations_[existing]);
  relations_.erase(relations_.begin() + static_cast<std::ptrdiff_t>(existing));
  merged = unionOf(std::move(merged), result);
  merged.setName(result.name());
  relations_.push_back(std::move(merged));
}
