// Rule lines taken apart once into typed parts, each knowing where it stood.
#ifndef INPUT_RULE_MODEL_H_
#define INPUT_RULE_MODEL_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Columns are byte offsets from the start of the rule line, counted from 0.

// What a term of an atom or head is, by its first byte: a variable (a capital),
// a column reference ("$"), nothing (an empty piece) or a constant (anything else).
enum class TermKind { variable, columnReference, constant, empty };

struct Term {
  TermKind kind = TermKind::empty;
  std::string text;  // exactly as written
  std::size_t column = 0;
};

// The kind of `text`, as a term.
TermKind termKindOf(std::string_view text);

// The terms of an argument text cut at commas as lists are cut everywhere: a
// comma at the very start is dropped, a comma at the end adds one empty term.
// `column` is where the argument text starts.
std::vector<Term> termsOf(std::string_view argumentText, std::size_t column);

// The texts of `terms`, in order.
std::vector<std::string> textsOf(const std::vector<Term>& terms);

// A condition cut as evaluation reads it. The operator is decided by the first
// byte among "!=<>" and the one after it; the left operand ends before that
// byte, the right operand starts after the last byte among "!=<>" of the whole
// condition. A test of the tuples reads its right operand after the last byte
// that belongs to the operator's own text (`testedRight`): the two differ only
// when other operator bytes follow, as in "A<B=C" (right "C", tested "B=C").
struct ConditionParts {
  std::string text;  // the whole condition
  std::string left;
  std::string operatorText;  // "=", "!=", "<", "<=", ">" or ">="; empty without one
  // The operator bytes as they stand from the first one on ("<>" where
  // operatorText is "<"); empty without an operator.
  std::string writtenOperator;
  std::string right;
  std::string testedRight;
  std::size_t operatorColumn = 0;  // within the condition; 0 without an operator
  std::size_t rightColumn = 0;     // within the condition
  // An operator byte with something after the last one: without, no tuple passes.
  bool complete = false;
  // An "=" directly followed by a variable initial ("X=Y", not "X==Y"): such
  // equalities are evaluated after those with a constant.
  bool variableEquality = false;
};

// The one place that knows the condition syntax.
ConditionParts cutCondition(std::string_view condition);

// What an equality with `constant` on its right compares a column with, as
// a condition reads its right operand: the text after the last "=" (the
// whole text without one).
std::string equalityOperand(std::string_view constant);

struct Atom {
  std::string name;          // before the first "(" (the whole element without one)
  std::string argumentText;  // between the first "(" and the element's last byte
  std::vector<Term> terms;   // of the argument text
  bool closed = false;       // ends with ")"
};

// The atom that `text` is, standing at `column`: a body element, or a fact
// such as tc(1,3).
Atom cutAtom(std::string_view text, std::size_t column);

// One element of a rule body: an atom (it starts with an atom initial) or a
// condition (anything else, up to the next comma). A program may hold millions
// of atoms, so the parts of a condition are kept apart, only for conditions.
struct BodyElement {
  std::string text;  // as written
  std::size_t column = 0;
  bool isAtom = false;
  Atom atom;                                             // for an atom
  std::shared_ptr<const ConditionParts> conditionParts;  // for a condition

  // The parts of a condition; an atom's are all empty.
  const ConditionParts& condition() const;
};

// The elements of a rule body that starts at `bodyColumn`, as written: an atom
// runs to its first ")" (to the end of the body without one), a condition to
// the next comma. Empty elements are dropped.
std::vector<BodyElement> cutBody(std::string_view body, std::size_t bodyColumn);

// Indexes into `elements` in the order of evaluation: the atoms in body order,
// the equalities with a constant (X=3) in reverse body order, the equalities
// of two variables (X=Y) in body order, then every other condition in body order.
std::vector<std::size_t> evaluationOrderOf(const std::vector<BodyElement>& elements);

// Why a line is not a rule.
enum class NotARule {
  none,
  empty,
  noOpeningParenthesis,
  noClosingParenthesis,
  closingBeforeOpening,
  noArrowAfterHead
};

// A rule line head(arguments)<-body, each part taken by first occurrence.
struct ParsedRule {
  std::size_t lineNumber = 0;  // from 1
  std::string line;
  NotARule notARule = NotARule::none;
  std::string headName;                      // before the first "(" (the whole line without one)
  std::vector<Term> headTerms;               // between the first "(" and the first ")"
  std::size_t bodyColumn = 0;                // after the "<-" that follows that ")"
  std::vector<BodyElement> written;          // the body elements in the order written
  std::vector<std::size_t> evaluationOrder;  // indexes into `written`

  bool isRule() const { return notARule == NotARule::none; }
};

// Takes `line`, the `lineNumber`th line of the input, apart.
ParsedRule parseRuleLine(const std::string& line, std::size_t lineNumber);

#endif  // INPUT_RULE_MODEL_H_
