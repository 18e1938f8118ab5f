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

std::vector<Relation> loadRelations(LineReader& reader) {
  std::vector<Relation> relations;
  std::string line;
  bool haveLine = reader.readLine(line);
  while (haveLine && line.empty()) {
    haveLine = reader.readLine(line);
  }
  while (haveLine) {
    const std::string declaration = std::move(line);
    haveLine = reader.readLine(line);  // the data line
    const std::vector<ValueType> types = typesOfDataLine(line);
    Relation relation(declaration, types);
    const std::vector<bool> stringColumn = stringColumns(types);
    RowBuffer rows(types.size());
    while (haveLine && isTupleLine(line)) {
      appendTupleRow(stringColumn, line, rows);
      haveLine = reader.readLine(line);
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
