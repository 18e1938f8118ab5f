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

void RowSet::rebuild(std::size_t slots) {
  if (count_ + 2 >= (std::size_t{1} << (32 - fingerprintBits_))) {
    fingerprintBits_ = 0;
  }
  slots_.assign(0, 0);
  slots_.shrink_to_fit();
  slots_.assign(slots, 0);
  const std::uint32_t mask = (1U << fingerprintBits_) - 1;
  for (std::size_t index = 0; index < count_; ++index) {
    const std::size_t hash = hashRow(rowAt(index));
    std::size_t slot = scaled(hash, slots_.size());
    while (slots_[slot] != 0) {
      slot = slot + 1 == slots_.size() ? 0 : slot + 1;
    }
    slots_[slot] = (static_cast<std::uint32_t>(index + 1) << fingerprintBits_) |
                   (static_cast<std::uint32_t>(hash) & mask);
  }
}

bool RowSet::insert(Row row) {
  if (width_ == 0) {
    const bool added = count_ == 0;
    count_ = 1;
    return added;
  }
  if ((count_ + 1) * 5 > slots_.size() * 4 ||
      (fingerprintBits_ != 0 && count_ + 2 >= (std::size_t{1} << (32 - fingerprintBits_)))) {
    rebuild(slots_.size() + slots_.size() / 2);
  }
  const std::size_t hash = hashRow(row);
  const std::uint32_t mask = (1U << fingerprintBits_) - 1;
  const std::uint32_t fingerprint = static_cast<std::uint32_t>(hash) & mask;
  std::size_t slot = scaled(hash, slots_.size());
  while (slots_[slot] != 0) {
    const std::uint32_t entry = slots_[slot];
    if ((entry & mask) == fingerprint && sameRow(rowAt((entry >> fingerprintBits_) - 1), row)) {
      return false;
    }
    slot = slot + 1 == slots_.size() ? 0 : slot + 1;
  }
  if (count_ % blockRows == 0) {
    blocks_.emplace_back();
    blocks_.back().reserve(blockRows * width_);
  }
  blocks_.back().insert(blocks_.back().end(), row.begin(), row.end());
  ++count_;
  slots_[slot] = (static_cast<std::uint32_t>(count_) << fingerprintBits_) | fingerprint;
  return true;
}

RowBuffer RowSet::rows(std::size_t begin, std::size_t end) const {
  RowBuffer result(width_);
  result.count = end - begin;
  result.cells.reserve(result.count * width_);
  for (std::size_t index = begin; index < end; ++index) {
    const Row row = rowAt(index);
    result.cells.insert(result.cells.end(), row.begin(), row.end());
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
