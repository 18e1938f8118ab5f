// The operators against a small, obviously correct reference: nested loops and
// tuples inserted one at a time by a walk from the front.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <string>

#include "algebra/product.h"
#include "algebra/project.h"
#include "algebra/select.h"
#include "algebra/union.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;

// The tuple order: values compared column by column as unsigned byte strings,
// the first difference deciding; a longer first tuple that agrees with all of
// the second's values sorts after it. Tuples of two widths print the "sor1: "
// lines first.
bool tupleGreater(const Tuple& first, const Tuple& second) {
  if (first.size() != second.size()) {
    std::cout << "sor1: " << first.size() << " sor2:" << second.size() << '\n';
    for (const std::string& value : first) {
      std::cout << value << '\n';
    }
  }
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (i >= second.size()) {
      return true;
    }
    const int order = first[i].compare(second[i]);  // as unsigned bytes
    if (order != 0) {
      return order > 0;
    }
  }
  return false;
}

// Tuple insertion as a walk from the front, printing through tupleGreater.
void referenceInsert(Tuples& tuples, const Tuple& tuple) {
  std::size_t place = 0;
  while (place < tuples.size() && tupleGreater(tuple, tuples[place])) {
    ++place;
  }
  if (place == tuples.size() || tuples[place] != tuple) {
    tuples.insert(tuples.begin() + static_cast<std::ptrdiff_t>(place), tuple);
  }
}

// Sign and digits without leading zeros: equal exactly when the integer values are.
std::string referenceInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
    ++i;
  }
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    ++i;
  }
  std::string digits;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (!digits.empty() || text[i] != '0') {
      digits += text[i];
    }
  }
  return digits.empty() ? "0" : (negative ? "-" : "") + digits;
}

// Nested loops over the two lists, each pair of equal attribute names compared
// by the left column's type, the right copies dropped.
Tuples referenceProduct(const Relation& left, const Relation& right) {
  const std::size_t n = left.attributes().size();
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  std::vector<bool> dropped(right.attributes().size(), false);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < right.attributes().size(); ++k) {
      if (left.attributes()[i] == right.attributes()[k]) {
        pairs.emplace_back(i, k);
        dropped[k] = true;
      }
    }
  }
  Tuples result;
  for (const Tuple& l : left.tuples()) {
    for (const Tuple& r : right.tuples()) {
      bool agree = true;
      for (const auto& [i, k] : pairs) {
        const bool bytes = i < left.types().size() && left.types()[i] == "string";
        agree = agree && (bytes ? l[i] == r[k] : referenceInteger(l[i]) == referenceInteger(r[k]));
      }
      if (!agree) {
        continue;
      }
      Tuple row = l;
      for (std::size_t k = 0; k < r.size(); ++k) {
        if (!dropped[k]) {
          row.push_back(r[k]);
        }
      }
      referenceInsert(result, row);
    }
  }
  return result;
}

Relation randomRelation(std::mt19937& random, const std::string& name) {
  static const char* const names[] = {"X", "Y", "Z"};
  static const char* const values[] = {"7", "07", "1", "01", "a", "", "10", "9", "-0", "0"};
  const std::size_t width = random() % 4;
  std::vector<std::string> attributes;
  std::vector<ValueType> types;
  for (std::size_t i = 0; i < width; ++i) {
    attributes.emplace_back(names[random() % 3]);
    types.emplace_back(random() % 2 == 0 ? "int" : "string");
  }
  Relation relation(name, types, attributes);
  for (std::size_t t = 0, count = random() % 12; t < count; ++t) {
    Tuple tuple;
    for (std::size_t i = 0; i < width; ++i) {
      tuple.emplace_back(values[random() % std::size(values)]);
    }
    insertTuple(relation, tuple);
  }
  return relation;
}

TEST(ReferenceTest, ProductMatchesNestedLoopsOnRandomRelations) {
  std::mt19937 random(11);
  for (int i = 0; i < 3000; ++i) {
    const Relation left = randomRelation(random, "l");
    const Relation right = randomRelation(random, "r");
    Tuples expected;
    {
      CapturedStdout quiet;
      expected = referenceProduct(left, right);
    }
    CapturedStdout out;
    EXPECT_EQ(product(left, right).tuples(), expected)
        << left.attributes().size() << " and " << right.attributes().size() << " columns";
    EXPECT_EQ(out.text(), "");
  }
}

TEST(ReferenceTest, SelectProjectAndUnionMatchOneAtATimeInsertion) {
  std::mt19937 random(12);
  for (int i = 0; i < 3000; ++i) {
    const Relation source = randomRelation(random, "s");
    const Relation other = randomRelation(random, "o");
    Tuples selected;
    Tuples projected;
    Tuples united = source.tuples();
    for (const Tuple& tuple : source.tuples()) {
      if (!tuple.empty() &&
          (source.types()[0] == "string" ? tuple[0] == "7" : referenceInteger(tuple[0]) == "7")) {
        referenceInsert(selected, tuple);
      }
      if (tuple.size() >= 1) {
        referenceInsert(projected, Tuple{tuple[0], tuple[0]});
      }
    }
    std::string expectedDiagnostics;
    {
      CapturedStdout out;
      for (const Tuple& tuple : other.tuples()) {
        referenceInsert(united, tuple);
      }
      expectedDiagnostics = out.text();
    }
    if (!source.types().empty()) {
      const std::string condition = source.types()[0] == "int" ? "$0=7" : "$0='7'";
      EXPECT_EQ(select(source, "s", condition).tuples(), selected);
    }
    if (!source.attributes().empty()) {
      EXPECT_EQ(project(source, "p", {"$0", "$0"}).tuples(), projected);
    }
    CapturedStdout out;
    EXPECT_EQ(unionOf(source, other).tuples(), united);
    EXPECT_EQ(out.text(), expectedDiagnostics);
  }
}

TEST(ReferenceTest, UnequalWidthsGiveTheSameDiagnosticsAsTheWalk) {
  Relation wide = relationOf("w(X,Y)", std::vector<ValueType>{"int", "int"});
  for (const char* text : {"1,2", "3,4", "5,6"}) {
    addTupleText(wide, text);
  }
  Relation narrow = relationOf("n(X)", std::vector<ValueType>{"int"});
  for (const char* text : {"4", "2", "9"}) {
    addTupleText(narrow, text);
  }
  Tuples expected = wide.tuples();
  std::string expectedDiagnostics;
  {
    CapturedStdout out;
    for (const Tuple& tuple : narrow.tuples()) {
      referenceInsert(expected, tuple);
    }
    expectedDiagnostics = out.text();
  }
  CapturedStdout out;
  const Relation united = unionOf(wide, narrow);
  EXPECT_EQ(out.text(), expectedDiagnostics);
  EXPECT_EQ(united.tuples(), expected);
}

}  // namespace
