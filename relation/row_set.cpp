#include "relation/row_set.h"

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <numeric>
#include <utility>

#include "relation/radix_sort.h"
#include "relation/work_meter.h"

namespace {

// A position in [0, size) taken from the hash's high bits (size below 2^32).
std::size_t scaled(Hash hash, std::size_t size) {
  return static_cast<std::size_t>(((hash >> 32) * size) >> 32);
}

template <typename Code>
Hash hashCodes(const Code* codes, std::size_t width) {
  Hash hash = 0x243F6A8885A308D3ULL;
  for (std::size_t i = 0; i < width; ++i) {
    hash = (hash + codes[i]) * 0x9E3779B97F4A7C15ULL;
  }
  return mixBits(hash);
}

// Compared in a loop: rows are a few codes wide, too short for a library call.
template <typename Code>
bool sameCodes(const Code* a, const Code* b, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    if (a[i] != b[i]) {
      return false;
    }
  }
  return true;
}

// The fewest bits, at least one, that number `count` things.
unsigned bitsFor(std::size_t count) {
  unsigned bits = 1;
  while ((std::size_t{1} << bits) < count) {
    ++bits;
  }
  return bits;
}

// The slots of a table that holds `rows` rows and takes one more.
std::size_t slotsFor(std::size_t rows) {
  std::size_t slots = 16;
  while ((rows + 1) * 8 > slots * 7) {
    slots *= 2;
  }
  return slots;
}

// Rows as numbers that sort as the rows do: each value is replaced by its rank
// among its column's values, and the ranks of a row are put side by side,
// `bits[c]` bits for column c.
class RankKeys {
 public:
  using Key = std::uint64_t;

  RankKeys(const std::vector<const std::vector<Value>*>& values, std::vector<unsigned> bits)
      : bits_(std::move(bits)), rankOf_(values.size()), byRank_(values.size()) {
    for (std::size_t c = 0; c < values.size(); ++c) {
      const std::vector<Value>& column = *values[c];
      std::vector<std::uint32_t> order(column.size());
      std::iota(order.begin(), order.end(), std::uint32_t{0});
      std::sort(order.begin(), order.end(), [&column](std::uint32_t a, std::uint32_t b) {
        return valueCompare(column[a], column[b]) < 0;
      });
      rankOf_[c].resize(column.size());
      byRank_[c].resize(column.size());
      for (std::size_t rank = 0; rank < order.size(); ++rank) {
        rankOf_[c][order[rank]] = static_cast<std::uint32_t>(rank);
        byRank_[c][rank] = column[order[rank]];
      }
    }
  }

  // The key of the row whose value codes are `codes`.
  Key keyOf(const std::uint32_t* codes) const {
    Key key = 0;
    for (std::size_t c = 0; c < bits_.size(); ++c) {
      key = (key << bits_[c]) | rankOf_[c][codes[c]];
    }
    return key;
  }

  // Appends the values of the row whose key is `key`.
  void appendRow(Key key, ValueCells& cells) const {
    Value* row = cells.extend(bits_.size());
    for (std::size_t c = bits_.size(); c-- > 0;) {
      row[c] = byRank_[c][key & ((Key{1} << bits_[c]) - 1)];
      key >>= bits_[c];
    }
  }

 private:
  std::vector<unsigned> bits_;
  std::vector<std::vector<std::uint32_t>> rankOf_;  // per column, by value code
  std::vector<std::vector<Value>> byRank_;          // per column
};

// The rows whose keys are marked in `present`, in key order.
void readMarkedKeys(const LargeTable<std::uint64_t>& present, const RankKeys& ranks,
                    ValueCells& cells) {
  for (std::size_t word = 0; word < present.size(); ++word) {
    for (std::uint64_t marks = present[word]; marks != 0; marks &= marks - 1) {
      ranks.appendRow(word * 64 + static_cast<unsigned>(std::countr_zero(marks)), cells);
    }
  }
}

// The rows of sorted `keys`. The keys are read once, front to back: pages
// behind the reading go back to the system while the rows fill theirs.
void readSortedKeys(LargeTable<RankKeys::Key>& keys, const RankKeys& ranks, ValueCells& cells) {
  constexpr std::size_t keysPerPage =
      LargeTableAllocator<RankKeys::Key>::hugePage / sizeof(RankKeys::Key);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    ranks.appendRow(keys[k], cells);
    if ((k + 1) % keysPerPage == 0) {
      dropPages(keys, k + 1 - keysPerPage, k + 1);
    }
  }
}

}  // namespace

RowSet::RowSet(std::size_t width)
    : width_(width),
      columns_(width),
      slots_(16, 0),
      packedBits_(width > 0 && width <= 31 ? static_cast<unsigned>(31 / width) : 0),
      packed_(packedBits_ > 0) {}

std::uint32_t RowSet::packedEntry(const Code* codes) const {
  std::uint32_t key = 0;
  for (std::size_t i = 0; i < width_; ++i) {
    key = (key << packedBits_) | codes[i];
  }
  return key + 1;
}

const RowSet::Code* RowSet::codesAt(std::size_t index) const {
  return blocks_[index / blockRows].data() + (index % blockRows) * width_;
}

void RowSet::ColumnCodes::rebuildValueSlots() {
  valueSlots_.assign(valueSlots_.size() * 2, ValueSlot{});
  hashedValues_ = 0;
  for (std::size_t code = 0; code < values_.size(); ++code) {
    if (values_[code] < numberCodes_.size()) {
      continue;
    }
    ++hashedValues_;
    std::size_t slot = scaled(hashValue(values_[code]), valueSlots_.size());
    while (valueSlots_[slot].codePlusOne != 0) {
      slot = slot + 1 == valueSlots_.size() ? 0 : slot + 1;
    }
    valueSlots_[slot] = {values_[code], static_cast<Code>(code + 1)};
  }
}

void RowSet::ColumnCodes::widenNumberCodes(Value number) {
  const std::size_t limit = 8 * (values_.size() + 1) + 1024;
  if (number >= limit) {
    return;
  }
  const std::size_t size =
      std::min(limit, std::max<std::size_t>(number + 1, 2 * numberCodes_.size()));
  numberCodes_.resize(size, 0);
  for (std::size_t code = 0; code < values_.size(); ++code) {
    if (isInlineValue(values_[code]) && values_[code] < size) {
      numberCodes_[values_[code]] = static_cast<Code>(code + 1);
    }
  }
}

RowSet::Code RowSet::ColumnCodes::codeOf(Value value, Hash hash, bool& added) {
  added = false;
  if (isInlineValue(value)) {
    if (value >= numberCodes_.size()) {
      widenNumberCodes(value);
    }
    if (value < numberCodes_.size()) {
      Code& entry = numberCodes_[value];
      if (entry == 0) {
        values_.push_back(value);
        entry = static_cast<Code>(values_.size());
        added = true;
      }
      return entry - 1;
    }
  }
  if ((hashedValues_ + 1) * 2 > valueSlots_.size()) {
    rebuildValueSlots();
  }
  std::size_t slot = scaled(hash, valueSlots_.size());
  while (valueSlots_[slot].codePlusOne != 0) {
    if (valuesEqual(valueSlots_[slot].value, value)) {
      return valueSlots_[slot].codePlusOne - 1;
    }
    slot = slot + 1 == valueSlots_.size() ? 0 : slot + 1;
  }
  values_.push_back(value);
  valueSlots_[slot] = {value, static_cast<Code>(values_.size())};
  ++hashedValues_;
  added = true;
  return static_cast<Code>(values_.size() - 1);
}

void RowSet::ColumnCodes::prefetch(Value value, Hash hash) const {
  if (value < numberCodes_.size()) {
    __builtin_prefetch(&numberCodes_[value]);
  } else {
    __builtin_prefetch(&valueSlots_[scaled(hash, valueSlots_.size())]);
  }
}

void RowSet::ColumnCodes::dropLookups() {
  valueSlots_ = LargeTable<ValueSlot>(16);
  numberCodes_ = std::vector<Code>();
}

RowSet::Code RowSet::codeOf(std::size_t column, Value value, Hash hash) {
  bool added = false;
  const Code code = columns_[column].codeOf(value, hash, added);
  if (!added) {
    return code;
  }
  // A code past packedBits_ bits: slots hold row indexes from now on.
  const std::size_t values = columns_[column].size();
  const bool wasPacked = packed_;
  packed_ = packed_ && values <= (std::size_t{1} << packedBits_);
  if (bitmapped_ ? values > (std::size_t{1} << bitmapBits_[column]) : packed_ != wasPacked) {
    relayout(bitmapped_ ? slotsFor(count_) : slots_.size());
  }
  return code;
}

std::vector<unsigned> RowSet::codeBits() const {
  std::vector<unsigned> bits;
  for (const ColumnCodes& column : columns_) {
    bits.push_back(bitsFor(column.size()));
  }
  return bits;
}

bool RowSet::bitmapFits(unsigned keyBits, std::size_t slots) {
  return keyBits <= 40 && (std::uint64_t{1} << keyBits) / 8 <= slots * sizeof(std::uint32_t);
}

void RowSet::relayout(std::size_t slots) {
  std::vector<unsigned> bits = codeBits();
  if (width_ > 0 && bitmapFits(std::accumulate(bits.begin(), bits.end(), 0U), slots)) {
    slots_ = LargeTable<std::uint32_t>(16, 0);
    buildBitmap(std::move(bits));
    return;
  }
  bitmapped_ = false;
  bitmap_ = LargeTable<std::uint64_t>();
  rebuild(slots);
}

std::uint64_t RowSet::bitmapKey(const Code* codes) const {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < width_; ++i) {
    key = (key << bitmapBits_[i]) | codes[i];
  }
  return key;
}

void RowSet::buildBitmap(std::vector<unsigned> bits) {
  bitmapped_ = true;
  const unsigned keyBits = std::accumulate(bits.begin(), bits.end(), 0U);
  bitmapBits_ = std::move(bits);
  bitmap_ = LargeTable<std::uint64_t>();
  bitmap_.assign(static_cast<std::size_t>((std::uint64_t{1} << keyBits) / 64 + 1), 0);
  for (std::size_t index = 0; index < count_; ++index) {
    const std::uint64_t key = bitmapKey(codesAt(index));
    bitmap_[key / 64] |= std::uint64_t{1} << (key % 64);
  }
}

void RowSet::prefetchLookup(const Code* codes, Hash hash) const {
  if (bitmapped_) {
    __builtin_prefetch(&bitmap_[bitmapKey(codes) / 64]);
  } else {
    __builtin_prefetch(&slots_[scaled(hash, slots_.size())]);
  }
}

void RowSet::rebuild(std::size_t slots) {
  if (!packed_ && count_ + 2 >= (Hash{1} << (32 - fingerprintBits_))) {
    fingerprintBits_ = 0;
  }
  slots_.assign(0, 0);
  slots_.shrink_to_fit();
  slots_.assign(slots, 0);
  const std::uint32_t mask = (1U << fingerprintBits_) - 1;
  // Rows are placed a batch at a time, their slots fetched ahead.
  constexpr std::size_t batch = 32;
  Hash hashes[batch];
  for (std::size_t start = 0; start < count_; start += batch) {
    const std::size_t count = std::min(batch, count_ - start);
    for (std::size_t k = 0; k < count; ++k) {
      hashes[k] = hashCodes(codesAt(start + k), width_);
      __builtin_prefetch(&slots_[scaled(hashes[k], slots_.size())], 1);
    }
    for (std::size_t k = 0; k < count; ++k) {
      std::size_t slot = scaled(hashes[k], slots_.size());
      while (slots_[slot] != 0) {
        slot = slot + 1 == slots_.size() ? 0 : slot + 1;
      }
      slots_[slot] = packed_ ? packedEntry(codesAt(start + k))
                             : (static_cast<std::uint32_t>(start + k + 1) << fingerprintBits_) |
                                   (static_cast<std::uint32_t>(hashes[k]) & mask);
    }
  }
}

bool RowSet::needsRebuild() const {
  if (bitmapped_) {
    return false;
  }
  return (count_ + 1) * 8 > slots_.size() * 7 ||
         (!packed_ && fingerprintBits_ != 0 && count_ + 2 >= (Hash{1} << (32 - fingerprintBits_)));
}

bool RowSet::insertCodes(const Code* codes, Hash hash) {
  if (needsRebuild()) {
    relayout(slots_.size() * 2);
  }
  if (bitmapped_) {
    const std::uint64_t key = bitmapKey(codes);
    std::uint64_t& word = bitmap_[key / 64];
    const std::uint64_t bit = std::uint64_t{1} << (key % 64);
    if ((word & bit) != 0) {
      return false;
    }
    word |= bit;
    appendCodes(codes);
    return true;
  }
  std::size_t slot = scaled(hash, slots_.size());
  if (packed_) {
    const std::uint32_t entry = packedEntry(codes);
    for (; slots_[slot] != 0; slot = slot + 1 == slots_.size() ? 0 : slot + 1) {
      if (slots_[slot] == entry) {
        return false;
      }
    }
    appendCodes(codes);
    slots_[slot] = entry;
    return true;
  }
  const std::uint32_t mask = (1U << fingerprintBits_) - 1;
  const std::uint32_t fingerprint = static_cast<std::uint32_t>(hash) & mask;
  for (; slots_[slot] != 0; slot = slot + 1 == slots_.size() ? 0 : slot + 1) {
    const std::uint32_t entry = slots_[slot];
    if ((entry & mask) == fingerprint &&
        sameCodes(codes, codesAt((entry >> fingerprintBits_) - 1), width_)) {
      return false;
    }
  }
  appendCodes(codes);
  slots_[slot] = (static_cast<std::uint32_t>(count_) << fingerprintBits_) | fingerprint;
  return true;
}

void RowSet::appendCodes(const Code* codes) {
  if (count_ % blockRows == 0) {
    blocks_.emplace_back();
    // The first block grows as rows come, so that a small set stays small;
    // later ones are reserved whole.
    if (count_ > 0) {
      blocks_.back().reserve(blockRows * width_);
    }
  }
  blocks_.back().insert(blocks_.back().end(), codes, codes + width_);
  ++count_;
}

bool RowSet::insert(Row row) {
  if (width_ == 0) {
    const bool added = count_ == 0;
    count_ = 1;
    return added;
  }
  codes_.clear();
  for (std::size_t i = 0; i < width_; ++i) {
    codes_.push_back(codeOf(i, row[i], hashValue(row[i])));
  }
  return insertCodes(codes_.data(), hashCodes(codes_.data(), width_));
}

void RowSet::insertAll(const Relation& relation) {
  const std::size_t rows = relation.rowCount();
  chargeWork(rows, width_);
  if (width_ == 0) {
    if (rows > 0) {
      insert(relation.row(0));
    }
    return;
  }
  constexpr std::size_t batch = 32;
  std::vector<Code> codes(batch * width_);
  Hash hashes[batch];
  for (std::size_t start = 0; start < rows; start += batch) {
    const std::size_t count = std::min(batch, rows - start);
    codeBatch(relation, start, count, codes.data(), hashes);
    for (std::size_t k = 0; !packed_ && !bitmapped_ && k < count; ++k) {
      const std::uint32_t entry = slots_[scaled(hashes[k], slots_.size())];
      if (entry != 0) {
        __builtin_prefetch(codesAt((entry >> fingerprintBits_) - 1));
      }
    }
    for (std::size_t k = 0; k < count; ++k) {
      insertCodes(codes.data() + k * width_, hashes[k]);
    }
  }
}

void RowSet::codeBatch(const Relation& relation, std::size_t start, std::size_t count, Code* codes,
                       Hash* hashes) {
  valueHashes_.resize(count * width_);
  for (std::size_t k = 0; k < count; ++k) {
    const Row row = relation.row(start + k);
    for (std::size_t i = 0; i < width_; ++i) {
      const Hash hash = hashValue(row[i]);
      valueHashes_[k * width_ + i] = hash;
      columns_[i].prefetch(row[i], hash);
    }
  }
  for (std::size_t k = 0; k < count; ++k) {
    const Row row = relation.row(start + k);
    for (std::size_t i = 0; i < width_; ++i) {
      codes[k * width_ + i] = codeOf(i, row[i], valueHashes_[k * width_ + i]);
    }
    hashes[k] = hashCodes(codes + k * width_, width_);
    prefetchLookup(codes + k * width_, hashes[k]);
  }
}

void RowSet::decode(std::size_t index, ValueCells& cells) const {
  const Code* codes = codesAt(index);
  for (std::size_t i = 0; i < width_; ++i) {
    cells.push_back(columns_[i].values()[codes[i]]);
  }
}

RowBuffer RowSet::rows(std::size_t begin, std::size_t end) const {
  chargeWork(end - begin, width_);
  RowBuffer result(width_);
  result.count = end - begin;
  result.cells.reserve(result.count * width_);
  if (width_ > 0) {
    for (std::size_t index = begin; index < end; ++index) {
      decode(index, result.cells);
    }
  }
  return result;
}

template <typename Visit>
void RowSet::drainRows(Visit visit) {
  slots_ = LargeTable<std::uint32_t>(16, 0);
  bitmap_ = LargeTable<std::uint64_t>();
  bitmapped_ = false;
  for (std::size_t index = 0; index < count_; ++index) {
    visit(codesAt(index));
    if ((index + 1) % blockRows == 0) {
      SequentialTable<Code>().swap(blocks_[index / blockRows]);
    }
  }
  blocks_.clear();
  count_ = 0;
}

RowBuffer RowSet::release() {
  chargeWork(count_, width_);
  // The rows are all that is left to read: what finds a value's code goes.
  for (ColumnCodes& column : columns_) {
    column.dropLookups();
  }
  if (width_ == 0) {
    RowBuffer result(0);
    result.count = count_;
    count_ = 0;
    return result;
  }
  const std::vector<unsigned> bits = codeBits();
  RowBuffer result = count_ < 2 || std::accumulate(bits.begin(), bits.end(), 0U) > 64
                         ? releaseUnordered()
                         : releaseByRank(bits);
  columns_.assign(width_, ColumnCodes());
  return result;
}

RowBuffer RowSet::releaseUnordered() {
  RowBuffer result(width_);
  result.count = count_;
  result.cells.reserve(count_ * width_);
  drainRows([&](const Code* codes) {
    for (std::size_t i = 0; i < width_; ++i) {
      result.cells.push_back(columns_[i].values()[codes[i]]);
    }
  });
  return result;
}

RowBuffer RowSet::releaseByRank(const std::vector<unsigned>& bits) {
  std::vector<const std::vector<Value>*> values;
  for (const ColumnCodes& column : columns_) {
    values.push_back(&column.values());
  }
  const RankKeys ranks(values, bits);
  RowBuffer result(width_);
  result.count = count_;
  result.inTupleOrder = true;
  result.cells.reserve(count_ * width_);
  const unsigned keyBits = std::accumulate(bits.begin(), bits.end(), 0U);
  // Keys few enough to mark in a bitmap no larger than a byte per row are
  // read back in order from it.
  if (keyBits < 40 && (RankKeys::Key{1} << keyBits) <= RankKeys::Key{8} * count_) {
    LargeTable<std::uint64_t> present(
        static_cast<std::size_t>((RankKeys::Key{1} << keyBits) / 64 + 1), 0);
    drainRows([&](const Code* codes) {
      const RankKeys::Key key = ranks.keyOf(codes);
      present[key / 64] |= std::uint64_t{1} << (key % 64);
    });
    readMarkedKeys(present, ranks, result.cells);
    return result;
  }
  LargeTable<RankKeys::Key> keys;
  keys.reserve(count_);
  drainRows([&](const Code* codes) { keys.push_back(ranks.keyOf(codes)); });
  auto* records = reinterpret_cast<std::array<RankKeys::Key, 1>*>(keys.data());
  radixSort<true>(records, records + keys.size(), (64 - keyBits) / 8, 8, std::less<>());
  readSortedKeys(keys, ranks, result.cells);
  return result;
}
