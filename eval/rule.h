// Rule lines cut and ready to evaluate, with the warnings they give.
#ifndef EVAL_RULE_H_
#define EVAL_RULE_H_

#include <cstddef>
#include <string>
#include <vector>

#include "algebra/product.h"
#include "eval/relation_list.h"
#include "input/diagnostics.h"
#include "input/rule_model.h"
#include "relation/relation.h"

// One well-formed rule line.
struct Rule {
  std::size_t lineNumber = 0;
  std::string headName;
  std::vector<Term> headTerms;    // between the head's parentheses
  std::vector<BodyElement> body;  // in evaluation order
  // The partial result's types before an element fills it, one per element:
  // "string" for an element whose text is exactly "string", "int" for any
  // other. The first element that fills it brings its own types; a rule whose
  // elements never fill it keeps these, as does the relation its head
  // projection gives (and a column number may reach each of them).
  std::vector<ValueType> seedTypes;
  std::vector<std::string> atomNames;  // the predicates its atoms name
  // Per element, the columns that later elements and the head use; none for
  // a body of one element.
  std::vector<NeededColumns> neededAfter;
};

// The well-formed rules among the parsed rule lines, each with its body in
// evaluation order.
std::vector<Rule> wellFormedRules(const std::vector<ParsedRule>& ruleLines);
// The same, taking the parts of the lines, which are left empty.
std::vector<Rule> wellFormedRules(std::vector<ParsedRule>&& ruleLines);

// What an atom reads instead of the relation its name finds: rows to select
// and project as the atom says, or the atom's relation already made (by
// atomRelation) and kept with its indexes. Both null where the name decides.
struct GivenAtom {
  const Relation* rows = nullptr;
  const IndexedRelation* prepared = nullptr;
};

// One per element of a rule.
using AtomRelations = std::vector<GivenAtom>;

// A rule's body evaluated up to an element: the partial result and how far
// it got. Evaluating the rest from a copy gives what one evaluation from the
// start gives, when the atoms read the same relations.
struct BodyProgress {
  Relation partialResult;
  bool firstElement = true;
  std::size_t evaluated = 0;  // elements done, in evaluation order
};

// The progress before the first element.
BodyProgress startBody(const Rule& rule);

// Evaluates the elements from `progress` on up to (not including) `end`, as
// evaluateRule does.
void continueBody(const Rule& rule, const RelationList& knownRelations, Warnings& warnings,
                  const AtomRelations* given, bool* pairsTuples, std::size_t end,
                  BodyProgress& progress);

// The bindings of a body evaluated whole, projected onto the head, as
// evaluateRule gives them.
Relation headRowsOf(const Rule& rule, const BodyProgress& progress, Warnings& warnings);

// The rule's bindings projected onto its head arguments, named after the head.
// With `pairsTuples`, sets it when a condition of the body paired each tuple
// with the values of every other tuple: the result then depends on the rows of
// its atoms together, not on each row apart.
Relation evaluateRule(const Rule& rule, const RelationList& knownRelations, Warnings& warnings,
                      const AtomRelations* given = nullptr, bool* pairsTuples = nullptr);

// The bindings that evaluateRule projects onto the head, as the same elements
// evaluated on the same relations give them, every column they bind kept.
// No warning is given.
Relation evaluateBindings(const Rule& rule, const RelationList& knownRelations,
                          const AtomRelations& given);

// Appends, for each of `members` that no relation of the list is named after,
// an empty relation of that name whose attributes are the head arguments of
// the member's first rule among `rules` (in file order). Returns their names.
std::vector<std::string> appendEmptyMembers(RelationList& knownRelations,
                                            const std::vector<std::string>& members,
                                            const std::vector<const Rule*>& rules);

#endif  // EVAL_RULE_H_
