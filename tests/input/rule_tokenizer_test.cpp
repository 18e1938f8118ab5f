#include "input/rule_tokenizer.h"

#include <gtest/gtest.h>

namespace {

using Elements = std::vector<std::string>;

TEST(SplitRuleBodyTest, OrdersAtomsConstantEqualitiesVariableEqualitiesThenOthers) {
  EXPECT_EQ(splitRuleBody("p(X,Y),X<Y,Y=3,q(Y,Z),Z=X,W=5"),
            (Elements{"p(X,Y)", "q(Y,Z)", "W=5", "Y=3", "Z=X", "X<Y"}));
  EXPECT_EQ(splitRuleBody("edge(X,Y),edge(Y,3),Z=X,X!=Y"),
            (Elements{"edge(X,Y)", "edge(Y,3)", "Z=X", "X!=Y"}));
  EXPECT_EQ(splitRuleBody("X=1,Y=2"), (Elements{"Y=2", "X=1"}));
  EXPECT_EQ(splitRuleBody("X=Y,Z=W"), (Elements{"X=Y", "Z=W"}));
  EXPECT_EQ(splitRuleBody("X=Y,X=1"), (Elements{"X=1", "X=Y"}));
  EXPECT_EQ(splitRuleBody("X<3,p(X)"), (Elements{"p(X)", "X<3"}));
  EXPECT_EQ(splitRuleBody("X>=3,X<=3,X!=Y,X<Y"), (Elements{"X>=3", "X<=3", "X!=Y", "X<Y"}));
  EXPECT_EQ(splitRuleBody(""), Elements{});
}

TEST(SplitRuleBodyTest, ClassifiesAnEqualityByTheByteAfterItsOwnEqualSign) {
  EXPECT_EQ(splitRuleBody("W<5,Z=X,A=1"), (Elements{"A=1", "Z=X", "W<5"}));
  EXPECT_EQ(splitRuleBody("A=1,X=\xD5"), (Elements{"A=1", "X=\xD5"}));
  EXPECT_EQ(splitRuleBody("X=\xF6,A=1"), (Elements{"A=1", "X=\xF6"}));
  EXPECT_EQ(splitRuleBody("X='abc',Y=abc,\xE9r(X)"), (Elements{"\xE9r(X)", "Y=abc", "X='abc'"}));
  EXPECT_EQ(splitRuleBody("1=X, p(X)"), (Elements{"1=X", " p(X)"}));
}

TEST(SplitRuleBodyTest, CutsMalformedBodiesWithoutLosingOrLoopingOnText) {
  EXPECT_EQ(splitRuleBody("p(X,Y"), Elements{"p(X,Y"});
  EXPECT_EQ(splitRuleBody("p(X),,q(X),"), (Elements{"p(X)", "q(X)"}));
  EXPECT_EQ(splitRuleBody("X,p(X),Y=1"), (Elements{"p(X)", "Y=1", "X"}));
  EXPECT_EQ(splitRuleBody("p(X),X="), (Elements{"p(X)", "X="}));
}

}  // namespace
