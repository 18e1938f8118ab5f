#include "relation/relation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iostream>
#include <numeric>
#include <utility>

#include "relation/large_table.h"
#include "relation/row_sort.h"
#include "relation/work_meter.h"

// Where the rows of a duplicate-free store stand, by their hash, so that rows
// merged into it are looked up rather than sorted in with all the others.
// Built when a merge first asks for it, for the rows as they stand; rows
// appended later are added when the next merge asks. Copies start empty.
class RowPositions {
 public:
  RowPositions() = default;
  RowPositions(const RowPositions& /*other*/) {}
  RowPositions& operator=(const RowPositions& /*other*/) {
    clear();
    return *this;
  }
  RowPositions(RowPositions&&) noexcept = default;
  RowPositions& operator=(RowPositions&&) noexcept = default;

  // Forgets every position: the rows moved.
  void clear() {
    slots_ = LargeTable<std::uint32_t>();
    indexed_ = 0;
  }

  // The position of a row equal to `row` among the first `rows` rows of
  // `cells` (of `width` values each), or `rows` when none is; positions of
  // rows not yet held are added first.
  std::size_t find(const ValueCells& cells, std::size_t rows, std::size_t width, Row row);

  // Holds the position of the row just appended at `position`, which find
  // did not find.
  void add(std::size_t position, Hash hash);

  Hash lastHash() const { return lastHash_; }

 private:
  void grow(const ValueCells& cells, std::size_t width, std::size_t rows);
  void place(std::uint32_t position, Hash hash);

  LargeTable<std::uint32_t> slots_;  // position + 1; 0 for an empty slot
  std::size_t indexed_ = 0;          // rows whose positions are held
  Hash lastHash_ = 0;
};

struct Relation::Store {
  std::size_t width = 0;  // of every row, unless mixed
  std::size_t rows = 0;
  ValueCells cells;
  std::vector<std::size_t> offsets;  // where each row starts, when mixed; rows + 1 entries
  bool mixed = false;
  bool normalized = true;  // sorted and duplicate-free
  bool unique = true;      // duplicate-free, in any order
  RowPositions positions;  // while unique, not mixed, and merged into

  Row row(std::size_t index) const {
    if (mixed) {
      return {cells.data() + offsets[index], offsets[index + 1] - offsets[index]};
    }
    return {cells.data() + index * width, width};
  }

  void makeMixed() {
    offsets.resize(rows + 1);
    for (std::size_t i = 0; i <= rows; ++i) {
      offsets[i] = i * width;
    }
    mixed = true;
  }

  void insertAt(std::size_t position, Row row) {
    positions.clear();
    const std::size_t start = mixed ? offsets[position] : position * width;
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(start), row.begin(), row.end());
    if (mixed) {
      offsets.insert(offsets.begin() + static_cast<std::ptrdiff_t>(position), start);
      for (std::size_t i = position + 1; i < offsets.size(); ++i) {
        offsets[i] += row.size();
      }
    }
    ++rows;
  }

  void sortRows();
};

namespace {

std::ostream* widthReportStream = &std::cout;

// Written whenever two tuples of different widths are compared.
void reportWidthMismatch(Row first, Row second) {
  std::ostream& out = *widthReportStream;
  out << "sor1: " << first.size() << " sor2:" << second.size() << '\n';
  std::string line;
  for (Value value : first) {
    line.clear();
    appendValueText(line, value);
    line += '\n';
    out << line;
  }
}

int compareRows(Row a, Row b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int order = valueCompare(a[i], b[i]);
    if (order != 0) {
      return order;
    }
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

namespace {

// A position in [0, size) taken from the hash's high bits (size below 2^32).
std::size_t slotOf(Hash hash, std::size_t size) {
  return static_cast<std::size_t>(((hash >> 32) * size) >> 32);
}

}  // namespace

void RowPositions::place(std::uint32_t position, Hash hash) {
  std::size_t slot = slotOf(hash, slots_.size());
  while (slots_[slot] != 0) {
    slot = slot + 1 == slots_.size() ? 0 : slot + 1;
  }
  slots_[slot] = position + 1;
}

void RowPositions::grow(const ValueCells& cells, std::size_t width, std::size_t rows) {
  if ((rows + 1) * 2 > slots_.size()) {
    std::size_t size = 16;
    while ((rows + 1) * 2 > size) {
      size *= 2;
    }
    slots_.assign(size, 0);
    indexed_ = 0;
  }
  for (; indexed_ < rows; ++indexed_) {
    place(static_cast<std::uint32_t>(indexed_),
          hashRow(Row(cells.data() + indexed_ * width, width)));
  }
}

std::size_t RowPositions::find(const ValueCells& cells, std::size_t rows, std::size_t width,
                               Row row) {
  grow(cells, width, rows);
  lastHash_ = hashRow(row);
  for (std::size_t slot = slotOf(lastHash_, slots_.size()); slots_[slot] != 0;
       slot = slot + 1 == slots_.size() ? 0 : slot + 1) {
    const std::size_t position = slots_[slot] - 1;
    if (rowsEqual(Row(cells.data() + position * width, width), row)) {
      return position;
    }
  }
  return rows;
}

void RowPositions::add(std::size_t position, Hash hash) {
  if (position == indexed_ && (position + 2) * 2 <= slots_.size()) {
    place(static_cast<std::uint32_t>(position), hash);
    ++indexed_;
  }
}

WidthReportTarget::WidthReportTarget(std::ostream& stream) : previous_(widthReportStream) {
  widthReportStream = &stream;
}

WidthReportTarget::~WidthReportTarget() { widthReportStream = previous_; }

void Relation::Store::sortRows() {
  rows = sortUniqueRows(cells, rows, width);
  cells.resize(rows * width);
  cells.shrink_to_fit();
  normalized = true;
  unique = true;
  positions.clear();
}

bool rowGreater(Row first, Row second) {
  if (first.size() != second.size()) {
    reportWidthMismatch(first, second);
  }
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (i >= second.size()) {
      return true;
    }
    const int order = valueCompare(first[i], second[i]);
    if (order != 0) {
      return order > 0;
    }
  }
  return false;
}

const std::shared_ptr<Relation::Store>& Relation::emptyStore() {
  static const std::shared_ptr<Store> empty = std::make_shared<Store>();
  return empty;
}

Relation::Relation() : store_(emptyStore()) {}

Relation::Relation(std::string name, std::vector<ValueType> types,
                   std::vector<std::string> attributes)
    : name_(std::move(name)),
      types_(std::move(types)),
      attributes_(std::move(attributes)),
      store_(emptyStore()) {}

Relation::Store& Relation::ownStore() {
  if (store_.use_count() > 1) {
    store_ = std::make_shared<Store>(*store_);
  }
  return *store_;
}

std::vector<Tuple> Relation::tuples() const {
  normalize();
  std::vector<Tuple> result;
  result.reserve(store_->rows);
  for (std::size_t i = 0; i < store_->rows; ++i) {
    Tuple tuple;
    for (Value value : store_->row(i)) {
      tuple.push_back(valueString(value));
    }
    result.push_back(std::move(tuple));
  }
  return result;
}

void Relation::setTuplesOf(const Relation& other) { store_ = other.store_; }

void Relation::clearTuples() { store_ = emptyStore(); }

bool Relation::insertRow(Row row) {
  const std::vector<Value> values(row.begin(), row.end());
  normalize();
  chargeWork(store_->rows, values.size());  // the walk to its place and the move after it
  Store& store = ownStore();
  if (store.rows == 0) {
    store = Store();
    store.width = values.size();
    store.cells.append(values.begin(), values.end());
    store.rows = 1;
    return true;
  }
  std::size_t position = 0;
  if (!store.mixed && store.width == values.size()) {
    std::size_t low = 0;
    std::size_t high = store.rows;
    while (low < high) {
      const std::size_t middle = low + (high - low) / 2;
      if (compareRows(store.row(middle), values) < 0) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    position = low;
  } else {
    while (position < store.rows && rowGreater(values, store.row(position))) {
      ++position;
    }
  }
  if (position < store.rows && compareRows(store.row(position), values) == 0) {
    return false;
  }
  if (!store.mixed && store.width != values.size()) {
    store.makeMixed();
  }
  store.insertAt(position, values);
  return true;
}

void Relation::addRows(RowBuffer rows, bool duplicateFree) {
  if (rows.count == 0) {
    return;
  }
  if (store_->rows == 0) {
    Store& store = ownStore();
    store = Store();
    store.width = rows.width;
    store.rows = rows.count;
    store.cells = std::move(rows.cells);
    store.cells.shrink_to_fit();
    store.normalized = rows.inTupleOrder || rows.count <= 1;
    store.unique = store.normalized || duplicateFree;
    return;
  }
  if (!store_->mixed && store_->width == rows.width) {
    Store& store = ownStore();
    store.cells.insert(store.cells.end(), rows.cells.begin(), rows.cells.end());
    store.rows += rows.count;
    store.normalized = false;
    store.unique = false;
    return;
  }
  for (std::size_t i = 0; i < rows.count; ++i) {
    insertRow(rows.row(i));
  }
}

void Relation::addTuplesOf(const Relation& other) {
  if (other.store_->rows == 0) {
    return;
  }
  if (store_->rows == 0 && !other.store_->mixed) {
    store_ = other.store_;
    return;
  }
  if (!store_->mixed && !other.store_->mixed && store_->width == other.store_->width) {
    chargeWork(other.store_->rows, other.store_->width);
    if (store_->unique) {
      addNewRowsOf(*other.store_);
      return;
    }
    Store& store = ownStore();
    store.cells.insert(store.cells.end(), other.store_->cells.begin(), other.store_->cells.end());
    store.rows += other.store_->rows;
    store.normalized = false;
    store.unique = false;
    return;
  }
  other.normalize();
  std::vector<std::vector<Value>> rows;
  for (std::size_t i = 0; i < other.store_->rows; ++i) {
    const Row row = other.store_->row(i);
    rows.emplace_back(row.begin(), row.end());
  }
  for (const std::vector<Value>& row : rows) {
    insertRow(row);
  }
}

void Relation::addNewRowsOf(const Store& other) {
  Store& store = ownStore();
  const std::size_t width = store.width;
  for (std::size_t i = 0; i < other.rows; ++i) {
    const Row row = other.row(i);
    if (store.positions.find(store.cells, store.rows, width, row) < store.rows) {
      continue;
    }
    store.cells.insert(store.cells.end(), row.begin(), row.end());
    store.positions.add(store.rows, store.positions.lastHash());
    ++store.rows;
    store.normalized = false;
  }
}

std::size_t Relation::rowCount() const { return store_->rows; }

Row Relation::row(std::size_t index) const { return store_->row(index); }

const Value* Relation::cellData() const { return store_->cells.data(); }

bool Relation::hasUniformWidth(std::size_t& rowWidth) const {
  if (store_->rows == 0 || store_->mixed) {
    return false;
  }
  rowWidth = store_->width;
  return true;
}

bool Relation::holdsRowsOfWidth(std::size_t expected) const {
  std::size_t rowWidth = 0;
  return store_->rows == 0 || (hasUniformWidth(rowWidth) && rowWidth == expected);
}

bool Relation::isDuplicateFree() const { return store_->unique || store_->mixed; }

void Relation::normalize() const {
  if (!store_->normalized && !store_->mixed) {
    chargeWork(store_->rows, store_->width);
    store_->sortRows();
  }
}

std::size_t Relation::tupleCount() const {
  if (!store_->unique) {
    normalize();
  }
  return store_->rows;
}

std::size_t Relation::width() const { return std::max(attributes_.size(), types_.size()); }
