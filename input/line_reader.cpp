#include "input/line_reader.h"

#include <cstring>
#include <utility>

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
  return true;
}

bool LineReader::atEnd() { return !fill(); }

bool LineReader::nextLineIsEmpty() { return fill() && lookaheadEmpty_; }

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t position = 0;
  while (position < text.size()) {
    if (text[position] == ',') {
      ++position;
    }
    const std::size_t comma = text.find(',', position);
    const std::size_t end = comma == std::string::npos ? text.size() : comma;
    pieces.push_back(text.substr(position, end - position));
    position = end;
  }
  return pieces;
}
