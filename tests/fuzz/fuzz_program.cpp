// libFuzzer target: one whole run of the program, in memory, on arbitrary bytes.
//
// The bytes are the input file. The run writes the output file's bytes to a
// string; "sor1: " lines and warnings, which go to standard output and standard
// error, are caught in string streams so that they do not flood the terminal.
//
// A small input can still ask for a huge amount of legitimate work (a product of
// a few hundred tuples with itself, three times over). Such inputs are not
// faults, so the harness first estimates an upper bound of the tuples the run
// can build and skips the input when that bound is over a budget. Everything
// else must finish in bounded time without a sanitizer report, and the output
// must have the shape every run gives it: the rule lines echoed, an empty line,
// and blocks that each end with an empty line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "app/driver.h"
#include "relation/value.h"
#include "work_estimate.h"

namespace {

// Inputs longer than this are skipped: the run reads every line several times,
// and the fuzzer's own length limit (-max_len) keeps new inputs far below it.
constexpr std::size_t maxInputBytes = std::size_t{1} << 20;

// Estimated tuple work above which an input is not run. A sanitized build needs
// about half a second for this much; the hang limit is 2 s. Long campaigns set
// a smaller one, to spend their time on many small runs rather than few big ones.
#ifndef LEVEZET_FUZZ_WORK_BUDGET
#define LEVEZET_FUZZ_WORK_BUDGET 250000
#endif
constexpr double workBudget = LEVEZET_FUZZ_WORK_BUDGET;

// Redirects std::cout and std::cerr into string streams while it lives.
class CapturedConsole {
 public:
  CapturedConsole()
      : previousOut_(std::cout.rdbuf(out_.rdbuf())), previousErr_(std::cerr.rdbuf(err_.rdbuf())) {}
  ~CapturedConsole() {
    std::cout.rdbuf(previousOut_);
    std::cerr.rdbuf(previousErr_);
  }
  CapturedConsole(const CapturedConsole&) = delete;
  CapturedConsole& operator=(const CapturedConsole&) = delete;

 private:
  std::ostringstream out_;
  std::ostringstream err_;
  std::streambuf* previousOut_;
  std::streambuf* previousErr_;
};

[[noreturn]] void shapeFault(const char* what) {
  std::fprintf(stderr, "output shape fault: %s\n", what);
  std::abort();
}

// The output starts with the rule lines echoed and an empty line, and ends with
// the empty line that closes the last block (or with that first empty line).
void checkOutputShape(const std::string& text, const std::string& output) {
  const std::string echo = fuzzsupport::expectedEcho(text);
  if (output.compare(0, echo.size(), echo) != 0) {
    shapeFault("the output does not start with the echoed rule section");
  }
  if (output.size() < 2 || output.compare(output.size() - 2, 2, "\n\n") != 0) {
    shapeFault("the output does not end with an empty line");
  }
}

}  // namespace

// NOLINTNEXTLINE(readability-identifier-naming): the name libFuzzer calls
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > maxInputBytes) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (fuzzsupport::estimateWork(text) > workBudget) {
    return 0;
  }
  clearValuePool();  // the runs before left no value behind
  std::istringstream input(text);
  std::ostringstream output;
  bool completed = false;
  {
    const CapturedConsole console;
    completed = evaluateProgram(input, output);
  }
  if (!completed) {
    shapeFault("a run on an in-memory stream reported a read error");
  }
  checkOutputShape(text, output.str());
  return 0;
}
