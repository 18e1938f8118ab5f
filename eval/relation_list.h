// The relations a run knows, in the order they are written out.
#ifndef EVAL_RELATION_LIST_H_
#define EVAL_RELATION_LIST_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "eval/named_order.h"
#include "relation/relation.h"

// Declared relations in file order, then results as rules give them. Several
// relations may bear one name; a name always finds the first of them. Each
// operation takes constant time (amortized), however long the list.
class RelationList {
 public:
  RelationList() = default;
  explicit RelationList(std::vector<Relation> relations) {
    for (Relation& relation : relations) {
      append(std::move(relation));
    }
  }

  // The first relation named `name`, or null.
  const Relation* findFirst(const std::string& name) const { return relations_.findFirst(name); }

  // How many relations bear `name`.
  std::size_t countNamed(const std::string& name) const { return relations_.countNamed(name); }

  // Appends `relation` as it is.
  void append(Relation relation) {
    const std::string name = relation.name();
    relations_.append(name, std::move(relation));
  }

  // Appends `result`, or unites it with the first relation of its name, which
  // then moves to the end of the list under the result's name.
  void mergeToEnd(Relation result);

  // Appends `relation`, taking the first relation of its name, if any, out of
  // its place: the relation moves to the end as `relation`.
  void replaceToEnd(Relation relation);

  // Room for `count` names in all.
  void reserve(std::size_t count) { relations_.reserve(count); }

  std::size_t size() const { return relations_.size(); }
  const Relation& back() const { return relations_.back(); }
  auto begin() const { return relations_.begin(); }
  auto end() const { return relations_.end(); }

  // Every relation, moved out; the list is left empty.
  std::vector<Relation> release() { return relations_.release(); }

 private:
  NamedOrder<Relation> relations_;
};

#endif  // EVAL_RELATION_LIST_H_
