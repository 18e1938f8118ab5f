#include "expected_echo.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace fuzzsupport {

namespace {

std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    pieces.push_back(
        text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) {
      return pieces;
    }
    start = end + 1;
  }
}

// The rule section ends before the first line after the first one that is
// empty in the text itself, or only a carriage return. A line that a NUL byte
// empties does not end it.
std::size_t ruleSectionLength(const std::string& text, std::size_t lineCount) {
  std::size_t start = text.find('\n');  // before the second line
  for (std::size_t i = 1; i < lineCount; ++i, start = text.find('\n', start + 1)) {
    const std::size_t next = start + 1;
    if (next == text.size() || text[next] == '\n' || text.compare(next, 2, "\r\n") == 0 ||
        text.compare(next, std::string::npos, "\r") == 0) {
      return i;
    }
  }
  return lineCount;
}

// The lines of an input text as a run reads them: cut at line feeds, a carriage
// return right before a line feed dropped, a NUL byte ending the line's text. A
// last line without a line feed is a line; the empty text has no line.
std::vector<std::string> inputLines(const std::string& text) {
  std::vector<std::string> lines = splitAt(text, '\n');
  if (lines.back().empty()) {
    lines.pop_back();  // the text ended with a line feed, or was empty
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    const std::size_t nul = line.find('\0');
    const bool endedByLineFeed = i + 1 < lines.size() || (!text.empty() && text.back() == '\n');
    if (nul != std::string::npos) {
      line.resize(nul);
    } else if (endedByLineFeed && !line.empty() && line.back() == '\r') {
      line.pop_back();
    }
  }
  return lines;
}

}  // namespace

std::string expectedEcho(const std::string& text) {
  if (text.find('\0') != std::string::npos || (!text.empty() && text.back() == '\r') ||
      text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return "";
  }
  const std::vector<std::string> lines = inputLines(text);
  const std::size_t ruleCount = std::max<std::size_t>(ruleSectionLength(text, lines.size()), 1);
  std::string echo;
  for (std::size_t i = 0; i < ruleCount; ++i) {
    echo += i < lines.size() ? lines[i] : std::string();
    echo += '\n';
  }
  echo += '\n';
  return echo;
}

}  // namespace fuzzsupport
