// The input file as the Latin-2 text the engine reads: a file saved as UTF-8
// converted on reading, any other taken byte for byte.
#ifndef INPUT_ENCODED_INPUT_H_
#define INPUT_ENCODED_INPUT_H_

#include <istream>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

#include "input/encoding.h"

// Reads bytes that the caller keeps, without copying them; can be set back.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view bytes);

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override;
};

// How the input is read.
struct InputReading {
  // utf8: converted to Latin-2 on reading (a byte-order mark dropped), and
  // the output written back in UTF-8; latin2: taken byte for byte.
  Encoding encoding = Encoding::latin2;
  bool forced = false;  // the encoding --encoding asked for
  // Taken byte for byte though the file is valid UTF-8 with multi-byte
  // sequences: a character in it has no Latin-2 byte.
  bool utf8Bytes = false;
  // --encoding utf-8 asked for a file that is no valid UTF-8: taken byte for byte.
  bool invalidUtf8 = false;
};

class EncodedInput {
 public:
  // Looks at `raw` from where it stands to its end, or up to the first byte
  // that rules UTF-8 out, and decides how to read it: as UTF-8 when it is
  // valid UTF-8, holds a multi-byte sequence and only characters Latin-2 has
  // (or when `forced` says so and it is valid UTF-8), otherwise byte for
  // byte; `forced` latin2 reads bytes without looking. The text is then read
  // from where `raw` stood, or, when `raw` cannot be set back (a pipe), from
  // its bytes kept in memory.
  EncodedInput(std::istream& raw, std::optional<Encoding> forced);
  EncodedInput(const EncodedInput&) = delete;
  EncodedInput& operator=(const EncodedInput&) = delete;

  // The text, as Latin-2.
  std::istream& text() { return *text_; }
  const InputReading& reading() const { return reading_; }
  // True when `raw` failed for a reason other than reaching its end.
  bool readError() const { return raw_.bad(); }

 private:
  void decide(std::optional<Encoding> forced, bool validUtf8, bool multiByte, bool latin2HoldsAll);

  std::istream& raw_;
  InputReading reading_;
  std::string kept_;  // the bytes of a stream that cannot be set back
  std::unique_ptr<std::streambuf> keptBuffer_;
  std::unique_ptr<std::istream> keptStream_;
  std::unique_ptr<std::streambuf> decoder_;
  std::unique_ptr<std::istream> decoded_;
  std::istream* text_;
};

#endif  // INPUT_ENCODED_INPUT_H_
