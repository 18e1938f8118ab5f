#include "app/json_text.h"

std::string jsonString(std::string_view bytes) {
  static constexpr char hexDigits[] = "0123456789abcdef";
  std::string text = "\"";
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    if (byte == '"' || byte == '\\') {
      text += '\\';
      text += byte;
    } else if (code < 0x20) {
      text += "\\u00";
      text += hexDigits[code >> 4];
      text += hexDigits[code & 0xF];
    } else {
      text += byte;
    }
  }
  text += '"';
  return text;
}
