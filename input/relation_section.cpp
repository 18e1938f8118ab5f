#include "input/relation_section.h"

#include <algorithm>
#include <map>
#include <utility>

#include "input/relation_checks.h"
#include "input/tuple_line.h"

namespace {

// Checks the lines of one relation block as they are read.
class BlockChecks {
 public:
  explicit BlockChecks(Warnings& warnings) : warnings_(warnings) {}

  void declaration(const std::string& line, std::size_t lineNumber, const Declaration& declaration,
                   bool followsTuples) {
    if (!warnings_.enabled()) {
      return;
    }
    checkDeclaration(line, lineNumber, declaration, followsTuples, warnings_);
    const auto [first, isNew] = declared_.insert({declaration.name, lineNumber});
    if (!isNew) {
      warnings_.warn(Warning::duplicateDeclaration, lineNumber, 1,
                     {declaration.name, std::to_string(first->second)}, line);
    }
  }

  // `facts` are the line's own; a line of values without blanks or quotes
  // in a relation without "string" columns is stored as written.
  void tupleLine(const RelationBlock& block, const std::string& line, std::size_t lineNumber,
                 const LineReader::LineFacts& facts, bool firstDataLine, bool bareOnly) {
    if (!warnings_.enabled() || (bareOnly && !firstDataLine && !facts.blankOrQuote &&
                                 facts.commas + 1 == block.stringColumn.size())) {
      return;
    }
    if (firstDataLine &&
        checkFirstDataLine(line, lineNumber, block.declaration.attributes.size(), warnings_)) {
      return;
    }
    checkTupleLine(block.stringColumn, line, lineNumber, warnings_);
  }

 private:
  Warnings& warnings_;
  std::map<std::string, std::size_t> declared_;
};

}  // namespace

Declaration cutDeclaration(const std::string& line) {
  Declaration declaration;
  const std::size_t open = line.find('(');
  declaration.name = line.substr(0, open);
  if (open != std::string::npos && open + 1 < line.size()) {
    declaration.attributes = splitList(line.substr(open + 1, line.size() - open - 2));
  }
  return declaration;
}

std::string headerText(const std::string& name, const std::vector<std::string>& attributes) {
  std::string header = name + '(';
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    header.append(i == 0 ? "" : ",").append(attributes[i]);
  }
  return header + ')';
}

void readRelationSection(LineReader& reader, Warnings& warnings, RelationSectionSink& sink) {
  BlockChecks checks(warnings);
  std::string line;
  bool haveLine = reader.readLine(line);
  bool followsTuples = false;
  while (haveLine && line.empty()) {
    haveLine = reader.readLine(line);
  }
  while (haveLine) {
    const std::string declarationLine = std::move(line);
    const std::size_t declarationNumber = reader.lineNumber();
    haveLine = reader.readLine(line);  // the data line
    const RelationBlock block{cutDeclaration(declarationLine), stringColumnsOf(line),
                              reader.lineNumber()};
    checks.declaration(declarationLine, declarationNumber, block.declaration, followsTuples);
    sink.beginRelation(block);
    const bool bareOnly = std::find(block.stringColumn.begin(), block.stringColumn.end(), true) ==
                          block.stringColumn.end();
    bool firstDataLine = true;
    while (haveLine && isTupleLine(line)) {
      checks.tupleLine(block, line, reader.lineNumber(), reader.lineFacts(), firstDataLine,
                       bareOnly);
      sink.tupleLine(line);
      firstDataLine = false;
      haveLine = reader.readLine(line);
    }
    followsTuples = !firstDataLine && haveLine && !line.empty();
    sink.endRelation();
    while (haveLine && line.empty()) {
      haveLine = reader.readLine(line);
    }
  }
}
