#include "app/console_text.h"

#include <sstream>

namespace {

constexpr std::size_t escapeWidth = 4;

void appendEscape(std::string& text, unsigned char byte) {
  static constexpr char digits[] = "0123456789abcdef";
  text += "\\x";
  text += digits[byte >> 4U];
  text += digits[byte & 0x0FU];
}

}  // namespace

bool isControlByte(unsigned char byte) {
  return (byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F ||
         (byte >= 0x80 && byte <= 0x9F);
}

std::size_t consoleWidth(unsigned char byte) { return isControlByte(byte) ? escapeWidth : 1; }

std::string escapedControlBytes(std::string_view text, bool utf8Text) {
  std::ostringstream escaped;
  EscapingStream stream(escaped, utf8Text);
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.flush();
  return escaped.str();
}

std::size_t utf8ContinuationCount(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) {
    return 1;
  }
  if (byte >= 0xE0 && byte <= 0xEF) {
    return 2;
  }
  return byte >= 0xF0 && byte <= 0xF4 ? 3 : 0;
}

bool isUtf8Control(unsigned char lead, unsigned char next) {
  return lead == 0xC2 && next >= 0x80 && next <= 0x9F;
}

EscapingStream::EscapingStream(std::ostream& target, bool utf8Text)
    : std::ostream(nullptr), buffer_(target, utf8Text) {
  rdbuf(&buffer_);
}

bool EscapingStream::Buffer::escaped(unsigned char byte) {
  if (!utf8Text_) {
    return isControlByte(byte);
  }
  if (continuing_ != 0 && (byte & 0xC0U) == 0x80) {
    --continuing_;
    return false;
  }
  continuing_ = utf8ContinuationCount(byte);
  return isControlByte(byte);
}

void EscapingStream::Buffer::writeHeldLead() {
  if (heldLead_) {
    heldLead_ = false;
    target_.put('\xC2');
  }
}

void EscapingStream::Buffer::writeUtf8Control(unsigned char second) {
  std::string escape;
  appendEscape(escape, 0xC2);
  appendEscape(escape, second);
  target_ << escape;
  continuing_ = 0;
}

std::streamsize EscapingStream::Buffer::xsputn(const char* bytes, std::streamsize count) {
  std::streamsize start = 0;
  if (heldLead_ && count > 0) {
    heldLead_ = false;
    if (isUtf8Control(0xC2, static_cast<unsigned char>(bytes[0]))) {
      writeUtf8Control(static_cast<unsigned char>(bytes[0]));
      start = 1;
    } else {
      target_.put('\xC2');
      continuing_ = utf8ContinuationCount(0xC2);
    }
  }
  for (std::streamsize i = start; i <= count; ++i) {
    const auto byte = i < count ? static_cast<unsigned char>(bytes[i]) : 0;
    const bool control =
        i + 1 < count && utf8Text_ && isUtf8Control(byte, static_cast<unsigned char>(bytes[i + 1]));
    const bool held = i + 1 == count && utf8Text_ && byte == 0xC2;
    if (i < count && !control && !held && !escaped(byte)) {
      continue;
    }
    target_.write(bytes + start, i - start);
    start = i + 1;
    if (held) {
      heldLead_ = true;
    } else if (control) {
      writeUtf8Control(static_cast<unsigned char>(bytes[i + 1]));
      start = ++i + 1;
    } else if (i < count) {
      std::string escape;
      appendEscape(escape, byte);
      target_ << escape;
    }
  }
  return target_ ? count : 0;
}

int EscapingStream::Buffer::overflow(int byte) {
  if (traits_type::eq_int_type(byte, traits_type::eof())) {
    return traits_type::not_eof(byte);
  }
  const char single = traits_type::to_char_type(byte);
  return xsputn(&single, 1) == 1 ? byte : traits_type::eof();
}

int EscapingStream::Buffer::sync() {
  writeHeldLead();
  return target_.flush() ? 0 : -1;
}
