#include "input/encoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "input/encoded_input.h"

namespace {

// Every Latin-2 character in its UTF-8 form and back.
TEST(EncodingTest, ConvertsEveryLatin2CharacterBothWays) {
  std::string latin2;
  for (int byte = 0; byte < 256; ++byte) {
    latin2 += static_cast<char>(byte);
  }
  const std::string utf8 = utf8FromLatin2(latin2);
  EXPECT_EQ(utf8.size(), 128U + 2 * 128U);
  EXPECT_EQ(utf8FromLatin2("\xF5\xFB\xC1"), "\xC5\x91\xC5\xB1\xC3\x81");  // o" u" A'
  std::string back;
  ASSERT_TRUE(latin2FromUtf8(utf8, back));
  EXPECT_EQ(back, latin2);
  std::string kept = "kept";
  EXPECT_FALSE(
      latin2FromUtf8("ma\xC3\xB1"
                     "ana",
                     kept));                     // n~ has no Latin-2 byte
  EXPECT_FALSE(latin2FromUtf8("\xE9va", kept));  // no UTF-8
  EXPECT_EQ(kept, "kept");
}

TEST(EncodingTest, TakesOnlyShortestFormSequencesOfCodePoints) {
  const auto length = [](const std::string& text) { return utf8SequenceAt(text, 0).length; };
  EXPECT_EQ(length("\xC3\xA9"), 2U);
  EXPECT_EQ(utf8SequenceAt("\xF0\x9F\x98\x80", 0).codePoint, 0x1F600U);
  EXPECT_EQ(length("\xC0\xAF"), 0U);          // overlong
  EXPECT_EQ(length("\xE0\x80\xAF"), 0U);      // overlong
  EXPECT_EQ(length("\xED\xA0\x80"), 0U);      // surrogate
  EXPECT_EQ(length("\xF4\x90\x80\x80"), 0U);  // past U+10FFFF
  EXPECT_EQ(length("\xE2\x82"), 0U);          // cut short
  EXPECT_EQ(length("\x80"), 0U);
}

TEST(EncodingTest, CountsColumnsInTheUtf8FormOfALine) {
  EXPECT_EQ(utf8Column("abc", 3), 3U);
  EXPECT_EQ(utf8Column("\xF5s(X)", 2), 3U);
  EXPECT_EQ(utf8Column("\xE9", 4), 5U);  // past the end: one byte a column
}

// The scan's findings for `text` handed over in pieces of `piece` bytes.
std::vector<bool> scanned(const std::string& text, std::size_t piece) {
  EncodingScan scan;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    scan.take(std::string_view(text).substr(at, piece));
  }
  return {scan.validUtf8(), scan.multiByte(), scan.latin2HoldsAll(),
          scan.startsWithByteOrderMark()};
}

TEST(EncodingTest, ScansTextCutAnywhere) {
  const std::string utf8 = "\xEF\xBB\xBF\x61 long enough line \xC5\x91\n\xE2\x82\xAC";
  for (std::size_t piece = 1; piece <= utf8.size(); ++piece) {
    EXPECT_EQ(scanned(utf8, piece), (std::vector<bool>{true, true, false, true})) << piece;
  }
  EXPECT_EQ(scanned("plain ascii, long enough for whole words", 5),
            (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(scanned("'\xC3\xA9va'\n'\xE9va'", 3), (std::vector<bool>{false, true, true, false}));
  EXPECT_FALSE(scanned("ends cut \xC5", 4)[0]);
}

struct Read {
  Encoding encoding;
  bool utf8Bytes;
  bool invalidUtf8;
  std::string text;
};

// What EncodedInput reads from `bytes`, given as a stream that can be set
// back or, with `pipe`, one that cannot.
Read readThrough(const std::string& bytes, std::optional<Encoding> forced, bool pipe = false) {
  std::istringstream seekable(bytes);
  // A stream buffer that refuses to seek, as a pipe's does.
  struct PipeBuffer : std::stringbuf {
    using std::stringbuf::stringbuf;
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
      return pos_type(off_type(-1));
    }
  } pipeBuffer(bytes);
  std::istream piped(&pipeBuffer);
  EncodedInput input(pipe ? piped : seekable, forced);
  const InputReading& reading = input.reading();
  return {reading.encoding, reading.utf8Bytes, reading.invalidUtf8,
          std::string(std::istreambuf_iterator<char>(input.text()), {})};
}

TEST(EncodedInputTest, ReadsUtf8AsLatin2AndAnythingElseAsBytes) {
  const std::string utf8 =
      "\xEF\xBB\xBF\xC5\x91s(X)<-p(X)\n\n" + std::string(70000, 'x') + "\xC3\xA9\n";
  const std::string latin2 = "\xF5s(X)<-p(X)\n\n" + std::string(70000, 'x') + "\xE9\n";
  for (const bool pipe : {false, true}) {
    const Read converted = readThrough(utf8, std::nullopt, pipe);
    EXPECT_EQ(converted.encoding, Encoding::utf8);
    EXPECT_EQ(converted.text, latin2);
    const Read bytes = readThrough(latin2, std::nullopt, pipe);
    EXPECT_EQ(bytes.encoding, Encoding::latin2);
    EXPECT_EQ(bytes.text, latin2);
    EXPECT_EQ(readThrough(utf8, Encoding::latin2, pipe).text, utf8);
  }
  const Read foreign = readThrough(
      "'ma\xC3\xB1"
      "ana'\n",
      std::nullopt);
  EXPECT_EQ(foreign.encoding, Encoding::latin2);
  EXPECT_TRUE(foreign.utf8Bytes);
  EXPECT_EQ(foreign.text,
            "'ma\xC3\xB1"
            "ana'\n");
  EXPECT_EQ(readThrough("ascii\n", std::nullopt).encoding, Encoding::latin2);
  EXPECT_EQ(readThrough("ascii\n", Encoding::utf8).encoding, Encoding::utf8);
  EXPECT_TRUE(readThrough(latin2, Encoding::utf8).invalidUtf8);
}

}  // namespace
