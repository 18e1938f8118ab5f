// What evaluation has to say about the rule lines, as values for the caller to print.
#ifndef EVAL_DIAGNOSTICS_H_
#define EVAL_DIAGNOSTICS_H_

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <utility>

enum class Warning { notARule, conditionWithoutOperator, unboundHeadVariable };

// One warning: what it is, the line of the input it concerns (from 1), the
// byte column there (from 0) and its text.
struct Diagnostic {
  Warning kind = Warning::notARule;
  std::size_t line = 0;
  std::size_t column = 0;
  std::string text;
};

// Collects warnings and hands each to `sink` as it is given, once per kind
// and input line however often the rule is evaluated. Without a sink they are
// only counted.
class Warnings {
 public:
  using Sink = std::function<void(const Diagnostic&)>;

  explicit Warnings(Sink sink = nullptr) : sink_(std::move(sink)) {}

  void warn(Warning warning, std::size_t lineNumber);

 private:
  Sink sink_;
  std::set<std::pair<Warning, std::size_t>> said_;
};

#endif  // EVAL_DIAGNOSTICS_H_
