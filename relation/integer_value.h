// The integer value of a text, compared exactly whatever its length.
#ifndef RELATION_INTEGER_VALUE_H_
#define RELATION_INTEGER_VALUE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "relation/value.h"

// Leading white space skipped, an optional sign, then the run of decimal
// digits; 0 when there are none. Views into the text it was read from.
struct IntegerValue {
  bool negative = false;    // never set for zero
  std::string_view digits;  // without leading zeros; empty for zero
};

IntegerValue integerValueOf(std::string_view text);

// Negative, zero or positive as `a` is below, equal to or above `b`.
int compareIntegers(const IntegerValue& a, const IntegerValue& b);

// A text that two texts share exactly when their integer values are equal.
std::string integerKey(std::string_view text);

// The integer value as a machine number, clamped at the ends of its range.
long long integerValueClamped(std::string_view text);

// True for a short value that is already the plain decimal form of its
// integer value: digits only, without a leading zero (other than "0" itself).
// Two such values have equal integer values exactly when they are equal.
inline bool isPlainInteger(Value value) {
  const unsigned length = value & 0xFFU;
  if (!isInlineValue(value) || length == 0 || length > 7) {
    return false;
  }
  // The digits at the bottom of a word, each byte tested at once: its
  // distance from '0' must be below 10.
  const std::uint64_t bytes = value >> (64 - 8 * length);
  const std::uint64_t used = (std::uint64_t{1} << (8 * length)) - 1;
  constexpr std::uint64_t ones = 0x0101010101010101ULL;
  const std::uint64_t offset = bytes ^ (ones * '0' & used);
  const std::uint64_t high = ones * 0x80;
  const std::uint64_t outside = (offset | ((offset & ~high) + ones * (0x80 - 10))) & high & used;
  const bool leadingZero = length > 1 && (bytes >> (8 * (length - 1))) == '0';
  return outside == 0 && !leadingZero;
}

// Negative, zero or positive as the integer value of plain `a` is below,
// equal to or above that of plain `b`.
inline int comparePlainIntegers(Value a, Value b) {
  // The longer is the larger; of equal length, the words order as the digits.
  const Value lengthA = a & 0xFFU;
  const Value lengthB = b & 0xFFU;
  if (lengthA != lengthB) {
    return lengthA < lengthB ? -1 : 1;
  }
  return a < b ? -1 : (a > b ? 1 : 0);
}

#endif  // RELATION_INTEGER_VALUE_H_
