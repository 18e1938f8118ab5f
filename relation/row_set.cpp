#include "relation/row_set.h"

namespace {

std::size_t hashRow(Row row) {
  std::size_t hash = 0x243F6A8885A308D3ULL;
  for (Value value : row) {
    hash = (hash + hashValue(value)) * 0x9E3779B97F4A7C15ULL;
  }
  return hash ^ (hash >> 32);
}

bool sameRow(Row a, Row b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!valuesEqual(a[i], b[i])) {
      return false;
    }
  }
  return true;
}

// A position in [0, size) taken from the hash's high bits (size below 2^32).
std::size_t scaled(std::size_t hash, std::size_t size) { return ((hash >> 32) * size) >> 32; }

}  // namespace

RowSet::RowSet(std::size_t width) : width_(width), slots_(16, 0) {}

Row RowSet::rowAt(std::size_t index) const {
  if (width_ == 0) {
    return {};
  }
  const std::vector<Value>& block = blocks_[index / blockRows];
  return {block.data() + (index % blockRows) * width_, width_};
}

std::size_t RowSet::slotOf(Row row) const {
  std::size_t slot = scaled(hashRow(row), slots_.size());
  while (slots_[slot] != 0 && !sameRow(rowAt(slots_[slot] - 1), row)) {
    slot = slot + 1 == slots_.size() ? 0 : slot + 1;
  }
  return slot;
}

void RowSet::grow() {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(old.size() + old.size() / 2, 0);
  for (std::uint32_t entry : old) {
    if (entry != 0) {
      std::size_t slot = scaled(hashRow(rowAt(entry - 1)), slots_.size());
      while (slots_[slot] != 0) {
        slot = slot + 1 == slots_.size() ? 0 : slot + 1;
      }
      slots_[slot] = entry;
    }
  }
}

bool RowSet::insert(Row row) {
  if (width_ == 0) {
    const bool added = count_ == 0;
    count_ = 1;
    return added;
  }
  if ((count_ + 1) * 5 > slots_.size() * 4) {
    grow();
  }
  const std::size_t slot = slotOf(row);
  if (slots_[slot] != 0) {
    return false;
  }
  if (count_ % blockRows == 0) {
    blocks_.emplace_back();
    blocks_.back().reserve(blockRows * width_);
  }
  blocks_.back().insert(blocks_.back().end(), row.begin(), row.end());
  ++count_;
  slots_[slot] = static_cast<std::uint32_t>(count_);
  return true;
}

RowBuffer RowSet::rows() const {
  RowBuffer result(width_);
  result.count = count_;
  result.cells.reserve(count_ * width_);
  for (const std::vector<Value>& block : blocks_) {
    result.cells.insert(result.cells.end(), block.begin(), block.end());
  }
  return result;
}

RowBuffer RowSet::release() {
  slots_ = std::vector<std::uint32_t>(16, 0);
  RowBuffer result(width_);
  result.count = count_;
  result.cells.reserve(count_ * width_);
  for (std::vector<Value>& block : blocks_) {
    result.cells.insert(result.cells.end(), block.begin(), block.end());
    std::vector<Value>().swap(block);
  }
  blocks_.clear();
  count_ = 0;
  return result;
}
