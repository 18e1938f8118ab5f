#include "algebra/project.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "input/line_reader.h"
#include "relation/work_meter.h"

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
  chargeWork(projectionText.size(), attributes.size());  // each item looked up by name
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

RowBuffer buildRows(const Relation& source, const std::vector<std::size_t>& columns) {
  RowBuffer rows(columns.size());
  const std::size_t count = source.rowCount();
  chargeWork(count, columns.size());
  rows.cells.reserve(count * columns.size());
  for (std::size_t i = 0; i < count; ++i) {
    const Row row = source.row(i);
    bool complete = true;
    for (std::size_t column : columns) {
      if (column >= row.size()) {
        complete = false;
        break;
      }
    }
    if (!complete) {
      continue;
    }
    for (std::size_t column : columns) {
      rows.cells.push_back(row[column]);
    }
    ++rows.count;
  }
  return rows;
}

bool isIdentity(const Relation& source, const std::vector<std::size_t>& columns) {
  std::size_t rowWidth = 0;
  if (!source.hasUniformWidth(rowWidth) || rowWidth != columns.size()) {
    return false;
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] != i) {
      return false;
    }
  }
  return true;
}

// True when every column of the source's rows is chosen, so that distinct
// rows stay distinct.
bool keepsEveryColumn(const Relation& source, const std::vector<std::size_t>& columns) {
  std::size_t rowWidth = 0;
  if (!source.hasUniformWidth(rowWidth)) {
    return false;
  }
  std::vector<bool> chosen(rowWidth, false);
  for (std::size_t column : columns) {
    if (column < rowWidth) {
      chosen[column] = true;
    }
  }
  return std::find(chosen.begin(), chosen.end(), false) == chosen.end();
}

// Fills `result`, whose schema is set, with the chosen columns of the rows.
void takeRows(const Relation& source, const std::vector<std::size_t>& columns, bool repeatsAllowed,
              Relation& result) {
  if (source.rowCount() == 0) {
    return;
  }
  if (columns.empty()) {
    result.insertTuple(Tuple());
  } else if (isIdentity(source, columns)) {
    if (!repeatsAllowed && !source.isDuplicateFree()) {
      source.normalize();
    }
    result.setTuplesOf(source);
  } else if (source.isDuplicateFree() && keepsEveryColumn(source, columns)) {
    result.addRows(buildRows(source, columns), true);
  } else {
    result.addRows(buildRows(source, columns));
    if (!repeatsAllowed) {
      result.normalize();
    }
  }
}

}  // namespace

Relation project(const Relation& source, std::string name, const std::string& projectionText,
                 bool repeatsAllowed) {
  Relation result(std::move(name), {}, {});
  const ChosenColumns chosen = chooseColumns(source, projectionText, result);
  if (chosen.allFound) {
    takeRows(source, chosen.columns, repeatsAllowed, result);
  }
  return result;
}

Relation projectColumns(const Relation& source, std::string name,
                        const std::vector<std::size_t>& columns, bool repeatsAllowed) {
  const std::vector<std::string>& attributes = source.attributes();
  const std::vector<ValueType>& types = source.types();
  chargeWork(columns.size(), 1);
  std::vector<std::string> resultAttributes;
  std::vector<ValueType> resultTypes;
  bool allFound = true;
  for (std::size_t column : columns) {
    if (column >= source.width()) {
      allFound = false;
      resultAttributes.push_back(columnReference(column));
      resultTypes.emplace_back(intType);
      continue;
    }
    if (!attributes.empty()) {
      resultAttributes.push_back(column < attributes.size() ? attributes[column]
                                                            : columnReference(column));
    }
    if (!types.empty()) {
      resultTypes.push_back(column < types.size() ? types[column] : ValueType(intType));
    }
  }
  Relation result(std::move(name), std::move(resultTypes), std::move(resultAttributes));
  if (allFound) {
    takeRows(source, columns, repeatsAllowed, result);
  }
  return result;
}

Relation projectOntoNames(const Relation& source, const std::vector<std::string>& names,
                          std::size_t leading) {
  std::vector<std::size_t> columns;
  const std::vector<std::string>& attributes = source.attributes();
  for (std::size_t column = 0; column < attributes.size(); ++column) {
    if (column < leading ||
        std::find(names.begin(), names.end(), attributes[column]) != names.end()) {
      columns.push_back(column);
    }
  }
  return projectColumns(source, source.name(), columns);
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
