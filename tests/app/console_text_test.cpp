#include "app/console_text.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>

namespace {

// What an escaping stream writes of `pieces`, written one after another.
std::string written(std::initializer_list<std::string> pieces, bool utf8Text) {
  std::ostringstream target;
  {
    EscapingStream stream(target, utf8Text);
    for (const std::string& piece : pieces) {
      stream << piece;
    }
  }
  return target.str();
}

TEST(EscapingStreamTest, EscapesTheControlsOfItsEncoding) {
  // Latin-2: every byte 0x80 to 0x9F is a control.
  EXPECT_EQ(written({"a\x1bz\x9bz\xe9"}, false), "a\\x1bz\\x9bz\xe9");
  // UTF-8: continuation bytes pass, but a C1 control is both its bytes.
  EXPECT_EQ(written({"\xc3\xa9\xe2\x82\xac\xc2\xa0"}, true), "\xc3\xa9\xe2\x82\xac\xc2\xa0");
  EXPECT_EQ(written({"a\xc2\x9b[m"}, true), "a\\xc2\\x9b[m");
  // A lead byte that ends one write is judged with the next, or written at the end.
  EXPECT_EQ(written({"a\xc2", "\x9bz"}, true), "a\\xc2\\x9bz");
  EXPECT_EQ(written({"a\xc2", "\xa0z"}, true), "a\xc2\xa0z");
  EXPECT_EQ(written({"a\xc2"}, true), "a\xc2");
  EXPECT_EQ(escapedControlBytes("\xc2\x85\xc2", true), "\\xc2\\x85\xc2");
}

}  // namespace
