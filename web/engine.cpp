// The engine as the web page's worker calls it: one run in memory per call,
// with options as on the command line, its results kept until the next call.
#include <algorithm>
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

// What a run from the page keeps of standard output and of standard error; the
// rest is counted (levezetPartCut). The width lines of tuple comparisons grow
// with the square of the input, and a page holds far less than they can reach.
constexpr std::size_t pageTextLimit = std::size_t{64} << 20;

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

// The text of the last run that levezetPart names.
const std::string& partOf(int part) {
  switch (part) {
    case 0:
      return lastRun.output;
    case 1:
      return lastRun.standardOutput;
    case 2:
      return lastRun.standardError;
    default:
      return lastRun.data;
  }
}

// The page's own switch, which the command line does not have: the
// explanations and the graph as JSON in part 3 instead of text on standard
// output. Taken out of `options` (before a "--"); true when it was there.
constexpr const char* dataSwitch = "--data";

bool takeDataSwitch(std::vector<std::string>& options) {
  const auto end = std::find(options.begin(), options.end(), "--");
  const auto found = std::find(options.begin(), end, dataSwitch);
  if (found == end) {
    return false;
  }
  options.erase(found);
  return true;
}

}  // namespace

extern "C" {

// Runs the `length` bytes at `input` as the input file, under the arguments in
// `options` (`optionsLength` bytes, see unpackOptions): -w, --trace,
// --explain and --graph act as on the command line, --data as takeDataSwitch
// says, the first file name is the name diagnostics give the input, and the
// other options change nothing here. Returns a RunStatus; the texts are read
// with levezetPart.
int levezetRun(const char* input, std::size_t length, const char* options,
               std::size_t optionsLength) {
  std::vector<std::string> arguments = unpackOptions(options, optionsLength);
  const bool reportsAsData = takeDataSwitch(arguments);
  const Options parsed = parseOptions(arguments);
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
  lastRun = runInMemory({input, length}, settings, workLimit, reportsAsData, pageTextLimit);
  switch (lastRun.status) {
    case MemoryRunStatus::completed:
      return completed;
    case MemoryRunStatus::outOfMemory:
      return outOfMemory;
    default:
      return workLimitReached;
  }
}

// The bytes of the last run's output file (part 0), standard output (1),
// standard error (2) or data (3, see takeDataSwitch), and their number.
const char* levezetPart(int part) { return partOf(part).data(); }

std::size_t levezetPartLength(int part) { return partOf(part).size(); }

// The bytes of the last run's standard output (part 1) or standard error (2)
// that were left out beyond the engine's limit, at the end; 0 for the output
// file (part 0) and the data (3), which are never cut.
double levezetPartCut(int part) {
  return static_cast<double>(part == 1   ? lastRun.standardOutputCut
                             : part == 2 ? lastRun.standardErrorCut
                                         : 0);
}

// Sets the work limit of later runs; 0 lifts it (for measurements).
void levezetSetWorkLimit(unsigned units) { workLimit = units; }

}  // extern "C"
