// Text of the input on its way to the console, a pipe or the page: bytes that
// a terminal would act on instead of showing are written as escapes.
#ifndef APP_CONSOLE_TEXT_H_
#define APP_CONSOLE_TEXT_H_

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

// True for the control bytes: below 0x20 except tab and line feed, 0x7F, and
// 0x80 to 0x9F (the C1 controls, which Latin-2 leaves unused).
bool isControlByte(unsigned char byte);

// How many bytes `byte` takes on the console: 4 for a control byte ("\x1b"), else 1.
std::size_t consoleWidth(unsigned char byte);

// `text` with each control byte written as a backslash, "x" and two lower-case
// hexadecimal digits, as an EscapingStream of the same `utf8Text` writes it.
std::string escapedControlBytes(std::string_view text, bool utf8Text = false);

// How many continuation bytes follow `byte` when it begins a UTF-8 sequence
// of two to four bytes; else 0.
std::size_t utf8ContinuationCount(unsigned char byte);

// True when `lead` and `next` are a C1 control written in UTF-8 (C2 80 to
// C2 9F), which a UTF-8 terminal acts on: in UTF-8 text both bytes are
// escaped.
bool isUtf8Control(unsigned char lead, unsigned char next);

// Writes what it is given to `target`, control bytes escaped; fails when the
// target does. With `utf8Text`, the text is UTF-8 bytes: the bytes 0x80 to 0x9F
// that continue a character are written as they are, but for the C1 controls
// in UTF-8, whose two bytes are escaped (a lead byte 0xC2 that ends one write
// waits for the next, or for a flush).
class EscapingStream : public std::ostream {
 public:
  explicit EscapingStream(std::ostream& target, bool utf8Text = false);

 private:
  class Buffer : public std::streambuf {
   public:
    Buffer(std::ostream& target, bool utf8Text) : target_(target), utf8Text_(utf8Text) {}
    ~Buffer() override { writeHeldLead(); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

   protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int overflow(int byte) override;
    int sync() override;

   private:
    // Whether `byte` is written as an escape; follows the UTF-8 sequences.
    bool escaped(unsigned char byte);
    // Writes the lead byte held back at the end of the last write, if any.
    void writeHeldLead();
    // Writes a C1 control in UTF-8, 0xC2 and `second`, as two escapes.
    void writeUtf8Control(unsigned char second);

    std::ostream& target_;
    bool utf8Text_;
    std::size_t continuing_ = 0;  // continuation bytes still to come
    bool heldLead_ = false;       // a 0xC2 that ended the last write, not yet written
  };

  Buffer buffer_;
};

#endif  // APP_CONSOLE_TEXT_H_
