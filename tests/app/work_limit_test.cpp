// Whole runs under a limit of the work meter: how the fuzz harness tells a run
// that asks for too much work from one that hangs.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "app/driver.h"
#include "relation/work_meter.h"
#include "test_util.h"

namespace {

class WorkLimitTest : public ::testing::Test {
 protected:
  void TearDown() override { unlimitWork(); }

  // The output of a whole run, or nothing when the meter stops it.
  static std::string run(const std::string& program) {
    const CapturedStdout out;
    const CapturedStdout err(std::cerr);
    std::istringstream input(program);
    std::ostringstream output;
    evaluateProgram(input, output);
    return output.str();
  }
};

// The rules, an empty line, and the relation `header` holding the tuples
// "1" .. "count" (with `next`, "1,2" .. "count,count+1").
std::string programOver(const std::string& rules, const std::string& header, int count,
                        bool next = false) {
  std::string program = rules + "\n\n" + header + "\n";
  for (int i = 1; i <= count; ++i) {
    program += std::to_string(i) + (next ? "," + std::to_string(i + 1) : "") + "\n";
  }
  return program;
}

int lineCount(const std::string& text) {
  int lines = 0;
  for (char byte : text) {
    lines += byte == '\n' ? 1 : 0;
  }
  return lines;
}

TEST_F(WorkLimitTest, StopsProductsAndRecursionPastTheLimitAndNothingElse) {
  // 300 x 300 pairs of three units each.
  const std::string product = programOver("q(X,Y)<-p(X),p(Y)", "p(a)", 300);
  // A chain of 200 steps: its closure has 20,100 pairs, one round per step.
  const std::string closure =
      programOver("t(X,Y)<-e(X,Y)\nt(X,Z)<-t(X,Y),e(Y,Z)", "e(a,b)", 200, true);
  for (const std::string* program : {&product, &closure}) {
    limitWork(100000);
    EXPECT_THROW(run(*program), WorkLimitReached);
    unlimitWork();
    EXPECT_GT(lineCount(run(*program)), 20000);  // the same run, complete
  }
  limitWork(10000000);
  EXPECT_EQ(lineCount(run(product)), 2 + (1 + 300 + 1) + (1 + 90000 + 1));
}

TEST_F(WorkLimitTest, ChargesTooLargeToCountAreRefusedNotWrappedAround) {
  limitWork(1000);
  EXPECT_THROW(chargeWork(SIZE_MAX / 2, 2), WorkLimitReached);
  const std::size_t root = std::size_t{1} << (4 * sizeof(std::size_t));  // root * root wraps to 0
  EXPECT_THROW(chargeWork(root, 0, root), WorkLimitReached);
  EXPECT_THROW(chargeWork(1, SIZE_MAX), WorkLimitReached);
  EXPECT_NO_THROW(chargeWork(999, 0));
  EXPECT_THROW(chargeWork(2, 0), WorkLimitReached);
  unlimitWork();
  EXPECT_NO_THROW(chargeWork(SIZE_MAX, SIZE_MAX, SIZE_MAX));
}

}  // namespace
