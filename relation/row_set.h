// A growing set of rows of one width, for collecting tuples without repeats.
#ifndef RELATION_ROW_SET_H_
#define RELATION_ROW_SET_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "relation/relation.h"

// Rows kept in the order they were first inserted, each once (values compared
// as byte strings). Storage grows in blocks, so rows never move.
class RowSet {
 public:
  explicit RowSet(std::size_t width);

  // True when `row` was not yet in the set; it is then stored.
  bool insert(Row row);

  std::size_t size() const { return count_; }
  std::size_t width() const { return width_; }

  // The rows from `begin` up to `end` (positions in insertion order).
  RowBuffer rows(std::size_t begin, std::size_t end) const;

  // Every row, in insertion order; the set is left empty. Memory is handed
  // over block by block.
  RowBuffer release();

 private:
  static constexpr std::size_t blockRows = std::size_t{1} << 16;

  Row rowAt(std::size_t index) const;
  void rebuild(std::size_t slots);

  std::size_t width_;
  std::size_t count_ = 0;
  std::vector<std::vector<Value>> blocks_;
  // 0 for an empty slot, else the row's index plus one, shifted left by
  // fingerprintBits_, with that many bits of the row's hash below it.
  std::vector<std::uint32_t> slots_;
  unsigned fingerprintBits_ = 6;
};

#endif  // RELATION_ROW_SET_H_
