// The relations a run knows, in the order they are written out.
#ifndef EVAL_RELATION_LIST_H_
#define EVAL_RELATION_LIST_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "relation/relation.h"

// Declared relations in file order, then results as rules give them. Several
// relations may bear one name; a name always finds the first of them.
class RelationList {
 public:
  RelationList() = default;
  explicit RelationList(std::vector<Relation> relations) : relations_(std::move(relations)) {}

  // The first relation named `name`, or null.
  const Relation* findFirst(const std::string& name) const;

  // Appends `relation` as it is.
  void append(Relation relation) { relations_.push_back(std::move(relation)); }

  // Appends `result`, or unites it with the first relation of its name, which
  // then moves to the end of the list under the result's name.
  void mergeToEnd(Relation result);

  std::size_t size() const { return relations_.size(); }
  const Relation& operator[](std::size_t index) const { return relations_[index]; }
  const Relation& back() const { return relations_.back(); }
  auto begin() const { return relations_.begin(); }
  auto end() const { return relations_.end(); }

  // Every relation, moved out; the list is left empty.
  std::vector<Relation> release() { return std::move(relations_); }

 private:
  // Where the first relation named `name` stands; size() when none does.
  std::size_t firstNamed(const std::string& name) const;

  std::vector<Relation> relations_;
};

#endif  // EVAL_RELATION_LIST_H_
