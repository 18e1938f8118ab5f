#include "eval/body_eval.h"

#include <gtest/gtest.h>

#include "input/rule_model.h"
#include "test_util.h"

namespace {

using Tuples = std::vector<Tuple>;
using Names = std::vector<std::string>;

struct BodyResult {
  Relation partial;
  bool firstElement = true;
  std::vector<ElementOutcome> outcomes;
};

BodyResult evaluateBody(const std::string& body, const std::vector<Relation>& known) {
  const std::vector<BodyElement> written = cutBody(body, 0);
  std::vector<std::string> texts;
  for (std::size_t e : evaluationOrderOf(written)) {
    texts.push_back(written[e].text);
  }
  BodyResult result{
      Relation("reszeredmeny", std::vector<ValueType>(texts.begin(), texts.end()), {}), true, {}};
  const RelationList list(known);
  for (std::size_t e : evaluationOrderOf(written)) {
    result.outcomes.push_back(
        evaluateBodyElement(written[e], list, result.partial, result.firstElement));
  }
  return result;
}

// Made anew for each use: values that are no numbers live in the value table,
// which a run in memory (another test) clears.
std::vector<Relation> edgeRelations() {
  return {
      relationOf("edge(from,to)", {"int", "int"}, {"1,2", "2,3", "3,1", "3,3"}),
      relationOf("rel(a,b,c)", {"string", "int", "int"}, {"'a',1,1", "'a',1,2", "'b',2,2"}),
  };
}

TEST(EvaluateBodyTest, JoinsBindsByEqualityAndFiltersByInequality) {
  const BodyResult result = evaluateBody("edge(X,Y),edge(Y,3),Z=X,X!=Y", edgeRelations());
  EXPECT_EQ(result.partial.attributes(), (Names{"X", "Y", "Z"}));
  EXPECT_EQ(result.partial.tuples(), (Tuples{{"1", "2", "1"}, {"2", "3", "2"}}));
  EXPECT_EQ(result.partial.name(), "reszeredmeny");
}

TEST(EvaluateBodyTest, AtomsSelectByConstantsAndRepeatedVariables) {
  EXPECT_EQ(evaluateBody("edge(X,X)", edgeRelations()).partial.tuples(), Tuples{{"3"}});
  const BodyResult repeated = evaluateBody("rel('a',X,X)", edgeRelations());
  EXPECT_EQ(repeated.partial.attributes(), Names{"X"});
  EXPECT_EQ(repeated.partial.tuples(), Tuples{{"1"}});
  EXPECT_EQ(evaluateBody("rel(N,X,Y),N=abc", edgeRelations()).partial.tuples(),
            (Tuples{{"b", "2", "2"}}));
}

TEST(EvaluateBodyTest, GroundAtomsTestWhetherTheFactIsPresent) {
  EXPECT_EQ(evaluateBody("edge(X,Y),edge(1,2)", edgeRelations()).partial.tuples().size(), 4u);
  EXPECT_TRUE(evaluateBody("edge(X,Y),edge(2,1)", edgeRelations()).partial.tuples().empty());
  EXPECT_EQ(evaluateBody("edge(1,2)", edgeRelations()).partial.tuples(), Tuples{Tuple{}});
}

TEST(EvaluateBodyTest, SkipsAtomsWithoutRelation) {
  const BodyResult result = evaluateBody("absent(X),edge(X,Y)", edgeRelations());
  EXPECT_EQ(result.outcomes.front(), ElementOutcome::atomWithoutRelation);
  EXPECT_EQ(result.partial.tuples(), evaluateBody("edge(X,Y)", edgeRelations()).partial.tuples());
}

TEST(EvaluateBodyTest, TestsAFirstConditionAgainstItsOwnConstant) {
  EXPECT_TRUE(evaluateBody("X<5", edgeRelations()).partial.tuples().empty());
  const BodyResult bound = evaluateBody("X>=5", edgeRelations());
  EXPECT_EQ(bound.partial.attributes(), Names{"X"});
  EXPECT_EQ(bound.partial.types(), std::vector<ValueType>{"int"});
  EXPECT_EQ(bound.partial.tuples(), Tuples{{"5"}});
  const BodyResult text = evaluateBody("X='7'", edgeRelations());
  EXPECT_EQ(text.partial.types(), std::vector<ValueType>{"string"});
  EXPECT_EQ(text.partial.tuples(), Tuples{{"7"}});
}

TEST(EvaluateBodyTest, ConditionsBindTheirUnboundSide) {
  const BodyResult copied = evaluateBody("X=5,Y=X", edgeRelations());
  EXPECT_EQ(copied.partial.attributes(), (Names{"X", "Y"}));
  EXPECT_EQ(copied.partial.tuples(), (Tuples{{"5", "5"}}));
  const BodyResult larger = evaluateBody("edge(X,Y),X<Z", edgeRelations());
  EXPECT_EQ(larger.partial.attributes(), (Names{"X", "Y", "Z"}));
  EXPECT_EQ(larger.partial.tuples(), (Tuples{{"1", "2", "2"}, {"1", "2", "3"}, {"2", "3", "3"}}));
  EXPECT_EQ(evaluateBody("edge(X,Y),X<5", edgeRelations()).partial.tuples().size(), 4u);
  EXPECT_TRUE(evaluateBody("edge(X,Y),W<5", edgeRelations()).partial.tuples().empty());
  EXPECT_EQ(evaluateBody("edge(X,Y),W=5", edgeRelations()).partial.tuples().size(), 4u);
}

TEST(EvaluateBodyTest, AConditionWithoutOperatorOrRightSideLetsNothingPass) {
  for (const char* body : {"edge(X,Y),X", "edge(X,Y),X<=", "X,edge(X,Y)"}) {
    const BodyResult result = evaluateBody(body, edgeRelations());
    EXPECT_TRUE(result.partial.tuples().empty()) << body;
    EXPECT_EQ(result.outcomes.back() == ElementOutcome::conditionWithoutOperator ||
                  result.outcomes.front() == ElementOutcome::conditionWithoutOperator,
              true)
        << body;
  }
}

}  // namespace

namespace {

// "Y=X" pairs each tuple with the equal values only; "Y==X" takes every value
// and then tests, which must leave the same tuples.
TEST(EvaluateBodyTest, PlainEqualityBindsLikeTheFullProductAndTest) {
  for (const char* type : {"int", "string"}) {
    const std::vector<Relation> known = {
        relationOf("r(a,b)", {type, "int"},
                   {std::string(type) == "int" ? "07,1" : "'07',1",
                    std::string(type) == "int" ? "7,2" : "'7',2",
                    std::string(type) == "int" ? "8,3" : "'8',3"})};
    for (const char* bodies : {"r(X,B),Y=X|r(X,B),Y==X", "r(X,B),X=Y|r(X,B),X==Y"}) {
      const std::string pair(bodies);
      const std::size_t bar = pair.find('|');
      EXPECT_EQ(evaluateBody(pair.substr(0, bar), known).partial.tuples(),
                evaluateBody(pair.substr(bar + 1), known).partial.tuples())
          << type << " " << bodies;
    }
  }
}

}  // namespace

namespace {

// Rows that repeat in a stored relation (lines repeated in the input) must not
// multiply through the products that bind a variable from a column.
TEST(EvaluateBodyTest, RepeatedStoredRowsDoNotMultiplyThroughProducts) {
  Relation repeated = relationOf("r(a)", std::vector<ValueType>{"int"});
  RowBuffer rows(1);
  for (int copy = 0; copy < 200; ++copy) {
    for (const char* text : {"1", "2", "3"}) {
      const Value value = makeValue(text);
      rows.append(Row(&value, 1));
    }
  }
  repeated.addRows(std::move(rows));
  const BodyResult result = evaluateBody("r(X),Y>X", {repeated});
  EXPECT_LE(result.partial.rowCount(), 3u);
  EXPECT_EQ(result.partial.tuples(), (Tuples{{"1", "2"}, {"1", "3"}, {"2", "3"}}));
}

}  // namespace
