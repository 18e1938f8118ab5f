#include "relation/relation.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "relation/tuple_text.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;

TEST(TupleTextTest, CutsValuesByColumnType) {
  const std::vector<ValueType> isi = {"int", "string", "int"};
  EXPECT_EQ(parseTupleText(isi, "12,'piros alma',3"), (Tuple{"12", "piros alma", "3"}));
  EXPECT_EQ(parseTupleText(isi, "1,'a,b',2"), (Tuple{"1", "a,b", "2"}));
  EXPECT_EQ(parseTupleText({"int", "int"}, "1, 2"), (Tuple{"1", " 2"}));
  EXPECT_EQ(parseTupleText({"int", "int", "int"}, "1,2"), (Tuple{"1", "2", "2"}));
  EXPECT_EQ(parseTupleText({"int", "int", "int"}, "5"), (Tuple{"5", "5", "5"}));
  EXPECT_EQ(parseTupleText({"int", "int"}, "1,2,3"), (Tuple{"1", "2,3"}));
  EXPECT_EQ(parseTupleText({"string"}, "'abc'\n"), Tuple{"abc"});
  EXPECT_EQ(parseTupleText({"int", "string"}, "1,'abc'xyz"), (Tuple{"1", "abc"}));
  EXPECT_EQ(parseTupleText({"int"}, ""), Tuple{""});
  EXPECT_EQ(parseTupleText({"string", "int"}, "'abc"), (Tuple{"abc", "bc"}));
  EXPECT_EQ(parseTupleText({}, "1,2"), Tuple{});
}

TEST(InsertTupleTest, KeepsByteOrderAndDropsDuplicates) {
  Relation relation = relationOf("n(x)", {"int"}, {"2", "10", "9", "10", "-5", "-10", ""});
  EXPECT_EQ(relation.tuples(), (Tuples{{""}, {"-10"}, {"-5"}, {"10"}, {"2"}, {"9"}}));
  Relation pairs = relationOf("p(a,b)", {"int", "string"}, {"1,'b'", "1,'a'", "1,'\xE1'", "1,'z'"});
  EXPECT_EQ(pairs.tuples(), (Tuples{{"1", "a"}, {"1", "b"}, {"1", "z"}, {"1", "\xE1"}}));
  EXPECT_FALSE(insertTuple(pairs, {"1", "a"}));
}

TEST(InsertTupleTest, ReportsEveryComparisonOfUnequalWidths) {
  Relation relation = relationOf("t(a,b,c)", {"int", "int", "int"}, {"1,1,1", "3,3,3"});
  CapturedStdout out;
  EXPECT_TRUE(insertTuple(relation, {"2", "x"}));
  EXPECT_EQ(out.text(), "sor1: 2 sor2:3\n2\nx\nsor1: 2 sor2:3\n2\nx\n");
  EXPECT_EQ(relation.tuples(), (Tuples{{"1", "1", "1"}, {"2", "x"}, {"3", "3", "3"}}));
}

TEST(InsertTupleTest, PlacesALongerTupleAfterTheShorterOneItExtends) {
  Relation relation;
  insertTuple(relation, {"1"});
  CapturedStdout out;
  insertTuple(relation, {"1", "0"});
  insertTuple(relation, {"0", "9"});
  EXPECT_EQ(relation.tuples(), (Tuples{{"0", "9"}, {"1"}, {"1", "0"}}));
  EXPECT_EQ(out.text(), "sor1: 2 sor2:1\n1\n0\nsor1: 2 sor2:1\n0\n9\n");
}

TEST(RelationTest, EveryTextBecomesTheEmptyTupleWithoutTypes) {
  Relation relation = relationOf("e()", {}, {"1", "abc"});
  EXPECT_EQ(relation.tuples(), Tuples{Tuple{}});
}

}  // namespace

namespace {

// A number of 1 to `mostDigits` digits, written plainly.
std::string numberText(std::mt19937& random, unsigned mostDigits) {
  std::string text(1 + random() % mostDigits, '0');
  for (char& digit : text) {
    digit = static_cast<char>('0' + random() % 10);
  }
  return text[0] == '0' ? text.substr(0, 1) : text;
}

// Bulk-added rows against a plain ordered set of text tuples, for every way of
// sorting: short values only, long values in the first column, anywhere, or
// only after the first column, numbers only (of up to 8 digits, and of up to
// 11, some past what a value's code holds); all widths.
TEST(NormalizeTest, SortsAndDeduplicatesLikeAnOrderedSetOfTexts) {
  static const char* const shortTexts[] = {"",  "1",  "10", "9",    "ab",
                                           "a", "zz", "-5", "\xE1", "0000000"};
  static const char* const longTexts[] = {"abcdefgh",
                                          "abcdefghij",
                                          "abcdefghijklmnopqrstu",
                                          "abcdefghijklmnopqrstv",
                                          "00000000",
                                          "\xE1\xE1\xE1\xE1xxxxx",
                                          "zzzzzzzzzzzzzzzzzzzzzzzz"};
  std::mt19937 random(7);
  for (std::size_t width = 0; width <= 6; ++width) {
    for (int longMode = 0; longMode < 6; ++longMode) {
      std::set<Tuple> expected;
      RowBuffer rows(width);
      for (int i = 0; i < 3000; ++i) {
        std::vector<Value> row;
        Tuple tuple;
        for (std::size_t column = 0; column < width; ++column) {
          const bool useLong = (longMode == 1 && column == 0) ||
                               (longMode == 2 && random() % 3 == 0) ||
                               (longMode == 3 && column > 0 && random() % 3 == 0);
          const std::string text = longMode >= 4 ? numberText(random, longMode == 4 ? 8 : 11)
                                   : useLong     ? longTexts[random() % std::size(longTexts)]
                                                 : shortTexts[random() % std::size(shortTexts)];
          row.push_back(makeValue(text));
          tuple.push_back(text);
        }
        rows.append(row);
        expected.insert(tuple);
      }
      Relation relation;
      relation.addRows(std::move(rows));
      EXPECT_EQ(relation.tuples(), std::vector<Tuple>(expected.begin(), expected.end()))
          << "width " << width << ", long values " << longMode;
    }
  }
}

}  // namespace
