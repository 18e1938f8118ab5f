#include "algebra/select.h"

#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "input/line_reader.h"
#include "relation/work_meter.h"

namespace {

std::vector<std::string> nonEmptyItems(const std::string& text) {
  std::vector<std::string> items;
  for (std::string& item : splitList(text)) {
    if (!item.empty()) {
      items.push_back(std::move(item));
    }
  }
  return items;
}

// The tuples of `source` that pass the test `testOf` makes of each condition
// for the relation it filters, applied in order; `source` when there is none.
template <typename Condition, typename TestOf>
Relation selectEach(const Relation& source, const std::string& name,
                    const std::vector<Condition>& conditions, TestOf testOf) {
  if (conditions.empty()) {
    return source;
  }
  Relation current;
  const Relation* input = &source;
  for (const Condition& condition : conditions) {
    Relation target(name, input->types(), input->attributes());
    if (input->rowCount() == 0) {
      return target;
    }
    testCondition(*input, target, testOf(*input, condition));
    current = std::move(target);
    input = &current;
  }
  return current;
}

}  // namespace

Relation select(const Relation& source, const std::string& name, const std::string& selectionText) {
  const std::vector<std::string> conditions = nonEmptyItems(selectionText);
  if (!conditions.empty()) {
    chargeWork(selectionText.size(), source.attributes().size());  // each name looked up
  }
  return selectEach(source, name, conditions, [](const Relation& input, const std::string& text) {
    return ConditionTest(input, cutCondition(text));
  });
}

Relation select(const Relation& source, const std::string& name, const ConditionParts& condition) {
  chargeWork(condition.text.size(), source.attributes().size());  // each name looked up
  Relation target(name, source.types(), source.attributes());
  if (source.rowCount() > 0) {
    testCondition(source, target, ConditionTest(source, condition));
  }
  return target;
}

Relation selectColumns(const Relation& source, const std::string& name,
                       const std::vector<ColumnCondition>& conditions) {
  if (!conditions.empty()) {
    chargeWork(conditions.size(), 1);
  }
  return selectEach(source, name, conditions,
                    [](const Relation& input, const ColumnCondition& condition) {
                      return ConditionTest(input, condition);
                    });
}
