// Runs in memory: the bytes a run on the console would give, caught whole,
// and failed runs that leave the module usable.
#include "app/memory_run.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/driver.h"
#include "test_util.h"

namespace {

// Tuples of two widths meet in r (the "sor1: " lines), line 3 has a condition
// without operator (a warning), and the long values live in the value pool.
const std::string mixedProgram =
    "r(X)<-s(X)\n"
    "p(X)<-hosszu(X)\n"
    "q(X)<-s(X),X\n"
    "\n"
    "r(a,b)\n3,4\n1,2\n\n"
    "s(v)\n5\n1\n\n"
    "hosszu(n)\n'egy nagyon hosszu ert\xE9k'\n'm\xE1sik hosszu ert\xE9k'\n";

// What evaluateProgram writes with the console streams left as they are.
MemoryRun onTheConsole(const std::string& program, const RunSettings& settings) {
  const CapturedStdout out;
  const CapturedStdout err(std::cerr);
  std::istringstream input(program);
  std::ostringstream output;
  EXPECT_TRUE(evaluateProgram(input, output, nullptr, settings));
  return {MemoryRunStatus::completed, output.str(), out.text(), err.text()};
}

TEST(MemoryRunTest, GivesTheConsoleRunsBytesAndWritesNothingToTheConsole) {
  RunSettings traced;
  traced.trace = true;
  RunSettings quiet;
  quiet.showWarnings = false;
  for (const RunSettings& settings : {RunSettings(), quiet, traced}) {
    const MemoryRun expected = onTheConsole(mixedProgram, settings);
    const CapturedStdout out;
    const CapturedStdout err(std::cerr);
    const MemoryRun run = runInMemory(mixedProgram, settings);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(run.status, MemoryRunStatus::completed);
    EXPECT_EQ(run.output, expected.output);
    EXPECT_EQ(run.standardOutput, expected.standardOutput);
    if (!settings.trace) {  // the report's times differ from run to run
      EXPECT_EQ(run.standardError, expected.standardError);
    }
  }
  RunSettings named;
  named.inputName = "be.txt";
  const MemoryRun plain = runInMemory(mixedProgram, named);
  EXPECT_NE(plain.standardOutput.find("sor1: 1 sor2:2\n"), std::string::npos);
  EXPECT_NE(plain.standardError.find("\nbe.txt:3:12: figyelmeztetes: "), std::string::npos);
  EXPECT_EQ(runInMemory(mixedProgram, quiet).standardError, "");
  EXPECT_NE(runInMemory(mixedProgram, traced).standardError.find("--- nyomkovetes ---"),
            std::string::npos);
}

TEST(MemoryRunTest, ExplanationsFollowTheRunsOwnLinesOnStandardOutput) {
  // Deriving q(5) and w(2,5) again reads r, whose tuples have two widths: the
  // "sor1: " lines come from the run alone, not again from the explanations.
  const std::string program =
      "r(X)<-s(X)\nq(X)<-r(X)\nw(X,Y)<-r(X),r(Y),X<Y\n\nr(a,b)\n3,4\n1,2\n\ns(v)\n5\n2\n";
  RunSettings explained;
  explained.explain = {"q(5)", "w(2,5)"};
  const MemoryRun run = runInMemory(program, explained);
  EXPECT_EQ(run.standardOutput, onTheConsole(program, explained).standardOutput);
  const std::string runsOwn = runInMemory(program).standardOutput;
  ASSERT_NE(runsOwn.find("sor1: "), std::string::npos);
  EXPECT_EQ(run.standardOutput.substr(0, runsOwn.size()), runsOwn);
  EXPECT_EQ(run.standardOutput.find("sor1: ", runsOwn.size()), std::string::npos);
  EXPECT_NE(run.standardOutput.find("--- levezetes ---\nq(5)\n"), std::string::npos);
}

TEST(MemoryRunTest, WorkLimitStopsTheRunWithAMessageAndTheNextRunCompletes) {
  std::string product = "q(X,Y,Z)<-p(X),p(Y),p(Z)\n\np(a)\n";
  for (int i = 1; i <= 100; ++i) {
    product += std::to_string(i) + "\n";
  }
  const MemoryRun stopped = runInMemory(product, RunSettings(), 100000);
  EXPECT_EQ(stopped.status, MemoryRunStatus::workLimitReached);
  EXPECT_EQ(stopped.output, "");
  EXPECT_EQ(stopped.standardError,
            "Elfogyott a munkakeret!! a szabalyok kiertekelese kozben");  // no line end
  // No limit is left behind, and the values of the stopped run are gone.
  const MemoryRun complete = runInMemory(product);
  EXPECT_EQ(complete.status, MemoryRunStatus::completed);
  EXPECT_NE(complete.output.find("100,100,100\n"), std::string::npos);
  EXPECT_EQ(runInMemory(mixedProgram).output, onTheConsole(mixedProgram, RunSettings()).output);
}

TEST(MemoryRunTest, TextLimitKeepsTheFirstBytesAndCountsTheRestButNotTheFailureMessage) {
  const MemoryRun whole = runInMemory(mixedProgram);
  const MemoryRun cut = runInMemory(mixedProgram, RunSettings(), 0, false, 10);
  EXPECT_EQ(cut.output, whole.output);
  EXPECT_EQ(cut.standardOutput, whole.standardOutput.substr(0, 10));
  EXPECT_EQ(cut.standardError, whole.standardError.substr(0, 10));
  EXPECT_EQ(cut.standardOutputCut, whole.standardOutput.size() - 10);
  EXPECT_EQ(cut.standardErrorCut, whole.standardError.size() - 10);
  EXPECT_EQ(whole.standardOutputCut + whole.standardErrorCut, 0U);
  const MemoryRun stopped =
      runInMemory("q(X,Y)<-p(X),p(Y)\n\np(a)\n1\n2\n", RunSettings(), 1, false, 10);
  EXPECT_EQ(stopped.standardError, "Elfogyott a munkakeret!! a szabalyok kiertekelese kozben");
}

// reach(n) at the end of a chain of n edges: a derivation n steps deep.
std::string chainProgram(int n) {
  std::string program = "reach(Y)<-e(0,Y)\nreach(Z)<-reach(Y),e(Y,Z)\n\ne(a,b)\n";
  for (int i = 0; i < n; ++i) {
    program += std::to_string(i) + ',' + std::to_string(i + 1) + '\n';
  }
  return program;
}

TEST(MemoryRunTest, ExplainsDeepDerivationsAsTextAndDataAndSaysWhenExplainingFails) {
  // Deeper than the page's stack allowed a recursive walk.
  RunSettings explained;
  explained.explain = {"reach(2000)"};
  const MemoryRun text = runInMemory(chainProgram(2000), explained);
  ASSERT_EQ(text.status, MemoryRunStatus::completed);
  EXPECT_NE(text.standardOutput.find("\n[2000] e(0,1)\n[2001] bemenet, 5. sor\n"),
            std::string::npos);
  const MemoryRun data = runInMemory(chainProgram(2000), explained, 0, true);
  ASSERT_EQ(data.status, MemoryRunStatus::completed);
  EXPECT_NE(data.data.find("{\"fact\":\"e(0,1)\",\"source\":\"declared\",\"line\":5}"),
            std::string::npos);
  // The explanation is the run's last work: one unit less than the least
  // limit under which the run completes stops it there, and the message says
  // so, as text and as data.
  const std::string program = chainProgram(20);
  explained.explain = {"reach(20)"};
  std::size_t low = 1;
  std::size_t high = std::size_t{1} << 30;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const bool completes =
        runInMemory(program, explained, middle).status == MemoryRunStatus::completed;
    (completes ? high : low) = completes ? middle : middle + 1;
  }
  for (const bool asData : {false, true}) {
    const MemoryRun stopped = runInMemory(program, explained, low - 1, asData);
    EXPECT_EQ(stopped.status, MemoryRunStatus::workLimitReached);
    EXPECT_EQ(stopped.standardError, "Elfogyott a munkakeret!! a levezetesek kiirasa kozben");
  }
}

TEST(MemoryRunTest, AFailedOutputStreamFailsTheRun) {
  std::istringstream input(mixedProgram);
  std::ostream broken(nullptr);  // every write fails
  const CapturedStdout out;
  const CapturedStdout err(std::cerr);
  EXPECT_FALSE(evaluateProgram(input, broken));
  std::istringstream again(mixedProgram);
  std::ostringstream output;
  EXPECT_TRUE(evaluateProgram(again, output));
}

}  // namespace
