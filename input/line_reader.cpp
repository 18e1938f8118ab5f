#include "input/line_reader.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "input/encoding.h"

namespace {

// 0x80 in every byte of `word` that is zero, nothing elsewhere.
std::uint64_t zeroBytes(std::uint64_t word) {
  constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
  return ~(((word & low7) + low7) | word | low7);
}

constexpr std::uint64_t everyByte(unsigned char byte) { return 0x0101010101010101ULL * byte; }

// 0x80 in every byte of `word` that is no decimal digit, nothing elsewhere.
std::uint64_t notDigits(std::uint64_t word) {
  const std::uint64_t offset = word ^ everyByte('0');  // digits become 0 to 9
  return ((offset + everyByte(0x80 - 10)) | offset) & everyByte(0x80);
}

LineReader::LineFacts factsOf(const std::string& line) {
  LineReader::LineFacts facts;
  std::uint64_t other = 0;
  std::uint64_t any = 0;
  const auto take = [&](std::uint64_t word, std::uint64_t keep) {
    const std::uint64_t commas = zeroBytes(word ^ everyByte(','));
    // One bit per comma, at the bottom of its byte; the product sums the bytes.
    const std::uint64_t commaBits = (commas & keep) >> 7;
    facts.commas += static_cast<std::size_t>((commaBits * everyByte(1)) >> 56);
    other |= notDigits(word) & ~commas & keep;
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
  facts.digitsAndCommasOnly = other == 0;
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
  nulCut_ = nul != std::string::npos;
  if (nulCut_) {
    const bool lineEnd = endedByLineFeed && lookahead_.back() == '\r';
    dropped_ = lookahead_.substr(nul + 1, lookahead_.size() - nul - 1 - (lineEnd ? 1 : 0));
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
  if (facts_.pastAscii && watch_ != Utf8Watch::none) {
    noteUtf8(line);
  }
  if (nulCut_) {
    notes_.push_back(LineNote{true, lineNumber_, line.size(), std::move(dropped_), line});
  }
  if (!facts_.digitsAndCommasOnly && !carriageReturnNoted_) {
    const std::size_t inside = line.find('\r');
    // One that ends the file's last line is left as it is.
    if (inside != std::string::npos && inside + 1 < line.size()) {
      carriageReturnNoted_ = true;
      notes_.push_back(LineNote{false, lineNumber_, inside, "", line});
    }
  }
  return true;
}

void LineReader::noteUtf8(const std::string& line) {
  for (std::size_t at = 0; at < line.size();) {
    if (static_cast<unsigned char>(line[at]) < 0x80) {
      ++at;
      continue;
    }
    const Utf8Sequence sequence = utf8SequenceAt(line, at);
    if (sequence.length == 0) {
      if (watch_ == Utf8Watch::firstInvalidByte) {
        findings_.push_back(Utf8Finding{lineNumber_, at, 0, line});
        watch_ = Utf8Watch::none;
      }
      return;
    }
    const bool fileByteOrderMark = lineNumber_ == 1 && at == 0 && sequence.codePoint == 0xFEFF;
    if (watch_ == Utf8Watch::foreignCharacters && !fileByteOrderMark &&
        latin2ByteOf(sequence.codePoint) < 0) {
      findings_.push_back(Utf8Finding{lineNumber_, at, sequence.codePoint, line});
    }
    at += sequence.length;
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
