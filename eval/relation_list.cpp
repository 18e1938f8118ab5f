#include "eval/relation_list.h"

#include <algorithm>

#include "algebra/union.h"

const Relation* RelationList::findFirst(const std::string& name) const {
  const auto found =
      std::find_if(relations_.begin(), relations_.end(),
                   [&name](const Relation& relation) { return relation.name() == name; });
  return found == relations_.end() ? nullptr : &*found;
}

void RelationList::mergeToEnd(Relation result) {
  const std::string& name = result.name();
  auto existing =
      std::find_if(relations_.begin(), relations_.end(),
                   [&name](const Relation& relation) { return relation.name() == name; });
  if (existing == relations_.end()) {
    relations_.push_back(std::move(result));
    return;
  }
  Relation merged = std::move(*existing);
  relations_.erase(existing);
  merged = unionOf(std::move(merged), result);
  merged.setName(result.name());
  relations_.push_back(std::move(merged));
}
