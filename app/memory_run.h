// One run on a program held in memory, for a caller with no console and no
// files (the web page): the input file's bytes in; what the output file,
// standard output and standard error would receive, and how the run ended, out.
#ifndef APP_MEMORY_RUN_H_
#define APP_MEMORY_RUN_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/driver.h"

enum class MemoryRunStatus { completed, outOfMemory, workLimitReached };

struct MemoryRun {
  MemoryRunStatus status = MemoryRunStatus::completed;
  std::string output;          // the output file's bytes; empty unless completed
  std::string standardOutput;  // what the run writes there ("sor1: " lines, explanations)
  std::string standardError;   // diagnostics, the trace report, the message of a failed run
  std::string data;            // with reportsAsData: the explanations and the graph as JSON
  // Bytes the run wrote to standard output or error beyond the text limit,
  // left out of the texts above (which keep the first bytes).
  std::uint64_t standardOutputCut = 0;
  std::uint64_t standardErrorCut = 0;
};

// Runs `input` as the input file, as the command line runs a file under
// `settings`, without its prompts and success message. With a `workLimit`
// above 0, a run that would do more work (in units of relation/work_meter.h)
// stops with workLimitReached. With `reportsAsData`, the explanations and
// the graph the settings ask for go to `data` as JSON instead of to standard
// output as text. With a `textLimit` above 0, standard output and standard
// error each keep their first `textLimit` bytes and count the rest (`data` is
// never cut). A failed run (memory running out, the work limit) ends with its
// message on standard error, without a line end and beyond any limit, and the
// module stays usable. Forgets the long values of earlier runs. Throws
// nothing; one run at a time.
MemoryRun runInMemory(std::string_view input, const RunSettings& settings = RunSettings(),
                      std::size_t workLimit = 0, bool reportsAsData = false,
                      std::size_t textLimit = 0);

#endif  // APP_MEMORY_RUN_H_
