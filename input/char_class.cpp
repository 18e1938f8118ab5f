#include "input/char_class.h"

bool isAtomInitial(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') {
    return true;
  }
  switch (byte) {
    case 0xE1:
    case 0xE9:
    case 0xED:
    case 0xF3:
    case 0xF5:
    case 0xFA:
    case 0xFB:
      return true;
    default:
      return false;
  }
}

bool isVariableInitial(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') {
    return true;
  }
  switch (byte) {
    case 0xC1:
    case 0xC9:
    case 0xCD:
    case 0xD3:
    case 0xD5:
    case 0xDA:
    case 0xDB:
      return true;
    default:
      return false;
  }
}

bool startsWithVariableInitial(std::string_view text) {
  return !text.empty() && isVariableInitial(static_cast<unsigned char>(text.front()));
}

bool isBlank(unsigned char byte) { return byte == ' ' || byte == '\t'; }
