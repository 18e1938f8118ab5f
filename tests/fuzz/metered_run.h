// One run of the program on an input text in memory, as the fuzz targets make
// it: under the work limit, with the output file, standard output and standard
// error caught in strings.
#ifndef TESTS_FUZZ_METERED_RUN_H_
#define TESTS_FUZZ_METERED_RUN_H_

#include <cstddef>
#include <optional>
#include <string>

#include "eval/groups.h"

namespace fuzzsupport {

// Inputs longer than this are skipped: the run reads every line several times,
// and the fuzzer's own length limit (-max_len) keeps new inputs far below it.
constexpr std::size_t maxInputBytes = std::size_t{1} << 20;

// What one run wrote.
struct CapturedRun {
  bool completed = false;  // false when the run failed (memory ran out)
  std::string output;      // the output file's bytes
  std::string standardOutput;
  std::string standardError;
};

// Runs `text` as the input file, recursive groups evaluated by `mode`, after
// clearing the value pool (no value of an earlier run may be alive). Empty when
// the run reached the work limit: LEVEZET_FUZZ_WORK_LIMIT units (1 million
// unless the build sets it), or the environment variable FUZZ_WORK_LIMIT (0: none).
std::optional<CapturedRun> runMetered(const std::string& text, RecursionMode mode);

}  // namespace fuzzsupport

#endif  // TESTS_FUZZ_METERED_RUN_H_
