#include "input/line_reader.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The length of the UTF-8 sequence that starts at `at`, 0 when none does.
std::size_t utf8SequenceLength(const std::string& text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (byte >= 0xC2 && byte <= 0xDF) {
    length = 2;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    length = 3;
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    length = 4;
  }
  if (length == 0 || at + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

// 0x80 in every byte of `word` that is zero, nothing elsewhere.
std::uint64_t zeroBytes(std::uint64_t word) {
  constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
  return ~(((word & low7) + low7) | word | low7);
}

constexpr std::uint64_t everyByte(unsigned char byte) { return 0x0101010101010101ULL * byte; }

LineReader::LineFacts factsOf(const std::string& line) {
  LineReader::LineFacts facts;
  std::uint64_t odd = 0;
  std::uint64_t any = 0;
  const auto take = [&](std::uint64_t word, std::uint64_t keep) {
    // One bit per comma, at the bottom of its byte; the product sums the bytes.
    const std::uint64_t commaBits = (zeroBytes(word ^ everyByte(',')) & keep) >> 7;
    facts.commas += static_cast<std::size_t>((commaBits * everyByte(1)) >> 56);
    odd |= (zeroBytes(word ^ everyByte(' ')) | zeroBytes(word ^ everyByte('\t')) |
            zeroBytes(word ^ everyByte('\''))) &
           keep;
    any |= word & keep;
  };
  const std::size_t size = line.size();
  if (size < 8) {
    for (const char byte : line) {
      take(static_cast<unsigned char>(byte), 0xFF);
    }
  } else {
    std::uint64_t word = 0;
    std::size_t at = 0;
    for (; at + 8 <= size; at += 8) {
      std::memcpy(&word, line.data() + at, 8);
      take(word, ~std::uint64_t{0});
    }
    if (at < size) {  // the last 8 bytes, of which only the new ones count
      std::memcpy(&word, line.data() + size - 8, 8);
      take(word, ~std::uint64_t{0} << (8 * (8 - (size - at))));
    }
  }
  facts.blankOrQuote = odd != 0;
  facts.pastAscii = (any & everyByte(0x80)) != 0;
  return facts;
}

}  // namespace

LineReader::LineReader(std::istream& in) : in_(in) {}

bool LineReader::fill() {
  if (hasLookahead_) {
    return true;
  }
  if (!std::getline(in_, lookahead_)) {
    if (in_.bad()) {
      readError_ = true;
    }
    lookahead_.clear();
    return false;
  }
  const bool endedByLineFeed = !in_.eof();
  lookaheadEmpty_ = lookahead_.empty() || lookahead_ == "\r";
  const std::size_t nul = lookahead_.find('\0');
  if (nul != std::string::npos) {
    lookahead_.resize(nul);
  } else if (lookahead_ == "\r" ||
             (endedByLineFeed && !lookahead_.empty() && lookahead_.back() == '\r')) {
    lookahead_.pop_back();
  }
  hasLookahead_ = true;
  return true;
}

bool LineReader::readLine(std::string& line) {
  if (!fill()) {
    line.clear();
    return false;
  }
  line = std::move(lookahead_);
  lookahead_.clear();
  hasLookahead_ = false;
  ++lineNumber_;
  facts_ = factsOf(line);
  if (facts_.pastAscii && !invalidUtf8_) {
    noteEncoding(line);
  }
  return true;
}

void LineReader::noteEncoding(const std::string& line) {
  for (std::size_t at = 0; at < line.size();) {
    if (static_cast<unsigned char>(line[at]) < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = utf8SequenceLength(line, at);
    if (length == 0) {
      invalidUtf8_ = true;
      return;
    }
    if (multiByteLine_ == 0) {
      multiByteLine_ = lineNumber_;
      multiByteColumn_ = at;
    }
    at += length;
  }
}

bool LineReader::atEnd() { return !fill(); }

bool LineReader::nextLineIsEmpty() { return fill() && lookaheadEmpty_; }

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> pieces;
  cutList(text, [&](std::size_t position, std::size_t length) {
    pieces.push_back(text.substr(position, length));
  });
  return pieces;
}
