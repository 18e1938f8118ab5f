// What the relation lines' text shows the program reads otherwise than the
// user wrote: declarations that are not name(attributes), tuple lines whose
// values do not fit the columns, and blanks and quotes out of place.
#ifndef INPUT_RELATION_CHECKS_H_
#define INPUT_RELATION_CHECKS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "input/diagnostics.h"
#include "input/relation_section.h"

// A declaration line, cut into `declaration`. `followsTuples` when it came
// right after a tuple line, with no empty line between.
void checkDeclaration(const std::string& line, std::size_t lineNumber,
                      const Declaration& declaration, bool followsTuples, Warnings& warnings);

// The line after a declaration, whose values give the relation its columns:
// a blank that makes a column "string", or a count of values other than the
// declaration's attributes. True when it said something.
bool checkFirstDataLine(const std::string& line, std::size_t lineNumber, std::size_t attributeCount,
                        Warnings& warnings);

// A tuple line read by the relation's columns (`stringColumn` marks those
// that hold text): the first place where the stored tuple is not what the
// line says.
void checkTupleLine(const std::vector<bool>& stringColumn, const std::string& line,
                    std::size_t lineNumber, Warnings& warnings);

#endif  // INPUT_RELATION_CHECKS_H_
