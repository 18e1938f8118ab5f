// The encodings an input file may be saved in, and the conversions between
// them and the Latin-2 bytes the engine works on.
#ifndef INPUT_ENCODING_H_
#define INPUT_ENCODING_H_

#include <cstddef>
#include <string>
#include <string_view>

enum class Encoding { latin2, utf8 };

// The name of an encoding as --encoding takes it: "latin2" or "utf-8".
const char* encodingName(Encoding encoding);

// The Latin-2 byte of `codePoint`, or -1 when Latin-2 has none.
int latin2ByteOf(char32_t codePoint);

// The UTF-8 sequence that starts at `at`: its length in bytes and its code
// point. The length is 0 where the bytes there are not a complete sequence
// in its shortest form (a surrogate is none either), and 1 for ASCII.
struct Utf8Sequence {
  std::size_t length = 0;
  char32_t codePoint = 0;
};
Utf8Sequence utf8SequenceAt(std::string_view text, std::size_t at);

// How many bytes `text` starts with that are below 0x80 (ASCII, the same in
// both encodings).
std::size_t asciiPrefixLength(std::string_view text);

// The UTF-8 bytes of a Latin-2 text.
std::string utf8FromLatin2(std::string_view latin2);

// `utf8` as Latin-2 into `latin2`; false, with `latin2` untouched, when
// `utf8` is not valid UTF-8 or holds a character Latin-2 has no byte for.
bool latin2FromUtf8(std::string_view utf8, std::string& latin2);

// The byte column, from 1, in the UTF-8 form of `latin2Line` of the byte at
// `column` (from 1) of the Latin-2 line. A column past the line's end keeps
// its distance from the end.
std::size_t utf8Column(std::string_view latin2Line, std::size_t column);

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// What bytes handed over piece by piece show of their encoding. A sequence
// may be cut between two pieces.
class EncodingScan {
 public:
  void take(std::string_view bytes);

  // The bytes taken so far, as a whole text: a sequence cut by the end of the
  // last piece makes it invalid.
  bool validUtf8() const { return valid_ && pending_.empty(); }
  // A byte taken so far is no part of a UTF-8 sequence, whatever follows.
  bool ruledOut() const { return !valid_; }
  // A sequence of more than one byte, a byte-order mark included.
  bool multiByte() const { return multiByte_; }
  // Every character has a Latin-2 byte (a byte-order mark at the start aside).
  bool latin2HoldsAll() const { return latin2HoldsAll_; }
  // The first three bytes are a byte-order mark.
  bool startsWithByteOrderMark() const { return byteOrderMark_; }

 private:
  void takeSequence(const Utf8Sequence& sequence, std::size_t offset);
  std::size_t finishPending(std::string_view bytes);

  bool valid_ = true;
  bool multiByte_ = false;
  bool latin2HoldsAll_ = true;
  bool byteOrderMark_ = false;
  std::size_t taken_ = 0;  // bytes before the current piece
  std::string pending_;    // the start of a sequence the last piece cut
};

#endif  // INPUT_ENCODING_H_
