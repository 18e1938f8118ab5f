#include "algebra/project.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "relation/work_meter.h"

namespace {

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

// The result of projecting `source` onto `columns`, of which those at or past
// its width name no column. A column found takes the source's attribute and
// type (none where the source has none), where the source's lists end its
// fallback name and "int"; a column not found gets its fallback name and
// "int", and the result no tuples. The fallback name is the item that chose
// the column (`items`, one per column) or without items its column reference.
Relation projectChosen(const Relation& source, std::string name,
                       const std::vector<std::size_t>& columns,
                       const std::vector<const std::string*>* items, bool repeatsAllowed) {
  const std::vector<std::string>& attributes = source.attributes();
  const std::vector<ValueType>& types = source.types();
  const auto fallbackName = [&](std::size_t k) {
    return items != nullptr ? *(*items)[k] : columnReference(columns[k]);
  };
  std::vector<std::string> resultAttributes;
  std::vector<ValueType> resultTypes;
  bool allFound = true;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    const std::size_t column = columns[k];
    if (column >= source.width()) {
      allFound = false;
      resultAttributes.push_back(fallbackName(k));
      resultTypes.emplace_back(intType);
      continue;
    }
    if (!attributes.empty()) {
      resultAttributes.push_back(column < attributes.size() ? attributes[column] : fallbackName(k));
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
  constexpr std::size_t noColumn = static_cast<std::size_t>(-1);
  std::vector<std::size_t> columns;
  std::vector<const std::string*> chosenBy;
  std::size_t itemBytes = 0;
  for (const std::string& item : items) {
    itemBytes += item.size() + 1;
    std::size_t column = 0;
    if (!item.empty()) {
      columns.push_back(findColumn(source, item, column) ? column : noColumn);
      chosenBy.push_back(&item);
    }
  }
  chargeWork(itemBytes, source.attributes().size());  // each item looked up by name
  return projectChosen(source, std::move(name), columns, &chosenBy, repeatsAllowed);
}

Relation projectColumns(const Relation& source, std::string name,
                        const std::vector<std::size_t>& columns, bool repeatsAllowed) {
  chargeWork(columns.size(), 1);
  return projectChosen(source, std::move(name), columns, nullptr, repeatsAllowed);
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
