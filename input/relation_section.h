// The relation section of the input file: blocks of a declaration line and
// the tuple lines of its relation, read in file order and checked as they
// are read.
#ifndef INPUT_RELATION_SECTION_H_
#define INPUT_RELATION_SECTION_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "input/diagnostics.h"
#include "input/line_reader.h"

// A declaration line cut as a relation's header: the name is the text before
// the first "(" (the whole line without one), the attributes the
// comma-separated text between that "(" and the line's last byte.
struct Declaration {
  std::string name;
  std::vector<std::string> attributes;
};

Declaration cutDeclaration(const std::string& line);

// The header as it is written out: name(a,b).
std::string headerText(const std::string& name, const std::vector<std::string>& attributes);

// One relation block as it begins.
struct RelationBlock {
  Declaration declaration;
  // Per column, whether it holds text, as the line after the declaration
  // (stringColumnsOf) says, whether or not that line is a tuple line.
  std::vector<bool> stringColumn;
  std::size_t firstTupleLine = 0;  // the number of the line after the declaration
};

// Told of the blocks of the relation section as they are read.
class RelationSectionSink {
 public:
  virtual ~RelationSectionSink() = default;
  virtual void beginRelation(const RelationBlock& block) = 0;
  // A tuple line of the block begun last, in file order.
  virtual void tupleLine(std::string_view line) = 0;
  virtual void endRelation() = 0;
};

// Reads the relation section to the end of the input, one block per
// declaration line: the line after it and the tuple lines that follow (lines
// starting with a digit or a quote) are its tuple lines. Empty lines between
// blocks are skipped. What the lines show is read otherwise than written goes
// to `warnings`.
void readRelationSection(LineReader& reader, Warnings& warnings, RelationSectionSink& sink);

#endif  // INPUT_RELATION_SECTION_H_
