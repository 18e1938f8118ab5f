#include "app/relation_section.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "app/relation_checks.h"
#include "input/char_class.h"
#include "relation/render.h"
#include "relation/tuple_text.h"

namespace {

std::vector<ValueType> typesOfDataLine(const std::string& dataLine) {
  std::vector<ValueType> types;
  for (const std::string& piece : splitList(dataLine)) {
    const bool number = !piece.empty() && isDigit(static_cast<unsigned char>(piece.front()));
    types.emplace_back(number ? intType : stringType);
  }
  return types;
}

bool isTupleLine(const std::string& line) {
  return !line.empty() &&
         (isDigit(static_cast<unsigned char>(line.front())) || line.front() == '\'');
}

// Checks the lines of one relation block as they are read.
class BlockChecks {
 public:
  explicit BlockChecks(Warnings& warnings) : warnings_(warnings) {}

  void declaration(const std::string& line, std::size_t lineNumber, const Relation& relation,
                   bool followsTuples) {
    if (!warnings_.enabled()) {
      return;
    }
    checkDeclaration(line, lineNumber, relation, followsTuples, warnings_);
    const auto [first, isNew] = declared_.insert({relation.name(), lineNumber});
    if (!isNew) {
      warnings_.warn(Warning::duplicateDeclaration, lineNumber, 1,
                     {relation.name(), std::to_string(first->second)}, line);
    }
  }

  // `facts` are the line's own; a line of digits and commas in a relation
  // without "string" columns is stored as written.
  void tupleLine(const Relation& relation, const std::string& line, std::size_t lineNumber,
                 const LineReader::LineFacts& facts, bool firstDataLine, bool bareOnly) {
    if (!warnings_.enabled() || (bareOnly && !firstDataLine && facts.digitsAndCommasOnly &&
                                 facts.commas + 1 == relation.types().size())) {
      return;
    }
    if (firstDataLine &&
        checkFirstDataLine(line, lineNumber, relation.attributes().size(), warnings_)) {
      return;
    }
    checkTupleLine(relation.types(), line, lineNumber, warnings_);
  }

 private:
  Warnings& warnings_;
  std::map<std::string, std::size_t> declared_;
};

}  // namespace

std::vector<Relation> loadRelations(LineReader& reader, Warnings& warnings,
                                    std::vector<TupleLines>* lines) {
  std::vector<Relation> relations;
  BlockChecks checks(warnings);
  std::string line;
  bool haveLine = reader.readLine(line);
  bool followsTuples = false;
  while (haveLine && line.empty()) {
    haveLine = reader.readLine(line);
  }
  while (haveLine) {
    const std::string declaration = std::move(line);
    const std::size_t declarationLine = reader.lineNumber();
    haveLine = reader.readLine(line);  // the data line
    const std::vector<ValueType> types = typesOfDataLine(line);
    Relation relation(declaration, types);
    checks.declaration(declaration, declarationLine, relation, followsTuples);
    const std::vector<bool> stringColumn = stringColumns(types);
    const bool bareOnly =
        std::find(stringColumn.begin(), stringColumn.end(), true) == stringColumn.end();
    RowBuffer rows(types.size());
    const std::size_t firstLine = reader.lineNumber();
    bool firstDataLine = true;
    while (haveLine && isTupleLine(line)) {
      checks.tupleLine(relation, line, reader.lineNumber(), reader.lineFacts(), firstDataLine,
                       bareOnly);
      appendTupleRow(stringColumn, line, rows);
      firstDataLine = false;
      haveLine = reader.readLine(line);
    }
    followsTuples = !firstDataLine && haveLine && !line.empty();
    if (lines != nullptr) {
      lines->push_back(TupleLines{firstLine, rows});
    }
    relation.addRows(std::move(rows));
    relations.push_back(std::move(relation));
    while (haveLine && line.empty()) {
      haveLine = reader.readLine(line);
    }
  }
  return relations;
}

void writeRelations(const RelationList& knownRelations, std::ostream& out) {
  for (const Relation& relation : knownRelations) {
    writeRelation(relation, out);
  }
}
