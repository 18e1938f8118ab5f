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

// Captures what is written to standard output while it lives.
class CapturedStdout {
 public:
  CapturedStdout() : previous_(std::cout.rdbuf(captured_.rdbuf())) {}
  ~CapturedStdout() { std::cout.rdbuf(previous_); }
  std::string text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* previous_;
};

#endif  // TESTS_TEST_UTIL_H_
