// Loading the declared relations from the input file, and writing the list.
#ifndef APP_RELATION_SECTION_H_
#define APP_RELATION_SECTION_H_

#include <ostream>
#include <vector>

#include "eval/diagnostics.h"
#include "eval/relation_list.h"
#include "input/line_reader.h"
#include "relation/relation.h"

// Where the tuple lines of a declared relation stand: the first one's line
// number in the input, and the tuples in file order, repeats included.
struct TupleLines {
  std::size_t firstLine = 0;
  RowBuffer rows{0};
};

// Reads the relation section to the end of the input, one relation per
// declaration line, in file order: the name and attributes from the declaration, the
// types from the line after it (a piece starting with a digit is "int", any
// other "string"), and the tuple lines that follow (lines starting with a digit
// or a quote). Empty lines between blocks are skipped. What the lines show is
// read otherwise than written goes to `warnings`. With `lines`, where each
// relation's tuple lines stood is added there, one entry per relation.
std::vector<Relation> loadRelations(LineReader& reader, Warnings& warnings,
                                    std::vector<TupleLines>* lines = nullptr);

// Writes every relation's block, in list order.
void writeRelations(const RelationList& knownRelations, std::ostream& out);

#endif  // APP_RELATION_SECTION_H_
