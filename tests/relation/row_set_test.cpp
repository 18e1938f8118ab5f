#include "relation/row_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// A value drawn from `distinct` texts: short ones held inline, long ones with
// a shared start (decided past their first bytes), and numbers whose byte
// order is not their numeric order.
std::string valueText(std::mt19937& random, std::size_t distinct) {
  const std::size_t pick = random() % distinct;
  switch (pick % 3) {
    case 0:
      return std::to_string(pick);
    case 1:
      return "hosszu_ertek_" + std::to_string(pick);
    default:
      return std::string(1, static_cast<char>(0xE1)) + std::to_string(pick);
  }
}

struct Released {
  std::vector<Texts> rows;
  bool inTupleOrder = false;
  std::size_t count = 0;
};

Released releaseOf(RowSet& set) {
  const RowBuffer buffer = set.release();
  Released result;
  result.inTupleOrder = buffer.inTupleOrder;
  result.count = buffer.count;
  for (std::size_t r = 0; r < buffer.count; ++r) {
    Texts row;
    for (std::size_t c = 0; c < buffer.width; ++c) {
      row.push_back(valueString(buffer.cells[r * buffer.width + c]));
    }
    result.rows.push_back(row);
  }
  return result;
}

// Fills a set with `rows` random rows, half one by one and half in bulk, and
// checks that it keeps each row once and releases exactly those rows, in
// tuple order when `ordered`.
void checkRelease(std::size_t width, std::size_t rows, std::size_t distinct, bool ordered,
                  unsigned seed) {
  std::mt19937 random(seed);
  RowSet set(width);
  std::set<Texts> expected;
  std::set<Texts> insertedAlone;
  Relation bulk("p", std::vector<ValueType>(width, "string"), {});
  RowBuffer buffer(width);
  for (std::size_t r = 0; r < rows; ++r) {
    Texts row;
    std::vector<Value> values;
    for (std::size_t c = 0; c < width; ++c) {
      row.push_back(valueText(random, distinct));
      values.push_back(makeValue(row.back()));
    }
    expected.insert(row);
    if (r % 2 == 0) {
      EXPECT_EQ(set.insert(values), insertedAlone.insert(row).second);
    } else {
      buffer.append(values);
    }
  }
  bulk.addRows(std::move(buffer));
  set.insertAll(bulk);
  const Released released = releaseOf(set);
  EXPECT_EQ(released.inTupleOrder, ordered);
  EXPECT_EQ(released.count, expected.size());
  if (ordered) {
    EXPECT_EQ(released.rows, std::vector<Texts>(expected.begin(), expected.end()));
  } else {
    EXPECT_EQ(std::set<Texts>(released.rows.begin(), released.rows.end()), expected);
  }
  EXPECT_EQ(set.size(), 0U);
}

TEST(RowSetTest, FewValuesAreReleasedInTupleOrderThroughABitmap) {
  checkRelease(1, 500, 40, true, 1);
  checkRelease(2, 20000, 60, true, 2);
  checkRelease(3, 9000, 12, true, 3);
}

TEST(RowSetTest, ManyValuesAreReleasedInTupleOrderThroughSortedKeys) {
  checkRelease(2, 3000, 2500, true, 4);
  checkRelease(4, 2000, 3000, true, 5);
  // More keys than one page of them: pages read are handed back while rows fill.
  checkRelease(2, 300000, 100000, true, 6);
}

TEST(RowSetTest, RowsTooWideForOneKeyKeepTheirOrderOfArrival) {
  // 5 columns of 14 bits each need 70 bits.
  checkRelease(5, 12000, 9000, false, 7);
}

// Inserts rows into a set and into a model of it, and checks that the set
// tells new rows from repeats and keeps them in their order of arrival.
class RowSetModel {
 public:
  explicit RowSetModel(std::size_t width) : set_(width) {}

  void insert(const Texts& row) {
    std::vector<Value> values;
    for (const std::string& text : row) {
      values.push_back(makeValue(text));
    }
    const bool added = seen_.insert(row).second;
    EXPECT_EQ(set_.insert(values), added);
    if (added) {
      order_.push_back(row);
    }
  }

  // Every pair of the numbers [low, high) with the numbers [0, high).
  void insertPairs(int low, int high) {
    for (int a = low; a < high; ++a) {
      for (int b = 0; b < high; ++b) {
        insert({std::to_string(a), std::to_string(b)});
      }
    }
  }

  // Every row held is found again, and the rows come back in arrival order.
  void check() {
    for (const Texts& row : order_) {
      insert(row);
    }
    const RowBuffer rows = set_.rows(0, set_.size());
    ASSERT_EQ(rows.count, order_.size());
    for (std::size_t r = 0; r < rows.count; ++r) {
      for (std::size_t c = 0; c < rows.width; ++c) {
        EXPECT_EQ(valueString(rows.cells[r * rows.width + c]), order_[r][c]);
      }
    }
  }

  Released release() { return releaseOf(set_); }
  const std::set<Texts>& seen() const { return seen_; }

 private:
  RowSet set_;
  std::set<Texts> seen_;
  std::vector<Texts> order_;
};

TEST(RowSetTest, LookupsMoveBetweenSlotsAndABitmapAsValuesAndRowsGrow) {
  RowSetModel model(2);
  // 100 rows over 100 values a column: a bitmap of 2^14 keys is larger than
  // their slots.
  for (int v = 0; v < 100; ++v) {
    model.insert({"p" + std::to_string(v), "q" + std::to_string(v)});
  }
  model.check();
  // 1000 rows over 130 values a column: a bitmap of 2^16 keys is no larger.
  model.insertPairs(0, 30);
  model.check();
  // Past 256 values in a column its codes widen, and the bitmap is made
  // again with them.
  model.insertPairs(30, 200);
  model.check();
  // So many values in the first column that a bitmap would outgrow the
  // slots: back to slots, first holding the rows, then (past 2^15 values in
  // the second column) their indexes.
  for (int v = 0; v < 20000; ++v) {
    model.insert({"a" + std::to_string(v), "b"});
  }
  model.check();
  for (int v = 0; v < 40000; ++v) {
    model.insert({"c", "d" + std::to_string(v)});
  }
  model.check();
  const Released released = model.release();
  EXPECT_EQ(released.rows, std::vector<Texts>(model.seen().begin(), model.seen().end()));
}

TEST(RowSetTest, OneColumnSetsTurnToABitmapOnceTheirRowsOutnumberItsWords) {
  RowSetModel model(1);
  for (int v = 0; v < 100000; v += 3) {
    model.insert({std::to_string(v)});
  }
  model.check();
}

TEST(RowSetTest, ASetReleasedIsEmptyAndTakesNewRows) {
  RowSet set(2);
  const Value a = makeValue("a");
  const Value b = makeValue("hosszu_ertek_b");
  EXPECT_TRUE(set.insert(std::vector<Value>{a, b}));
  EXPECT_FALSE(set.insert(std::vector<Value>{a, b}));
  EXPECT_EQ(releaseOf(set).count, 1U);
  EXPECT_TRUE(set.insert(std::vector<Value>{b, a}));
  EXPECT_TRUE(set.insert(std::vector<Value>{a, b}));
  EXPECT_FALSE(set.insert(std::vector<Value>{b, a}));
  const Released again = releaseOf(set);
  EXPECT_EQ(again.rows, (std::vector<Texts>{{"a", "hosszu_ertek_b"}, {"hosszu_ertek_b", "a"}}));

  RowSet empty(0);
  EXPECT_TRUE(empty.insert(std::vector<Value>{}));
  EXPECT_FALSE(empty.insert(std::vector<Value>{}));
  const Released none = releaseOf(empty);
  EXPECT_EQ(none.count, 1U);
  EXPECT_EQ(empty.size(), 0U);
}

}  // namespace
