// libFuzzer target: every input run twice, its recursive rule groups evaluated
// once by plain rounds (every rule again each round) and once semi-naively.
//
// Both runs go through the same in-memory harness as fuzz_program, each under
// the same work limit; when either run reaches it, the input is abandoned. The
// two runs must write the same output file, the same standard output ("sor1: "
// lines) and the same standard error (warnings), byte for byte; the first
// difference aborts the run with both texts around it on standard error.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "metered_run.h"

namespace {

// Bytes of each text shown from the start of the line where they differ.
constexpr std::size_t shownBytes = 800;

std::size_t firstDifference(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  return static_cast<std::size_t>(
      std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin()).first -
      a.begin());
}

void showFrom(const char* label, const std::string& text, std::size_t lineStart) {
  std::fprintf(stderr, "--- %s (%zu bytes), from byte %zu:\n%s\n", label, text.size(), lineStart,
               text.substr(lineStart, shownBytes).c_str());
}

void compare(const char* what, const std::string& plain, const std::string& semiNaive) {
  if (plain == semiNaive) {
    return;
  }
  const std::size_t at = firstDifference(plain, semiNaive);
  const std::size_t newline = at == 0 ? std::string::npos : plain.rfind('\n', at - 1);
  const std::size_t lineStart = newline == std::string::npos ? 0 : newline + 1;
  std::fprintf(stderr, "semi-naive run differs from plain rounds in %s at byte %zu\n", what, at);
  showFrom("plain rounds", plain, lineStart);
  showFrom("semi-naive", semiNaive, lineStart);
  std::abort();
}

}  // namespace

// NOLINTNEXTLINE(readability-identifier-naming): the name libFuzzer calls
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzzsupport::maxInputBytes) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<fuzzsupport::CapturedRun> plain =
      fuzzsupport::runMetered(text, RecursionMode::plainRounds);
  if (!plain) {
    return 0;  // more work than the limit allows
  }
  const std::optional<fuzzsupport::CapturedRun> semiNaive =
      fuzzsupport::runMetered(text, RecursionMode::semiNaive);
  if (!semiNaive) {
    return 0;
  }
  if (plain->completed != semiNaive->completed) {
    std::fprintf(stderr, "only one of the two runs reported a read error\n");
    std::abort();
  }
  compare("the output file", plain->output, semiNaive->output);
  compare("standard output", plain->standardOutput, semiNaive->standardOutput);
  compare("standard error", plain->standardError, semiNaive->standardError);
  return 0;
}
