#include <gtest/gtest.h>

#include "algebra/product.h"
#include "algebra/union.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;
using Names = std::vector<std::string>;

TEST(ProductTest, WithoutSharedNamesIsTheCartesianProduct) {
  const Relation left = relationOf("l(X,Y)", {"int", "int"}, {"1,2", "3,4"});
  const Relation right = relationOf("r(Z)", {"string"}, {"'a'", "'b'"});
  const Relation result = product(left, right);
  EXPECT_EQ(result.name(), "szorzat");
  EXPECT_EQ(result.attributes(), (Names{"X", "Y", "Z"}));
  EXPECT_EQ(result.types(), (std::vector<ValueType>{"int", "int", "string"}));
  EXPECT_EQ(result.tuples().size(), 4u);
  EXPECT_TRUE(product(left, relationOf("r(Z)", {"int"})).tuples().empty());
}

TEST(ProductTest, JoinsOnEqualNamesAndDropsTheRightCopies) {
  const Relation left = relationOf("l(X,Y)", {"int", "int"}, {"1,2", "2,3", "3,3"});
  const Relation right = relationOf("r(Y,Z)", {"int", "int"}, {"2,5", "3,6", "3,7", "9,9"});
  const Relation result = product(left, right);
  EXPECT_EQ(result.attributes(), (Names{"X", "Y", "Z"}));
  EXPECT_EQ(
      result.tuples(),
      (Tuples{
          {"1", "2", "5"}, {"2", "3", "6"}, {"2", "3", "7"}, {"3", "3", "6"}, {"3", "3", "7"}}));
  const Relation twice = relationOf("l(X,X)", {"int", "int"}, {"1,1", "1,2"});
  const Relation one = relationOf("r(X)", {"int"}, {"1"});
  EXPECT_EQ(product(twice, one).tuples(), (Tuples{{"1", "1"}}));
  EXPECT_TRUE(product(relationOf("l(X)", {"int"}, {"1"}), relationOf("r(x)", {"int"}, {"2"}))
                  .tuples()
                  .size() == 1);
}

TEST(ProductTest, ComparesPairsByTheLeftColumnsType) {
  const Relation leftInt = relationOf("l(X)", {"int"}, {"07"});
  const Relation leftString = relationOf("l(X)", {"string"}, {"'07'"});
  const Relation rightString = relationOf("r(X,Y)", {"string", "int"}, {"'7',1", "'07',2"});
  const Relation rightInt = relationOf("r(X,Y)", {"int", "int"}, {"7,1", "07,2"});
  EXPECT_EQ(product(leftInt, rightString).tuples(), (Tuples{{"07", "1"}, {"07", "2"}}));
  EXPECT_EQ(product(leftString, rightInt).tuples(), (Tuples{{"07", "2"}}));
}

TEST(ProductTest, BuildsOnEitherSideWithTheSameTuplesAndTheLeftValues) {
  // The smaller side is the one hashed; either way the left values stay.
  const Relation small = relationOf("l(X,Y)", {"int", "int"}, {"07,1", "8,2"});
  const Relation large = relationOf("r(X,Z)", {"int", "int"}, {"7,5", "008,6", "9,7", "7,8"});
  EXPECT_EQ(product(small, large).tuples(),
            (Tuples{{"07", "1", "5"}, {"07", "1", "8"}, {"8", "2", "6"}}));
  const Relation bigLeft = relationOf("l(X,Y)", {"int", "int"}, {"7,5", "008,6", "9,7", "7,8"});
  const Relation smallRight = relationOf("r(X,Z)", {"int", "int"}, {"07,1", "8,2"});
  EXPECT_EQ(product(bigLeft, smallRight).tuples(),
            (Tuples{{"008", "6", "2"}, {"7", "5", "1"}, {"7", "8", "1"}}));
}

TEST(ProductTest, KeepsAnIndexPerKeyAndComparisonForLaterJoins) {
  const IndexedRelation right(relationOf("r(X,Z)", {"int", "int"}, {"7,1", "07,2", "8,3"}));
  const Relation leftInt = relationOf("l(X)", {"int"}, {"7", "8"});
  const Relation leftString = relationOf("l(X)", {"string"}, {"'07'"});
  const Relation leftOther = relationOf("l(Z,Y)", {"int", "int"}, {"2,9"});
  for (int pass = 0; pass < 2; ++pass) {  // the second pass reads the kept indexes
    EXPECT_EQ(product(leftInt, right).tuples(), product(leftInt, right.relation()).tuples());
    EXPECT_EQ(product(leftInt, right).tuples(), (Tuples{{"7", "1"}, {"7", "2"}, {"8", "3"}}));
    EXPECT_EQ(product(leftString, right).tuples(), (Tuples{{"07", "2"}}));
    EXPECT_EQ(product(leftOther, right).tuples(), (Tuples{{"2", "9", "07"}}));
    const NeededColumns keep{{"X"}, 0};
    EXPECT_EQ(product(leftInt, right, &keep).tuples(), (Tuples{{"7"}, {"8"}}));
  }
}

TEST(ProductTest, CombinesTuplesOfOtherWidthsOneStepAtATime) {
  Relation left = relationOf("l(X)", {"int"});
  insertTuple(left, {"1"});
  insertTuple(left, {"2", "extra"});
  const Relation right = relationOf("r(X)", {"int"}, {"1", "2"});
  CapturedStdout out;
  const Relation result = product(left, right);
  EXPECT_EQ(result.tuples(), Tuples{{"1"}});
  EXPECT_NE(out.text().find("sor1: "), std::string::npos);
}

TEST(ProductTest, CombinesTuplesWiderThanTheirSchemaByPosition) {
  // Two types but one attribute: the tuples are wider than the schema, so the
  // combined tuples are cut by position, and the right one's value falls away.
  const Relation left = relationOf("l(X)", {"int", "int"}, {"3,4", "1,2", "1,2"});
  const Relation right = relationOf("r(Y)", {"int"}, {"6", "5"});
  CapturedStdout out;
  const Relation result = product(left, right);
  EXPECT_EQ(result.attributes(), (Names{"X", "Y"}));
  EXPECT_EQ(result.tuples(), (Tuples{{"1", "2"}, {"3", "4"}}));
  EXPECT_EQ(out.text(), "");
}

TEST(ProductTest, KeepsTheLeadingColumnsWhateverTheirNames) {
  const Relation left = relationOf("l(X,Y)", {"int", "int"}, {"1,2", "5,6"});
  const Relation right = relationOf("r(Y,Z)", {"int", "int"}, {"2,3", "6,7"});
  const NeededColumns zAndFirst{{"Z"}, 1};
  const Relation joined = product(left, right, &zAndFirst);
  EXPECT_EQ(joined.attributes(), (Names{"X", "Z"}));
  EXPECT_EQ(joined.tuples(), (Tuples{{"1", "3"}, {"5", "7"}}));
  const NeededColumns firstTwo{{}, 2};
  EXPECT_EQ(product(left, right, &firstTwo).attributes(), (Names{"X", "Y"}));

  // Rows of another width take the step-by-step way, which keeps the same columns.
  CapturedStdout out;
  Relation mixed = relationOf("l(X,Y)", {"int", "int"});
  insertTuple(mixed, {"1", "2"});
  insertTuple(mixed, {"9"});
  const Relation stepped = product(mixed, right, &zAndFirst);
  EXPECT_EQ(stepped.attributes(), (Names{"X", "Z"}));
  EXPECT_EQ(stepped.tuples(), (Tuples{{"1", "3"}}));
}

TEST(UnionTest, KeepsTheFirstSchemaAndAddsMissingTuples) {
  const Relation first = relationOf("a(x)", {"int"}, {"1", "3"});
  const Relation second = relationOf("b(y)", {"string"}, {"'2'", "'3'"});
  const Relation result = unionOf(first, second);
  EXPECT_EQ(result.name(), "osszeg");
  EXPECT_EQ(result.attributes(), Names{"x"});
  EXPECT_EQ(result.types(), std::vector<ValueType>{"int"});
  EXPECT_EQ(result.tuples(), (Tuples{{"1"}, {"2"}, {"3"}}));
  EXPECT_EQ(unionOf(relationOf("a(x)", {"int"}), second).tuples(), (Tuples{{"2"}, {"3"}}));
}

TEST(UnionTest, AFirstRelationWithoutTuplesTakesTheTypesOfWhatFillsIt) {
  const Relation strings = relationOf("b(y)", {"string"}, {"'p'"});
  const Relation filled = unionOf(relationOf("a(x)", {}), strings);
  EXPECT_EQ(filled.attributes(), Names{"x"});
  EXPECT_EQ(filled.types(), std::vector<ValueType>{"string"});
  EXPECT_EQ(unionOf(relationOf("a(x)", {"int"}), strings).types(),
            std::vector<ValueType>{"string"});
  EXPECT_EQ(unionOf(relationOf("a(x)", {"int"}), relationOf("b(y)", {"string"})).types(),
            std::vector<ValueType>{"int"});
}

}  // namespace
