#include "relation/integer_value.h"

#include <limits>

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

IntegerValue integerValueOf(std::string_view text) {
  std::size_t position = 0;
  while (position < text.size() && isSpace(text[position])) {
    ++position;
  }
  bool negative = false;
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
    negative = text[position] == '-';
    ++position;
  }
  while (position < text.size() && text[position] == '0') {
    ++position;
  }
  const std::size_t start = position;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
    ++position;
  }
  IntegerValue value;
  value.digits = text.substr(start, position - start);
  value.negative = negative && !value.digits.empty();
  return value;
}

int compareIntegers(const IntegerValue& a, const IntegerValue& b) {
  if (a.negative != b.negative) {
    return a.negative ? -1 : 1;
  }
  int magnitude = 0;
  if (a.digits.size() != b.digits.size()) {
    magnitude = a.digits.size() < b.digits.size() ? -1 : 1;
  } else {
    magnitude = a.digits.compare(b.digits);
    magnitude = magnitude < 0 ? -1 : (magnitude > 0 ? 1 : 0);
  }
  return a.negative ? -magnitude : magnitude;
}

std::string integerKey(std::string_view text) {
  const IntegerValue value = integerValueOf(text);
  std::string key;
  key.reserve(value.digits.size() + 1);
  if (value.negative) {
    key += '-';
  }
  key += value.digits;
  return key;
}

long long integerValueClamped(std::string_view text) {
  const IntegerValue value = integerValueOf(text);
  constexpr long long limit = std::numeric_limits<long long>::max();
  long long magnitude = 0;
  for (char digit : value.digits) {
    if (magnitude > (limit - (digit - '0')) / 10) {
      return value.negative ? -limit : limit;
    }
    magnitude = magnitude * 10 + (digit - '0');
  }
  return value.negative ? -magnitude : magnitude;
}
