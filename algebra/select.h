// Selection: the tuples of a relation that satisfy every condition of a text.
#ifndef ALGEBRA_SELECT_H_
#define ALGEBRA_SELECT_H_

#include <string>
#include <vector>

#include "algebra/condition.h"
#include "input/rule_model.h"
#include "relation/relation.h"

// Tuples of `source` that pass every comma-separated condition of
// `selectionText`, applied left to right, under `name`, with the source's
// attributes and types. An empty text (or one of empty items only) returns
// `source` unchanged, its own name included. Empty items are skipped.
Relation select(const Relation& source, const std::string& name, const std::string& selectionText);

// Tuples of `source` that pass `condition`, under `name`, with the source's
// attributes and types.
Relation select(const Relation& source, const std::string& name, const ConditionParts& condition);

// Tuples of `source` that pass every one of `conditions`, applied in order,
// under `name`; with no condition, `source` unchanged.
Relation selectColumns(const Relation& source, const std::string& name,
                       const std::vector<ColumnCondition>& conditions);

#endif  // ALGEBRA_SELECT_H_
