// The declared relations of the input file, loaded into relations.
#ifndef RELATION_RELATION_LOADER_H_
#define RELATION_RELATION_LOADER_H_

#include <cstddef>
#include <vector>

#include "input/diagnostics.h"
#include "input/line_reader.h"
#include "relation/relation.h"

// Where the tuple lines of a declared relation stand: the first one's line
// number in the input, and the tuples in file order, repeats included.
struct TupleLines {
  std::size_t firstLine = 0;
  RowBuffer rows{0};
};

// Reads the relation section (readRelationSection) to the end of the input,
// one relation per declaration line, in file order: the name and attributes
// from the declaration, a column per value of the line after it, "int" where
// the value starts with a digit and "string" otherwise, and the tuples of its
// tuple lines. With `lines`, where each relation's tuple lines stood is added
// there, one entry per relation.
std::vector<Relation> loadRelations(LineReader& reader, Warnings& warnings,
                                    std::vector<TupleLines>* lines = nullptr);

#endif  // RELATION_RELATION_LOADER_H_
