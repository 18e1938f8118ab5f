// What the fuzz harness works out from an input text without running it (it
// cuts rules with the engine's own tokenizer): an upper bound of the work a run
// may do, and the echoed rule section.
#ifndef TESTS_FUZZ_WORK_ESTIMATE_H_
#define TESTS_FUZZ_WORK_ESTIMATE_H_

#include <string>
#include <vector>

namespace fuzzsupport {

// The lines of an input text as a run reads them: cut at line feeds, a carriage
// return right before a line feed dropped, a NUL byte ending the line's text. A
// last line without a line feed is a line; the empty text has no line.
std::vector<std::string> inputLines(const std::string& text);

// An upper bound, in tuples built and compared (weighted by the longest tuple
// line), of what evaluating the program text can cost. Generous, never low: a
// product counts as the full product of its operands, a condition that binds a
// variable from a column squares the partial result, and a recursive group is
// charged one round per tuple it can hold.
double estimateWork(const std::string& text);

// The first bytes every output file of `text` must have: each line of the rule
// section followed by a line feed, then one empty line. Empty when the text
// holds a NUL byte or ends in a carriage return, whose echo the harness leaves
// to the golden cases.
std::string expectedEcho(const std::string& text);

}  // namespace fuzzsupport

#endif  // TESTS_FUZZ_WORK_ESTIMATE_H_
