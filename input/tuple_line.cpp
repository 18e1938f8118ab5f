#include "input/tuple_line.h"

#include "input/char_class.h"
#include "input/line_reader.h"

std::vector<bool> stringColumnsOf(const std::string& firstTupleLine) {
  std::vector<bool> stringColumn;
  for (const std::string& piece : splitList(firstTupleLine)) {
    stringColumn.push_back(piece.empty() || !isDigit(static_cast<unsigned char>(piece.front())));
  }
  return stringColumn;
}

std::string tupleLineOf(const std::vector<std::string>& values,
                        const std::vector<bool>& stringColumn) {
  std::string text;
  for (std::size_t c = 0; c < values.size(); ++c) {
    const std::string_view quote = c < stringColumn.size() && stringColumn[c] ? "'" : "";
    text.append(c == 0 ? "" : ",").append(quote).append(values[c]).append(quote);
  }
  return text;
}
