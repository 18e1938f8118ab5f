// A list of items in an order of their own, each under a name, where a name
// finds the first item of it.
#ifndef EVAL_NAMED_ORDER_H_
#define EVAL_NAMED_ORDER_H_

#include <cstddef>
#include <iterator>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Finding the first item of a name, appending an item and taking the first
// item of a name out of its place take constant time (amortized), however
// long the list; the places emptied are packed once they are half of all.
template <typename Item>
class NamedOrder {
 public:
  // The first item named `name`, or null.
  const Item* findFirst(const std::string& name) const {
    const auto found = names_.find(name);
    return found == names_.end() || found->second.count == 0 ? nullptr
                                                             : &items_[found->second.first];
  }

  // How many items bear `name`.
  std::size_t countNamed(const std::string& name) const {
    const auto found = names_.find(name);
    return found == names_.end() ? 0 : found->second.count;
  }

  void append(const std::string& name, Item item) { appendTo(names_[name], std::move(item)); }

  // Moves the first item named `name` out of the list into `taken`; false
  // when there is none.
  bool takeFirst(const std::string& name, Item& taken) {
    const auto found = names_.find(name);
    if (found == names_.end() || found->second.count == 0) {
      return false;
    }
    taken = takeFrom(found->second);
    return true;
  }

  // Appends `item` under `name`. When an item of that name stands in the
  // list, the first one is taken out of its place, and what `merge` makes of
  // it and `item` is appended instead. The name is looked up once.
  template <typename Merge>
  void appendMerged(const std::string& name, Item item, Merge&& merge) {
    Named& named = names_[name];
    if (named.count != 0) {
      item = merge(takeFrom(named), std::move(item));
    }
    appendTo(named, std::move(item));
  }

  // Room for `count` names in all, so that the index grows no more on the way.
  void reserve(std::size_t count) { names_.reserve(count); }

  // The items in list order.
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Item;
    using difference_type = std::ptrdiff_t;
    using pointer = const Item*;
    using reference = const Item&;

    Iterator(const NamedOrder& order, std::size_t place) : order_(&order), place_(place) { skip(); }
    reference operator*() const { return order_->items_[place_]; }
    pointer operator->() const { return &order_->items_[place_]; }
    Iterator& operator++() {
      ++place_;
      skip();
      return *this;
    }
    bool operator==(const Iterator& other) const { return place_ == other.place_; }
    bool operator!=(const Iterator& other) const { return place_ != other.place_; }

   private:
    void skip() {
      while (place_ < order_->items_.size() && order_->owners_[place_] == nullptr) {
        ++place_;
      }
    }
    const NamedOrder* order_;
    std::size_t place_;
  };

  std::size_t size() const { return items_.size() - emptied_; }
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, items_.size()); }

  // The last item; the list must not be empty.
  const Item& back() const {
    std::size_t place = items_.size() - 1;
    while (owners_[place] == nullptr) {
      --place;
    }
    return items_[place];
  }

  // Every item in list order, moved out; the list is left empty.
  std::vector<Item> release() {
    std::vector<Item> items;
    items.reserve(size());
    for (std::size_t place = 0; place < items_.size(); ++place) {
      if (owners_[place] != nullptr) {
        items.push_back(std::move(items_[place]));
      }
    }
    *this = NamedOrder();
    return items;
  }

 private:
  static constexpr std::size_t none = static_cast<std::size_t>(-1);

  // The places that hold items of one name, linked in list order.
  struct Named {
    std::size_t first = none;
    std::size_t last = none;
    std::size_t count = 0;
  };

  void appendTo(Named& named, Item item) {
    const std::size_t place = items_.size();
    if (named.count++ == 0) {
      named.first = place;
    } else {
      next_[named.last] = place;
    }
    named.last = place;
    items_.push_back(std::move(item));
    owners_.push_back(&named);
    next_.push_back(none);
  }

  // The first item of `named`, moved out of its place, which stays empty (the
  // item there is left as moving it leaves it) until the places are packed.
  Item takeFrom(Named& named) {
    const std::size_t place = named.first;
    named.first = next_[place];
    if (--named.count == 0) {
      named.last = none;
    }
    Item taken = std::move(items_[place]);
    owners_[place] = nullptr;
    if (++emptied_ * 2 > items_.size()) {
      pack();
    }
    return taken;
  }

  // Drops the emptied places; the items keep their order and names.
  void pack() {
    for (auto& entry : names_) {
      entry.second = Named();
    }
    std::size_t kept = 0;
    for (std::size_t place = 0; place < items_.size(); ++place) {
      if (owners_[place] == nullptr) {
        continue;
      }
      Named& named = *owners_[place];
      if (named.count++ == 0) {
        named.first = kept;
      } else {
        next_[named.last] = kept;
      }
      named.last = kept;
      if (kept != place) {
        items_[kept] = std::move(items_[place]);
      }
      owners_[kept] = &named;
      next_[kept] = none;
      ++kept;
    }
    items_.resize(kept);
    owners_.resize(kept);
    next_.resize(kept);
    emptied_ = 0;
  }

  std::vector<Item> items_;        // in list order; some emptied
  std::vector<Named*> owners_;     // per place: the name's entry, null when emptied
  std::vector<std::size_t> next_;  // per place: the next place of the same name
  std::unordered_map<std::string, Named> names_;
  std::size_t emptied_ = 0;
};

#endif  // EVAL_NAMED_ORDER_H_
