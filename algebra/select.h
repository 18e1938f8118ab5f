// Selection: the tuples of a relation that satisfy every condition of a text.
#ifndef ALGEBRA_SELECT_H_
#define ALGEBRA_SELECT_H_

#include <string>

#include "relation/relation.h"

// Tuples of `source` that pass every comma-separated condition of
// `selectionText`, applied left to right, under `name`, with the source's
// attributes and types. An empty text (or one of empty items only) returns
// `source` unchanged, its own name included. Empty items are skipped.
Relation select(const Relation& source, const std::string& name, const std::string& selectionText);

#endif  // ALGEBRA_SELECT_H_
