// The program's entry: file names from the command line or the console, one
// run, the success message, and a final key before the process ends.
#include <malloc.h>

#include <iostream>
#include <string>

#include "app/driver.h"

namespace {

constexpr const char* defaultInputName = "inputkteszt.txt";
constexpr const char* defaultOutputName = "outputk.txt";
constexpr const char* inputPrompt = "Adja meg az input file nev\xE9t!";
constexpr const char* outputPrompt = "Adja meg az output file nev\xE9t!";
constexpr const char* outputOnlyPrompt = "Adja meg az output file nev\xE9t is!";
constexpr const char* successMessage =
    "A program sikeresen lefutott. Egy gomb, es az enter leutesevel kilephet.";

// Prints `prompt` and reads one whitespace-delimited word into `name`; at the
// end of standard input `name` keeps its value.
void askName(const char* prompt, std::string& name) {
  std::cout << prompt << std::endl;
  std::string word;
  if (std::cin >> word) {
    name = word;
  }
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
  std::ios::sync_with_stdio(false);
  std::string inputName = defaultInputName;
  std::string outputName = defaultOutputName;
  if (argc >= 3) {
    inputName = argv[1];
    outputName = argv[2];
  } else if (argc == 2) {
    inputName = argv[1];
    askName(outputOnlyPrompt, outputName);
  } else {
    askName(inputPrompt, inputName);
    askName(outputPrompt, outputName);
  }
  const bool completed = runProgram(inputName, outputName);
  if (completed) {
    std::cout << successMessage << std::endl;
  }
  std::cout.flush();
  char key = 0;
  std::cin >> key;
  return completed ? 0 : 1;
}
