// Evaluating the rules group by group and merging their results into the list.
#ifndef EVAL_GROUPS_H_
#define EVAL_GROUPS_H_

#include <vector>

#include "eval/evaluation_listener.h"
#include "eval/relation_list.h"
#include "eval/rule.h"
#include "input/rule_order.h"

// How a recursive group reaches its fixpoint: by rounds that evaluate every
// rule again, or by rounds that join only the tuples the previous round added
// (same result, list order included; used where no tuple widths disagree).
enum class RecursionMode { plainRounds, semiNaive };

// Evaluates every rule, group by group in `order` and within a
// group in file order. Each rule's result, projected onto its head arguments,
// is appended to `knownRelations`, or united with the first relation of the
// head's name, which then moves to the end of the list. A recursive group is
// evaluated in rounds until a round changes none of its members; a member left
// without a relation then gets an empty one. Warnings and events go to
// `context` as they arise.
void evaluateRules(const std::vector<Rule>& rules, const std::vector<EvaluationGroup>& order,
                   RelationList& knownRelations, EvaluationContext& context,
                   RecursionMode mode = RecursionMode::semiNaive);

#endif  // EVAL_GROUPS_H_
