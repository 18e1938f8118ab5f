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
// hexadecimal digits.
std::string escapedControlBytes(std::string_view text);

// Writes what it is given to `target`, control bytes escaped; fails when the
// target does.
class EscapingStream : public std::ostream {
 public:
  explicit EscapingStream(std::ostream& target);

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::ostream& target) : target_(target) {}

   protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int overflow(int byte) override;
    int sync() override;

   private:
    std::ostream& target_;
  };

  Buffer buffer_;
};

#endif  // APP_CONSOLE_TEXT_H_
