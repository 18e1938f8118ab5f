#include "eval/relation_list.h"

#include "algebra/union.h"

void RelationList::mergeToEnd(Relation result) {
  Relation merged;
  if (!relations_.takeFirst(result.name(), merged)) {
    append(std::move(result));
    return;
  }
  merged = unionOf(std::move(merged), result);
  merged.setName(result.name());
  append(std::move(merged));
}

void RelationList::replaceToEnd(Relation relation) {
  Relation replaced;
  relations_.takeFirst(relation.name(), replaced);
  append(std::move(relation));
}
