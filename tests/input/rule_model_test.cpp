#include "input/rule_model.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(CutConditionTest, TakesTheOperatorFromItsFirstByteAndTheOneAfterIt) {
  EXPECT_EQ(cutCondition("X=Y").operatorText, "=");
  EXPECT_EQ(cutCondition("$0!5").operatorText, "!=");
  EXPECT_EQ(cutCondition("$0<=$1").operatorText, "<=");
  EXPECT_EQ(cutCondition("$0=<$1").operatorText, "=");
  EXPECT_EQ(cutCondition("X<>5").operatorText, "<");
  EXPECT_EQ(cutCondition("X>=5").operatorText, ">=");
  EXPECT_EQ(cutCondition("X>5").operatorText, ">");
  EXPECT_EQ(cutCondition("X").operatorText, "");
}

TEST(CutConditionTest, CutsOperandsAtTheFirstAndLastOperatorBytes) {
  const ConditionParts plain = cutCondition("Abc<=12");
  EXPECT_EQ(plain.left, "Abc");
  EXPECT_EQ(plain.right, "12");
  EXPECT_EQ(plain.testedRight, "12");
  EXPECT_EQ(plain.operatorColumn, 3U);
  EXPECT_EQ(plain.rightColumn, 5U);
  EXPECT_TRUE(plain.complete);
  EXPECT_FALSE(plain.variableEquality);

  // Operator bytes beyond the operator's own text: evaluation binds by the
  // last operator byte, the test of the tuples reads past the operator's own.
  const ConditionParts odd = cutCondition("A<B=C");
  EXPECT_EQ(odd.left, "A");
  EXPECT_EQ(odd.operatorText, "<");
  EXPECT_EQ(odd.right, "C");
  EXPECT_EQ(odd.testedRight, "B=C");
  const ConditionParts doubled = cutCondition("X==Y");
  EXPECT_EQ(doubled.right, "Y");
  EXPECT_EQ(doubled.testedRight, "Y");
  EXPECT_FALSE(doubled.variableEquality);
  EXPECT_EQ(cutCondition("X=<Y").testedRight, "<Y");

  // Constants on the left and empty operands are kept as they stand.
  const ConditionParts constantLeft = cutCondition("5<X");
  EXPECT_EQ(constantLeft.left, "5");
  EXPECT_EQ(constantLeft.right, "X");
  EXPECT_EQ(cutCondition("=X").left, "");
  EXPECT_TRUE(cutCondition("=X").complete);
  EXPECT_FALSE(cutCondition("X=").complete);
  EXPECT_FALSE(cutCondition("<").complete);
  EXPECT_FALSE(cutCondition("X").complete);
  EXPECT_EQ(cutCondition("X").left, "X");
}

TEST(CutConditionTest, AnEqualityBindsAVariableWhenACapitalFollowsTheEqualsSign) {
  EXPECT_TRUE(cutCondition("X=Y").variableEquality);
  EXPECT_TRUE(cutCondition("X=\xC1").variableEquality);
  EXPECT_FALSE(cutCondition("X=\xF6").variableEquality);
  EXPECT_FALSE(cutCondition("X='a'").variableEquality);
  EXPECT_FALSE(cutCondition("X!=Y").variableEquality);
  EXPECT_FALSE(cutCondition("X=$1").variableEquality);
}

TEST(ParseRuleLineTest, KeepsEveryPartWithItsColumn) {
  const ParsedRule rule = parseRuleLine("p(X,$1)<-edge(X,'a'),X<3", 4);
  ASSERT_TRUE(rule.isRule());
  EXPECT_EQ(rule.lineNumber, 4U);
  EXPECT_EQ(rule.headName, "p");
  EXPECT_EQ(textsOf(rule.headTerms), (std::vector<std::string>{"X", "$1"}));
  ASSERT_EQ(rule.headTerms.size(), 2U);
  EXPECT_EQ(rule.headTerms[1].kind, TermKind::columnReference);
  EXPECT_EQ(rule.headTerms[1].column, 4U);
  EXPECT_EQ(rule.bodyColumn, 9U);
  ASSERT_EQ(rule.written.size(), 2U);
  const BodyElement& atom = rule.written[0];
  EXPECT_TRUE(atom.isAtom);
  EXPECT_EQ(atom.column, 9U);
  EXPECT_EQ(atom.atom.name, "edge");
  EXPECT_TRUE(atom.atom.closed);
  ASSERT_EQ(atom.atom.terms.size(), 2U);
  EXPECT_EQ(atom.atom.terms[0].kind, TermKind::variable);
  EXPECT_EQ(atom.atom.terms[1].kind, TermKind::constant);
  EXPECT_EQ(atom.atom.terms[1].text, "'a'");
  EXPECT_EQ(atom.atom.terms[1].column, 16U);
  const BodyElement& condition = rule.written[1];
  EXPECT_FALSE(condition.isAtom);
  EXPECT_EQ(condition.column, 21U);
  EXPECT_EQ(condition.condition().left, "X");
}

TEST(ParseRuleLineTest, AnAtomWithoutItsParenthesisRunsToTheEndOfTheBody) {
  const ParsedRule rule = parseRuleLine("t(X)<-edge(X,Y,\xE9r(Y)", 1);
  ASSERT_EQ(rule.written.size(), 1U);
  const Atom& atom = rule.written[0].atom;
  EXPECT_EQ(atom.name, "edge");
  EXPECT_TRUE(atom.closed);  // by the ")" of the atom inside it
  EXPECT_EQ(atom.argumentText, "X,Y,\xE9r(Y");
  const ParsedRule open = parseRuleLine("t(X)<-edge(X,Y", 1);
  EXPECT_FALSE(open.written[0].atom.closed);
  EXPECT_EQ(open.written[0].atom.argumentText, "X,");
  ASSERT_EQ(open.written[0].atom.terms.size(), 2U);
  EXPECT_EQ(open.written[0].atom.terms[1].kind, TermKind::empty);
}

TEST(ParseRuleLineTest, OrdersElementsForEvaluationAndKeepsTheWrittenOrder) {
  const ParsedRule rule = parseRuleLine("r(X)<-W<5,Z=X,p(X,Y),A=1,B=2,,q(Y)", 1);
  Texts written;
  for (const BodyElement& element : rule.written) {
    written.push_back(element.text);
  }
  EXPECT_EQ(written, (Texts{"W<5", "Z=X", "p(X,Y)", "A=1", "B=2", "q(Y)"}));
  Texts evaluated;
  for (std::size_t e : rule.evaluationOrder) {
    evaluated.push_back(rule.written[e].text);
  }
  EXPECT_EQ(evaluated, (Texts{"p(X,Y)", "q(Y)", "B=2", "A=1", "Z=X", "W<5"}));
}

TEST(ParseRuleLineTest, SaysWhyALineIsNoRule) {
  EXPECT_EQ(parseRuleLine("", 1).notARule, NotARule::empty);
  EXPECT_EQ(parseRuleLine("p<-q", 1).notARule, NotARule::noOpeningParenthesis);
  // Parts are found by first occurrence, whatever stands between them.
  const ParsedRule bareHead = parseRuleLine("p<-q(X)", 1);
  EXPECT_EQ(bareHead.notARule, NotARule::noArrowAfterHead);
  EXPECT_EQ(bareHead.headName, "p<-q");
  EXPECT_EQ(parseRuleLine("p(X<-q(X", 1).notARule, NotARule::noClosingParenthesis);
  EXPECT_EQ(parseRuleLine("p)X(<-q(X)", 1).notARule, NotARule::closingBeforeOpening);
  EXPECT_EQ(parseRuleLine("p(X) <-q(X)", 1).notARule, NotARule::noArrowAfterHead);
  EXPECT_EQ(parseRuleLine("p(X)", 1).notARule, NotARule::noArrowAfterHead);
  const ParsedRule notRule = parseRuleLine("edge(a,b) ", 1);
  EXPECT_EQ(notRule.headName, "edge");
  EXPECT_TRUE(parseRuleLine("p()<-", 1).isRule());
}

// The element texts of `body` in the order of evaluation.
Texts inEvaluationOrder(const std::string& body) {
  const std::vector<BodyElement> elements = cutBody(body, 0);
  Texts texts;
  for (std::size_t e : evaluationOrderOf(elements)) {
    texts.push_back(elements[e].text);
  }
  return texts;
}

TEST(EvaluationOrderTest, OrdersAtomsConstantEqualitiesVariableEqualitiesThenOthers) {
  EXPECT_EQ(inEvaluationOrder("p(X,Y),X<Y,Y=3,q(Y,Z),Z=X,W=5"),
            (Texts{"p(X,Y)", "q(Y,Z)", "W=5", "Y=3", "Z=X", "X<Y"}));
  EXPECT_EQ(inEvaluationOrder("edge(X,Y),edge(Y,3),Z=X,X!=Y"),
            (Texts{"edge(X,Y)", "edge(Y,3)", "Z=X", "X!=Y"}));
  EXPECT_EQ(inEvaluationOrder("X=1,Y=2"), (Texts{"Y=2", "X=1"}));
  EXPECT_EQ(inEvaluationOrder("X=Y,Z=W"), (Texts{"X=Y", "Z=W"}));
  EXPECT_EQ(inEvaluationOrder("X=Y,X=1"), (Texts{"X=1", "X=Y"}));
  EXPECT_EQ(inEvaluationOrder("X<3,p(X)"), (Texts{"p(X)", "X<3"}));
  EXPECT_EQ(inEvaluationOrder("X>=3,X<=3,X!=Y,X<Y"), (Texts{"X>=3", "X<=3", "X!=Y", "X<Y"}));
  EXPECT_EQ(inEvaluationOrder(""), Texts{});
}

TEST(EvaluationOrderTest, ClassifiesAnEqualityByTheByteAfterItsOwnEqualSign) {
  EXPECT_EQ(inEvaluationOrder("W<5,Z=X,A=1"), (Texts{"A=1", "Z=X", "W<5"}));
  EXPECT_EQ(inEvaluationOrder("A=1,X=\xD5"), (Texts{"A=1", "X=\xD5"}));
  EXPECT_EQ(inEvaluationOrder("X=\xF6,A=1"), (Texts{"A=1", "X=\xF6"}));
  EXPECT_EQ(inEvaluationOrder("X='abc',Y=abc,\xE9r(X)"), (Texts{"\xE9r(X)", "Y=abc", "X='abc'"}));
  EXPECT_EQ(inEvaluationOrder("1=X, p(X)"), (Texts{"1=X", " p(X)"}));
}

TEST(EvaluationOrderTest, CutsMalformedBodiesWithoutLosingOrLoopingOnText) {
  EXPECT_EQ(inEvaluationOrder("p(X,Y"), Texts{"p(X,Y"});
  EXPECT_EQ(inEvaluationOrder("p(X),,q(X),"), (Texts{"p(X)", "q(X)"}));
  EXPECT_EQ(inEvaluationOrder("X,p(X),Y=1"), (Texts{"p(X)", "Y=1", "X"}));
  EXPECT_EQ(inEvaluationOrder("p(X),X="), (Texts{"p(X)", "X="}));
}

}  // namespace
