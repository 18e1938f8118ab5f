// The tuple line syntax: values separated by commas, those of "string"
// columns between single quotes, no escapes, nothing trimmed. Input tuple
// lines, rule constants and output tuple lines all use it.
#ifndef INPUT_TUPLE_LINE_H_
#define INPUT_TUPLE_LINE_H_

#include <string>
#include <string_view>
#include <vector>

#include "input/char_class.h"

// A line that holds a tuple: it starts with a digit or a quote.
inline bool isTupleLine(std::string_view line) {
  return !line.empty() &&
         (isDigit(static_cast<unsigned char>(line.front())) || line.front() == '\'');
}

// Which columns a relation's first tuple line makes "string" columns: one per
// comma-separated piece, a piece starting with a digit is a number, any other
// piece (the empty one too) is text.
std::vector<bool> stringColumnsOf(const std::string& firstTupleLine);

namespace tuple_line_detail {

inline std::string_view takeStringValue(std::string_view& rest, bool lastColumn) {
  rest.remove_prefix(rest.empty() ? 0 : 1);  // opening quote, not checked
  const std::size_t quote = rest.find('\'');
  const std::string_view value = rest.substr(0, quote);
  if (quote != std::string_view::npos) {
    rest.remove_prefix(quote + 1);
  }
  if (!lastColumn) {
    rest.remove_prefix(rest.empty() ? 0 : 1);  // comma after the quote, not checked
  }
  return value;
}

inline std::string_view takeBareValue(std::string_view& rest, bool lastColumn) {
  if (lastColumn) {
    return rest;
  }
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    return rest;  // the next column reads the same text again
  }
  const std::string_view value = rest.substr(0, comma);
  rest.remove_prefix(comma + 1);
  return value;
}

}  // namespace tuple_line_detail

// Calls `take` with each value of the tuple that `text` denotes for columns
// of which `stringColumn` says which hold text: always exactly one value per
// column. A "string" value drops the byte before it (the opening quote) and
// runs to the next quote; any other value runs to the next comma, the last
// column taking the whole rest. One line feed at the end is ignored, and text
// after the last column is ignored. No text is ever rejected.
template <typename Take>
void cutTupleLine(const std::vector<bool>& stringColumn, std::string_view text, Take&& take) {
  if (!text.empty() && text.back() == '\n') {
    text.remove_suffix(1);
  }
  for (std::size_t column = 0; column < stringColumn.size(); ++column) {
    const bool lastColumn = column + 1 == stringColumn.size();
    take(stringColumn[column] ? tuple_line_detail::takeStringValue(text, lastColumn)
                              : tuple_line_detail::takeBareValue(text, lastColumn));
  }
}

// The tuple line of `values`: separated by commas, those of the columns that
// `stringColumn` marks between quotes, a value past its last column bare.
std::string tupleLineOf(const std::vector<std::string>& values,
                        const std::vector<bool>& stringColumn);

#endif  // INPUT_TUPLE_LINE_H_
