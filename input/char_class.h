// Byte classes that decide what a name, term or body element is.
#ifndef INPUT_CHAR_CLASS_H_
#define INPUT_CHAR_CLASS_H_

#include <string_view>

// An ASCII lower-case letter or one of the Latin-2 letters
// \xE1 \xE9 \xED \xF3 \xF5 \xFA \xFB. A body element that starts with one is an atom.
bool isAtomInitial(unsigned char byte);

// An ASCII capital or one of the Latin-2 capitals \xC1 \xC9 \xCD \xD3 \xD5 \xDA \xDB.
// A term that starts with one is a variable (or an attribute name).
bool isVariableInitial(unsigned char byte);

// The variable test on the first byte of a text; false for the empty text.
bool startsWithVariableInitial(std::string_view text);

// An ASCII decimal digit.
inline bool isDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// A blank or a tab: bytes the reading never skips.
bool isBlank(unsigned char byte);

#endif  // INPUT_CHAR_CLASS_H_
