#include "algebra/project.h"

#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "input/line_reader.h"

namespace {

struct ChosenColumns {
  std::vector<std::size_t> columns;
  bool allFound = true;
};

ChosenColumns chooseColumns(const Relation& source, const std::string& projectionText,
                            Relation& result) {
  ChosenColumns chosen;
  const std::vector<std::string>& attributes = source.attributes();
  const std::vector<ValueType>& types = source.types();
  std::vector<std::string> resultAttributes;
  std::vector<ValueType> resultTypes;
  for (const std::string& item : splitList(projectionText)) {
    if (item.empty()) {
      continue;
    }
    std::size_t column = 0;
    if (!findColumn(source, item, column)) {
      chosen.allFound = false;
      resultAttributes.push_back(item);
      resultTypes.emplace_back(intType);
      continue;
    }
    chosen.columns.push_back(column);
    if (!attributes.empty()) {
      resultAttributes.push_back(column < attributes.size() ? attributes[column] : item);
    }
    if (!types.empty()) {
      resultTypes.push_back(column < types.size() ? types[column] : ValueType(intType));
    }
  }
  result.setAttributes(std::move(resultAttributes));
  result.setTypes(std::move(resultTypes));
  return chosen;
}

std::vector<Tuple> buildRows(const std::vector<Tuple>& tuples,
                             const std::vector<std::size_t>& columns) {
  std::vector<Tuple> rows;
  rows.reserve(tuples.size());
  for (const Tuple& tuple : tuples) {
    Tuple row;
    row.reserve(columns.size());
    for (std::size_t column : columns) {
      if (column >= tuple.size()) {
        break;
      }
      row.push_back(tuple[column]);
    }
    if (row.size() == columns.size()) {
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

}  // namespace

Relation project(const Relation& source, std::string name, const std::string& projectionText) {
  Relation result(std::move(name), {}, {});
  const ChosenColumns chosen = chooseColumns(source, projectionText, result);
  if (!chosen.allFound || source.tuples().empty()) {
    return result;
  }
  if (chosen.columns.empty()) {
    result.insertTuple(Tuple());
    return result;
  }
  result.insertTuples(buildRows(source.tuples(), chosen.columns));
  return result;
}

std::optional<std::string> unknownProjectionItem(const Relation& source,
                                                 const std::string& projectionText) {
  for (const std::string& item : splitList(projectionText)) {
    std::size_t column = 0;
    if (!item.empty() && !findColumn(source, item, column)) {
      return item;
    }
  }
  return std::nullopt;
}
