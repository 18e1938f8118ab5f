// Positions of distinct names, found by name in constant time (expected),
// with no allocation per name: the table keeps a 32-bit hash of each name and
// its position only (8 bytes), and reads the name itself from the caller's
// list. Up to 2^31 names.
#ifndef INPUT_NAME_POSITIONS_H_
#define INPUT_NAME_POSITIONS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

class NamePositions {
 public:
  static constexpr std::size_t none = static_cast<std::size_t>(-1);

  // The position stored under `name`, or `none`. `nameAt(position)` gives the
  // caller's name at a stored position.
  template <typename NameAt>
  std::size_t find(std::string_view name, const NameAt& nameAt) const {
    if (slots_.empty()) {
      return none;
    }
    const std::uint32_t hash = hashOf(name);
    for (std::size_t slot = hash & mask();; slot = (slot + 1) & mask()) {
      const Slot& here = slots_[slot];
      if (here.position == empty) {
        return none;
      }
      if (here.hash == hash && static_cast<std::string_view>(nameAt(here.position)) == name) {
        return here.position;
      }
    }
  }

  // Stores `position` under `name` unless a position is stored under it
  // already; returns the position stored under `name`.
  template <typename NameAt>
  std::size_t insert(std::string_view name, std::size_t position, const NameAt& nameAt) {
    if (position >= limit) {
      throw std::length_error("NamePositions: more names than it holds");
    }
    reserve(count_ + 1);
    const std::uint32_t hash = hashOf(name);
    for (std::size_t slot = hash & mask();; slot = (slot + 1) & mask()) {
      Slot& here = slots_[slot];
      if (here.position == empty) {
        here = Slot{hash, static_cast<std::uint32_t>(position)};
        ++count_;
        return position;
      }
      if (here.hash == hash && static_cast<std::string_view>(nameAt(here.position)) == name) {
        return here.position;
      }
    }
  }

  std::size_t size() const { return count_; }

  // Makes room for `count` names in all, so that storing them moves none.
  void reserve(std::size_t count) {
    std::size_t slots = std::max<std::size_t>(16, slots_.size());
    while (count * 2 > slots) {
      slots *= 2;
    }
    if (slots != slots_.size()) {
      rehash(slots);
    }
  }

 private:
  static constexpr std::uint32_t empty = UINT32_MAX;
  static constexpr std::size_t limit = std::size_t{1} << 31U;

  // The hash picks the first slot to try (its low bits) and tells most names
  // apart without reading them.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t position = empty;
  };

  static std::uint32_t hashOf(std::string_view name) {
    const std::uint64_t hash = std::hash<std::string_view>()(name);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32U));
  }
  std::size_t mask() const { return slots_.size() - 1; }

  // Places every stored position anew in `slots` slots (a power of two).
  void rehash(std::size_t slots) {
    std::vector<Slot> old(slots);
    old.swap(slots_);
    for (const Slot& stored : old) {
      if (stored.position == empty) {
        continue;
      }
      std::size_t slot = stored.hash & mask();
      while (slots_[slot].position != empty) {
        slot = (slot + 1) & mask();
      }
      slots_[slot] = stored;
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

#endif  // INPUT_NAME_POSITIONS_H_
