#include "algebra/product.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "algebra/condition.h"
#include "algebra/project.h"
#include "algebra/select.h"
#include "relation/large_table.h"
#include "relation/row.h"
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

void appendJoinedRow(RowBuffer& rows, Row leftRow, Row rightRow, const KeptColumns& kept) {
  for (std::size_t column : kept.left) {
    rows.cells.push_back(leftRow[column]);
  }
  for (std::size_t column : kept.right) {
    rows.cells.push_back(rightRow[column]);
  }
  ++rows.count;
}

// The key of a row (the join keys of its paired columns) and its hash.
Hash rowKey(const Value* row, const std::vector<JoinPair>& pairs, bool leftSide, Value* key) {
  RowHasher hasher;
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    key[p] = joinKey(row[leftSide ? pairs[p].left : pairs[p].right], pairs[p].compareBytes);
    hasher.add(key[p]);
  }
  return hasher.hash();
}

// The smallest power of two not below `count`, and at least 1.
std::size_t powerOfTwoAtLeast(std::size_t count) {
  std::size_t power = 1;
  while (power < count) {
    power <<= 1;
  }
  return power;
}

constexpr std::size_t noBucket = static_cast<std::size_t>(-1);

}  // namespace

// One side of a hash join: the kept values of its rows, stored bucket by
// bucket, each with its key (the values its paired columns are compared
// under) where the bucket does not tell it. A single key whose values are all
// numbers held in their codes, in a range not much wider than the rows are
// many, is its own bucket; other keys are hashed.
class JoinIndex {
 public:
  JoinIndex(const Relation& side, bool leftSide, const std::vector<JoinPair>& pairs,
            const std::vector<std::size_t>& keptColumns)
      : pairs_(pairs), leftSide_(leftSide), kept_(keptColumns) {
    const std::size_t rows = side.rowCount();
    const Value* cells = side.cellData();
    const std::size_t width = side.attributes().size();
    chooseBuckets(cells, rows, width);
    entryWidth_ = (direct_ ? 0 : pairs_.size()) + kept_.size();
    // Counted per bucket, then placed from the last row back, each at the end
    // of what its bucket has left: a bucket keeps its rows in their order.
    heads_.assign(buckets_ + 1, 0);
    std::vector<Value> key(pairs_.size());
    for (std::size_t i = 0; i < rows; ++i) {
      ++heads_[bucketOf(cells + i * width, key.data())];
    }
    for (std::size_t b = 1; b <= buckets_; ++b) {
      heads_[b] += heads_[b - 1];
    }
    entries_.assign(rows * entryWidth_, 0);
    for (std::size_t i = rows; i-- > 0;) {
      const Value* row = cells + i * width;
      const std::size_t bucket = bucketOf(row, key.data());
      Value* entry = entries_.data() + std::size_t{--heads_[bucket]} * entryWidth_;
      if (!direct_) {
        entry = std::copy(key.begin(), key.end(), entry);
      }
      for (std::size_t column : kept_) {
        *entry++ = row[column];
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
  std::size_t entryCount() const { return heads_.back(); }

  // Calls `visit(row, entry, keptValues)` for each of the `rows` rows of
  // `width` values at `cells` (rows of the other side) and each entry that
  // matches it: rows in order, a row's entries in order, until `visit`
  // returns false for that row. The buckets of rows some places ahead are
  // fetched early: their heads further ahead, their first entries nearer.
  template <typename Visit>
  void probe(const Value* cells, std::size_t rows, std::size_t width, Visit&& visit) const {
    constexpr std::size_t ahead = 16;
    const std::size_t keyLength = pairs_.size();
    std::vector<Value> keys(ahead * keyLength);
    std::size_t buckets[ahead];
    const auto prepare = [&](std::size_t row) {
      const std::size_t slot = row % ahead;
      buckets[slot] = probeBucketOf(cells + row * width, keys.data() + slot * keyLength);
      if (buckets[slot] != noBucket) {
        __builtin_prefetch(&heads_[buckets[slot]]);
      }
    };
    for (std::size_t row = 0; row < std::min(ahead, rows); ++row) {
      prepare(row);
    }
    for (std::size_t row = 0; row < rows; ++row) {
      const std::size_t near = row + ahead / 2;
      if (near < rows && buckets[near % ahead] != noBucket) {
        __builtin_prefetch(entries_.data() +
                           std::size_t{heads_[buckets[near % ahead]]} * entryWidth_);
      }
      const std::size_t bucket = buckets[row % ahead];
      if (bucket != noBucket) {
        const Value* key = keys.data() + (row % ahead) * keyLength;
        for (std::size_t e = heads_[bucket]; e < heads_[bucket + 1]; ++e) {
          const Value* entry = entries_.data() + e * entryWidth_;
          if (!direct_ && !rowsEqual(Row(entry, keyLength), Row(key, keyLength))) {
            continue;
          }
          if (!visit(row, e, entry + (direct_ ? 0 : keyLength))) {
            break;
          }
        }
      }
      if (row + ahead < rows) {
        prepare(row + ahead);
      }
    }
  }

 private:
  void chooseBuckets(const Value* cells, std::size_t rows, std::size_t width) {
    std::vector<Value> key(pairs_.size());
    Value low = pooledValueMark;
    Value high = 0;
    bool numbers = pairs_.size() == 1;
    for (std::size_t i = 0; numbers && i < rows; ++i) {
      rowKey(cells + i * width, pairs_, leftSide_, key.data());
      numbers = isInlineValue(key[0]);
      low = std::min(low, key[0]);
      high = std::max(high, key[0]);
    }
    if (numbers && rows > 0 && high - low <= 2 * rows + 64) {
      direct_ = true;
      base_ = low;
      buckets_ = std::size_t{high} - low + 1;
      return;
    }
    buckets_ = powerOfTwoAtLeast(rows);
  }

  // The bucket of a row of this side, its key left in `key`.
  std::size_t bucketOf(const Value* row, Value* key) const {
    const Hash hash = rowKey(row, pairs_, leftSide_, key);
    return direct_ ? key[0] - base_ : static_cast<std::size_t>(hash & (buckets_ - 1));
  }

  // The bucket a row of the other side looks in, its key left in `key`;
  // noBucket where no row of this side can match.
  std::size_t probeBucketOf(const Value* row, Value* key) const {
    const Hash hash = rowKey(row, pairs_, !leftSide_, key);
    if (!direct_) {
      return static_cast<std::size_t>(hash & (buckets_ - 1));
    }
    return isInlineValue(key[0]) && key[0] >= base_ && key[0] - base_ < buckets_ ? key[0] - base_
                                                                                 : noBucket;
  }

  std::vector<JoinPair> pairs_;
  bool leftSide_;
  std::vector<std::size_t> kept_;
  bool direct_ = false;
  Value base_ = 0;  // the key of the first bucket, where keys are their buckets
  std::size_t buckets_ = 1;
  std::size_t entryWidth_ = 0;
  std::vector<std::uint32_t> heads_;  // where each bucket begins; one more for the end
  LargeTable<Value> entries_;
};

namespace {

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

// Counts the rows a join gives, charging them as work a batch ahead.
class OutputMeter {
 public:
  explicit OutputMeter(std::size_t width) : width_(width) {}
  void count() {
    if (left_ == 0) {
      chargeWork(batch, width_);
      left_ = batch;
    }
    --left_;
  }

 private:
  static constexpr std::size_t batch = 1024;
  std::size_t width_;
  std::size_t left_ = 0;
};

// The join's rows where the right side adds no column: each left row once,
// in the order of its first match (a right row that matches it again would
// only repeat it).
void semiJoinRows(const JoinIndex& index, const Relation& probing, const KeptColumns& kept,
                  RowBuffer& rows) {
  const Value* cells = probing.cellData();
  const std::size_t width = probing.attributes().size();
  OutputMeter meter(kept.width());
  if (index.ofLeftSide()) {
    std::vector<bool> taken(index.entryCount(), false);
    index.probe(cells, probing.rowCount(), width,
                [&](std::size_t /*row*/, std::size_t entry, const Value* leftValues) {
                  if (!taken[entry]) {
                    taken[entry] = true;
                    meter.count();
                    rows.cells.append(leftValues, leftValues + kept.left.size());
                    ++rows.count;
                  }
                  return true;
                });
    return;
  }
  index.probe(cells, probing.rowCount(), width,
              [&](std::size_t row, std::size_t /*entry*/, const Value* /*rightValues*/) {
                meter.count();
                const Value* leftRow = cells + row * width;
                for (std::size_t column : kept.left) {
                  rows.cells.push_back(leftRow[column]);
                }
                ++rows.count;
                return false;
              });
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
  if (kept.right.empty()) {
    semiJoinRows(index, probing, kept, rows);
    return rows;
  }
  const Value* cells = probing.cellData();
  const std::size_t width = probing.attributes().size();
  OutputMeter meter(kept.width());
  if (index.ofLeftSide()) {
    index.probe(cells, probing.rowCount(), width,
                [&](std::size_t row, std::size_t /*entry*/, const Value* leftValues) {
                  meter.count();
                  const Value* rightRow = cells + row * width;
                  rows.cells.append(leftValues, leftValues + kept.left.size());
                  for (std::size_t column : kept.right) {
                    rows.cells.push_back(rightRow[column]);
                  }
                  ++rows.count;
                  return true;
                });
  } else {
    index.probe(cells, probing.rowCount(), width,
                [&](std::size_t row, std::size_t /*entry*/, const Value* rightValues) {
                  meter.count();
                  const Value* leftRow = cells + row * width;
                  for (std::size_t column : kept.left) {
                    rows.cells.push_back(leftRow[column]);
                  }
                  rows.cells.append(rightValues, rightValues + kept.right.size());
                  ++rows.count;
                  return true;
                });
  }
  return rows;
}

bool isKept(const NeededColumns* keep, std::size_t position, const std::string& name) {
  return keep == nullptr || position < keep->leading || keep->keepsName(name);
}

// The columns of `result` that `keep` keeps, in column order, under its name.
Relation keptColumnsOf(const Relation& result, const NeededColumns& keep) {
  std::vector<std::size_t> columns;
  const std::vector<std::string>& attributes = result.attributes();
  for (std::size_t column = 0; column < attributes.size(); ++column) {
    if (isKept(&keep, column, attributes[column])) {
      columns.push_back(column);
    }
  }
  return projectColumns(result, result.name(), columns);
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
    return keep == nullptr ? result : keptColumnsOf(result, *keep);
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
