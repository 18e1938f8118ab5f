// A growing set of rows of one width, for collecting tuples without repeats.
#ifndef RELATION_ROW_SET_H_
#define RELATION_ROW_SET_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "relation/large_table.h"
#include "relation/relation.h"

// Rows kept in the order they were first inserted, each once (values compared
// as byte strings). Each column numbers its distinct values from 0 and rows
// hold those 32-bit numbers; storage grows in blocks of many rows.
class RowSet {
 public:
  explicit RowSet(std::size_t width);

  // True when `row` was not yet in the set; it is then stored.
  bool insert(Row row);

  // Inserts every row of `relation` (as stored), looking ahead to hide memory latency.
  void insertAll(const Relation& relation);

  std::size_t size() const { return count_; }

  // The rows from `begin` up to `end` (positions in insertion order).
  RowBuffer rows(std::size_t begin, std::size_t end) const;

  // Every row, in tuple order when the values' ranks in their columns fit
  // one 64-bit key per row (then marked so), else in insertion order; the
  // set is left empty. Memory is handed over block by block.
  RowBuffer release();

 private:
  static constexpr std::size_t blockRows = std::size_t{1} << 18;

  using Code = std::uint32_t;

  // The distinct values of one column, numbered in the order they came.
  class ColumnCodes {
   public:
    ColumnCodes() : valueSlots_(16) {}
    // The code of `value`, whose hash is `hash`; `added` tells whether it is new.
    Code codeOf(Value value, Hash hash, bool& added);
    void prefetch(Value value, Hash hash) const;
    std::size_t size() const { return values_.size(); }
    const std::vector<Value>& values() const { return values_; }
    // Keeps only the values, for reading rows back.
    void dropLookups();

   private:
    // A slot of the value table holds the value beside its code, so that a
    // look-up reads one place.
    struct ValueSlot {
      Value value = 0;
      Code codePlusOne = 0;  // 0 for an empty slot
    };
    // Lets numberCodes_ reach `number` where that keeps it within a few
    // times the values held.
    void widenNumberCodes(Value number);
    void rebuildValueSlots();

    std::vector<Value> values_;  // by code
    // The codes of numbers held in their values, by the number, below the
    // size: columns mostly take numbers of a range not much wider than they
    // are many. Code plus one; 0 where the number has none yet.
    std::vector<Code> numberCodes_;
    LargeTable<ValueSlot> valueSlots_;  // the codes of other values
    std::size_t hashedValues_ = 0;      // in valueSlots_
  };

  const Code* codesAt(std::size_t index) const;
  bool insertCodes(const Code* codes, Hash hash);
  void appendCodes(const Code* codes);
  std::uint32_t packedEntry(const Code* codes) const;
  bool needsRebuild() const;
  // The code of `value` in `column`, the lookups laid out anew where a new
  // value asks for it.
  Code codeOf(std::size_t column, Value value, Hash hash);
  // The slot table or the bitmap for the rows held, whichever the values
  // allow and needs no more memory than `slots` slots.
  void relayout(std::size_t slots);
  // The bits each column's codes take in a key, and their sum.
  std::vector<unsigned> codeBits() const;
  static bool bitmapFits(unsigned keyBits, std::size_t slots);
  void buildBitmap(std::vector<unsigned> bits);
  std::uint64_t bitmapKey(const Code* codes) const;
  void prefetchLookup(const Code* codes, Hash hash) const;
  // Codes `count` rows of `relation` from `start` on and hashes them, the
  // value slots and then the row slots fetched a batch ahead.
  void codeBatch(const Relation& relation, std::size_t start, std::size_t count, Code* codes,
                 Hash* hashes);
  void rebuild(std::size_t slots);
  void decode(std::size_t index, ValueCells& cells) const;
  // Calls `visit` with the codes of every row in insertion order, freeing each
  // block once read; the set keeps no rows.
  template <typename Visit>
  void drainRows(Visit visit);
  // The rows in insertion order.
  RowBuffer releaseUnordered();
  // The rows in tuple order, by keys of `bits` bits per column that hold each
  // value's rank among its column's values.
  RowBuffer releaseByRank(const std::vector<unsigned>& bits);

  std::size_t width_;
  std::size_t count_ = 0;
  std::vector<SequentialTable<Code>> blocks_;
  std::vector<ColumnCodes> columns_;
  std::vector<Code> codes_;        // the row being inserted
  std::vector<Hash> valueHashes_;  // of the batch being coded
  // 0 for an empty slot. While every value code fits packedBits_ bits, the
  // row itself: its codes side by side, plus one, so that a look-up reads no
  // block. Else the row's index plus one, shifted left by fingerprintBits_,
  // with that many bits of the row's hash below it.
  LargeTable<std::uint32_t> slots_;
  unsigned fingerprintBits_ = 6;
  unsigned packedBits_ = 0;
  bool packed_ = false;
  // While the rows' value codes side by side, bitmapBits_ bits for each
  // column, make keys few enough, one bit per key marks the rows held, and
  // slots_ is unused.
  LargeTable<std::uint64_t> bitmap_;
  std::vector<unsigned> bitmapBits_;
  bool bitmapped_ = false;
};

#endif  // RELATION_ROW_SET_H_
