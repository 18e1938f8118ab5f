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
  EXPECT_TRUE(nodes.nodes.empty());
  return steps;
}

TEST(OrderPredicatesTest, SweepsInListOrderUntilEveryHeadIsFree) {
  EXPECT_EQ(orderOf({"a(X)<-b(X)", "b(X)<-c(X)", "c(X)<-base(X)", "d(X)<-a(X),c(X)"}),
            (std::vector<Step>{{{"c"}, false}, {{"b"}, false}, {{"a"}, false}, {{"d"}, false}}));
  EXPECT_EQ(orderOf({"q(X)<-base(X)", "p(X)<-base(X)"}),
            (std::vector<Step>{{{"q"}, false}, {{"p"}, false}}));
}

TEST(OrderPredicatesTest, GivesOneNodePerHeadAndCountsEachUsedPredicateOnce) {
  PredicateGraph nodes;
  for (const char* line : {"p(X)<-q(X),q(X)", "q(X)<-base(X)", "p(X)<-q(X)", "r(X)<-\xE9r(X)"}) {
    collectPredicates(parseRuleLine(line, 0), nodes);
  }
  for (const char* line : {"p(X)<-q(X),q(X)", "q(X)<-base(X)", "p(X)<-q(X)", "r(X)<-\xE9r(X)"}) {
    recordDependencies(parseRuleLine(line, 0), nodes);
  }
  ASSERT_EQ(nodes.nodes.size(), 3u);
  EXPECT_EQ(nodes.nodes[0].name, "p");
  EXPECT_EQ(nodes.nodes[0].pending, 1);
  EXPECT_EQ(nodes.nodes[1].dependents, std::vector<std::string>{"p"});
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
}

}  // namespace
