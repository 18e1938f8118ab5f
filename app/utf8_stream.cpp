#include "app/utf8_stream.h"

#include <algorithm>
#include <string_view>

#include "input/encoding.h"

Utf8Stream::Utf8Stream(std::ostream& target) : std::ostream(nullptr), buffer_(target) {
  rdbuf(&buffer_);
}

std::streamsize Utf8Stream::Buffer::xsputn(const char* bytes, std::streamsize count) {
  const std::string_view text(bytes, static_cast<std::size_t>(count));
  if (asciiPrefixLength(text) == text.size()) {
    return target_.write(bytes, count) ? count : 0;
  }
  // Converted a piece at a time, so that a long text needs no copy of its size.
  constexpr std::streamsize piece = 4096;
  for (std::streamsize at = 0; at < count; at += piece) {
    const auto size = static_cast<std::size_t>(std::min(piece, count - at));
    const std::string converted = utf8FromLatin2(std::string_view(bytes + at, size));
    if (!target_.write(converted.data(), static_cast<std::streamsize>(converted.size()))) {
      return at;
    }
  }
  return count;
}

Utf8Stream::Buffer::int_type Utf8Stream::Buffer::overflow(int_type byte) {
  if (traits_type::eq_int_type(byte, traits_type::eof())) {
    return traits_type::not_eof(byte);
  }
  const char text = traits_type::to_char_type(byte);
  return xsputn(&text, 1) == 1 ? byte : traits_type::eof();
}

int Utf8Stream::Buffer::sync() { return target_.flush() ? 0 : -1; }
