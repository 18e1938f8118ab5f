// Evaluating the rules group by group and merging their results into the list.
#ifndef APP_RULE_EVAL_H_
#define APP_RULE_EVAL_H_

#include <string>
#include <vector>

#include "input/rule_model.h"
#include "input/rule_order.h"
#include "relation/relation.h"

// How a recursive group reaches its fixpoint: by rounds that evaluate every
// rule again, or by rounds that join only the tuples the previous round added
// (same result, list order included; used where no tuple widths disagree).
enum class RecursionMode { plainRounds, semiNaive };

// Evaluates every rule, group by group in `order` and within a
// group in file order. Each rule's result, projected onto its head arguments,
// is appended to `knownRelations`, or united with the first relation of the
// head's name, which then moves to the end of the list. A recursive group is
// evaluated in rounds until a round changes none of its members; a member left
// without a relation then gets an empty one. Warnings name the 1-based line of
// the input file on standard error.
void evaluateRules(const std::vector<ParsedRule>& ruleLines,
                   const std::vector<EvaluationGroup>& order, std::vector<Relation>& knownRelations,
                   RecursionMode mode = RecursionMode::semiNaive);

#endif  // APP_RULE_EVAL_H_
