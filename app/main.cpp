// The program's entry: options and file names from the command line or the
// console, one run, the success message, and a final key before the process ends.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/options.h"
#include "app/signals.h"

namespace {

constexpr const char* defaultInputName = "inputkteszt.txt";
constexpr const char* defaultOutputName = "outputk.txt";
constexpr const char* inputPrompt = "Adja meg az input file nev\xE9t!";
constexpr const char* outputPrompt = "Adja meg az output file nev\xE9t!";
constexpr const char* outputOnlyPrompt = "Adja meg az output file nev\xE9t is!";
constexpr const char* successMessage =
    "A program sikeresen lefutott. Egy gomb, es az enter leutesevel kilephet.";
constexpr const char* standardOutputFailed = "Nem tudtam irni a szabvanyos kimenetre!!";

// Prints `prompt` and reads one whitespace-delimited word into `name`; at the
// end of standard input `name` keeps its value.
void askName(const char* prompt, std::string& name) {
  std::cout << prompt << std::endl;
  std::string word;
  if (std::cin >> word) {
    name = word;
  }
}

// The file names: those given, the others asked for (or, when quiet, the defaults).
void chooseFiles(const Options& options, std::string& inputName, std::string& outputName) {
  const std::vector<std::string>& files = options.files;
  if (files.size() >= 2) {
    inputName = files[0];
    outputName = files[1];
  } else if (files.size() == 1) {
    inputName = files[0];
    if (!options.quiet) {
      askName(outputOnlyPrompt, outputName);
    }
  } else if (!options.quiet) {
    askName(inputPrompt, inputName);
    askName(outputPrompt, outputName);
  }
}

// True when everything meant for standard output and standard error reached
// them; otherwise says so on standard error, after `separator`, where it can.
bool consoleWritten(const char* separator) {
  std::cout.flush();
  if (std::cout.bad()) {
    std::cerr << separator << standardOutputFailed << std::flush;
    return false;
  }
  return !std::cerr.bad();
}

}  // namespace

int main(int argc, char* argv[]) {
  // Large blocks come straight from the system and go straight back when
  // freed, so that memory released while a big relation is built is reused.
  // Blocks of a few megabytes stay in the heap: a recursive rule makes such
  // buffers for every slice of new rows, and pages taken fresh from the
  // system each time cost more than the rows written into them; for the same
  // reason the heap keeps up to 32 MB free at its top instead of handing it
  // back at every free.
  mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
  prepareProcess();
  std::ios::sync_with_stdio(false);
  const Options options =
      parseOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  if (!options.error.empty()) {
    std::cerr << options.error << '\n' << "Lasd: levezet --help" << std::endl;
    return 2;
  }
  if (options.help || options.version) {
    std::cout << (options.help ? usageText() : versionLine() + '\n') << std::flush;
    return consoleWritten("") ? 0 : 1;
  }
  std::string inputName = defaultInputName;
  std::string outputName = defaultOutputName;
  chooseFiles(options, inputName, outputName);
  RunSettings settings = runSettingsOf(options);
  settings.progress = isatty(STDERR_FILENO) == 1;
  const bool completed = runProgram(inputName, outputName, settings);
  if (completed && !options.quiet) {
    std::cout << successMessage << std::endl;
  }
  const bool written = consoleWritten(completed ? "" : "\n");
  if (!options.quiet) {
    char key = 0;
    std::cin >> key;
  }
  return completed && written ? 0 : 1;
}
