// The integer value of a text, compared exactly whatever its length.
#ifndef RELATION_INTEGER_VALUE_H_
#define RELATION_INTEGER_VALUE_H_

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

// True for a value that is already the plain decimal form of its integer
// value: digits only, without a leading zero (other than "0" itself), as
// every value held in its code is. Two such values have equal integer values
// exactly when they are equal.
inline bool isPlainInteger(Value value) { return isInlineValue(value); }

// Negative, zero or positive as the integer value of plain `a` is below,
// equal to or above that of plain `b`.
inline int comparePlainIntegers(Value a, Value b) { return a < b ? -1 : (a > b ? 1 : 0); }

#endif  // RELATION_INTEGER_VALUE_H_
