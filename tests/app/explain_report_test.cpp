#include "app/explain_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/driver.h"
#include "test_util.h"

namespace {

// What a run of `program` asked to explain `facts` writes on standard output.
std::string explained(const std::string& program, const std::vector<std::string>& facts,
                      RecursionMode mode = RecursionMode::semiNaive) {
  std::istringstream input(program);
  std::ostringstream output;
  const CapturedStdout console;
  RunSettings settings;
  settings.mode = mode;
  settings.showWarnings = false;
  settings.explain = facts;
  evaluateProgram(input, output, nullptr, settings);
  return console.text();
}

const std::string cycle =
    "tc(X,Y)<-edge(X,Y)\ntc(X,Z)<-tc(X,Y),edge(Y,Z)\n\nedge(from,to)\n1,2\n2,3\n3,1\n";

TEST(ExplainTest, FollowsARecursiveGroupBackToItsFirstRounds) {
  const std::string expected =
      "--- levezetes ---\n"
      "tc(1,1)\n"
      "  szabaly, 2. sor: tc(X,Z)<-tc(X,Y),edge(Y,Z)\n"
      "  kotesek: X=1, Y=3, Z=1\n"
      "  tc(1,3)\n"
      "    szabaly, 2. sor: tc(X,Z)<-tc(X,Y),edge(Y,Z)\n"
      "    kotesek: X=1, Y=2, Z=3\n"
      "    tc(1,2)\n"
      "      szabaly, 1. sor: tc(X,Y)<-edge(X,Y)\n"
      "      kotesek: X=1, Y=2\n"
      "      edge(1,2)\n"
      "        bemenet, 5. sor\n"
      "    edge(2,3)\n"
      "      bemenet, 6. sor\n"
      "  edge(3,1)\n"
      "    bemenet, 7. sor\n";
  EXPECT_EQ(explained(cycle, {"tc(1,1)"}), expected);
  // Rounds that evaluate every rule again record their evaluations apart,
  // and find the same first derivations.
  EXPECT_EQ(explained(cycle, {"tc(1,1)"}, RecursionMode::plainRounds), expected);
}

TEST(ExplainTest, GivesTheBindingsAndRowsThatTheEvaluationTook) {
  // `nope` names no relation and is passed over; I=007 compares integer
  // values, so the lives row written 07 is the one joined; W is bound by a
  // condition.
  const std::string program =
      "r(N,T,W)<-person(I,N),lives(I,T),nope(I),I=007,W=I\n\n"
      "person(id,name)\n7,'Anna'\n8,'Bela'\n\nlives(p,town)\n8,'Gyor'\n07,'Pecs'\n";
  EXPECT_EQ(explained(program, {"r('Anna','Pecs',7)"}),
            "--- levezetes ---\n"
            "r('Anna','Pecs',7)\n"
            "  szabaly, 1. sor: r(N,T,W)<-person(I,N),lives(I,T),nope(I),I=007,W=I\n"
            "  kotesek: I=7, N='Anna', T='Pecs', W=7\n"
            "  kimaradt, nem volt ilyen nevu relacio: nope(I)\n"
            "  person(7,'Anna')\n"
            "    bemenet, 4. sor\n"
            "  lives(07,'Pecs')\n"
            "    bemenet, 9. sor\n");
}

TEST(ExplainTest, DeclaredTuplesNameTheirLineAndDerivedOnesTheirRule) {
  // The rule adds to the declared relation e: 1 stood in the input already.
  const std::string program = "e(X)<-f(X)\n\ne(a)\n1\n1\n\nf(b)\n2\n1\n";
  EXPECT_EQ(explained(program, {"e(1)", "e(2)"}),
            "--- levezetes ---\n"
            "e(1)\n"
            "  bemenet, 4. sor\n"
            "e(2)\n"
            "  szabaly, 1. sor: e(X)<-f(X)\n"
            "  kotesek: X=2\n"
            "  f(2)\n"
            "    bemenet, 8. sor\n");
}

TEST(ExplainTest, ExplainsADerivedTupleOnceAndReferToItAfter) {
  const std::string program = "q(X)<-r(X)\np(X,Y)<-q(X),q(Y)\n\nr(a)\n1\n";
  EXPECT_EQ(explained(program, {"p(1,1)"}),
            "--- levezetes ---\n"
            "p(1,1)\n"
            "  szabaly, 2. sor: p(X,Y)<-q(X),q(Y)\n"
            "  kotesek: X=1, Y=1\n"
            "  q(1)\n"
            "    szabaly, 1. sor: q(X)<-r(X)\n"
            "    kotesek: X=1\n"
            "    r(1)\n"
            "      bemenet, 5. sor\n"
            "  q(1)\n"
            "    levezetese fent\n");
}

TEST(ExplainTest, FindsTheSliceOfNewRowsThatGaveATuple) {
  // 139998 comes from a row of the second slice of new rows of p.
  EXPECT_EQ(explained(moreNewRowsThanOneSlice(), {"p(139998)"}),
            "--- levezetes ---\n"
            "p(139998)\n"
            "  szabaly, 2. sor: p(Y)<-p(X),f(X,Y)\n"
            "  kotesek: X=39998, Y=139998\n"
            "  p(39998)\n"
            "    szabaly, 3. sor: p(X)<-b(X)\n"
            "    kotesek: X=39998\n"
            "    b(39998)\n"
            "      bemenet, 40007. sor\n"
            "  f(39998,139998)\n"
            "    bemenet, 60010. sor\n");
}

TEST(ExplainTest, SaysWhenAFactCannotBeExplained) {
  // A fact of another width is no padded or cut tuple line: tc(1) is not tc(1,1).
  EXPECT_EQ(explained(cycle, {"tc(4,4)", "path(1,2)", "tc(1,2,3)", "tc(1)"}),
            "--- levezetes ---\n"
            "tc(4,4): nem eleme a relacionak\n"
            "path(1,2): nincs ilyen nevu relacio: path\n"
            "tc(1,2,3): a tenyben 3 ertek all, a relacionak 2 oszlopa van\n"
            "tc(1): a tenyben 1 ertek all, a relacionak 2 oszlopa van\n");
}

TEST(ExplainTest, FollowsTheRelationANameFindsWhenSeveralBearIt) {
  // r(X)<-t(X) adds to the first r, which moves to the end of the list; s
  // then reads the other r, and so does the fact r(...).
  const std::string program = "s(X)<-r(X)\nr(X)<-t(X)\n\nr(a)\n1\n\nr(b)\n'x'\n\nt(c)\n3\n";
  EXPECT_EQ(explained(program, {"s('x')", "r('x')", "r(3)"}),
            "--- levezetes ---\n"
            "s('x')\n"
            "  szabaly, 1. sor: s(X)<-r(X)\n"
            "  kotesek: X='x'\n"
            "  r('x')\n"
            "    bemenet, 8. sor\n"
            "r('x')\n"
            "  bemenet, 8. sor\n"
            "r(3): nem eleme a relacionak\n");
}

TEST(ExplainTest, ReadsAFactOfAnotherWidthThanTheRelationsTypes) {
  // r(a,b) gains the one-column tuple 5, written as the output file writes
  // it. The run's own comparison of the two widths comes first, and only once.
  const std::string program = "r(X)<-s(X)\n\nr(a,b)\n3,4\n\ns(v)\n5\n";
  EXPECT_EQ(explained(program, {"r(5)", "r(3,4)"}),
            "sor1: 1 sor2:2\n5\n"
            "--- levezetes ---\n"
            "r(5)\n"
            "  szabaly, 1. sor: r(X)<-s(X)\n"
            "  kotesek: X=5\n"
            "  s(5)\n"
            "    bemenet, 7. sor\n"
            "r(3,4)\n"
            "  bemenet, 4. sor\n");
}

}  // namespace
