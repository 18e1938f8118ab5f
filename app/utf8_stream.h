// Latin-2 text written out as UTF-8.
#ifndef APP_UTF8_STREAM_H_
#define APP_UTF8_STREAM_H_

#include <ostream>
#include <streambuf>

// Converts each byte written to it from Latin-2 to UTF-8 and writes it to
// `target` at once, so that it keeps its order with what is written to
// `target` directly. A failure of `target` fails this stream too.
class Utf8Stream : public std::ostream {
 public:
  explicit Utf8Stream(std::ostream& target);
  Utf8Stream(const Utf8Stream&) = delete;
  Utf8Stream& operator=(const Utf8Stream&) = delete;

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::ostream& target) : target_(target) {}

   protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int_type overflow(int_type byte) override;
    int sync() override;

   private:
    std::ostream& target_;
  };

  Buffer buffer_;
};

#endif  // APP_UTF8_STREAM_H_
