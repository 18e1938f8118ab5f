#include "relation/value.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr Value pooledMark = 0x80U;
constexpr std::size_t chunkSize = std::size_t{1} << 20;

// Long values, kept for the life of the run in chunks that never move.
class ValuePool {
 public:
  Value add(std::string_view bytes) {
    const char* stored = store(bytes);
    const Value index = views_.size();
    views_.emplace_back(stored, bytes.size());
    Value prefix = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      prefix = (prefix << 8) | (i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0U);
    }
    return (prefix << 40) | (index << 8) | pooledMark;
  }

  std::string_view view(Value value) const { return views_[(value >> 8) & 0xFFFFFFFFU]; }

  const std::string_view* record(Value value) const {
    return views_.data() + ((value >> 8) & 0xFFFFFFFFU);
  }

  void clear() {
    views_.clear();
    chunks_.clear();
    big_.clear();
    used_ = chunkSize;
  }

 private:
  const char* store(std::string_view bytes) {
    if (bytes.size() > chunkSize / 4) {
      big_.push_back(std::unique_ptr<char[]>(new char[bytes.size()]));
      std::memcpy(big_.back().get(), bytes.data(), bytes.size());
      return big_.back().get();
    }
    if (chunks_.empty() || used_ + bytes.size() > chunkSize) {
      chunks_.push_back(std::unique_ptr<char[]>(new char[chunkSize]));
      used_ = 0;
    }
    char* place = chunks_.back().get() + used_;
    std::memcpy(place, bytes.data(), bytes.size());
    used_ += bytes.size();
    return place;
  }

  std::vector<std::string_view> views_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> big_;
  std::size_t used_ = chunkSize;
};

ValuePool& pool() {
  static ValuePool instance;
  return instance;
}

}  // namespace

Value makeValue(std::string_view bytes) {
  if (bytes.size() > 7 || bytes.find('\0') != std::string_view::npos) {
    return pool().add(bytes);
  }
  Value value = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    value |= Value{static_cast<unsigned char>(bytes[i])} << (56 - 8 * i);
  }
  return value | bytes.size();
}

std::string_view valueText(Value value, char (&buffer)[8]) {
  if (!isInlineValue(value)) {
    return pool().view(value);
  }
  const std::size_t length = value & 7U;
  for (std::size_t i = 0; i < length; ++i) {
    buffer[i] = static_cast<char>((value >> (56 - 8 * i)) & 0xFFU);
  }
  return {buffer, length};
}

int valueCompare(Value a, Value b) {
  if (a == b) {
    return 0;
  }
  if (isInlineValue(a | b)) {
    return a < b ? -1 : 1;
  }
  if (valuePrefix(a) != valuePrefix(b)) {
    return valuePrefix(a) < valuePrefix(b) ? -1 : 1;
  }
  char bufferA[8];
  char bufferB[8];
  return valueText(a, bufferA).compare(valueText(b, bufferB));
}

bool valuesEqualSlow(Value a, Value b) { return pool().view(a) == pool().view(b); }

Hash hashValue(Value value) {
  if (!isInlineValue(value)) {
    const Hash textHash = std::hash<std::string_view>()(pool().view(value));
    // Where std::size_t is narrower, the library's hash fills only the low bits.
    return sizeof(std::size_t) < sizeof(Hash) ? mixBits(textHash) : textHash;
  }
  return mixBits(value);
}

void prefetchValueRecord(Value value) {
  if (!isInlineValue(value)) {
    __builtin_prefetch(pool().record(value));
  }
}

void prefetchValueBytes(Value value) {
  if (!isInlineValue(value)) {
    __builtin_prefetch(pool().view(value).data());
  }
}

void appendValueText(std::string& out, Value value) {
  char buffer[8];
  out += valueText(value, buffer);
}

std::string valueString(Value value) {
  std::string text;
  appendValueText(text, value);
  return text;
}

void clearValuePool() { pool().clear(); }
