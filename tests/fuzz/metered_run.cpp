#include "metered_run.h"

#include <cstdlib>
#include <utility>

#include "app/memory_run.h"

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

}  // namespace

std::optional<CapturedRun> runMetered(const std::string& text, RecursionMode mode) {
  RunSettings settings;
  settings.mode = mode;
  MemoryRun run = runInMemory(text, settings, workLimit());
  if (run.status == MemoryRunStatus::workLimitReached) {
    return std::nullopt;
  }
  CapturedRun captured;
  captured.completed = run.status == MemoryRunStatus::completed;
  captured.output = std::move(run.output);
  captured.standardOutput = std::move(run.standardOutput);
  captured.standardError = std::move(run.standardError);
  return captured;
}

}  // namespace fuzzsupport
