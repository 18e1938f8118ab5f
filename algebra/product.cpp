#include "algebra/product.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "algebra/integer_value.h"
#include "algebra/project.h"
#include "algebra/select.h"
#include "relation/large_table.h"
#include "relation/work_meter.h"

// A left column and the right column it must agree with.
struct JoinPair {
  std::size_t left;
  std::size_t right;
  bool compareBytes;
};

// Which columns of a joined row are kept: left columns first, then the
// right columns that paired with none.
struct KeptColumns {
  std::vector<std::size_t> left;
  std::vector<std::size_t> right;
  std::size_t width() const { return left.size() + right.size(); }
};

namespace {

constexpr const char* productName = "szorzat";

struct JoinPlan {
  std::vector<JoinPair> pairs;
  std::vector<bool> rightDropped;
  Relation combined;              // the combined schema, without tuples
  std::vector<std::size_t> kept;  // its columns that the result keeps
};

JoinPlan planJoin(const Relation& left, const Relation& right) {
  chargeWork(left.attributes().size(), right.attributes().size());  // every name pair compared
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
        plan.pairs.push_back({i, k, i < types.size() && types[i].isString()});
        plan.rightDropped[k] = true;
      }
    }
  }
  for (std::size_t p = 0; p < attributes.size(); ++p) {
    if (p < leftWidth || !plan.rightDropped[p - leftWidth]) {
      plan.kept.push_back(p);
    }
  }
  plan.combined = Relation(productName, std::move(types), std::move(attributes));
  return plan;
}

// The product as the tuples are combined, selected pair by pair and projected
// one operation at a time; used where tuple widths disagree with the schemas.
Relation productStepByStep(const Relation& left, const Relation& right, JoinPlan& plan) {
  Relation combined = std::move(plan.combined);
  left.normalize();
  right.normalize();
  std::size_t leftRowWidth = 0;
  std::size_t rightRowWidth = 0;
  if (left.hasUniformWidth(leftRowWidth) && right.hasUniformWidth(rightRowWidth)) {
    // The combined tuples all have one width, so inserting them one at a time
    // compares none of unequal widths: adding them at once gives the same set.
    chargeWork(left.rowCount(), leftRowWidth + rightRowWidth, right.rowCount());
    RowBuffer rows(leftRowWidth + rightRowWidth);
    for (std::size_t l = 0; l < left.rowCount(); ++l) {
      for (std::size_t r = 0; r < right.rowCount(); ++r) {
        rows.append(left.row(l));
        rows.cells.insert(rows.cells.end(), right.row(r).begin(), right.row(r).end());
      }
    }
    combined.addRows(std::move(rows));
  } else {
    chargeWork(left.rowCount(), 0, right.rowCount());  // each insertion charges its own walk
    std::vector<Value> values;
    for (std::size_t l = 0; l < left.rowCount(); ++l) {
      for (std::size_t r = 0; r < right.rowCount(); ++r) {
        values.assign(left.row(l).begin(), left.row(l).end());
        values.insert(values.end(), right.row(r).begin(), right.row(r).end());
        combined.insertRow(values);
      }
    }
  }
  const std::size_t leftWidth = left.attributes().size();
  for (const JoinPair& pair : plan.pairs) {
    combined = selectColumns(combined, productName,
                             {ColumnCondition{pair.left, "=", true, leftWidth + pair.right, ""}});
  }
  return projectColumns(combined, productName, plan.kept);
}

// The value under which a paired column is compared.
Value keyPart(Value value, bool compareBytes) {
  if (compareBytes || isPlainInteger(value)) {
    return value;
  }
  char buffer[valueBufferSize];
  const std::string key = integerKey(valueText(value, buffer));
  return makeValue(key.empty() ? std::string(1, '0') : key);
}

void appendJoinedRow(RowBuffer& rows, Row leftRow, Row rightRow, const KeptColumns& kept) {
  for (std::size_t column : kept.left) {
    rows.cells.push_back(leftRow[column]);
  }
  for (std::size_t column : kept.right) {
    rows.cells.push_back(rightRow[column]);
  }
  ++rows.count;
}

// The key of a row (the values its paired columns are compared under) and
// its hash.
Hash rowKey(Row row, const std::vector<JoinPair>& pairs, bool leftSide, Value* key) {
  Hash hash = 0;
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    key[p] = keyPart(row[leftSide ? pairs[p].left : pairs[p].right], pairs[p].compareBytes);
    hash = hash * 0x9E3779B97F4A7C15ULL + hashValue(key[p]);
  }
  return hash ^ (hash >> 29);
}

bool sameKey(const Value* a, const Value* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (!valuesEqual(a[i], b[i])) {
      return false;
    }
  }
  return true;
}

// Row positions grouped by bucket: the counting sort of `bucketOf`.
std::vector<std::uint32_t> groupByBucket(const std::vector<std::uint32_t>& bucketOf,
                                         std::vector<std::uint32_t>& heads) {
  for (std::uint32_t bucket : bucketOf) {
    ++heads[bucket + 1];
  }
  for (std::size_t b = 0; b + 1 < heads.size(); ++b) {
    heads[b + 1] += heads[b];
  }
  std::vector<std::uint32_t> order(bucketOf.size());
  std::vector<std::uint32_t> next(heads.begin(), heads.end() - 1);
  for (std::size_t i = 0; i < bucketOf.size(); ++i) {
    order[next[bucketOf[i]]++] = static_cast<std::uint32_t>(i);
  }
  return order;
}

// The smallest power of two not below `count`, and at least 1.
std::size_t powerOfTwoAtLeast(std::size_t count) {
  std::size_t power = 1;
  while (power < count) {
    power <<= 1;
  }
  return power;
}

}  // namespace

// One side of a hash join: each row's key (the values its paired columns are
// compared under) and kept values, stored bucket by bucket.
class JoinIndex {
 public:
  JoinIndex(const Relation& side, bool leftSide, const std::vector<JoinPair>& pairs,
            const std::vector<std::size_t>& keptColumns)
      : pairs_(pairs),
        leftSide_(leftSide),
        kept_(keptColumns),
        entryWidth_(pairs.size() + keptColumns.size()),
        mask_(powerOfTwoAtLeast(side.rowCount()) - 1) {
    const std::size_t rows = side.rowCount();
    std::vector<Value> keys(rows * pairs_.size());
    std::vector<std::uint32_t> bucketOf(rows);
    for (std::size_t i = 0; i < rows; ++i) {
      bucketOf[i] = static_cast<std::uint32_t>(
          rowKey(side.row(i), pairs_, leftSide_, keys.data() + i * pairs_.size()) & mask_);
    }
    heads_.assign(mask_ + 2, 0);
    const std::vector<std::uint32_t> order = groupByBucket(bucketOf, heads_);
    entries_.reserve(rows * entryWidth_);
    for (std::uint32_t i : order) {
      const Value* key = keys.data() + std::size_t{i} * pairs_.size();
      entries_.insert(entries_.end(), key, key + pairs_.size());
      const Row row = side.row(i);
      for (std::size_t column : kept_) {
        entries_.push_back(row[column]);
      }
    }
  }

  // True when the index is of the right side and pairs and keeps its columns
  // as `pairs` and `kept` do.
  bool servesRight(const std::vector<JoinPair>& pairs, const KeptColumns& kept) const {
    if (leftSide_ || pairs.size() != pairs_.size() || kept.right != kept_) {
      return false;
    }
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      if (pairs[p].right != pairs_[p].right || pairs[p].compareBytes != pairs_[p].compareBytes) {
        return false;
      }
    }
    return true;
  }

  bool ofLeftSide() const { return leftSide_; }
  std::size_t mask() const { return mask_; }
  std::size_t bucketSize(std::size_t bucket) const { return heads_[bucket + 1] - heads_[bucket]; }

  void prefetchHead(std::size_t bucket) const { __builtin_prefetch(&heads_[bucket]); }
  void prefetchEntries(std::size_t bucket) const {
    __builtin_prefetch(entries_.data() + std::size_t{heads_[bucket]} * entryWidth_);
  }

  // Calls `visit` with the kept values of each entry of `bucket` whose key is
  // `key`, until it returns false.
  template <typename Visit>
  void forEachEntry(std::size_t bucket, const Value* key, Visit&& visit) const {
    const std::size_t keyLength = pairs_.size();
    for (std::size_t e = heads_[bucket]; e < heads_[bucket + 1]; ++e) {
      const Value* entry = entries_.data() + e * entryWidth_;
      if (sameKey(entry, key, keyLength) && !visit(entry + keyLength)) {
        return;
      }
    }
  }

  std::size_t entryCount() const { return heads_.back(); }

  // The position of the entry whose kept values `visit` was given.
  std::size_t entryOf(const Value* keptValues) const {
    return static_cast<std::size_t>(keptValues - pairs_.size() - entries_.data()) / entryWidth_;
  }

 private:
  std::vector<JoinPair> pairs_;
  bool leftSide_;
  std::vector<std::size_t> kept_;
  std::size_t entryWidth_;
  std::size_t mask_;
  std::vector<std::uint32_t> heads_;
  LargeTable<Value> entries_;
};

namespace {

// The rows of a hash join's other side, keyed and put in the order of the
// buckets they probe, so that the probes walk the index forwards. The order
// is by the buckets' high bits, as many groups as there are rows: a few rows
// probing a large index cost no more than their own number.
class JoinProbe {
 public:
  JoinProbe(const Relation& side, const std::vector<JoinPair>& pairs, const JoinIndex& index)
      : index_(index), keyLength_(pairs.size()) {
    const std::size_t rows = side.rowCount();
    keys_.resize(rows * keyLength_);
    bucket_.resize(rows);
    std::size_t shift = 0;
    const std::size_t groups = powerOfTwoAtLeast(rows);
    while ((index.mask() >> shift) + 1 > groups) {
      ++shift;
    }
    std::vector<std::uint32_t> groupOf(rows);
    const bool leftSide = !index.ofLeftSide();
    for (std::size_t i = 0; i < rows; ++i) {
      bucket_[i] = static_cast<std::uint32_t>(
          rowKey(side.row(i), pairs, leftSide, keys_.data() + i * keyLength_) & index.mask());
      groupOf[i] = bucket_[i] >> shift;
    }
    std::vector<std::uint32_t> heads((index.mask() >> shift) + 2, 0);
    order_ = groupByBucket(groupOf, heads);
  }

  // The number of index entries in the buckets that the rows probe: at least
  // the number of matches.
  std::size_t candidateCount() const {
    std::size_t count = 0;
    for (std::uint32_t bucket : bucket_) {
      count += index_.bucketSize(bucket);
    }
    return count;
  }

  // Calls `visit` with each matching pair: the probing row's position and
  // the index entry's kept values.
  template <typename Visit>
  void forEachMatch(Visit&& visit) const {
    forEachProbe([&](std::uint32_t row) {
      index_.forEachEntry(bucket_[row], keys_.data() + std::size_t{row} * keyLength_,
                          [&](const Value* entryValues) {
                            visit(row, entryValues);
                            return true;
                          });
    });
  }

  // Calls `visit` once with each probing row's position that has a match.
  template <typename Visit>
  void forEachMatchedRow(Visit&& visit) const {
    forEachProbe([&](std::uint32_t row) {
      index_.forEachEntry(bucket_[row], keys_.data() + std::size_t{row} * keyLength_,
                          [&](const Value* /*entryValues*/) {
                            visit(row);
                            return false;
                          });
    });
  }

 private:
  // Calls `visit` with each probing row's position, in the order of the
  // buckets they probe. The buckets of the rows some places ahead are fetched
  // early: their bucket heads further ahead, their first entries nearer.
  template <typename Visit>
  void forEachProbe(Visit&& visit) const {
    constexpr std::size_t headsAhead = 16;
    constexpr std::size_t entriesAhead = 8;
    const std::size_t count = order_.size();
    for (std::size_t i = 0; i < count; ++i) {
      if (i + headsAhead < count) {
        index_.prefetchHead(bucket_[order_[i + headsAhead]]);
      }
      if (i + entriesAhead < count) {
        index_.prefetchEntries(bucket_[order_[i + entriesAhead]]);
      }
      visit(order_[i]);
    }
  }

  const JoinIndex& index_;
  std::size_t keyLength_;
  std::vector<Value> keys_;
  std::vector<std::uint32_t> bucket_;
  std::vector<std::uint32_t> order_;
};

// The index for this join: of the right side, kept by `indexes` where it has
// one, else built and kept there; without a keeper, of the smaller side.
const JoinIndex& indexFor(const Relation& left, const Relation& right, const JoinPlan& plan,
                          const KeptColumns& kept, std::vector<std::unique_ptr<JoinIndex>>* indexes,
                          std::unique_ptr<JoinIndex>& built) {
  if (indexes != nullptr) {
    for (const std::unique_ptr<JoinIndex>& index : *indexes) {
      if (index->servesRight(plan.pairs, kept)) {
        return *index;
      }
    }
  }
  const bool onLeft = indexes == nullptr && left.rowCount() < right.rowCount();
  const Relation& side = onLeft ? left : right;
  chargeWork(side.rowCount(), plan.pairs.size() + kept.width());
  built = std::make_unique<JoinIndex>(side, onLeft, plan.pairs, onLeft ? kept.left : kept.right);
  if (indexes == nullptr) {
    return *built;
  }
  indexes->push_back(std::move(built));
  return *indexes->back();
}

// The join's rows where the right side adds no column: each left row once,
// in the order of its first match (a right row that matches it again would
// only repeat it).
void semiJoinRows(const JoinProbe& probe, const JoinIndex& index, const Value* cells,
                  std::size_t width, const KeptColumns& kept, RowBuffer& rows) {
  const auto append = [&](const Value* leftRow, bool inIndex) {
    if (inIndex) {
      rows.cells.insert(rows.cells.end(), leftRow, leftRow + kept.left.size());
    } else {
      for (std::size_t column : kept.left) {
        rows.cells.push_back(leftRow[column]);
      }
    }
    ++rows.count;
  };
  if (index.ofLeftSide()) {
    std::vector<bool> taken(index.entryCount(), false);
    probe.forEachMatch([&](std::uint32_t /*row*/, const Value* leftValues) {
      const std::size_t entry = index.entryOf(leftValues);
      if (!taken[entry]) {
        taken[entry] = true;
        append(leftValues, true);
      }
    });
    return;
  }
  probe.forEachMatchedRow(
      [&](std::uint32_t row) { append(cells + std::size_t{row} * width, false); });
}

RowBuffer joinRows(const Relation& left, const Relation& right, const JoinPlan& plan,
                   const KeptColumns& kept, std::vector<std::unique_ptr<JoinIndex>>* indexes) {
  RowBuffer rows(kept.width());
  if (plan.pairs.empty()) {
    chargeWork(left.rowCount(), kept.width(), right.rowCount());
    rows.cells.reserve(left.rowCount() * right.rowCount() * kept.width());
    for (std::size_t l = 0; l < left.rowCount(); ++l) {
      for (std::size_t r = 0; r < right.rowCount(); ++r) {
        appendJoinedRow(rows, left.row(l), right.row(r), kept);
      }
    }
    return rows;
  }
  std::unique_ptr<JoinIndex> built;
  const JoinIndex& index = indexFor(left, right, plan, kept, indexes, built);
  const Relation& probing = index.ofLeftSide() ? right : left;
  chargeWork(probing.rowCount(), plan.pairs.size() + kept.width());
  const JoinProbe probe(probing, plan.pairs, index);
  const std::size_t candidates = probe.candidateCount();
  chargeWork(candidates, kept.width());
  const Value* cells = probing.cellData();
  const std::size_t width = probing.attributes().size();
  if (kept.right.empty()) {
    semiJoinRows(probe, index, cells, width, kept, rows);
    return rows;
  }
  // Room for every candidate: pages never written cost nothing.
  rows.cells.reserve(candidates * kept.width());
  if (index.ofLeftSide()) {
    probe.forEachMatch([&](std::uint32_t row, const Value* leftValues) {
      const Value* rightRow = cells + std::size_t{row} * width;
      rows.cells.insert(rows.cells.end(), leftValues, leftValues + kept.left.size());
      for (std::size_t column : kept.right) {
        rows.cells.push_back(rightRow[column]);
      }
      ++rows.count;
    });
  } else {
    probe.forEachMatch([&](std::uint32_t row, const Value* rightValues) {
      const Value* leftRow = cells + std::size_t{row} * width;
      for (std::size_t column : kept.left) {
        rows.cells.push_back(leftRow[column]);
      }
      rows.cells.insert(rows.cells.end(), rightValues, rightValues + kept.right.size());
      ++rows.count;
    });
  }
  return rows;
}

bool isKept(const NeededColumns* keep, std::size_t position, const std::string& name) {
  return keep == nullptr || position < keep->leading ||
         std::find(keep->names.begin(), keep->names.end(), name) != keep->names.end();
}

// The kept columns, and the result's attributes and types to match.
KeptColumns keptColumns(const Relation& left, const Relation& right, const JoinPlan& plan,
                        const NeededColumns* keep, Relation& result) {
  const Relation schema = projectColumns(plan.combined, productName, plan.kept);
  KeptColumns kept;
  std::vector<std::string> attributes;
  std::vector<ValueType> types;
  const std::size_t leftWidth = left.attributes().size();
  std::size_t position = 0;
  for (std::size_t p = 0; p < leftWidth + right.attributes().size(); ++p) {
    if (p >= leftWidth && plan.rightDropped[p - leftWidth]) {
      continue;
    }
    const std::string& name = schema.attributes()[position];
    if (isKept(keep, position, name)) {
      (p < leftWidth ? kept.left : kept.right).push_back(p < leftWidth ? p : p - leftWidth);
      attributes.push_back(name);
      if (position < schema.types().size()) {
        types.push_back(schema.types()[position]);
      }
    }
    ++position;
  }
  result = Relation(productName, std::move(types), std::move(attributes));
  return kept;
}

}  // namespace

namespace {

Relation productWith(const Relation& left, const Relation& right, const NeededColumns* keep,
                     std::vector<std::unique_ptr<JoinIndex>>* indexes) {
  JoinPlan plan = planJoin(left, right);
  if (!left.holdsRowsOfWidth(left.attributes().size()) ||
      !right.holdsRowsOfWidth(right.attributes().size())) {
    Relation result = productStepByStep(left, right, plan);
    return keep == nullptr ? result : projectOntoNames(result, keep->names, keep->leading);
  }
  Relation result;
  const KeptColumns kept = keptColumns(left, right, plan, keep, result);
  if (left.rowCount() == 0 || right.rowCount() == 0) {
    return result;
  }
  result.addRows(joinRows(left, right, plan, kept, indexes));
  return result;
}

}  // namespace

Relation product(const Relation& left, const Relation& right, const NeededColumns* keep) {
  return productWith(left, right, keep, nullptr);
}

IndexedRelation::IndexedRelation(Relation relation) : relation_(std::move(relation)) {}

IndexedRelation::~IndexedRelation() = default;

Relation product(const Relation& left, const IndexedRelation& right, const NeededColumns* keep) {
  return productWith(left, right.relation(), keep, &right.indexes_);
}
