#include "relation/tuple_text.h"

#include <string>

namespace {

std::string_view takeStringValue(std::string_view& rest, bool lastColumn) {
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

std::string_view takeBareValue(std::string_view& rest, bool lastColumn) {
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

template <typename Sink>
void cutTupleText(const std::vector<bool>& stringColumn, std::string_view text, Sink&& sink) {
  if (!text.empty() && text.back() == '\n') {
    text.remove_suffix(1);
  }
  for (std::size_t column = 0; column < stringColumn.size(); ++column) {
    const bool lastColumn = column + 1 == stringColumn.size();
    sink(stringColumn[column] ? takeStringValue(text, lastColumn)
                              : takeBareValue(text, lastColumn));
  }
}

}  // namespace

std::string tupleText(const Tuple& tuple, const std::vector<ValueType>& types) {
  std::string text;
  for (std::size_t c = 0; c < tuple.size(); ++c) {
    const std::string_view quote = c < types.size() && types[c].isString() ? "'" : "";
    text.append(c == 0 ? "" : ",").append(quote).append(tuple[c]).append(quote);
  }
  return text;
}

std::vector<bool> stringColumns(const std::vector<ValueType>& types) {
  std::vector<bool> result(types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    result[i] = types[i].isString();
  }
  return result;
}

Tuple parseTupleText(const std::vector<ValueType>& types, std::string_view text) {
  Tuple tuple;
  cutTupleText(stringColumns(types), text,
               [&tuple](std::string_view value) { tuple.emplace_back(value); });
  return tuple;
}

void appendTupleRow(const std::vector<bool>& stringColumn, std::string_view text, RowBuffer& rows) {
  cutTupleText(stringColumn, text,
               [&rows](std::string_view value) { rows.cells.push_back(makeValue(value)); });
  ++rows.count;
}

void appendTupleRow(const std::vector<ValueType>& types, std::string_view text, RowBuffer& rows) {
  appendTupleRow(stringColumns(types), text, rows);
}
