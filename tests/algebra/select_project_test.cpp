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
  const Relation none = select(relationOf("e(a)", {"string"}), "s", "nonsense");
  EXPECT_EQ(none.name(), "s");
  EXPECT_EQ(none.types(), std::vector<ValueType>{"string"});
  EXPECT_TRUE(none.tuples().empty());
  EXPECT_TRUE(select(edge, "s", "$0").tuples().empty());
}

TEST(ProjectTest, ChoosesColumnsByNumberOrNameAndDropsDuplicates) {
  const Relation r = relationOf("r(A,B)", {"int", "string"}, {"1,'a'", "1,'b'", "2,'a'"});
  const Relation swapped = project(r, "p", {"$1", "$0"});
  EXPECT_EQ(swapped.attributes(), (Names{"B", "A"}));
  EXPECT_EQ(swapped.types(), (std::vector<ValueType>{"string", "int"}));
  EXPECT_EQ(swapped.tuples(), (Tuples{{"a", "1"}, {"a", "2"}, {"b", "1"}}));
  EXPECT_EQ(project(r, "p", {"$0"}).tuples(), (Tuples{{"1"}, {"2"}}));
  EXPECT_EQ(project(r, "p", {"B", "B"}).attributes(), (Names{"B", "B"}));
  EXPECT_EQ(project(r, "p", {"x1"}).attributes(), Names{"B"});
  EXPECT_EQ(project(r, "p", {"abc"}).attributes(), Names{"A"});
  EXPECT_EQ(project(r, "p", {"", "$1"}).tuples(), (Tuples{{"a"}, {"b"}}));
}

TEST(ProjectTest, OntoNoColumnsGivesTheEmptyTupleOnlyWhenTheSourceHasOne) {
  const Relation r = relationOf("r(A)", {"int"}, {"1", "2"});
  EXPECT_EQ(project(r, "p", {}).tuples(), Tuples{Tuple{}});
  EXPECT_TRUE(project(relationOf("r(A)", {"int"}), "p", {}).tuples().empty());
}

TEST(ProjectTest, AnItemNamingNoColumnEmptiesTheResult) {
  const Relation r = relationOf("r(A)", {"string"}, {"'x'"});
  const Relation p = project(r, "p", {"A", "Z"});
  EXPECT_EQ(p.attributes(), (Names{"A", "Z"}));
  EXPECT_EQ(p.types(), (std::vector<ValueType>{"string", "int"}));
  EXPECT_TRUE(p.tuples().empty());
  EXPECT_TRUE(project(r, "p", {"$1"}).tuples().empty());
  EXPECT_EQ(unknownProjectionItem(r, {"A", "Z", "$7"}), "Z");
  EXPECT_EQ(unknownProjectionItem(r, {"A", "$0"}), std::nullopt);
}

// The column forms against the texts they replace, on schemas whose type list
// is longer than the attribute list, with columns past the width.
TEST(ColumnFormsTest, GiveWhatTheirReferenceTextsGive) {
  const std::vector<Relation> sources = {
      relationOf("r(A,B,C)", {"int", "string", "int"}, {"1,'a',3", "007,'b',7", "2,'a',1"}),
      relationOf("w(A)", {"int", "int"}, {"5,6", "6,5", "1,1"}),
      relationOf("e(A,B)", {"string", "int"}),
  };
  const std::vector<std::vector<std::size_t>> columnLists = {{},     {0}, {1, 0}, {2, 2, 0},
                                                             {0, 3}, {5}, {1}};
  for (const Relation& source : sources) {
    for (const std::vector<std::size_t>& columns : columnLists) {
      std::vector<std::string> references;
      std::string text;
      for (std::size_t column : columns) {
        references.push_back("$" + std::to_string(column));
        text += references.back() + ' ';
      }
      const Relation byText = project(source, "p", references);
      const Relation byColumns = projectColumns(source, "p", columns);
      EXPECT_EQ(byColumns.attributes(), byText.attributes()) << source.name() << " " << text;
      EXPECT_EQ(byColumns.types(), byText.types()) << source.name() << " " << text;
      EXPECT_EQ(byColumns.tuples(), byText.tuples()) << source.name() << " " << text;
    }
    for (const char* op : {"=", "!=", "<", ">=", "<>"}) {
      // A pair of columns: "<>" reads ">$1" as a constant, no column form of it.
      for (const auto& [left, right] :
           {std::pair{0, 1}, std::pair{1, 0}, std::pair{0, 2}, std::pair{3, 0}, std::pair{2, 1}}) {
        if (std::string(op) == "<>") {
          continue;
        }
        const std::string text = "$" + std::to_string(left) + op + "$" + std::to_string(right);
        const Relation byText = select(source, "s", text);
        const Relation byColumns = selectColumns(
            source, "s",
            {ColumnCondition{static_cast<std::size_t>(left), cutCondition(text).operatorText, true,
                             static_cast<std::size_t>(right), ""}});
        EXPECT_EQ(byColumns.tuples(), byText.tuples()) << source.name() << " " << text;
      }
      for (const char* constant : {"7", "'a'", "a", "$1", ""}) {
        const std::string text = std::string("$0") + op + constant;
        const Relation byText = select(source, "s", text);
        const Relation byColumns =
            selectColumns(source, "s",
                          {ColumnCondition{0, cutCondition(text).operatorText, false, 0,
                                           cutCondition(text).testedRight}});
        EXPECT_EQ(byColumns.tuples(), byText.tuples()) << source.name() << " " << text;
      }
    }
  }
}

}  // namespace
