// libFuzzer target: one whole run of the program, in memory, on arbitrary bytes.
//
// The bytes are the input file. The run writes the output file's bytes to a
// string; "sor1: " lines and warnings, which go to standard output and standard
// error, are caught in string streams so that they do not flood the terminal.
//
// A small input can still ask for a huge amount of legitimate work (a product of
// a few hundred tuples with itself, three times over). Such inputs are not
// faults, so the harness gives the engine's work meter a limit and abandons a
// run that reaches it; the meter counts work before doing it, so an abandoned
// run has not built what it was refused. Every other input must finish in
// bounded time without a sanitizer report, and the output must have the shape
// every run gives it: the rule lines echoed, an empty line, and blocks that
// each end with an empty line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "app/driver.h"
#include "expected_echo.h"
#include "relation/value.h"
#include "relation/work_meter.h"

namespace {

// Inputs longer than this are skipped: the run reads every line several times,
// and the fuzzer's own length limit (-max_len) keeps new inputs far below it.
constexpr std::size_t maxInputBytes = std::size_t{1} << 20;

// Units of the engine's work meter (a row of n values counts n + 1) after
// which a run is abandoned; the environment variable FUZZ_WORK_LIMIT, when
// set, overrides the built-in figure.
#ifndef LEVEZET_FUZZ_WORK_LIMIT
#define LEVEZET_FUZZ_WORK_LIMIT 1000000
#endif

std::size_t workLimit() {
  static const std::size_t limit = [] {
    const char* text = std::getenv("FUZZ_WORK_LIMIT");
    return text != nullptr ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10))
                           : std::size_t{LEVEZET_FUZZ_WORK_LIMIT};
  }();
  return limit;
}

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
  clearValuePool();  // the runs before left no value behind
  std::istringstream input(text);
  std::ostringstream output;
  bool completed = false;
  limitWork(workLimit());
  try {
    const CapturedConsole console;
    completed = evaluateProgram(input, output);
  } catch (const WorkLimitReached&) {
    unlimitWork();
    return 0;  // more work than the limit allows: not run to the end
  }
  unlimitWork();
  if (!completed) {
    shapeFault("a run on an in-memory stream reported a read error");
  }
  checkOutputShape(text, output.str());
  return 0;
}
