#include "algebra/product.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "algebra/integer_value.h"
#include "algebra/project.h"
#include "algebra/select.h"

namespace {

constexpr const char* productName = "szorzat";

struct JoinPair {
  std::size_t left;
  std::size_t right;
  bool compareBytes;
};

struct JoinPlan {
  std::vector<JoinPair> pairs;
  std::vector<bool> rightDropped;
  Relation combined;  // the combined schema, without tuples
  std::string keptPositions;
};

JoinPlan planJoin(const Relation& left, const Relation& right) {
  JoinPlan plan;
  std::vector<std::string> attributes = left.attributes();
  attributes.insert(attributes.end(), right.attributes().begin(), right.attributes().end());
  std::vector<ValueType> types = left.types();
  types.insert(types.end(), right.types().begin(), right.types().end());
  const std::size_t leftWidth = left.attributes().size();
  plan.rightDropped.assign(right.attributes().size(), false);
  for (std::size_t i = 0; i < leftWidth; ++i) {
    for (std::size_t k = 0; k < right.attributes().size(); ++k) {
      if (left.attributes()[i] == right.attributes()[k]) {
        plan.pairs.push_back({i, k, i < types.size() && isStringType(types[i])});
        plan.rightDropped[k] = true;
      }
    }
  }
  for (std::size_t p = 0; p < attributes.size(); ++p) {
    if (p < leftWidth || !plan.rightDropped[p - leftWidth]) {
      plan.keptPositions += columnReference(p) + ",";
    }
  }
  if (!plan.keptPositions.empty()) {
    plan.keptPositions.pop_back();
  }
  plan.combined = Relation(productName, std::move(types), std::move(attributes));
  return plan;
}

bool allOfWidth(const Relation& relation, std::size_t width) {
  for (const Tuple& tuple : relation.tuples()) {
    if (tuple.size() != width) {
      return false;
    }
  }
  return true;
}

// The product as the tuples are combined, selected pair by pair and projected
// one operation at a time; used where tuple widths disagree with the schemas.
Relation productStepByStep(const Relation& left, const Relation& right, JoinPlan& plan) {
  Relation combined = std::move(plan.combined);
  for (const Tuple& leftTuple : left.tuples()) {
    for (const Tuple& rightTuple : right.tuples()) {
      Tuple tuple = leftTuple;
      tuple.insert(tuple.end(), rightTuple.begin(), rightTuple.end());
      combined.insertTuple(std::move(tuple));
    }
  }
  const std::size_t leftWidth = left.attributes().size();
  for (const JoinPair& pair : plan.pairs) {
    const std::string condition =
        columnReference(pair.left) + "=" + columnReference(leftWidth + pair.right);
    combined = select(combined, productName, condition);
  }
  return project(combined, productName, plan.keptPositions);
}

void appendKeyPart(std::string& key, const std::string& value, bool compareBytes) {
  const std::string part = compareBytes ? value : integerKey(value);
  key += std::to_string(part.size());
  key += ':';
  key += part;
}

std::string joinKey(const Tuple& tuple, const std::vector<JoinPair>& pairs, bool leftSide) {
  std::string key;
  for (const JoinPair& pair : pairs) {
    appendKeyPart(key, tuple[leftSide ? pair.left : pair.right], pair.compareBytes);
  }
  return key;
}

Tuple joinedRow(const Tuple& leftTuple, const Tuple& rightTuple, const JoinPlan& plan) {
  Tuple row = leftTuple;
  for (std::size_t k = 0; k < rightTuple.size(); ++k) {
    if (!plan.rightDropped[k]) {
      row.push_back(rightTuple[k]);
    }
  }
  return row;
}

std::vector<Tuple> hashJoin(const Relation& left, const Relation& right, const JoinPlan& plan) {
  std::unordered_map<std::string, std::vector<const Tuple*>> rightByKey;
  rightByKey.reserve(right.tuples().size());
  for (const Tuple& tuple : right.tuples()) {
    rightByKey[joinKey(tuple, plan.pairs, false)].push_back(&tuple);
  }
  std::vector<Tuple> rows;
  for (const Tuple& leftTuple : left.tuples()) {
    const auto found = rightByKey.find(joinKey(leftTuple, plan.pairs, true));
    if (found == rightByKey.end()) {
      continue;
    }
    for (const Tuple* rightTuple : found->second) {
      rows.push_back(joinedRow(leftTuple, *rightTuple, plan));
    }
  }
  return rows;
}

}  // namespace

Relation product(const Relation& left, const Relation& right) {
  JoinPlan plan = planJoin(left, right);
  if (!allOfWidth(left, left.attributes().size()) ||
      !allOfWidth(right, right.attributes().size())) {
    return productStepByStep(left, right, plan);
  }
  Relation result = project(plan.combined, productName, plan.keptPositions);
  if (left.tuples().empty() || right.tuples().empty()) {
    return result;
  }
  if (plan.pairs.empty()) {
    std::vector<Tuple> rows;
    rows.reserve(left.tuples().size() * right.tuples().size());
    for (const Tuple& leftTuple : left.tuples()) {
      for (const Tuple& rightTuple : right.tuples()) {
        rows.push_back(joinedRow(leftTuple, rightTuple, plan));
      }
    }
    result.insertTuples(std::move(rows));
    return result;
  }
  result.insertTuples(hashJoin(left, right, plan));
  return result;
}
