// Diagnostics that the rule lines' text alone decides.
#include "eval/rule_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "test_util.h"

namespace {

using Found = std::vector<std::tuple<std::size_t, std::size_t, Warning>>;

// Line, column and kind of every diagnostic on `lines`, with edge(a,b) declared.
Found diagnose(const std::vector<std::string>& lines) {
  std::vector<ParsedRule> rules;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    rules.push_back(parseRuleLine(lines[i], i + 1));
  }
  RelationList declared;
  declared.append(relationOf("edge(a,b)", {intType, intType}, {"1,2"}));
  declared.append(relationOf("w(s)", {stringType}, {"'a'"}));
  Warnings warnings;
  checkRuleLines(rules, declared, warnings);
  Found found;
  for (const Diagnostic& diagnostic : warnings.sorted()) {
    found.emplace_back(diagnostic.line, diagnostic.column, diagnostic.kind);
  }
  return found;
}

TEST(RuleChecksTest, SaysNothingAboutWellFormedRules) {
  EXPECT_EQ(diagnose({"path2(X,Z)<-edge(X,Y),edge(Y,Z)", "tc(X,Y)<-edge(X,Y)",
                      "tc(X,Z)<-tc(X,Y),edge(Y,Z)", "s(X)<-edge(X,Y),X<3,Y!=X,$0>=1,Y='a'",
                      "eq(X,Z)<-edge(X,Y),Z=Y,Z>1", "c(X)<-X=5", "n(S)<-w(S),S!='b'",
                      "k($0)<-edge(X,Y)"}),
            Found{});
}

// Each way a line fails to be head(arguments)<-body, at the byte where it does.
TEST(RuleChecksTest, PointsWhereTheRuleFormBreaks) {
  EXPECT_EQ(diagnose({"p(X):-edge(X,Y)", "p(X)->edge(X,Y)", "p<-edge(X,Y)", "p(X<-edge(X,Y)",
                      "p)X(<-edge(X,Y)", "p(X)", "", "p(X) <-edge(X,Y)", "  "}),
            (Found{{1, 5, Warning::colonArrow},
                   {2, 5, Warning::noArrowAfterHead},
                   {3, 2, Warning::noOpeningParenthesis},
                   {4, 4, Warning::noClosingParenthesis},
                   {5, 2, Warning::closingBeforeOpening},
                   {6, 5, Warning::noArrowAfterHead},
                   {8, 5, Warning::noArrowAfterHead},
                   {8, 5, Warning::blankInRule},
                   {9, 1, Warning::blankOnlyLine}}));
}

TEST(RuleChecksTest, ComparesAtomsWithTheRelationsTheyName) {
  EXPECT_EQ(diagnose({"q(X)<-edge(X,Y),nosuch(Y)", "f(X)<-edge(X)", "m(X)<-edge(X,Y,Z)",
                      "d(X)<-f(X,Y)", "o(X)<-edge(X,Y,edge(Y,Z)", "u(X)<-edge(X,Y),edge(Y,Z"}),
            (Found{{1, 17, Warning::unknownRelation},
                   {2, 7, Warning::atomFewerArguments},
                   {3, 7, Warning::atomMoreArguments},
                   {4, 7, Warning::atomMoreArguments},  // f is derived with one column
                   {5, 7, Warning::atomMoreArguments},
                   {5, 7, Warning::atomNestedParenthesis},
                   {6, 17, Warning::atomWithoutClosing}}));
}

TEST(RuleChecksTest, NamesHeadArgumentsAndHeadsThatDoNotFit) {
  EXPECT_EQ(diagnose({"p(X,5,'a',b)<-edge(X,Y)", "edge(X)<-edge(X,Y)", "w(S)<-edge(S,T)"}),
            (Found{{1, 5, Warning::headArgumentNotVariable},
                   {1, 7, Warning::headArgumentNotVariable},
                   {1, 11, Warning::headArgumentNotVariable},
                   {2, 1, Warning::headWidthDiffers}}));
}

TEST(RuleChecksTest, FindsConditionsThatDoNotCompareWhatTheySeemTo) {
  EXPECT_EQ(diagnose({"a(X)<-edge(X,Y),2=Y", "b(X)<-edge(X,Y),W>1", "c(X)<-edge(X,Y),X<W",
                      "d(S)<-w(S),S<'m'", "e(S)<-w(S),S>=abc", "f(X)<-edge(X,Y),X<>Y",
                      "g(X)<-edge(X,Y),X==Y", "h(X)<-edge(X,Y),X", "i(X)<-edge(X,Y).",
                      "j(X)<-edge(X,Y),W!=X"}),
            (Found{{1, 17, Warning::constantOnLeft},
                   {2, 17, Warning::unboundConditionVariable},
                   {3, 19, Warning::unboundConditionVariable},
                   {4, 13, Warning::textOrdered},
                   {5, 13, Warning::textOrdered},
                   {6, 18, Warning::unknownOperator},
                   {7, 18, Warning::unknownOperator},
                   {8, 17, Warning::conditionWithoutOperator},
                   {9, 16, Warning::finalPeriod},
                   {10, 17, Warning::unboundConditionVariable}}));
}

TEST(RuleChecksTest, NamesTheCauseAndLeavesOutWhatFollowsFromIt) {
  EXPECT_EQ(diagnose({"g(X,Z)<-edge(X,Y),egde(Y,Z)", "h(X)<-edgy(X)", "i(X)<-ww(X),xyz(X)",
                      "j(X)<-edge(X,Y),X<3.", "k(a)", "1", "l(X)<-k(X)"}),
            (Found{{1, 19, Warning::unknownRelationNear},  // a swap: 'edge'
                   {2, 7, Warning::unknownRelationNear},   // one letter: 'edge'
                   {3, 7, Warning::unknownRelationNear},   // 'w' before 'i', 'j'
                   {3, 13, Warning::unknownRelation},
                   {4, 20, Warning::finalPeriodInElement},
                   {5, 1, Warning::missingEmptyLine}}));
  // The head's Z is bound by the skipped atom alone, the head's X by a known one.
  Warnings warnings;
  RelationList declared;
  declared.append(relationOf("edge(a,b)", {intType, intType}, {"1,2"}));
  checkRuleLines({parseRuleLine("g(X,Z)<-edge(X,Y),egde(Y,Z)", 1)}, declared, warnings);
  warnings.warn(Warning::unboundHeadVariable, 1, 5, {"Z"});
  warnings.warn(Warning::unboundHeadVariable, 1, 3, {"X"});
  ASSERT_EQ(warnings.sorted().size(), 2U);
  EXPECT_EQ(warnings.sorted()[0].parts, std::vector<std::string>{"X"});
}

TEST(RuleChecksTest, NamesTheNearestOnlyInPrintedDiagnosticsAndCountsTheRest) {
  std::vector<ParsedRule> rules;
  for (std::size_t i = 1; i <= diagnosticLimit + 20; ++i) {
    const std::string number = std::to_string(i);
    rules.push_back(parseRuleLine("pp" + number + "(X)<-qp" + number + "(X)", i));
  }
  Warnings warnings;
  checkRuleLines(rules, RelationList(), warnings);
  EXPECT_EQ(warnings.count(), diagnosticLimit + 20);
  const std::vector<Diagnostic> kept = warnings.sorted();
  ASSERT_EQ(kept.size(), diagnosticLimit);
  EXPECT_EQ(kept.back().kind, Warning::unknownRelationNear);
  EXPECT_EQ(kept.back().parts, (std::vector<std::string>{"qp100", "pp100"}));
}

TEST(RuleChecksTest, ADisabledCollectionTakesNothing) {
  Warnings warnings(false);
  checkRuleLines({parseRuleLine("p(X):-q(X)", 1)}, RelationList(), warnings);
  warnings.warn(Warning::foreignCharacter, 1, 1);
  EXPECT_TRUE(warnings.sorted().empty());
}

TEST(WarningsTest, KeepsTheFirstInWrittenOrderAndCountsEachPlaceAndKindOnce) {
  Warnings warnings;
  for (std::size_t line = 300; line >= 1; --line) {  // last line first, each twice
    warnings.warn(Warning::blankInRule, line, 0);
    warnings.warn(Warning::blankInRule, line, 0);
  }
  warnings.warn(Warning::blankOnlyLine, 1, 0, {}, "  ");  // an earlier kind at the same place
  warnings.warn(Warning::blankOnlyLine, 1, 0, {}, "  ");
  EXPECT_EQ(warnings.count(), 301U);
  const std::vector<Diagnostic> kept = warnings.sorted();
  ASSERT_EQ(kept.size(), diagnosticLimit);
  EXPECT_EQ(std::tie(kept[0].line, kept[0].kind, kept[0].lineText),
            std::make_tuple(std::size_t{1}, Warning::blankOnlyLine, std::string("  ")));
  EXPECT_EQ(std::tie(kept[1].line, kept[1].kind),
            std::make_tuple(std::size_t{1}, Warning::blankInRule));
  EXPECT_EQ(kept.back().line, diagnosticLimit - 1);
  EXPECT_TRUE(warnings.keeps(Warning::blankOnlyLine, 2, 0));   // before the last kept
  EXPECT_FALSE(warnings.keeps(Warning::blankInRule, 1, 0));    // kept already
  EXPECT_FALSE(warnings.keeps(Warning::blankInRule, 200, 0));  // after the last kept
  Warnings off(false);
  off.warn(Warning::blankInRule, 1, 0);
  EXPECT_EQ(off.count() + off.sorted().size(), 0U);
}

TEST(WarningsTest, LeavesOutWhatFollowsFromACauseBeforeKeepingAndCounting) {
  Warnings warnings;
  warnings.warn(Warning::blankInRule, 2, 3);  // given before its line's cause
  warnings.suppress(Warning::unboundHeadVariable, 1, 2);
  warnings.warn(Warning::unboundHeadVariable, 1, 2);
  warnings.warn(Warning::carriageReturn, 2, 5);
  warnings.keepOnly(2, Warning::carriageReturn);
  warnings.warn(Warning::blankInRule, 2, 7);  // and after it
  warnings.warn(Warning::blankInRule, 3, 1);
  EXPECT_EQ(warnings.count(), 2U);
  const std::vector<Diagnostic> kept = warnings.sorted();
  ASSERT_EQ(kept.size(), 2U);
  EXPECT_EQ(kept[0].kind, Warning::carriageReturn);
  EXPECT_EQ(kept[1].line, 3U);
}

}  // namespace
