// Rows of values: stored one after another, hashed, and compared in the two
// ways the program compares them.
#ifndef RELATION_ROW_H_
#define RELATION_ROW_H_

#include <cstddef>
#include <span>
#include <vector>

#include "relation/growing_array.h"
#include "relation/integer_value.h"
#include "relation/value.h"

// One stored row: its values in column order.
using Row = std::span<const Value>;

// Values of rows, one row after another.
using ValueCells = GrowingArray<Value>;

// Rows of one width, gathered before they enter a relation.
struct RowBuffer {
  explicit RowBuffer(std::size_t rowWidth) : width(rowWidth) {}
  void append(Row row) {
    cells.append(row.begin(), row.end());
    ++count;
  }
  Row row(std::size_t index) const { return Row(cells.data() + index * width, width); }
  std::size_t width;
  std::size_t count = 0;
  ValueCells cells;
  bool inTupleOrder = false;  // ascending tuple order, no row repeated
};

// Row equality: the same width and the same bytes in every column, so "007"
// and "7" make two rows.
inline bool rowsEqual(Row first, Row second) {
  if (first.size() != second.size()) {
    return false;
  }
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (!valuesEqual(first[i], second[i])) {
      return false;
    }
  }
  return true;
}

// hashRow taken value by value: each value of a row added in column order.
class RowHasher {
 public:
  void add(Value value) { hash_ = hash_ * 0x9E3779B97F4A7C15ULL + hashValue(value); }
  Hash hash() const { return hash_ ^ (hash_ >> 29); }

 private:
  Hash hash_ = 0;
};

// A hash that rows equal by rowsEqual share, 64 bits wide.
inline Hash hashRow(Row row) {
  RowHasher hasher;
  for (const Value value : row) {
    hasher.add(value);
  }
  return hasher.hash();
}

// Join equality: the value under which a joined column compares `value`. By
// bytes (`compareBytes`, a "string" column) it is the value itself, otherwise
// a value that two values share exactly when their integer values are equal,
// so that "007" and "7" join. Two values join when their keys are equal by
// valuesEqual.
Value integerJoinKey(Value value);
inline Value joinKey(Value value, bool compareBytes) {
  return compareBytes || isPlainInteger(value) ? value : integerJoinKey(value);
}

// Rows of any width, kept one after another in the order they were appended.
class RowStore {
 public:
  std::size_t size() const { return rows_; }
  Row row(std::size_t index) const {
    if (ends_.empty()) {
      return Row(cells_.data() + index * width_, width_);
    }
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return Row(cells_.data() + begin, ends_[index] - begin);
  }
  void append(Row row);
  // The first of rows [begin, end) equal to `wanted` by rowsEqual, or `end`.
  std::size_t find(Row wanted, std::size_t begin, std::size_t end) const;

 private:
  std::vector<Value> cells_;
  std::size_t rows_ = 0;
  std::size_t width_ = 0;          // of every row, while `ends_` is empty
  std::vector<std::size_t> ends_;  // per row, the end of its cells, once widths differ
};

#endif  // RELATION_ROW_H_
