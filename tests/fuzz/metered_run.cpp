#include "metered_run.h"

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/driver.h"
#include "relation/value.h"
#include "relation/work_meter.h"

namespace fuzzsupport {

namespace {

// Units of the engine's work meter (a row of n values counts n + 1) after
// which a run is abandoned.
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

  std::string out() const { return out_.str(); }
  std::string err() const { return err_.str(); }

 private:
  std::ostringstream out_;
  std::ostringstream err_;
  std::streambuf* previousOut_;
  std::streambuf* previousErr_;
};

}  // namespace

std::optional<CapturedRun> runMetered(const std::string& text, RecursionMode mode) {
  clearValuePool();
  std::istringstream input(text);
  std::ostringstream output;
  CapturedRun run;
  limitWork(workLimit());
  try {
    const CapturedConsole console;
    run.completed = evaluateProgram(input, output, nullptr, RunSettings{mode, true, false});
    run.standardOutput = console.out();
    run.standardError = console.err();
  } catch (const WorkLimitReached&) {
    unlimitWork();
    return std::nullopt;
  }
  unlimitWork();
  run.output = output.str();
  return run;
}

}  // namespace fuzzsupport
