// Helpers shared by the unit tests.
#ifndef TESTS_TEST_UTIL_H_
#define TESTS_TEST_UTIL_H_

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "relation/relation.h"

// A relation from a header text, its types and tuple lines in the tuple text form.
inline Relation relationOf(const std::string& header, const std::vector<ValueType>& types,
                           const std::vector<std::string>& tupleTexts) {
  Relation relation(header, types);
  for (const std::string& text : tupleTexts) {
    relation.addTupleText(text);
  }
  return relation;
}

// Captures what is written to a stream (standard output unless told) while it lives.
class CapturedStdout {
 public:
  explicit CapturedStdout(std::ostream& stream = std::cout)
      : stream_(stream), previous_(stream.rdbuf(captured_.rdbuf())) {}
  ~CapturedStdout() { stream_.rdbuf(previous_); }
  std::string text() const { return captured_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream captured_;
  std::streambuf* previous_;
};

#endif  // TESTS_TEST_UTIL_H_
