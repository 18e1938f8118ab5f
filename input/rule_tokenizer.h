// Splitting a rule body into its elements, in evaluation order.
#ifndef INPUT_RULE_TOKENIZER_H_
#define INPUT_RULE_TOKENIZER_H_

#include <string>
#include <vector>

// The elements of `body`, each as written, in four groups: the atoms in body
// order; the constant equalities (X=3) in reverse body order; the variable
// equalities (X=Y) in body order; all other conditions in body order.
// An atom runs to its first ")" (to the end of the body without one); a
// condition runs to the next comma. Empty elements are dropped. A condition
// whose first operator character is not "=" (or that has none) is an "other".
std::vector<std::string> splitRuleBody(const std::string& body);

#endif  // INPUT_RULE_TOKENIZER_H_
