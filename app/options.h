// The command line: options before the file names, then up to two file names.
#ifndef APP_OPTIONS_H_
#define APP_OPTIONS_H_

#include <string>
#include <vector>

#include "app/driver.h"

struct Options {
  bool help = false;
  bool version = false;
  bool quiet = false;                // no success message, no final key, no questions
  bool noWarnings = false;           // no warnings on standard error
  bool trace = false;                // a report of the evaluation on standard error
  std::vector<std::string> explain;  // facts whose derivation goes to standard output
  bool graph = false;                // the program's graph in DOT on standard output
  std::vector<std::string> files;    // the arguments after the options
  std::string error;                 // what made the command line unusable, else empty
};

// Reads the arguments after the program name. An argument is an option while
// no file name has come, when it starts with "-" and is not "-" alone; "--"
// ends the options. "--explain" takes the argument after it, whatever it is.
// An unknown option, or "--explain" as the last argument, sets `error` to a
// one-line message naming it.
Options parseOptions(const std::vector<std::string>& arguments);

// The settings of a run as the options ask for them (warnings, the trace,
// the facts to explain, the graph); where the run goes and what it shows of its
// progress are the caller's.
RunSettings runSettingsOf(const Options& options);

// The usage text for --help, and the version line for --version.
const char* usageText();
std::string versionLine();

#endif  // APP_OPTIONS_H_
