#include "relation/row_sort.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <utility>

#include "relation/radix_sort.h"

namespace {

// A number per value that orders as the texts of a column's values do.
using Key = std::uint32_t;

constexpr std::uint32_t powersOfTen[] = {1,      10,      100,      1000,     10000,
                                         100000, 1000000, 10000000, 100000000};

// Values held in their codes with at most this many digits turn into keys
// by their digits alone.
constexpr unsigned mostKeyDigits = 8;

// The first 16 bytes of a text, zero padded, as two numbers: texts that
// differ there are ordered by them.
std::pair<std::uint64_t, std::uint64_t> leadingBytes(Value value) {
  char buffer[valueBufferSize];
  const std::string_view text = valueText(value, buffer);
  std::uint64_t words[2] = {0, 0};
  for (std::size_t i = 0; i < 16; ++i) {
    words[i / 8] =
        (words[i / 8] << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0U);
  }
  return {words[0], words[1]};
}

// How the values of one column turn into keys and back. Where every value
// is a number of at most `mostKeyDigits` digits, the key is the number with
// zeros appended up to the column's most digits, times 16, plus its own
// number of digits: "10" before "9", and "1" before "10". Otherwise the key,
// where asked for, is the value's rank among the column's distinct values.
class ColumnKeys {
 public:
  ColumnKeys(const GrowingArray<Value>& cells, std::size_t rows, std::size_t width,
             std::size_t column, bool ranked) {
    Value marks = 0;
    Value largest = 0;
    for (std::size_t i = 0; i < rows; ++i) {
      const Value value = cells[i * width + column];
      marks |= value;
      largest = std::max(largest, value);
    }
    digits_ = isInlineValue(marks) ? inlineDigits(largest) : mostKeyDigits + 1;
    if (digits_ > mostKeyDigits && ranked) {
      rankValues(cells, rows, width, column);
    }
  }

  // False for a column that keeps its values: by digits they make no key,
  // and no rank was asked for.
  bool makesKeys() const { return digits_ <= mostKeyDigits || !byRank_.empty(); }

  Key keyOf(Value value) const {
    if (byRank_.empty()) {
      const unsigned digits = inlineDigits(value);
      return (value * powersOfTen[digits_ - digits]) << 4 | digits;
    }
    if (!isInlineValue(value) && !rankByPlace_.empty()) {
      return rankByPlace_[placeOf(value) - lowestPlace_];
    }
    const auto found = std::lower_bound(byCode_.begin(), byCode_.end(), value);
    return rankOf_[static_cast<std::size_t>(found - byCode_.begin())];
  }

  Value valueOf(Key key) const {
    if (byRank_.empty()) {
      const unsigned digits = key & 15U;
      return (key >> 4) / powersOfTen[digits_ - digits];
    }
    return byRank_[key];
  }

 private:
  static std::size_t placeOf(Value value) { return value & ~pooledValueMark; }

  // The column's distinct values, ascending by code, into byCode_. Values
  // kept in the value table whose places there lie in a range a few times
  // as wide as the rows are many are marked in rankByPlace_ over that range
  // rather than sorted.
  void distinctValues(const GrowingArray<Value>& cells, std::size_t rows, std::size_t width,
                      std::size_t column) {
    std::size_t lowest = static_cast<std::size_t>(-1);
    std::size_t highest = 0;
    for (std::size_t i = 0; i < rows; ++i) {
      const Value value = cells[i * width + column];
      if (!isInlineValue(value)) {
        lowest = std::min(lowest, placeOf(value));
        highest = std::max(highest, placeOf(value));
      }
    }
    const bool marked = lowest <= highest && highest - lowest <= 4 * rows + 1024;
    if (marked) {
      lowestPlace_ = lowest;
      rankByPlace_.assign(highest - lowest + 1, 0);
    }
    for (std::size_t i = 0; i < rows; ++i) {
      const Value value = cells[i * width + column];
      if (marked && !isInlineValue(value)) {
        rankByPlace_[placeOf(value) - lowest] = 1;
      } else {
        byCode_.push_back(value);
      }
    }
    std::sort(byCode_.begin(), byCode_.end());
    byCode_.erase(std::unique(byCode_.begin(), byCode_.end()), byCode_.end());
    for (std::size_t place = 0; place < rankByPlace_.size(); ++place) {
      if (rankByPlace_[place] != 0) {
        byCode_.push_back(static_cast<Value>(lowest + place) | pooledValueMark);
      }
    }
    byCode_.shrink_to_fit();
  }

  void rankValues(const GrowingArray<Value>& cells, std::size_t rows, std::size_t width,
                  std::size_t column) {
    distinctValues(cells, rows, width, column);
    struct Entry {
      std::pair<std::uint64_t, std::uint64_t> leading;
      Key index;
    };
    std::vector<Entry> entries(byCode_.size());
    for (std::size_t i = 0; i < byCode_.size(); ++i) {
      if (i + 16 < byCode_.size()) {
        prefetchValueRecord(byCode_[i + 16]);
      }
      if (i + 8 < byCode_.size()) {
        prefetchValueBytes(byCode_[i + 8]);
      }
      entries[i] = {leadingBytes(byCode_[i]), static_cast<Key>(i)};
    }
    std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
      if (a.leading != b.leading) {
        return a.leading < b.leading;
      }
      return valueCompare(byCode_[a.index], byCode_[b.index]) < 0;
    });
    rankOf_.resize(byCode_.size());
    byRank_.resize(byCode_.size());
    for (std::size_t rank = 0; rank < entries.size(); ++rank) {
      const Value value = byCode_[entries[rank].index];
      rankOf_[entries[rank].index] = static_cast<Key>(rank);
      byRank_[rank] = value;
      if (!isInlineValue(value) && !rankByPlace_.empty()) {
        rankByPlace_[placeOf(value) - lowestPlace_] = static_cast<Key>(rank);
      }
    }
  }

  unsigned digits_ = 0;
  std::vector<Value> byCode_;  // the column's distinct values, ascending by code
  std::vector<Key> rankOf_;    // of each of byCode_
  std::vector<Value> byRank_;
  // Where it is not empty, the rank of each value of the value table by its
  // place there, less lowestPlace_.
  std::vector<Key> rankByPlace_;
  std::size_t lowestPlace_ = 0;
};

// Turns every value of the first columns.size() columns into its column's
// key, or back.
void toKeys(GrowingArray<Value>& cells, std::size_t width, const std::vector<ColumnKeys>& columns) {
  for (std::size_t start = 0; start < cells.size(); start += width) {
    for (std::size_t column = 0; column < columns.size(); ++column) {
      cells[start + column] = columns[column].keyOf(cells[start + column]);
    }
  }
}

void toValues(GrowingArray<Value>& cells, std::size_t width,
              const std::vector<ColumnKeys>& columns) {
  for (std::size_t start = 0; start < cells.size(); start += width) {
    for (std::size_t column = 0; column < columns.size(); ++column) {
      cells[start + column] = columns[column].valueOf(cells[start + column]);
    }
  }
}

// The order of rows whose first `keyed` columns hold keys and the rest values.
struct KeyedRowLess {
  std::size_t keyed;
  std::size_t width;
  bool operator()(const Key* a, const Key* b) const {
    for (std::size_t i = 0; i < keyed; ++i) {
      if (a[i] != b[i]) {
        return a[i] < b[i];
      }
    }
    for (std::size_t i = keyed; i < width; ++i) {
      const int order = valueCompare(a[i], b[i]);
      if (order != 0) {
        return order < 0;
      }
    }
    return false;
  }
};

// Rows of W words sorted and made unique where they stand: by the bytes of
// their keys, and where those agree, by their values.
template <std::size_t W>
std::size_t sortRecords(GrowingArray<Value>& cells, std::size_t rows, const KeyedRowLess& less) {
  using Record = std::array<Key, W>;
  static_assert(sizeof(Record) == W * sizeof(Key));
  Record* begin = reinterpret_cast<Record*>(cells.data());
  Record* end = begin + rows;
  const std::size_t keyBytes = less.keyed * sizeof(Key);
  if (less.keyed == W) {
    radixSort<true>(begin, end, 0, keyBytes, std::less<>());
  } else {
    radixSort<false>(begin, end, 0, keyBytes, [&less](const Record& a, const Record& b) {
      return less(a.data(), b.data());
    });
  }
  return static_cast<std::size_t>(std::unique(begin, end) - begin);
}

// Rows of any width sorted by an order of their positions, which then moves
// them where they belong, and made unique.
std::size_t sortByPositions(GrowingArray<Value>& cells, std::size_t rows, std::size_t width,
                            const KeyedRowLess& less) {
  assert(rows <= UINT32_MAX);
  const auto rowAt = [&](std::size_t i) { return cells.data() + i * width; };
  std::vector<std::uint32_t> order(rows);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return less(rowAt(a), rowAt(b)); });
  // Row order[k] belongs at k: each cycle of the permutation is walked once.
  std::vector<Value> held(width);
  for (std::size_t start = 0; start < rows; ++start) {
    if (order[start] == start) {
      continue;
    }
    std::copy(rowAt(start), rowAt(start) + width, held.begin());
    std::size_t place = start;
    while (order[place] != start) {
      const std::size_t from = order[place];
      std::copy(rowAt(from), rowAt(from) + width, rowAt(place));
      order[place] = static_cast<std::uint32_t>(place);
      place = from;
    }
    std::copy(held.begin(), held.end(), rowAt(place));
    order[place] = static_cast<std::uint32_t>(place);
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows; ++i) {
    if (kept > 0 && std::equal(rowAt(i), rowAt(i) + width, rowAt(kept - 1))) {
      continue;
    }
    if (kept != i) {
      std::copy(rowAt(i), rowAt(i) + width, rowAt(kept));
    }
    ++kept;
  }
  return kept;
}

}  // namespace

std::size_t sortUniqueRows(GrowingArray<Value>& cells, std::size_t rows, std::size_t width) {
  if (width == 0 || rows <= 1) {
    return std::min<std::size_t>(rows, 1);
  }
  // Leading columns turn into keys: the first always (by rank where digits
  // make no key), the next while digits do. The rest are compared as values
  // where the keys agree.
  std::vector<ColumnKeys> columns;
  for (std::size_t column = 0; column < width; ++column) {
    ColumnKeys keys(cells, rows, width, column, column == 0);
    if (!keys.makesKeys()) {
      break;
    }
    columns.push_back(std::move(keys));
  }
  cells.resize(rows * width);
  toKeys(cells, width, columns);
  const KeyedRowLess less{columns.size(), width};
  std::size_t kept = 0;
  switch (width) {
    case 1:
      kept = sortRecords<1>(cells, rows, less);
      break;
    case 2:
      kept = sortRecords<2>(cells, rows, less);
      break;
    case 3:
      kept = sortRecords<3>(cells, rows, less);
      break;
    case 4:
      kept = sortRecords<4>(cells, rows, less);
      break;
    default:
      kept = sortByPositions(cells, rows, width, less);
  }
  cells.resize(kept * width);
  toValues(cells, width, columns);
  return kept;
}
