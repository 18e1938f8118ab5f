#include "input/line_reader.h"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
