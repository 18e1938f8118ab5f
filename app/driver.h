// One whole run: read the input file, evaluate its rules, write the output file.
#ifndef APP_DRIVER_H_
#define APP_DRIVER_H_

#include <istream>
#include <ostream>
#include <string>

#include "eval/groups.h"

// Runs the program on the two files. True when the run completed and the
// output file is in place; false after a message on standard error (a file
// that cannot be opened, read or written, the output naming the input, or
// memory running out), in which case an existing output file is unchanged.
// With `showWarnings` false, warnings about the rules are not written.
bool runProgram(const std::string& inputName, const std::string& outputName,
                bool showWarnings = true);

// Where a run stands, for the message when memory runs out.
enum class RunPhase { reading, evaluating, writing };

// The whole run on streams: reads the program text from `input` and writes the
// output file's bytes to `output` ("sor1: " lines and warnings go to standard
// output and standard error). False when reading the input fails. `phase`,
// when given, follows the run.
// `mode` chooses how recursive rule groups are evaluated; `showWarnings`
// whether warnings about the rules are written.
bool evaluateProgram(std::istream& input, std::ostream& output, RunPhase* phase = nullptr,
                     RecursionMode mode = RecursionMode::semiNaive, bool showWarnings = true);

#endif  // APP_DRIVER_H_
