#include "relation/row.h"

#include <string>

Value integerJoinKey(Value value) {
  char buffer[valueBufferSize];
  const std::string key = integerKey(valueText(value, buffer));
  return makeValue(key.empty() ? std::string(1, '0') : key);
}

void RowStore::append(Row row) {
  if (rows_ == 0) {
    width_ = row.size();
  }
  if (ends_.empty() && row.size() != width_) {
    for (std::size_t r = 1; r <= rows_; ++r) {
      ends_.push_back(r * width_);
    }
  }
  cells_.insert(cells_.end(), row.begin(), row.end());
  ++rows_;
  if (!ends_.empty()) {
    ends_.push_back(cells_.size());
  }
}

std::size_t RowStore::find(Row wanted, std::size_t begin, std::size_t end) const {
  for (std::size_t r = begin; r < end; ++r) {
    if (rowsEqual(row(r), wanted)) {
      return r;
    }
  }
  return end;
}
