#include "app/memory_run.h"

#include <new>
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "relation/value.h"
#include "relation/work_meter.h"

namespace {

constexpr const char* workLimitMessage = "Elfogyott a munkakeret!! ";

// Reads bytes that the caller keeps, without copying them.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view bytes) {
    // The get area is only read, never written through.
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

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
  RunPhase phase = RunPhase::reading;
  try {
    const RunScope scope(workLimit);
    ViewBuffer bytes(input);
    std::istream in(&bytes);
    std::ostringstream output;
    // With streams in memory, a failed read or write is memory running out.
    if (evaluateProgram(in, output, &phase, settings,
                        {&standardOutput, &standardError, reportsAsData ? &data : nullptr})) {
      run.output = output.str();
    } else {
      run.status = MemoryRunStatus::outOfMemory;
    }
  } catch (const WorkLimitReached&) {
    run.status = MemoryRunStatus::workLimitReached;
  } catch (const std::bad_alloc&) {
    run.status = MemoryRunStatus::outOfMemory;
  } catch (const std::length_error&) {  // a size beyond what can be asked for
    run.status = MemoryRunStatus::outOfMemory;
  }
  if (run.status != MemoryRunStatus::completed) {
    run.output.clear();
    standardError << (run.status == MemoryRunStatus::outOfMemory ? outOfMemoryMessage
                                                                 : workLimitMessage)
                  << activityText(phase);
  }
  run.standardOutput = standardOutput.str();
  run.standardError = standardError.str();
  if (run.status == MemoryRunStatus::completed) {
    run.data = data.str();
  }
  return run;
}
