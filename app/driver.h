// One whole run: read the input file, evaluate its rules, write the output file.
#ifndef APP_DRIVER_H_
#define APP_DRIVER_H_

#include <string>

// Runs the program on the two files. True when the run completed and the
// output file is in place; false after a message on standard error (a file
// that cannot be opened, read or written, the output naming the input, or
// memory running out), in which case an existing output file is unchanged.
bool runProgram(const std::string& inputName, const std::string& outputName);

#endif  // APP_DRIVER_H_
