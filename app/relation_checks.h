// What the relation lines' text shows the program reads otherwise than the
// user wrote: declarations that are not name(attributes), tuple lines whose
// values do not fit the columns, and blanks and quotes out of place.
#ifndef APP_RELATION_CHECKS_H_
#define APP_RELATION_CHECKS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "eval/diagnostics.h"
#include "relation/relation.h"

// A declaration line, read into `relation`. `followsTuples` when it came
// right after a tuple line, with no empty line between.
void checkDeclaration(const std::string& line, std::size_t lineNumber, const Relation& relation,
                      bool followsTuples, Warnings& warnings);

// The line after a declaration, whose values give the relation its columns:
// a blank that makes a column "string", or a count of values other than the
// declaration's attributes. True when it said something.
bool checkFirstDataLine(const std::string& line, std::size_t lineNumber, std::size_t attributeCount,
                        Warnings& warnings);

// A tuple line read by the relation's column types: the first place where
// the stored tuple is not what the line says.
void checkTupleLine(const std::vector<ValueType>& types, const std::string& line,
                    std::size_t lineNumber, Warnings& warnings);

#endif  // APP_RELATION_CHECKS_H_
