// Tuples and their text form (input/tuple_line.h) by a relation's column types.
#ifndef RELATION_TUPLE_TEXT_H_
#define RELATION_TUPLE_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

#include "relation/relation.h"

// The tuple that `text` denotes for the given column types, cut as
// cutTupleLine cuts it: always exactly one value per type.
Tuple parseTupleText(const std::vector<ValueType>& types, std::string_view text);

// The same tuple, appended to `rows` (whose width is the number of types).
void appendTupleRow(const std::vector<ValueType>& types, std::string_view text, RowBuffer& rows);

// The tuple in that form: values separated by commas, those of "string"
// columns between quotes, a value past the last type bare.
std::string tupleText(const Tuple& tuple, const std::vector<ValueType>& types);

// Which columns of `types` are "string" columns.
std::vector<bool> stringColumns(const std::vector<ValueType>& types);

// appendTupleRow with the string columns worked out beforehand.
void appendTupleRow(const std::vector<bool>& stringColumn, std::string_view text, RowBuffer& rows);

#endif  // RELATION_TUPLE_TEXT_H_
