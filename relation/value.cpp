#include "relation/value.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::size_t chunkSize = std::size_t{1} << 20;

// The powers of ten that a value held in its code can reach.
constexpr std::uint32_t powersOfTen[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};

// The texts of values not held in their codes, each once, kept for the life
// of the run in chunks that never move. A text is stored after its length;
// a hash table of codes finds the value of a text.
class ValuePool {
 public:
  Value intern(std::string_view bytes) {
    if ((records_.size() + 1) * 4 > slots_.size() * 3) {
      rehash(slots_.empty() ? 1024 : slots_.size() * 2);
    }
    const auto fingerprint = static_cast<std::uint32_t>(textHash(bytes) >> 32);
    std::size_t slot = slotOf(fingerprint);
    for (; slots_[slot].indexPlusOne != 0; slot = slot + 1 == slots_.size() ? 0 : slot + 1) {
      if (slots_[slot].fingerprint == fingerprint && text(slots_[slot].indexPlusOne - 1) == bytes) {
        return (slots_[slot].indexPlusOne - 1) | pooledValueMark;
      }
    }
    if (records_.size() >= pooledValueMark) {
      throw std::bad_alloc();
    }
    records_.push_back(store(bytes));
    slots_[slot] = {static_cast<std::uint32_t>(records_.size()), fingerprint};
    return static_cast<Value>(records_.size() - 1) | pooledValueMark;
  }

  std::string_view text(std::size_t index) const {
    const char* record = records_[index];
    std::uint32_t length = 0;
    std::memcpy(&length, record, sizeof(length));
    return {record + sizeof(length), length};
  }

  const char* const* record(std::size_t index) const { return records_.data() + index; }

  void clear() {
    records_ = std::vector<const char*>();
    slots_ = std::vector<Slot>();
    chunks_.clear();
    big_.clear();
    used_ = chunkSize;
  }

 private:
  static Hash textHash(std::string_view bytes) {
    return mixBits(std::hash<std::string_view>()(bytes));
  }

  // The slot where the search for a text whose hash has `highBits` at the top begins.
  std::size_t slotOf(std::uint32_t highBits) const {
    return static_cast<std::size_t>((Hash{highBits} * slots_.size()) >> 32);
  }

  void rehash(std::size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots_);
    for (const Slot& held : old) {
      if (held.indexPlusOne == 0) {
        continue;
      }
      std::size_t slot = slotOf(held.fingerprint);
      while (slots_[slot].indexPlusOne != 0) {
        slot = slot + 1 == slots_.size() ? 0 : slot + 1;
      }
      slots_[slot] = held;
    }
  }

  const char* store(std::string_view bytes) {
    const std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    const std::size_t size = sizeof(length) + bytes.size();
    char* place = nullptr;
    if (size > chunkSize / 4) {
      big_.push_back(std::unique_ptr<char[]>(new char[size]));
      place = big_.back().get();
    } else {
      if (chunks_.empty() || used_ + size > chunkSize) {
        chunks_.push_back(std::unique_ptr<char[]>(new char[chunkSize]));
        used_ = 0;
      }
      place = chunks_.back().get() + used_;
      used_ += size;
    }
    std::memcpy(place, &length, sizeof(length));
    std::memcpy(place + sizeof(length), bytes.data(), bytes.size());
    return place;
  }

  // A value's index plus one (0 for an empty slot) and the high bits of the
  // hash of its text, which place it and tell most texts that differ apart
  // without reading the other.
  struct Slot {
    std::uint32_t indexPlusOne = 0;
    std::uint32_t fingerprint = 0;
  };

  std::vector<const char*> records_;  // by index
  std::vector<Slot> slots_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> big_;
  std::size_t used_ = chunkSize;
};

ValuePool& pool() {
  static ValuePool instance;
  return instance;
}

std::size_t poolIndex(Value value) { return value & ~pooledValueMark; }

// True, with the number, when `bytes` is the plain decimal form of a number
// below 2^31.
bool isPlainNumber(std::string_view bytes, Value& number) {
  if (bytes.empty() || bytes.size() > 10 || (bytes[0] == '0' && bytes.size() > 1)) {
    return false;
  }
  std::uint64_t value = 0;
  for (const char c : bytes) {
    const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
    if (digit > 9) {
      return false;
    }
    value = value * 10 + digit;
  }
  if (value >= pooledValueMark) {
    return false;
  }
  number = static_cast<Value>(value);
  return true;
}

}  // namespace

Value makeValue(std::string_view bytes) {
  Value number = 0;
  if (isPlainNumber(bytes, number)) {
    return number;
  }
  return pool().intern(bytes);
}

unsigned inlineDigits(Value value) {
  unsigned digits = 1;
  while (digits < 10 && value >= powersOfTen[digits]) {
    ++digits;
  }
  return digits;
}

std::string_view valueText(Value value, char (&buffer)[valueBufferSize]) {
  if (!isInlineValue(value)) {
    return pool().text(poolIndex(value));
  }
  char* end = buffer + valueBufferSize;
  char* start = end;
  do {
    *--start = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return {start, static_cast<std::size_t>(end - start)};
}

int valueCompare(Value a, Value b) {
  if (a == b) {
    return 0;
  }
  if (isInlineValue(a) && isInlineValue(b)) {
    // The shorter text is compared with as many leading digits of the
    // longer; where those agree, it is a prefix and sorts first.
    const unsigned digitsA = inlineDigits(a);
    const unsigned digitsB = inlineDigits(b);
    if (digitsA > digitsB) {
      const Value leading = a / powersOfTen[digitsA - digitsB];
      return leading < b ? -1 : 1;
    }
    if (digitsA < digitsB) {
      const Value leading = b / powersOfTen[digitsB - digitsA];
      return a <= leading ? -1 : 1;
    }
    return a < b ? -1 : 1;
  }
  char bufferA[valueBufferSize];
  char bufferB[valueBufferSize];
  const int order = valueText(a, bufferA).compare(valueText(b, bufferB));
  return order < 0 ? -1 : 1;
}

void prefetchValueRecord(Value value) {
  if (!isInlineValue(value)) {
    __builtin_prefetch(pool().record(poolIndex(value)));
  }
}

void prefetchValueBytes(Value value) {
  if (!isInlineValue(value)) {
    __builtin_prefetch(*pool().record(poolIndex(value)));
  }
}

void appendValueText(std::string& out, Value value) {
  char buffer[valueBufferSize];
  out += valueText(value, buffer);
}

std::string valueString(Value value) {
  std::string text;
  appendValueText(text, value);
  return text;
}

void clearValuePool() { pool().clear(); }
