// The engine as the web page's worker calls it: one run in memory per call,
// with options as on the command line, its results kept until the next call.
#include <cstddef>
#include <string>
#include <vector>

#include "app/memory_run.h"
#include "app/options.h"

namespace {

// Work a run from the page may do, in units of relation/work_meter.h (a join
// of 200,000 edges with themselves takes under 10 million): some twenty
// seconds of evaluation in a browser. A run that asks for more is refused with
// a message, most of them before the work starts.
constexpr std::size_t pageWorkLimit = 1'000'000'000;

std::size_t workLimit = pageWorkLimit;
MemoryRun lastRun;

// How a run ended, as the page reads it.
enum RunStatus { completed = 0, outOfMemory = 1, workLimitReached = 2, badOptions = 3 };

// The options of `packed`: texts one after the other, each ending with a NUL.
std::vector<std::string> unpackOptions(const char* packed, std::size_t length) {
  std::vector<std::string> options;
  std::string option;
  for (std::size_t i = 0; i < length; ++i) {
    if (packed[i] == '\0') {
      options.push_back(option);
      option.clear();
    } else {
      option += packed[i];
    }
  }
  return options;
}

}  // namespace

extern "C" {

// Runs the `length` bytes at `input` as the input file, under the arguments in
// `options` (`optionsLength` bytes, see unpackOptions): -w, --trace and
// --explain act as on the command line, the first file name is the name diagnostics give the
// input, and the other options change nothing here. Returns a RunStatus; the
// texts are read with levezetPart.
int levezetRun(const char* input, std::size_t length, const char* options,
               std::size_t optionsLength) {
  const Options parsed = parseOptions(unpackOptions(options, optionsLength));
  if (!parsed.error.empty()) {
    lastRun = MemoryRun();
    lastRun.standardError = parsed.error;
    return badOptions;
  }
  RunSettings settings = runSettingsOf(parsed);
  if (!parsed.files.empty()) {
    settings.inputName = parsed.files.front();
  }
  lastRun = MemoryRun();  // the previous run's texts go before the next run
  lastRun = runInMemory({input, length}, settings, workLimit);
  switch (lastRun.status) {
    case MemoryRunStatus::completed:
      return completed;
    case MemoryRunStatus::outOfMemory:
      return outOfMemory;
    default:
      return workLimitReached;
  }
}

// The bytes of the last run's output file (part 0), standard output (1) or
// standard error (2), and their number.
const char* levezetPart(int part) {
  return part == 0 ? lastRun.output.data()
                   : (part == 1 ? lastRun.standardOutput.data() : lastRun.standardError.data());
}

std::size_t levezetPartLength(int part) {
  return part == 0 ? lastRun.output.size()
                   : (part == 1 ? lastRun.standardOutput.size() : lastRun.standardError.size());
}

// Sets the work limit of later runs; 0 lifts it (for measurements).
void levezetSetWorkLimit(unsigned units) { workLimit = units; }

}  // extern "C"
