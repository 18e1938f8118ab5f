// Projection: chosen columns of a relation, duplicates dropped.
#ifndef ALGEBRA_PROJECT_H_
#define ALGEBRA_PROJECT_H_

#include <optional>
#include <string>
#include <vector>

#include "relation/relation.h"

// The columns of `source` that `items` choose, in item order, under `name`:
// an item starting with a variable initial names the first column of that
// attribute name, any other item is a column number after its first byte
// ($1). A column may be chosen more than once. Attributes and types follow
// the chosen columns (none are added where the source has none). Empty items
// are skipped.
// No item at all gives the single empty tuple when the source has a tuple,
// and no tuple otherwise. An item naming no column gives a column with the
// item's text as its attribute and the type "int", and no tuples at all.
// A source tuple lacking a chosen column gives no row. The result never
// repeats a row, unless `repeatsAllowed`: a caller that only unites the result
// into a set may take the rows as they come.
Relation project(const Relation& source, std::string name, const std::vector<std::string>& items,
                 bool repeatsAllowed = false);

// The columns `columns` of `source`, in order, under `name`, as projecting onto
// their references ($0,$2) would: a column at or past the source's width
// gives a column named by its reference, of type "int", and no tuples.
Relation projectColumns(const Relation& source, std::string name,
                        const std::vector<std::size_t>& columns, bool repeatsAllowed = false);

// The first non-empty item of `items` that names no column of `source`.
std::optional<std::string> unknownProjectionItem(const Relation& source,
                                                 const std::vector<std::string>& items);

#endif  // ALGEBRA_PROJECT_H_
