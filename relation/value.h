// Compact values: one 32-bit code per value, ordered as unsigned byte strings.
#ifndef RELATION_VALUE_H_
#define RELATION_VALUE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A value whose text is the plain decimal form of a number below 2^31 (digits
// only, no leading zero other than "0" itself) is that number. Any other text
// is kept once in the value table, and its value is its place there with the
// top bit set. So two values are equal exactly when their texts are.
using Value = std::uint32_t;

inline constexpr Value pooledValueMark = Value{1} << 31;

// The value holding `bytes`.
Value makeValue(std::string_view bytes);

// Room for the text of a value held in its code.
inline constexpr std::size_t valueBufferSize = 12;

// The bytes of `value`. Numbers are written into `buffer`, which must outlive
// the view.
std::string_view valueText(Value value, char (&buffer)[valueBufferSize]);

// True for a value held in its code: a number, the plain decimal form of itself.
inline bool isInlineValue(Value value) { return (value & pooledValueMark) == 0; }

// The number of decimal digits of a value held in its code.
unsigned inlineDigits(Value value);

// Byte-string order as negative, zero or positive.
int valueCompare(Value a, Value b);

// Byte-string equality.
inline bool valuesEqual(Value a, Value b) { return a == b; }

// Hashes are 64 bits wide on every target: hash tables take their positions
// from the high 32 bits, whatever the width of std::size_t.
using Hash = std::uint64_t;

// Spreads the bits of `value` over the whole word.
inline Hash mixBits(Hash value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdULL;
  value ^= value >> 33;
  return value;
}

// A hash that equal values share, spread over all 64 bits.
inline Hash hashValue(Value value) { return mixBits(value + 0x9E3779B97F4A7C15ULL); }

// Hints that the text of `value` will soon be read: the first step brings the
// table's record of a value not held in its code closer, the second (some
// time later) its bytes.
void prefetchValueRecord(Value value);
void prefetchValueBytes(Value value);

// Appends the bytes of `value` to `out`.
void appendValueText(std::string& out, Value value);

// The value as a string.
std::string valueString(Value value);

// Forgets every value kept in the table; values made before that are not
// numbers become invalid. For the start of a run in a process that makes many.
void clearValuePool();

#endif  // RELATION_VALUE_H_
