#include "relation/tuple_text.h"

#include <string_view>

namespace {

std::string takeStringValue(std::string_view& rest, bool lastColumn) {
  rest.remove_prefix(rest.empty() ? 0 : 1);  // opening quote, not checked
  const std::size_t quote = rest.find('\'');
  std::string value(rest.substr(0, quote));
  if (quote != std::string_view::npos) {
    rest.remove_prefix(quote + 1);
  }
  if (!lastColumn) {
    rest.remove_prefix(rest.empty() ? 0 : 1);  // comma after the quote, not checked
  }
  return value;
}

std::string takeBareValue(std::string_view& rest, bool lastColumn) {
  if (lastColumn) {
    return std::string(rest);
  }
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    return std::string(rest);  // the next column reads the same text again
  }
  std::string value(rest.substr(0, comma));
  rest.remove_prefix(comma + 1);
  return value;
}

}  // namespace

Tuple parseTupleText(const std::vector<ValueType>& types, std::string text) {
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
  }
  std::string_view rest(text);
  Tuple tuple;
  tuple.reserve(types.size());
  for (std::size_t column = 0; column < types.size(); ++column) {
    const bool lastColumn = column + 1 == types.size();
    tuple.push_back(isStringType(types[column]) ? takeStringValue(rest, lastColumn)
                                                : takeBareValue(rest, lastColumn));
  }
  return tuple;
}
