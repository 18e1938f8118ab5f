#include "input/encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

// The code points of the Latin-2 bytes 0xA0 to 0xFF; the bytes below are
// their own code points.
constexpr std::array<char32_t, 96> upperHalf = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

constexpr char32_t highestCodePoint = 0x02DD;
constexpr char32_t firstUpper = 0xA0;

// For each code point up to the highest Latin-2 has, its byte, or 0.
const std::array<unsigned char, highestCodePoint + 1>& bytesOfCodePoints() {
  static const auto table = [] {
    std::array<unsigned char, highestCodePoint + 1> bytes{};
    for (char32_t code = 1; code < firstUpper; ++code) {
      bytes[code] = static_cast<unsigned char>(code);
    }
    for (std::size_t i = 0; i < upperHalf.size(); ++i) {
      bytes[upperHalf[i]] = static_cast<unsigned char>(firstUpper + i);
    }
    return bytes;
  }();
  return table;
}

char32_t codePointOf(unsigned char byte) {
  return byte < firstUpper ? byte : upperHalf[byte - firstUpper];
}

// The length of a sequence that starts with `lead`; 0 for no lead byte.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    return 3;
  }
  return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t asciiPrefixLength(std::string_view text) {
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + at, 8);
    if ((word & 0x8080808080808080ULL) != 0) {
      break;
    }
  }
  while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) {
    ++at;
  }
  return at;
}

const char* encodingName(Encoding encoding) {
  return encoding == Encoding::utf8 ? "utf-8" : "latin2";
}

int latin2ByteOf(char32_t codePoint) {
  if (codePoint == 0) {
    return 0;
  }
  if (codePoint > highestCodePoint) {
    return -1;
  }
  const unsigned char byte = bytesOfCodePoints()[codePoint];
  return byte == 0 ? -1 : byte;
}

Utf8Sequence utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = sequenceLength(lead);
  if (length == 0 || at + length > text.size()) {
    return {};
  }
  if (length == 1) {
    return {1, lead};
  }
  // The second byte's range rules out longer forms than needed, surrogates
  // and code points past U+10FFFF.
  const unsigned char low = lead == 0xE0 ? 0xA0 : (lead == 0xF0 ? 0x90 : 0x80);
  const unsigned char high = lead == 0xED ? 0x9F : (lead == 0xF4 ? 0x8F : 0xBF);
  char32_t codePoint = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (i == 1 ? (byte < low || byte > high) : !isContinuation(byte)) {
      return {};
    }
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return {length, codePoint};
}

std::string utf8FromLatin2(std::string_view latin2) {
  const std::size_t ascii = asciiPrefixLength(latin2);
  std::string utf8(latin2.substr(0, ascii));
  if (ascii == latin2.size()) {
    return utf8;
  }
  utf8.reserve(latin2.size() + latin2.size() / 4);
  for (const char byte : latin2.substr(ascii)) {
    const char32_t code = codePointOf(static_cast<unsigned char>(byte));
    if (code < 0x80) {
      utf8 += byte;
    } else {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

bool latin2FromUtf8(std::string_view utf8, std::string& latin2) {
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Sequence sequence = utf8SequenceAt(utf8, at);
    const int byte = sequence.length == 0 ? -1 : latin2ByteOf(sequence.codePoint);
    if (byte < 0) {
      return false;
    }
    text += static_cast<char>(byte);
    at += sequence.length;
  }
  latin2 = std::move(text);
  return true;
}

std::size_t utf8Column(std::string_view latin2Line, std::size_t column) {
  std::size_t result = 1;
  for (std::size_t i = 0; i + 1 < column; ++i) {
    result += i < latin2Line.size() && static_cast<unsigned char>(latin2Line[i]) >= 0x80 ? 2 : 1;
  }
  return result;
}

void EncodingScan::take(std::string_view bytes) {
  std::size_t at = valid_ ? finishPending(bytes) : bytes.size();
  const std::size_t size = bytes.size();
  while (valid_ && at < size) {
    at += asciiPrefixLength(bytes.substr(at));
    if (at == size) {
      break;
    }
    const Utf8Sequence sequence = utf8SequenceAt(bytes, at);
    if (sequence.length != 0) {
      takeSequence(sequence, taken_ + at);
      at += sequence.length;
    } else if (at + sequenceLength(static_cast<unsigned char>(bytes[at])) > size) {
      pending_ = bytes.substr(at);  // checked whole when the next piece completes it
      break;
    } else {
      valid_ = false;
    }
  }
  taken_ += size;
}

std::size_t EncodingScan::finishPending(std::string_view bytes) {
  if (pending_.empty()) {
    return 0;
  }
  const std::size_t wanted = sequenceLength(static_cast<unsigned char>(pending_.front()));
  const std::size_t added = std::min(wanted - pending_.size(), bytes.size());
  pending_.append(bytes.substr(0, added));
  if (pending_.size() < wanted) {
    return added;
  }
  const Utf8Sequence sequence = utf8SequenceAt(pending_, 0);
  if (sequence.length == 0) {
    valid_ = false;
  } else {
    takeSequence(sequence, taken_ + added - wanted);
  }
  pending_.clear();
  return added;
}

void EncodingScan::takeSequence(const Utf8Sequence& sequence, std::size_t offset) {
  multiByte_ = true;
  if (offset == 0 && sequence.codePoint == 0xFEFF) {
    byteOrderMark_ = true;
  } else if (latin2ByteOf(sequence.codePoint) < 0) {
    latin2HoldsAll_ = false;
  }
}
