// One whole run: read the input file, evaluate its rules, write the output file.
#ifndef APP_DRIVER_H_
#define APP_DRIVER_H_

#include <functional>
#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "eval/groups.h"
#include "input/encoded_input.h"
#include "input/encoding.h"

// How a run goes: how recursive rule groups are evaluated, whether warnings
// about the rules are written, whether a report of the evaluation follows
// the run on standard error, the facts whose derivation follows it on
// standard output, whether the graph of the program follows them there,
// whether a long run shows its progress on standard error, the input's
// encoding when it is not to be found out, and what the console shows and
// takes.
struct RunSettings {
  RecursionMode mode = RecursionMode::semiNaive;
  bool showWarnings = true;
  bool trace = false;
  std::string inputName = "input";  // how diagnostics name the input file
  std::vector<std::string> explain = {};
  bool graph = false;
  bool progress = false;
  std::optional<Encoding> encoding = std::nullopt;
  // Standard output, standard error: terminals that show UTF-8, so the
  // input's Latin-2 text goes there converted.
  bool utf8Out = false;
  bool utf8Err = false;
  // Text typed on the console (the facts) comes as UTF-8.
  bool utf8Typed = false;
  // Any diagnostic fails the run, shown or not: nothing is written.
  bool strict = false;
  // A failure message ends with a line feed (standard error is a terminal,
  // where the shell's prompt would run on after it).
  bool lineFeedAfterFailure = false;
};

// Runs the program on the two files. True when the run completed and the
// output file is in place; false after a message on standard error (a file
// that cannot be opened, read or written, the output naming the input,
// memory running out, or diagnostics under --strict), in which case an
// existing output file is unchanged. The explanations are written once the
// output file is in place.
bool runProgram(const std::string& inputName, const std::string& outputName,
                const RunSettings& settings = RunSettings());

// The message of a run that ran out of memory, before what it was doing.
inline constexpr const char* outOfMemoryMessage = "Elfogyott a memoria!! ";

// Where a run stands, for the message when memory runs out.
enum class RunPhase { reading, evaluating, writing, explaining };

// What a caller may follow of a run: where it stands; once the input is
// read, how it was read (the output file is written in its encoding); and
// whether --strict refused it for its diagnostics.
struct RunState {
  RunPhase phase = RunPhase::reading;
  InputReading reading;
  bool refusedByStrict = false;
};

// Where a run's console text goes: what it writes to standard output (the
// "sor1: " lines, the explanations, the graph) to `out`, the diagnostics and
// the trace report to `err`. With `data`, the explanations and the graph go
// there instead, as JSON (app/explain_data.h, app/graph_report.h).
struct ConsoleStreams {
  std::ostream* out = &std::cout;
  std::ostream* err = &std::cerr;
  std::ostream* data = nullptr;
};

// The whole run on streams: reads the program text from `input` (from where
// it stands; a stream that cannot be set back is read whole into memory
// first) and writes the output file's bytes to `output`, all of them in the
// writing phase. `commit`, when given, is called once they are written; the
// explanations follow it. False when reading the input fails, when `output`
// has failed or `commit` returned false (the phase tells which: reading, or
// writing), or when --strict refused the run before anything was written
// (`state` tells). `state`, when given, follows the run.
bool evaluateProgram(std::istream& input, std::ostream& output, RunState* state = nullptr,
                     const RunSettings& settings = RunSettings(),
                     const ConsoleStreams& console = ConsoleStreams(),
                     const std::function<bool()>& commit = nullptr);

// What a run in `phase` was doing, for the message when memory runs out.
const char* activityText(RunPhase phase);

#endif  // APP_DRIVER_H_
