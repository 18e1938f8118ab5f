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
#include <optional>
#include <string>

#include "expected_echo.h"
#include "metered_run.h"

namespace {

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
  if (size > fuzzsupport::maxInputBytes) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<fuzzsupport::CapturedRun> run =
      fuzzsupport::runMetered(text, RecursionMode::semiNaive);
  if (!run) {
    return 0;  // more work than the limit allows: not run to the end
  }
  if (!run->completed) {
    shapeFault("a run in memory failed (memory ran out)");
  }
  checkOutputShape(text, run->output);
  return 0;
}
