#include <gtest/gtest.h>

#include "algebra/project.h"
#include "algebra/select.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;
using Names = std::vector<std::string>;

TEST(SelectTest, KeepsTuplesPassingEveryConditionUnderTheGivenName) {
  const Relation edge = relationOf("edge(from,to)", {"int", "int"}, {"1,2", "2,3", "3,1", "1,3"});
  const Relation kept = select(edge, "s", "$0=1,$1=3");
  EXPECT_EQ(kept.name(), "s");
  EXPECT_EQ(kept.attributes(), (Names{"from", "to"}));
  EXPECT_EQ(kept.tuples(), (Tuples{{"1", "3"}}));
  EXPECT_EQ(select(edge, "s", ",$0=1").tuples(), select(edge, "s", "$0=1").tuples());
  EXPECT_EQ(select(edge, "s", "$0=1,,$1=2,").tuples(), (Tuples{{"1", "2"}}));
  EXPECT_EQ(select(edge, "s", "$0!1").tuples(), (Tuples{{"2", "3"}, {"3", "1"}}));
}

TEST(SelectTest, ReturnsTheSourceForAnEmptyTextAndAnEmptyRelationForNoTuples) {
  const Relation edge = relationOf("edge(from,to)", {"int", "int"}, {"1,2"});
  const Relation same = select(edge, "s", "");
  EXPECT_EQ(same.name(), "edge");
  EXPECT_EQ(same.tuples(), edge.tuples());
  const Relation none = select(Relation("e(a)", {"string"}), "s", "nonsense");
  EXPECT_EQ(none.name(), "s");
  EXPECT_EQ(none.types(), std::vector<ValueType>{"string"});
  EXPECT_TRUE(none.tuples().empty());
  EXPECT_TRUE(select(edge, "s", "$0").tuples().empty());
}

TEST(ProjectTest, ChoosesColumnsByNumberOrNameAndDropsDuplicates) {
  const Relation r = relationOf("r(A,B)", {"int", "string"}, {"1,'a'", "1,'b'", "2,'a'"});
  const Relation swapped = project(r, "p", "$1,$0");
  EXPECT_EQ(swapped.attributes(), (Names{"B", "A"}));
  EXPECT_EQ(swapped.types(), (std::vector<ValueType>{"string", "int"}));
  EXPECT_EQ(swapped.tuples(), (Tuples{{"a", "1"}, {"a", "2"}, {"b", "1"}}));
  EXPECT_EQ(project(r, "p", "$0").tuples(), (Tuples{{"1"}, {"2"}}));
  EXPECT_EQ(project(r, "p", "B,B").attributes(), (Names{"B", "B"}));
  EXPECT_EQ(project(r, "p", "x1").attributes(), Names{"B"});
  EXPECT_EQ(project(r, "p", "abc").attributes(), Names{"A"});
  EXPECT_EQ(project(r, "p", ",$1").tuples(), (Tuples{{"a"}, {"b"}}));
}

TEST(ProjectTest, OntoNoColumnsGivesTheEmptyTupleOnlyWhenTheSourceHasOne) {
  const Relation r = relationOf("r(A)", {"int"}, {"1", "2"});
  EXPECT_EQ(project(r, "p", "").tuples(), Tuples{Tuple{}});
  EXPECT_TRUE(project(Relation("r(A)", {"int"}), "p", "").tuples().empty());
}

TEST(ProjectTest, AnItemNamingNoColumnEmptiesTheResult) {
  const Relation r = relationOf("r(A)", {"string"}, {"'x'"});
  const Relation p = project(r, "p", "A,Z");
  EXPECT_EQ(p.attributes(), (Names{"A", "Z"}));
  EXPECT_EQ(p.types(), (std::vector<ValueType>{"string", "int"}));
  EXPECT_TRUE(p.tuples().empty());
  EXPECT_TRUE(project(r, "p", "$1").tuples().empty());
  EXPECT_EQ(unknownProjectionItem(r, "A,Z,$7"), "Z");
  EXPECT_EQ(unknownProjectionItem(r, "A,$0"), std::nullopt);
}

}  // namespace
