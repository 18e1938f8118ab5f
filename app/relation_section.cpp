#include "app/relation_section.h"

#include <string>
#include <utility>

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

}  // namespace

std::vector<Relation> loadRelations(LineReader& reader, std::vector<TupleLines>* lines) {
  std::vector<Relation> relations;
  std::string line;
  std::size_t lineNumber = 0;  // of `line`
  const auto next = [&reader, &line, &lineNumber] {
    ++lineNumber;
    return reader.readLine(line);
  };
  bool haveLine = next();
  while (haveLine && line.empty()) {
    haveLine = next();
  }
  while (haveLine) {
    const std::string declaration = std::move(line);
    haveLine = next();  // the data line
    const std::vector<ValueType> types = typesOfDataLine(line);
    Relation relation(declaration, types);
    const std::vector<bool> stringColumn = stringColumns(types);
    RowBuffer rows(types.size());
    const std::size_t firstLine = lineNumber;
    while (haveLine && isTupleLine(line)) {
      appendTupleRow(stringColumn, line, rows);
      haveLine = next();
    }
    if (lines != nullptr) {
      lines->push_back(TupleLines{firstLine, rows});
    }
    relation.addRows(std::move(rows));
    relations.push_back(std::move(relation));
    while (haveLine && line.empty()) {
      haveLine = next();
    }
  }
  return relations;
}

void writeRelations(const RelationList& knownRelations, std::ostream& out) {
  for (const Relation& relation : knownRelations) {
    writeRelation(relation, out);
  }
}
