// Compact values: one 64-bit word per value, ordered as unsigned byte strings.
#ifndef RELATION_VALUE_H_
#define RELATION_VALUE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A value of up to 7 bytes (without NUL) is held in the word itself: its bytes
// from the top down, then its length in the lowest byte, so that comparing two
// such words as numbers compares the texts byte by byte. A longer value keeps
// its first 3 bytes in the top of the word, so that most comparisons are still
// decided there, then its index into the value pool, and a mark in the lowest byte.
using Value = std::uint64_t;

// The value holding `bytes`.
Value makeValue(std::string_view bytes);

// The bytes of `value`. Short values are decoded into `buffer`, which must
// outlive the view.
std::string_view valueText(Value value, char (&buffer)[8]);

inline bool isInlineValue(Value value) { return (value & 0x80U) == 0; }

// The first 3 bytes, padded with zero bytes.
inline Value valuePrefix(Value value) { return value >> 40; }

// Byte-string order as negative, zero or positive.
int valueCompare(Value a, Value b);

// Byte-string equality.
bool valuesEqualSlow(Value a, Value b);
inline bool valuesEqual(Value a, Value b) {
  return a == b || (!isInlineValue(a) && !isInlineValue(b) && valuePrefix(a) == valuePrefix(b) &&
                    valuesEqualSlow(a, b));
}

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
Hash hashValue(Value value);

// Hints that the bytes of `value` will soon be read: the first step brings the
// pool's record of a long value closer, the second (some time later) its bytes.
void prefetchValueRecord(Value value);
void prefetchValueBytes(Value value);

// Appends the bytes of `value` to `out`.
void appendValueText(std::string& out, Value value);

// The value as a string.
std::string valueString(Value value);

// Forgets every long value; values made before become invalid. For the start
// of a run in a process that makes many.
void clearValuePool();

#endif  // RELATION_VALUE_H_
