#include "input/rule_order.h"

#include <gtest/gtest.h>

namespace {

struct Step {
  std::vector<std::string> members;
  bool recursive;
  bool operator==(const Step&) const = default;
};

std::vector<Step> orderOf(const std::vector<std::string>& ruleLines) {
  PredicateGraph nodes;
  for (const std::string& line : ruleLines) {
    collectPredicates(parseRuleLine(line, 0), nodes);
  }
  for (const std::string& line : ruleLines) {
    recordDependencies(parseRuleLine(line, 0), nodes);
  }
  std::vector<Step> steps;
  for (const EvaluationGroup& group : orderPredicates(nodes)) {
    steps.push_back({group.members, group.recursive});
  }
  EXPECT_EQ(nodes.size(), 0u);
  return steps;
}

TEST(OrderPredicatesTest, SweepsInListOrderUntilEveryHeadIsFree) {
  EXPECT_EQ(orderOf({"a(X)<-b(X)", "b(X)<-c(X)", "c(X)<-base(X)", "d(X)<-a(X),c(X)"}),
            (std::vector<Step>{{{"c"}, false}, {{"b"}, false}, {{"a"}, false}, {{"d"}, false}}));
  EXPECT_EQ(orderOf({"q(X)<-base(X)", "p(X)<-base(X)"}),
            (std::vector<Step>{{{"q"}, false}, {{"p"}, false}}));
}

TEST(OrderPredicatesTest, GivesOneNodePerHeadAndCountsEachUsedPredicateOnce) {
  const std::vector<std::string> lines{"p(X)<-q(X),q(X)", "q(X)<-base(X)", "p(X)<-q(X)",
                                       "r(X)<-\xE9r(X)"};
  PredicateGraph nodes;
  for (const std::string& line : lines) {
    collectPredicates(parseRuleLine(line, 0), nodes);
  }
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes.nameOf(0), "p");
  EXPECT_EQ(nodes.indexOf("r"), 2u);
  EXPECT_EQ(nodes.indexOf("base"), PredicateGraph::none);
  // p waits for q once, however often its rules name it.
  EXPECT_EQ(orderOf(lines), (std::vector<Step>{{{"q"}, false}, {{"r"}, false}, {{"p"}, false}}));
}

TEST(OrderPredicatesTest, SeesAtomsAfterConditionsWithLowerCaseLetters) {
  EXPECT_EQ(orderOf({"a(X)<-X='abc',b(X)", "b(X)<-base(X)"}),
            (std::vector<Step>{{{"b"}, false}, {{"a"}, false}}));
  EXPECT_EQ(orderOf({"a(X)<-b(X)", "c(X)<-base(X)", "a(X)<-c(X)", "b(X)<-c(X)"}),
            (std::vector<Step>{{{"c"}, false}, {{"b"}, false}, {{"a"}, false}}));
}

TEST(OrderPredicatesTest, TakesTheEarliestClosedCycleAsOneRecursiveGroup) {
  EXPECT_EQ(orderOf({"tc(X,Y)<-edge(X,Y)", "tc(X,Z)<-tc(X,Y),edge(Y,Z)"}),
            (std::vector<Step>{{{"tc"}, true}}));
  EXPECT_EQ(orderOf({"top(X)<-odd(X)", "odd(X)<-even(X)", "even(X)<-odd(X)", "even(X)<-base(X)",
                     "other(X)<-other(X)"}),
            (std::vector<Step>{{{"odd", "even"}, true}, {{"top"}, false}, {{"other"}, true}}));
  // The cycle is stuck only after nodes it uses were taken; a node freed by
  // a take in a sweep goes before later ready ones.
  EXPECT_EQ(
      orderOf({"a(X)<-b(X)", "b(X)<-a(X),c(X)", "c(X)<-base(X)", "d(X)<-c(X)", "e(X)<-a(X)",
               "f(X)<-base(X)"}),
      (std::vector<Step>{
          {{"c"}, false}, {{"d"}, false}, {{"f"}, false}, {{"a", "b"}, true}, {{"e"}, false}}));
}

}  // namespace
