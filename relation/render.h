// The text form in which relations are written to the output file.
#ifndef RELATION_RENDER_H_
#define RELATION_RENDER_H_

#include <ostream>
#include <string>

#include "relation/relation.h"

// Appends the relation's block: the header line name(a,b), one line per tuple
// in tuple order (values of "string" columns between single quotes, all others
// bare, a value beyond the last type tag bare too), then one empty line.
void writeRelation(const Relation& relation, std::ostream& out);

// The header line's text, name(a,b), without its line feed.
std::string headerText(const Relation& relation);

#endif  // RELATION_RENDER_H_
