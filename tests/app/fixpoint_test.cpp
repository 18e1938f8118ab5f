// The semi-naive fixpoint against plain rounds on random recursive programs.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "app/driver.h"
#include "test_util.h"

namespace {

struct RunResult {
  std::string output;
  std::string diagnostics;
  std::string warnings;
};

RunResult run(const std::string& program, RecursionMode mode) {
  CapturedStdout out;
  CapturedStdout err(std::cerr);
  std::istringstream input(program);
  std::ostringstream output;
  evaluateProgram(input, output, nullptr, mode);
  return {output.str(), out.text(), err.text()};
}

// A random program over a small graph: linear, non-linear and mutual recursion,
// conditions, constants, a declared member, and members that never get a base.
std::string randomProgram(std::mt19937& random) {
  const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* const rules[] = {
      "tc(X,Y)<-e(X,Y)",          "tc(X,Z)<-tc(X,Y),e(Y,Z)",    "tc(X,Z)<-tc(X,Y),tc(Y,Z)",
      "tc(X,Z)<-e(X,Y),tc(Y,Z)",  "odd(X,Y)<-e(X,Y)",          "odd(X,Z)<-even(X,Y),e(Y,Z)",
      "even(X,Z)<-odd(X,Y),e(Y,Z)", "r(X)<-s(X),X<3",          "s(X)<-r(Y),e(Y,X)",
      "s(X)<-e(X,1)",             "p(X,Y)<-tc(X,Y),X!=Y",       "q(X)<-q(X),d(X)",
      "d(X)<-tc(X,X)",            "m(X,Y)<-m(Y,X)",             "m(X,Y)<-e(X,Y),Y=2",
      "w(X)<-w(Y),e(Y,X),X>=1",   "w(X)<-X=0",                  "tc(X,Y)<-d(X),Y=X",
  };
  std::string program;
  const int ruleCount = 2 + pick(7);
  for (int i = 0; i < ruleCount; ++i) {
    program += rules[pick(static_cast<int>(std::size(rules)))];
    program += '\n';
  }
  program += "\ne(from,to)\n";
  const int nodes = 2 + pick(5);
  for (int i = 0, edges = pick(12); i < edges; ++i) {
    program += std::to_string(pick(nodes)) + "," + std::to_string(pick(nodes)) + "\n";
  }
  if (pick(3) == 0) {
    program += "\nm(a,b)\n7,8\n";
  }
  return program;
}

TEST(FixpointTest, SemiNaiveRoundsLeaveWhatPlainRoundsLeave) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 400; ++i) {
    const std::string program = randomProgram(random);
    const RunResult plain = run(program, RecursionMode::plainRounds);
    const RunResult fast = run(program, RecursionMode::semiNaive);
    ASSERT_EQ(fast.output, plain.output) << program;
    ASSERT_EQ(fast.diagnostics, plain.diagnostics) << program;
    ASSERT_EQ(fast.warnings, plain.warnings) << program;
  }
}

TEST(FixpointTest, FallsBackToPlainRoundsWhereWidthsDisagree) {
  const std::string program = "tc(X)<-tc(X),e(X,Y)\ntc(X,Y)<-e(X,Y)\n\ne(a,b)\n1,2\n\ntc(a)\n5\n";
  const RunResult plain = run(program, RecursionMode::plainRounds);
  const RunResult fast = run(program, RecursionMode::semiNaive);
  EXPECT_EQ(fast.output, plain.output);
  EXPECT_EQ(fast.diagnostics, plain.diagnostics);
  EXPECT_NE(plain.diagnostics.find("sor1: "), std::string::npos);
}

}  // namespace
