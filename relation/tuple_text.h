// The tuple text form: values separated by commas, string values in quotes.
#ifndef RELATION_TUPLE_TEXT_H_
#define RELATION_TUPLE_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

#include "relation/relation.h"

// The tuple that `text` denotes for the given column types: always exactly one
// value per type. A "string" value drops the character before it (the opening
// quote) and runs to the next quote; any other value runs to the next comma, the
// last column taking the whole rest. One line feed at the end is ignored, and
// text after the last column is ignored. No text is ever rejected.
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
