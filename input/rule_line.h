// Cutting one rule line into its head and its body.
#ifndef INPUT_RULE_LINE_H_
#define INPUT_RULE_LINE_H_

#include <string>

// The parts of a rule line head(arguments)<-body, each taken by first occurrence.
struct RuleLine {
  std::string headName;       // before the first "(" (the whole line without one)
  std::string headArguments;  // between the first "(" and the first ")"
  std::string body;           // after the "<-" that follows that ")"
  bool wellFormed = false;    // "(" before ")", and "<-" right after the ")"
};

// Cuts `line`; a line that is not head(arguments)<-body has wellFormed false and
// only its head name set.
RuleLine cutRuleLine(const std::string& line);

// The predicate name of an atom or rule line: the text before the first "(".
std::string predicateName(const std::string& text);

#endif  // INPUT_RULE_LINE_H_
