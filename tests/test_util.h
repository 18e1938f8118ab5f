// Helpers shared by the unit tests.
#ifndef TESTS_TEST_UTIL_H_
#define TESTS_TEST_UTIL_H_

#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "input/relation_section.h"
#include "relation/relation.h"
#include "relation/tuple_text.h"

// Adds the tuple that the tuple line `text` gives by the relation's types.
inline void addTupleText(Relation& relation, const std::string& text) {
  RowBuffer rows(relation.types().size());
  appendTupleRow(relation.types(), text, rows);
  relation.addRows(std::move(rows));
}

// Inserts `tuple` as Relation::insertRow does; false when it was a duplicate.
inline bool insertTuple(Relation& relation, const Tuple& tuple) {
  std::vector<Value> values;
  for (const std::string& text : tuple) {
    values.push_back(makeValue(text));
  }
  return relation.insertRow(values);
}

// A relation from a header text, its types and tuple lines in the tuple text form.
inline Relation relationOf(const std::string& header, const std::vector<ValueType>& types,
                           const std::vector<std::string>& tupleTexts = {}) {
  Declaration declaration = cutDeclaration(header);
  Relation relation(std::move(declaration.name), types, std::move(declaration.attributes));
  for (const std::string& text : tupleTexts) {
    addTupleText(relation, text);
  }
  return relation;
}

// A program whose recursive rule p(Y)<-p(X),f(X,Y) runs first on one seed row
// (999999), and then meets 40,000 new rows of p (0 to 39999, from b) at once,
// more than one slice of new rows; f pairs each even x with 100000 + x.
inline std::string moreNewRowsThanOneSlice() {
  std::string program = "p(X)<-s(X)\np(Y)<-p(X),f(X,Y)\np(X)<-b(X)\n\ns(x)\n999999\n\nb(x)\n";
  for (int i = 0; i < 40000; ++i) {
    program += std::to_string(i) + "\n";
  }
  program += "\nf(x,y)\n";
  for (int i = 0; i < 40000; i += 2) {
    program += std::to_string(i) + "," + std::to_string(100000 + i) + "\n";
  }
  return program;
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
