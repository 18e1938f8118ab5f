// One whole run: read the input file, evaluate its rules, write the output file.
#ifndef APP_DRIVER_H_
#define APP_DRIVER_H_

#include <functional>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "eval/groups.h"

// How a run goes: how recursive rule groups are evaluated, whether warnings
// about the rules are written, whether a report of the evaluation follows
// the run on standard error, the facts whose derivation follows it on
// standard output, whether the graph of the program follows them there, and
// whether a long run shows its progress on standard error.
struct RunSettings {
  RecursionMode mode = RecursionMode::semiNaive;
  bool showWarnings = true;
  bool trace = false;
  std::string inputName = "input";  // how diagnostics name the input file
  std::vector<std::string> explain = {};
  bool graph = false;
  bool progress = false;
};

// Runs the program on the two files. True when the run completed and the
// output file is in place; false after a message on standard error (a file
// that cannot be opened, read or written, the output naming the input, or
// memory running out), in which case an existing output file is unchanged.
// The explanations are written once the output file is in place.
bool runProgram(const std::string& inputName, const std::string& outputName,
                const RunSettings& settings = RunSettings());

// The message of a run that ran out of memory, before what it was doing.
inline constexpr const char* outOfMemoryMessage = "Elfogyott a memoria!! ";

// Where a run stands, for the message when memory runs out.
enum class RunPhase { reading, evaluating, writing, explaining };

// Where a run's console text goes: what it writes to standard output (the
// "sor1: " lines, the explanations, the graph) to `out`, the diagnostics and
// the trace report to `err`. With `data`, the explanations and the graph go
// there instead, as JSON (app/explain_data.h, app/graph_report.h).
struct ConsoleStreams {
  std::ostream* out = &std::cout;
  std::ostream* err = &std::cerr;
  std::ostream* data = nullptr;
};

// The whole run on streams: reads the program text from `input` and writes the
// output file's bytes to `output`, all of them in the writing phase. `commit`,
// when given, is called once they are written; the explanations follow it. False
// when reading the input fails, when `output` has failed or `commit` returned
// false (the phase tells which: reading, or writing). `phase`, when given,
// follows the run.
bool evaluateProgram(std::istream& input, std::ostream& output, RunPhase* phase = nullptr,
                     const RunSettings& settings = RunSettings(),
                     const ConsoleStreams& console = ConsoleStreams(),
                     const std::function<bool()>& commit = nullptr);

// What a run in `phase` was doing, for the message when memory runs out.
const char* activityText(RunPhase phase);

#endif  // APP_DRIVER_H_
