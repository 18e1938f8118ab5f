// Reading the input file line by line, and cutting texts at commas.
#ifndef INPUT_LINE_READER_H_
#define INPUT_LINE_READER_H_

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Reads an input stream one line at a time, with one line of lookahead.
// Lines are read whole, whatever their length. A line feed ends a line and is
// not kept; a carriage return right before it is dropped too, so CR LF files
// read like LF files, and a line of only a carriage return is empty. A NUL
// byte ends the line's text (the rest of that line is dropped). A last line
// without a line feed is a line like any other.
class LineReader {
 public:
  explicit LineReader(std::istream& in);

  // The next line into `line`; false (and `line` emptied) when none is left.
  bool readLine(std::string& line);

  // True when no line is left to read.
  bool atEnd();

  // The section-end test: true when a next line exists and is empty (or only
  // a carriage return); a line that only a NUL byte makes empty does not count.
  bool nextLineIsEmpty();

  // True when the stream failed for a reason other than reaching its end.
  bool readError() const { return readError_; }

  // The number of the line last handed out by readLine, from 1 (0 before any).
  std::size_t lineNumber() const { return lineNumber_; }

  // What the line last handed out holds, taken in the same pass that reads it
  // so that checks of millions of tuple lines need not scan them again.
  struct LineFacts {
    std::size_t commas = 0;
    bool blankOrQuote = false;  // a blank, a tab or a single quote
    bool pastAscii = false;     // a byte of 0x80 or above
  };
  const LineFacts& lineFacts() const { return facts_; }

  // Whether the lines handed out so far read as UTF-8 text with at least one
  // multi-byte sequence, and where the first of those stands (line from 1,
  // byte column from 0).
  bool looksLikeUtf8() const { return multiByteLine_ != 0 && !invalidUtf8_; }
  std::size_t firstMultiByteLine() const { return multiByteLine_; }
  std::size_t firstMultiByteColumn() const { return multiByteColumn_; }

 private:
  bool fill();

  std::istream& in_;
  std::string lookahead_;
  bool hasLookahead_ = false;
  bool lookaheadEmpty_ = false;
  bool readError_ = false;
  std::size_t lineNumber_ = 0;
  std::size_t multiByteLine_ = 0;
  std::size_t multiByteColumn_ = 0;
  bool invalidUtf8_ = false;
  LineFacts facts_;

  void noteEncoding(const std::string& line);
};

// Calls `take(position, length)` for each comma-separated piece of `text`, in
// order. A comma at the very start is dropped, a comma at the end adds one
// empty piece, two commas in a row give an empty piece between them. Nothing
// is trimmed; the empty text gives no piece.
template <typename Take>
void cutList(std::string_view text, Take&& take) {
  std::size_t position = 0;
  while (position < text.size()) {
    if (text[position] == ',') {
      ++position;
    }
    const std::size_t comma = text.find(',', position);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    take(position, end - position);
    position = end;
  }
}

// The pieces that cutList cuts, in order.
std::vector<std::string> splitList(const std::string& text);

#endif  // INPUT_LINE_READER_H_
