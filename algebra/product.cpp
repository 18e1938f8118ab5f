#include "algebra/product.h"

#include <string>
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

bool allRowsOfWidth(const Relation& relation, std::size_t expected) {
  std::size_t rowWidth = 0;
  return relation.rowCount() == 0 || (relation.hasUniformWidth(rowWidth) && rowWidth == expected);
}

// The product as the tuples are combined, selected pair by pair and projected
// one operation at a time; used where tuple widths disagree with the schemas.
Relation productStepByStep(const Relation& left, const Relation& right, JoinPlan& plan) {
  Relation combined = std::move(plan.combined);
  left.normalize();
  right.normalize();
  std::vector<Value> values;
  for (std::size_t l = 0; l < left.rowCount(); ++l) {
    for (std::size_t r = 0; r < right.rowCount(); ++r) {
      values.assign(left.row(l).begin(), left.row(l).end());
      values.insert(values.end(), right.row(r).begin(), right.row(r).end());
      combined.insertRow(values);
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

// The value under which a paired column is compared.
Value keyPart(Value value, bool compareBytes) {
  if (compareBytes) {
    return value;
  }
  char buffer[8];
  return makeValue(integerKey(valueText(value, buffer)));
}

// The right rows grouped by the values of their paired columns.
class JoinIndex {
 public:
  JoinIndex(const Relation& right, const std::vector<JoinPair>& pairs) : pairs_(pairs) {
    const std::size_t rows = right.rowCount();
    std::size_t buckets = 1;
    while (buckets < rows) {
      buckets <<= 1;
    }
    mask_ = buckets - 1;
    keys_.reserve(rows * pairs.size());
    std::vector<std::size_t> bucketOf(rows);
    heads_.assign(buckets + 1, 0);
    for (std::size_t i = 0; i < rows; ++i) {
      bucketOf[i] = appendKey(right.row(i), false, keys_) & mask_;
      ++heads_[bucketOf[i] + 1];
    }
    for (std::size_t b = 0; b < buckets; ++b) {
      heads_[b + 1] += heads_[b];
    }
    order_.resize(rows);
    std::vector<std::size_t> next(heads_.begin(), heads_.end() - 1);
    for (std::size_t i = 0; i < rows; ++i) {
      order_[next[bucketOf[i]]++] = i;
    }
  }

  // Calls `visit` with every right row index whose key matches the left row's.
  template <typename Visit>
  void forEachMatch(Row leftRow, Visit&& visit) {
    probe_.clear();
    const std::size_t bucket = appendKey(leftRow, true, probe_) & mask_;
    for (std::size_t k = heads_[bucket]; k < heads_[bucket + 1]; ++k) {
      const std::size_t candidate = order_[k];
      if (keyMatches(candidate)) {
        visit(candidate);
      }
    }
  }

 private:
  std::size_t appendKey(Row row, bool leftSide, std::vector<Value>& keys) const {
    std::size_t hash = 0;
    for (const JoinPair& pair : pairs_) {
      const Value part = keyPart(row[leftSide ? pair.left : pair.right], pair.compareBytes);
      keys.push_back(part);
      hash = hash * 0x9E3779B97F4A7C15ULL + hashValue(part);
    }
    return hash ^ (hash >> 29);
  }

  bool keyMatches(std::size_t candidate) const {
    const Value* key = keys_.data() + candidate * pairs_.size();
    for (std::size_t p = 0; p < pairs_.size(); ++p) {
      if (!valuesEqual(key[p], probe_[p])) {
        return false;
      }
    }
    return true;
  }

  const std::vector<JoinPair>& pairs_;
  std::size_t mask_ = 0;
  std::vector<Value> keys_;
  std::vector<std::size_t> heads_;
  std::vector<std::size_t> order_;
  std::vector<Value> probe_;
};

void appendJoinedRow(RowBuffer& rows, Row leftRow, Row rightRow, const JoinPlan& plan) {
  rows.cells.insert(rows.cells.end(), leftRow.begin(), leftRow.end());
  for (std::size_t k = 0; k < rightRow.size(); ++k) {
    if (!plan.rightDropped[k]) {
      rows.cells.push_back(rightRow[k]);
    }
  }
  ++rows.count;
}

RowBuffer joinRows(const Relation& left, const Relation& right, const JoinPlan& plan,
                   std::size_t resultWidth) {
  RowBuffer rows(resultWidth);
  if (plan.pairs.empty()) {
    rows.cells.reserve(left.rowCount() * right.rowCount() * resultWidth);
    for (std::size_t l = 0; l < left.rowCount(); ++l) {
      for (std::size_t r = 0; r < right.rowCount(); ++r) {
        appendJoinedRow(rows, left.row(l), right.row(r), plan);
      }
    }
    return rows;
  }
  JoinIndex index(right, plan.pairs);
  for (std::size_t l = 0; l < left.rowCount(); ++l) {
    const Row leftRow = left.row(l);
    index.forEachMatch(leftRow,
                       [&](std::size_t r) { appendJoinedRow(rows, leftRow, right.row(r), plan); });
  }
  return rows;
}

}  // namespace

Relation product(const Relation& left, const Relation& right) {
  JoinPlan plan = planJoin(left, right);
  if (!allRowsOfWidth(left, left.attributes().size()) ||
      !allRowsOfWidth(right, right.attributes().size())) {
    return productStepByStep(left, right, plan);
  }
  Relation result = project(plan.combined, productName, plan.keptPositions);
  if (left.rowCount() == 0 || right.rowCount() == 0) {
    return result;
  }
  std::size_t resultWidth = left.attributes().size();
  for (bool dropped : plan.rightDropped) {
    resultWidth += dropped ? 0 : 1;
  }
  result.addRows(joinRows(left, right, plan, resultWidth));
  return result;
}
