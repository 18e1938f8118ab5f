#include "app/memory_run.h"

#include <new>
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "input/encoded_input.h"
#include "relation/value.h"
#include "relation/work_meter.h"

namespace {

constexpr const char* workLimitMessage = "Elfogyott a munkakeret!! ";

// Clears the value pool and the work limit when a run ends, however it ends.
class RunScope {
 public:
  explicit RunScope(std::size_t workLimit) {
    clearValuePool();
    if (workLimit > 0) {
      limitWork(workLimit);
    }
  }
  ~RunScope() {
    unlimitWork();
    clearValuePool();
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

}  // namespace

MemoryRun runInMemory(std::string_view input, const RunSettings& settings, std::size_t workLimit,
                      bool reportsAsData) {
  MemoryRun run;
  std::ostringstream standardOutput;
  std::ostringstream standardError;
  std::ostringstream data;
  RunState state;
  try {
    const RunScope scope(workLimit);
    ViewBuffer bytes(input);
    std::istream in(&bytes);
    std::ostringstream output;
    // With streams in memory, a failed read or write is memory running out.
    if (evaluateProgram(in, output, &state, settings,
                        {&standardOutput, &standardError, reportsAsData ? &data : nullptr})) {
      run.output = output.str();
    } else {
      run.status =
          state.refusedByStrict ? MemoryRunStatus::refusedByStrict : MemoryRunStatus::outOfMemory;
    }
  } catch (const WorkLimitReached&) {
    run.status = MemoryRunStatus::workLimitReached;
  } catch (const std::bad_alloc&) {
    run.status = MemoryRunStatus::outOfMemory;
  } catch (const std::length_error&) {  // a size beyond what can be asked for
    run.status = MemoryRunStatus::outOfMemory;
  }
  if (run.status == MemoryRunStatus::outOfMemory ||
      run.status == MemoryRunStatus::workLimitReached) {
    run.output.clear();
    standardError << (run.status == MemoryRunStatus::outOfMemory ? outOfMemoryMessage
                                                                 : workLimitMessage)
                  << activityText(state.phase);
  }
  run.reading = state.reading;
  run.standardOutput = standardOutput.str();
  run.standardError = standardError.str();
  if (run.status == MemoryRunStatus::completed) {
    run.data = data.str();
  }
  return run;
}
