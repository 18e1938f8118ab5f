// Sorting stored rows into tuple order, in their own storage.
#ifndef RELATION_ROW_SORT_H_
#define RELATION_ROW_SORT_H_

#include <cstddef>

#include "relation/growing_array.h"
#include "relation/value.h"

// Sorts the `rows` rows of `width` values that `cells` holds one after another
// into tuple order (values compared as byte strings, column by column) and
// drops repeated rows; returns the number of rows kept, which then fill the
// front of `cells`. Rows of up to four values are sorted where they stand.
std::size_t sortUniqueRows(GrowingArray<Value>& cells, std::size_t rows, std::size_t width);

#endif  // RELATION_ROW_SORT_H_
