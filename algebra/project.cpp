#include "algebra/project.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "relation/work_meter.h"

namespace {

// A column a projection takes: `column` of the source when `found`, and the
// attribute it gets where the source names it not.
struct ChosenColumn {
  bool found = false;
  std::size_t column = 0;
  std::string fallbackName;
};

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
    result.insertRow(Row());
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

// The result of projecting `source` onto the columns of `chosen`: a column
// found takes the source's attribute and type (none where the source has
// none), its fallback name and "int" where the source's lists end; a column
// not found gets its fallback name and "int", and the result no tuples.
Relation projectChosen(const Relation& source, std::string name,
                       const std::vector<ChosenColumn>& chosen, bool repeatsAllowed) {
  const std::vector<std::string>& attributes = source.attributes();
  const std::vector<ValueType>& types = source.types();
  std::vector<std::string> resultAttributes;
  std::vector<ValueType> resultTypes;
  std::vector<std::size_t> columns;
  bool allFound = true;
  for (const ChosenColumn& choice : chosen) {
    const std::size_t column = choice.column;
    if (!choice.found) {
      allFound = false;
      resultAttributes.push_back(choice.fallbackName);
      resultTypes.emplace_back(intType);
      continue;
    }
    columns.push_back(column);
    if (!attributes.empty()) {
      resultAttributes.push_back(column < attributes.size() ? attributes[column]
                                                            : choice.fallbackName);
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

}  // namespace

Relation project(const Relation& source, std::string name, const std::vector<std::string>& items,
                 bool repeatsAllowed) {
  std::vector<ChosenColumn> chosen;
  std::size_t itemBytes = 0;
  for (const std::string& item : items) {
    itemBytes += item.size() + 1;
    if (!item.empty()) {
      chosen.push_back(ChosenColumn{false, 0, item});
      chosen.back().found = findColumn(source, item, chosen.back().column);
    }
  }
  chargeWork(itemBytes, source.attributes().size());  // each item looked up by name
  return projectChosen(source, std::move(name), chosen, repeatsAllowed);
}

Relation projectColumns(const Relation& source, std::string name,
                        const std::vector<std::size_t>& columns, bool repeatsAllowed) {
  chargeWork(columns.size(), 1);
  std::vector<ChosenColumn> chosen;
  chosen.reserve(columns.size());
  for (std::size_t column : columns) {
    chosen.push_back(ChosenColumn{column < source.width(), column, columnReference(column)});
  }
  return projectChosen(source, std::move(name), chosen, repeatsAllowed);
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
                                                 const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    std::size_t column = 0;
    if (!item.empty() && !findColumn(source, item, column)) {
      return item;
    }
  }
  return std::nullopt;
}
