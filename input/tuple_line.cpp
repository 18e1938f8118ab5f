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

bool isWholeNumber(std::string_view text) {
  const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (start == text.size()) {
    return false;
  }
  for (std::size_t i = start; i < text.size(); ++i) {
    if (!isDigit(static_cast<unsigned char>(text[i]))) {
      return false;
    }
  }
  return true;
}

std::string integerText(std::string_view text) {
  std::size_t position = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  const bool negative = position == 1 && text[0] == '-';
  while (position < text.size() && text[position] == '0') {
    ++position;
  }
  const std::size_t start = position;
  while (position < text.size() && isDigit(static_cast<unsigned char>(text[position]))) {
    ++position;
  }
  if (position == start) {
    return "0";
  }
  return (negative ? "-" : "") + std::string(text.substr(start, position - start));
}
