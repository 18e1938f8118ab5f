#include "input/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

std::vector<std::string> allLines(const std::string& content) {
  std::istringstream in(content);
  LineReader reader(in);
  std::vector<std::string> lines;
  std::string line;
  while (reader.readLine(line)) {
    lines.push_back(line);
  }
  return lines;
}

TEST(SplitListTest, KeepsEmptyPiecesAndDropsOneLeadingComma) {
  EXPECT_EQ(splitList("a,b,c"), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(splitList(""), Pieces{});
  EXPECT_EQ(splitList("a,,b"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(splitList(",a"), Pieces{"a"});
  EXPECT_EQ(splitList("a,"), (Pieces{"a", ""}));
  EXPECT_EQ(splitList(" a, b"), (Pieces{" a", " b"}));
  EXPECT_EQ(splitList(","), Pieces{""});
}

TEST(LineReaderTest, ReadsLinesOfAnyLengthWithOrWithoutFinalLineFeed) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(allLines(longLine + "\nb\n"), (Pieces{longLine, "b"}));
  EXPECT_EQ(allLines("a\nlast"), (Pieces{"a", "last"}));
  EXPECT_EQ(allLines(""), Pieces{});
  EXPECT_EQ(allLines("\n\n"), (Pieces{"", ""}));
}

TEST(LineReaderTest, DropsCarriageReturnBeforeLineFeedAndCutsAtNul) {
  EXPECT_EQ(allLines("a\r\n\r\nb\r\n"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(allLines(std::string("ab\0cd\nef\n", 9)), (Pieces{"ab", "ef"}));
  EXPECT_EQ(allLines("a\rb\n"), Pieces{"a\rb"});
}

TEST(LineReaderTest, SectionEndLooksAtTheNextLineWithoutConsumingIt) {
  std::istringstream in("r(X)<-p(X)\r\n\r\np(a)\n");
  LineReader reader(in);
  std::string line;
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_TRUE(reader.nextLineIsEmpty());
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_EQ(line, "");
  EXPECT_FALSE(reader.nextLineIsEmpty());
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_EQ(line, "p(a)");
  EXPECT_TRUE(reader.atEnd());
  EXPECT_FALSE(reader.nextLineIsEmpty());
}

TEST(LineReaderTest, ALineMadeEmptyByANulByteDoesNotEndASection) {
  std::istringstream in(std::string("a\n\0\nb\n\r\nc\r", 10));
  LineReader reader(in);
  std::string line;
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_FALSE(reader.nextLineIsEmpty());
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_TRUE(reader.nextLineIsEmpty());
  ASSERT_TRUE(reader.readLine(line));
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_EQ(line, "c\r");
}

// The facts taken word by word against a byte-by-byte count, on lines of
// every length around the 8-byte words (shorter lines, whole words, a tail
// that overlaps the last word) and bytes that look alike in part.
TEST(LineReaderTest, LineFactsAgreeWithAByteByByteCount) {
  const std::string bytes = ",, \t'a1\x80\xE9-(!\r\x1F\x01/:09\xB0";
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1103515245U + 12345U;
    return state >> 16;
  };
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    const std::size_t length = next() % 40;
    for (std::size_t i = 0; i < length; ++i) {
      line += bytes[next() % bytes.size()];
    }
    std::istringstream in(line + "\n");
    LineReader reader(in);
    std::string read;
    ASSERT_TRUE(reader.readLine(read));
    line = read;  // without a carriage return before the line feed
    const LineReader::LineFacts& facts = reader.lineFacts();
    EXPECT_EQ(facts.commas, static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')))
        << line;
    EXPECT_EQ(facts.digitsAndCommasOnly, line.find_first_not_of("0123456789,") == std::string::npos)
        << line;
    EXPECT_EQ(facts.pastAscii,
              std::any_of(line.begin(), line.end(),
                          [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; }))
        << line;
  }
}

TEST(LineReaderTest, NotesNulBytesAndTheFirstCarriageReturnInsideALine) {
  std::istringstream in(std::string("ab\0cd\r\nx\ry\rz\n\0\nlast\r", 20));
  LineReader reader(in);
  std::string line;
  while (reader.readLine(line)) {
  }
  std::vector<std::tuple<bool, std::size_t, std::size_t, std::string>> notes;
  for (const LineReader::LineNote& note : reader.lineNotes()) {
    notes.emplace_back(note.nulByte, note.line, note.column, note.dropped);
  }
  // A carriage return that ends the file is no line end of its own.
  EXPECT_EQ(notes, (decltype(notes){{true, 1, 2, "cd"}, {false, 2, 1, ""}, {true, 3, 0, ""}}));
}

TEST(LineReaderTest, FindsWhatLinesReadAsBytesHoldAgainstUtf8) {
  using Found = std::vector<std::tuple<std::size_t, std::size_t, char32_t>>;
  const auto found = [](const std::string& content, LineReader::Utf8Watch watch) {
    std::istringstream in(content);
    LineReader reader(in);
    reader.watchUtf8(watch);
    std::string line;
    while (reader.readLine(line)) {
    }
    Found result;
    for (const LineReader::Utf8Finding& finding : reader.utf8Findings()) {
      result.emplace_back(finding.line, finding.column, finding.codePoint);
      EXPECT_FALSE(finding.lineText.empty());
    }
    return result;
  };
  const auto foreign = LineReader::Utf8Watch::foreignCharacters;
  // The byte-order mark that starts the file is no finding, one further on is.
  EXPECT_EQ(found("\xEF\xBB\xBFp(X)<-q(X)\n\nq(a)\n'ma\xC3\xB1"
                  "a\xE2\x82\xAC\xEF\xBB\xBF'\n",
                  foreign),
            (Found{{4, 3, 0xF1}, {4, 6, 0x20AC}, {4, 9, 0xFEFF}}));
  EXPECT_EQ(found("'\xC3\xA9va'\n", foreign), Found{});
  const auto invalid = LineReader::Utf8Watch::firstInvalidByte;
  EXPECT_EQ(found("a\n'\xC3\xA9'\n'\xE9va',\xE9\n'\xE9'\n", invalid), (Found{{3, 1, 0}}));
  EXPECT_EQ(found("'\xC3\xA9va'\n", LineReader::Utf8Watch::none), Found{});
}

}  // namespace
