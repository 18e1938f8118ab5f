// What the fuzz harness works out from an input text without running it: the
// echoed rule section every output file starts with.
#ifndef TESTS_FUZZ_EXPECTED_ECHO_H_
#define TESTS_FUZZ_EXPECTED_ECHO_H_

#include <string>

namespace fuzzsupport {

// The first bytes every output file of `text` must have: each line of the rule
// section followed by a line feed, then one empty line. Empty when the text
// holds a NUL byte, ends in a carriage return or starts with a UTF-8
// byte-order mark, whose echo the harness leaves to the golden cases. (A
// UTF-8 text is written back in UTF-8, so its echo is its own lines.)
std::string expectedEcho(const std::string& text);

}  // namespace fuzzsupport

#endif  // TESTS_FUZZ_EXPECTED_ECHO_H_
