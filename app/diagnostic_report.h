// Diagnostics written for the user, in the form editors and build tools read:
//   FILE:LINE:COLUMN: figyelmeztetes: MESSAGE
//   the input line as it stands
//   a caret under the column
#ifndef APP_DIAGNOSTIC_REPORT_H_
#define APP_DIAGNOSTIC_REPORT_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "input/diagnostics.h"

// The message of one diagnostic, in Hungarian, ASCII, with its quoted pieces.
std::string diagnosticMessage(const Diagnostic& diagnostic);

// How diagnostics show the input's text. The messages and the lines go to
// `text` (a stream that escapes control bytes and converts the text for where
// it goes; null: the stream written to), the file name as given. `utf8Columns`:
// the file was read converted from UTF-8, and columns count its bytes as saved.
// `utf8Lines`: the lines are UTF-8 bytes, and the caret counts their characters.
struct TextForm {
  std::ostream* text = nullptr;
  bool utf8Columns = false;
  bool utf8Lines = false;
};

// Writes the first diagnosticLimit of `diagnostics` (in the order given) for
// the input file `fileName`, then a line that counts the rest of the `given`
// diagnostics (which the list may leave out) when there are some. A
// diagnostic without a line text takes the rule line of its number from
// `ruleLines`. Without a column, "COLUMN:" and the caret line are left out.
void writeDiagnostics(const std::vector<Diagnostic>& diagnostics, std::size_t given,
                      const std::string& fileName, const std::vector<std::string>& ruleLines,
                      std::ostream& out, const TextForm& form = TextForm());

#endif  // APP_DIAGNOSTIC_REPORT_H_
