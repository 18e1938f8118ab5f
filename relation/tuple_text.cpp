#include "relation/tuple_text.h"

#include <string>

#include "input/tuple_line.h"

std::string tupleText(const Tuple& tuple, const std::vector<ValueType>& types) {
  return tupleLineOf(tuple, stringColumns(types));
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
  cutTupleLine(stringColumns(types), text,
               [&tuple](std::string_view value) { tuple.emplace_back(value); });
  return tuple;
}

void appendTupleRow(const std::vector<bool>& stringColumn, std::string_view text, RowBuffer& rows) {
  cutTupleLine(stringColumn, text,
               [&rows](std::string_view value) { rows.cells.push_back(makeValue(value)); });
  ++rows.count;
}

void appendTupleRow(const std::vector<ValueType>& types, std::string_view text, RowBuffer& rows) {
  appendTupleRow(stringColumns(types), text, rows);
}
