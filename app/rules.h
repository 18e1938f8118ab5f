// Rule lines cut and ready to evaluate, with the warnings they give.
#ifndef APP_RULES_H_
#define APP_RULES_H_

#include <cstddef>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "algebra/product.h"
#include "input/rule_line.h"
#include "input/rule_model.h"
#include "relation/relation.h"

// One well-formed rule line.
struct Rule {
  std::size_t lineNumber = 0;
  RuleLine parts;
  std::vector<BodyElement> body;       // in evaluation order
  std::vector<std::string> elements;   // their texts
  std::vector<std::string> atomNames;  // the predicates its atoms name
  // Per element, the names that later elements and the head use; empty when
  // columns are referred to by number, which forbids dropping any.
  std::vector<std::vector<std::string>> neededAfter;
};

enum class Warning { notARule, conditionWithoutOperator, unboundHeadVariable };

// Writes each warning to standard error once per input line, however often
// the rule is evaluated.
class Warnings {
 public:
  void warn(Warning warning, std::size_t lineNumber);

 private:
  std::set<std::pair<Warning, std::size_t>> said_;
};

// The well-formed rules among the rule lines; the others are warned about.
std::vector<Rule> parseRules(const std::vector<ParsedRule>& ruleLines, Warnings& warnings);

// What an atom reads instead of the relation its name finds: rows to select
// and project as the atom says, or the atom's relation already made (by
// atomRelation) and kept with its indexes. Both null where the name decides.
struct GivenAtom {
  const Relation* rows = nullptr;
  const IndexedRelation* prepared = nullptr;
};

// One per element of a rule.
using AtomRelations = std::vector<GivenAtom>;

// The rule's bindings projected onto its head arguments, named after the head.
// With `pairsTuples`, sets it when a condition of the body paired each tuple
// with the values of every other tuple: the result then depends on the rows of
// its atoms together, not on each row apart.
Relation evaluateRule(const Rule& rule, const std::vector<Relation>& knownRelations,
                      Warnings& warnings, const AtomRelations* given = nullptr,
                      bool* pairsTuples = nullptr);

// Appends `result`, or unites it with the first relation of its name and moves
// that to the end of the list.
void mergeResult(std::vector<Relation>& knownRelations, Relation result);

#endif  // APP_RULES_H_
