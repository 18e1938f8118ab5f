#include "eval/relation_list.h"

#include "algebra/union.h"

void RelationList::mergeToEnd(Relation result) {
  const std::string name = result.name();
  relations_.appendMerged(name, std::move(result), [&name](Relation first, Relation result) {
    Relation merged = unionOf(std::move(first), result);
    merged.setName(name);
    return merged;
  });
}

void RelationList::replaceToEnd(Relation relation) {
  const std::string name = relation.name();
  relations_.appendMerged(name, std::move(relation),
                          [](Relation /*replaced*/, Relation relation) { return relation; });
}
