// Loading the declared relations from the input file, and writing the list.
#ifndef APP_RELATION_LIST_H_
#define APP_RELATION_LIST_H_

#include <ostream>
#include <vector>

#include "input/line_reader.h"
#include "relation/relation.h"

// Reads the relation section to the end of the input, appending one relation
// per declaration line: the name and attributes from the declaration, the
// types from the line after it (a piece starting with a digit is "int", any
// other "string"), and the tuple lines that follow (lines starting with a digit
// or a quote). Empty lines between blocks are skipped.
void loadRelations(LineReader& reader, std::vector<Relation>& knownRelations);

// Writes every relation's block, in list order.
void writeRelations(const std::vector<Relation>& knownRelations, std::ostream& out);

#endif  // APP_RELATION_LIST_H_
