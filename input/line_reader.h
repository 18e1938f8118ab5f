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
// byte ends the line's text (the rest of that line is dropped, and noted). A
// last line without a line feed is a line like any other.
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
    bool digitsAndCommasOnly = true;
    bool pastAscii = false;  // a byte of 0x80 or above
  };
  const LineFacts& lineFacts() const { return facts_; }

  // What the lines handed out from now on show against UTF-8: every
  // character Latin-2 has no byte for (a byte-order mark that starts the
  // file aside), or the first byte that is no part of a UTF-8 sequence.
  enum class Utf8Watch { none, foreignCharacters, firstInvalidByte };
  void watchUtf8(Utf8Watch watch) { watch_ = watch; }
  struct Utf8Finding {
    std::size_t line = 0;    // from 1
    std::size_t column = 0;  // the byte column, from 0
    char32_t codePoint = 0;  // of a foreign character
    std::string lineText;
  };
  const std::vector<Utf8Finding>& utf8Findings() const { return findings_; }

  // What the lines handed out so far hold that a line should not: each NUL
  // byte that ended a line's text (with the bytes it dropped, a carriage
  // return before the line feed left out), and the first carriage return
  // with text after it in its line (a file whose lines end in carriage
  // returns alone).
  struct LineNote {
    bool nulByte = false;    // else a carriage return
    std::size_t line = 0;    // from 1
    std::size_t column = 0;  // the byte column, from 0
    std::string dropped;     // after a NUL byte
    std::string lineText;    // as handed out
  };
  const std::vector<LineNote>& lineNotes() const { return notes_; }

 private:
  bool fill();

  std::istream& in_;
  std::string lookahead_;
  bool hasLookahead_ = false;
  bool lookaheadEmpty_ = false;
  bool readError_ = false;
  std::size_t lineNumber_ = 0;
  Utf8Watch watch_ = Utf8Watch::none;
  std::vector<Utf8Finding> findings_;
  std::vector<LineNote> notes_;
  bool nulCut_ = false;  // the lookahead's text ends at a NUL byte
  std::string dropped_;  // what the NUL byte dropped
  bool carriageReturnNoted_ = false;
  LineFacts facts_;

  void noteUtf8(const std::string& line);
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
