// The relations a run knows, in the order they are written out.
#ifndef EVAL_RELATION_LIST_H_
#define EVAL_RELATION_LIST_H_

#include <cstddef>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "relation/relation.h"

// Declared relations in file order, then results as rules give them. Several
// relations may bear one name; a name always finds the first of them. Finding
// by name, appending and moving a relation to the end take constant time
// (amortized), however long the list.
class RelationList {
 public:
  RelationList() = default;
  explicit RelationList(std::vector<Relation> relations);

  // The first relation named `name`, or null.
  const Relation* findFirst(const std::string& name) const;

  // How many relations bear `name`.
  std::size_t countNamed(const std::string& name) const;

  // Appends `relation` as it is.
  void append(Relation relation);

  // Appends `result`, or unites it with the first relation of its name, which
  // then moves to the end of the list under the result's name.
  void mergeToEnd(Relation result);

  // Appends `relation`, taking the first relation of its name, if any, out of
  // its place: the relation moves to the end as `relation`.
  void replaceToEnd(Relation relation);

  // The relations in list order.
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Relation;
    using difference_type = std::ptrdiff_t;
    using pointer = const Relation*;
    using reference = const Relation&;

    Iterator(const RelationList& list, std::size_t slot) : list_(&list), slot_(slot) { skip(); }
    reference operator*() const { return list_->slots_[slot_]; }
    pointer operator->() const { return &list_->slots_[slot_]; }
    Iterator& operator++() {
      ++slot_;
      skip();
      return *this;
    }
    bool operator==(const Iterator& other) const { return slot_ == other.slot_; }
    bool operator!=(const Iterator& other) const { return slot_ != other.slot_; }

   private:
    void skip() {
      while (slot_ < list_->slots_.size() && list_->out_[slot_]) {
        ++slot_;
      }
    }
    const RelationList* list_;
    std::size_t slot_;
  };

  std::size_t size() const { return slots_.size() - outCount_; }
  const Relation& back() const { return slots_.back(); }
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, slots_.size()); }

  // Every relation in list order, moved out; the list is left empty.
  std::vector<Relation> release();

 private:
  static constexpr std::size_t none = static_cast<std::size_t>(-1);

  // The slots that hold relations of one name, linked in list order.
  struct Named {
    std::size_t first = none;
    std::size_t last = none;
    std::size_t count = 0;
  };

  // Takes the first relation named `name` out of its slot; false when none is.
  bool takeFirst(const std::string& name, Relation& taken);
  // Packs the slots when more than half of them were emptied.
  void compactIfSparse();

  std::vector<Relation> slots_;    // in list order; some emptied
  std::vector<bool> out_;          // per slot: its relation was taken out
  std::vector<std::size_t> next_;  // per slot: the next slot of the same name
  std::unordered_map<std::string, Named> names_;
  std::size_t outCount_ = 0;
};

#endif  // EVAL_RELATION_LIST_H_
