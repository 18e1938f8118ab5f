#include "algebra/condition.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "relation/integer_value.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;

Tuples passing(const Relation& source, const std::string& condition) {
  Relation target(source.name(), source.types(), source.attributes());
  testCondition(source, target, ConditionTest(source, cutCondition(condition)));
  return target.tuples();
}

TEST(IntegerValueTest, ComparesWholeNumbersOfAnyLength) {
  const auto compare = [](const char* a, const char* b) {
    return compareIntegers(integerValueOf(a), integerValueOf(b));
  };
  EXPECT_EQ(compare("007", "7"), 0);
  EXPECT_EQ(compare("12abc", "12"), 0);
  EXPECT_EQ(compare("  -5", "-5"), 0);
  EXPECT_EQ(compare("abc", "-0"), 0);
  EXPECT_LT(compare("-10", "-9"), 0);
  EXPECT_GT(compare("99999999999999999999", "4294967296"), 0);
  EXPECT_LT(compare("2147483648", "2147483649"), 0);
  EXPECT_LT(compare("-99999999999999999999", "-1"), 0);
  EXPECT_EQ(integerKey("+0042"), "42");
  EXPECT_EQ(integerKey("-0"), "");
}

// Short texts that read as integers in every way a column may hold them:
// plain, with leading zeros, signs, blanks, letters or the bytes beside the
// digits, empty, and too long to be held in a word.
std::string integerLikeText(std::mt19937& random) {
  static const std::string alphabet = "0123456789000-+ a/:";
  std::string text;
  const std::size_t length = random() % 10;
  for (std::size_t i = 0; i < length; ++i) {
    text += alphabet[random() % alphabet.size()];
  }
  return text;
}

int sign(int number) { return (number > 0) - (number < 0); }

TEST(IntegerValueTest, PlainValuesCompareAsTheirIntegerValuesDo) {
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const std::string a = integerLikeText(random);
    const std::string b = i % 4 == 0 ? a : integerLikeText(random);
    // Plain: the decimal form of a number below 2^31, held in the value's code.
    const bool plain = !a.empty() && a.size() <= 10 &&
                       a.find_first_not_of("0123456789") == std::string::npos &&
                       (a[0] != '0' || a.size() == 1) && std::stoull(a) < (1ULL << 31);
    EXPECT_EQ(isPlainInteger(makeValue(a)), plain) << a;
    if (isPlainInteger(makeValue(a)) && isPlainInteger(makeValue(b))) {
      EXPECT_EQ(comparePlainIntegers(makeValue(a), makeValue(b)),
                sign(compareIntegers(integerValueOf(a), integerValueOf(b))))
          << a << " " << b;
    }
  }
}

TEST(TestConditionTest, EveryOperatorGivesWhatTheIntegerValuesOfTheTextsGive) {
  std::mt19937 random(12);
  Relation r = relationOf("r(X,Y)", {"int", "int"});
  RowBuffer rows(2);
  std::vector<std::pair<std::string, std::string>> texts;
  for (int i = 0; i < 3000; ++i) {
    texts.emplace_back(integerLikeText(random), integerLikeText(random));
    rows.append(std::vector<Value>{makeValue(texts.back().first), makeValue(texts.back().second)});
  }
  r.addRows(std::move(rows));
  const std::vector<std::pair<std::string, std::function<bool(int)>>> operators = {
      {"=", [](int c) { return c == 0; }},  {"!=", [](int c) { return c != 0; }},
      {"<", [](int c) { return c < 0; }},   {">", [](int c) { return c > 0; }},
      {"<=", [](int c) { return c <= 0; }}, {">=", [](int c) { return c >= 0; }}};
  const std::vector<std::string> constants = {"0",   "7",  "-0",  "007",
                                              "-12", "+5", "42x", "12345678"};
  for (const auto& [text, holds] : operators) {
    const ConditionTest columns(r, cutCondition("X" + text + "Y"));
    for (std::size_t i = 0; i < r.rowCount(); ++i) {
      const int order =
          compareIntegers(integerValueOf(texts[i].first), integerValueOf(texts[i].second));
      EXPECT_EQ(columns.passes(r.row(i)), holds(order))
          << texts[i].first << text << texts[i].second;
    }
    for (const std::string& constant : constants) {
      const ConditionTest withConstant(r, cutCondition("X" + text + constant));
      for (std::size_t i = 0; i < r.rowCount(); ++i) {
        const int order = compareIntegers(integerValueOf(texts[i].first), integerValueOf(constant));
        EXPECT_EQ(withConstant.passes(r.row(i)), holds(order))
            << texts[i].first << text << constant;
      }
    }
  }
}

TEST(TestConditionTest, ComparesIntegerColumnsByValue) {
  const Relation r = relationOf("r(X,Y)", {"int", "int"}, {"7,10", "007,9", "12abc,12", "-5,3"});
  EXPECT_EQ(passing(r, "X=7"), (Tuples{{"007", "9"}, {"7", "10"}}));
  EXPECT_EQ(passing(r, "X=12"), (Tuples{{"12abc", "12"}}));
  EXPECT_EQ(passing(r, "X!=7"), (Tuples{{"-5", "3"}, {"12abc", "12"}}));
  EXPECT_EQ(passing(r, "X<-4"), (Tuples{{"-5", "3"}}));
  EXPECT_EQ(passing(r, "$0>=$1"), (Tuples{{"12abc", "12"}}));
  EXPECT_EQ(passing(r, "Y>X"), (Tuples{{"-5", "3"}, {"007", "9"}, {"7", "10"}}));
  EXPECT_EQ(passing(r, "$0==$1"), (Tuples{{"12abc", "12"}}));
}

TEST(TestConditionTest, ComparesStringColumnsByBytesButOrdersByIntegerValue) {
  const Relation r =
      relationOf("r(S,T)", {"string", "string"}, {"'10','9'", "'a','a '", "'','x'", "'abc','7'"});
  EXPECT_EQ(passing(r, "S='abc'"), (Tuples{{"abc", "7"}}));
  EXPECT_EQ(passing(r, "S=abcd"), Tuples{});
  EXPECT_EQ(passing(r, "S=xabcx"), (Tuples{{"abc", "7"}}));
  EXPECT_EQ(passing(r, "S='"), (Tuples{{"", "x"}}));
  EXPECT_EQ(passing(r, "S=T"), Tuples{});
  EXPECT_EQ(passing(r, "S<T"), (Tuples{{"abc", "7"}}));
  EXPECT_EQ(passing(r, "$0<=$1"), (Tuples{{"", "x"}, {"a", "a "}, {"abc", "7"}}));
  EXPECT_EQ(passing(r, "S>'9'"), (Tuples{{"10", "9"}}));
  EXPECT_EQ(passing(r, "S='a=b'"), (Tuples{{"", "x"}}));
}

TEST(TestConditionTest, RefersToTheFirstOfTwoEqualAttributeNames) {
  const Relation r = relationOf("r(X,X)", {"int", "int"}, {"1,2", "2,1"});
  EXPECT_EQ(passing(r, "X=1"), (Tuples{{"1", "2"}}));
  EXPECT_EQ(passing(r, "X=Abc"), Tuples{});
}

TEST(TestConditionTest, LetsNoTuplePassWhereAnOperandNamesNoColumn) {
  const Relation r = relationOf("r(X,Y)", {"int", "int"}, {"1,2", "2,1"});
  EXPECT_EQ(passing(r, "Z=1"), Tuples{});
  EXPECT_EQ(passing(r, "X=Z"), Tuples{});
  EXPECT_EQ(passing(r, "$2=1"), Tuples{});
  EXPECT_EQ(passing(r, "$0=$99999999999999999999"), Tuples{});
  EXPECT_EQ(passing(r, "X="), Tuples{});
  EXPECT_EQ(passing(r, "X"), Tuples{});
  Relation target(r.name(), r.types(), r.attributes());
  ConditionParts unknown = cutCondition("X=1");
  unknown.operatorText = "~";
  testCondition(r, target, ConditionTest(r, unknown));
  EXPECT_TRUE(target.tuples().empty());
}

}  // namespace
