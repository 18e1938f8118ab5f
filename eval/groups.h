// Evaluating the rules group by group and merging their results into the list.
#ifndef EVAL_GROUPS_H_
#define EVAL_GROUPS_H_

#include <string>
#include <vector>

#include "input/diagnostics.h"
#include "eval/relation_list.h"
#include "eval/trace.h"
#include "input/rule_model.h"
#include "input/rule_order.h"
#include "relation/relation.h"

class DerivationLog;

// How a recursive group reaches its fixpoint: by rounds that evaluate every
// rule again, or by rounds that join only the tuples the previous round added
// (same result, list order included; used where no tuple widths disagree).
enum class RecursionMode { plainRounds, semiNaive };

// Evaluates every rule, group by group in `order` and within a
// group in file order. Each rule's result, projected onto its head arguments,
// is appended to `knownRelations`, or united with the first relation of the
// head's name, which then moves to the end of the list. A recursive group is
// evaluated in rounds until a round changes none of its members; a member left
// without a relation then gets an empty one. Warnings go to `warnings` as they
// arise; with `trace`, what each group and rule did is recorded there, and
// with `log`, which evaluation first gave each tuple and what it read.
void evaluateRules(const std::vector<ParsedRule>& ruleLines,
                   const std::vector<EvaluationGroup>& order, RelationList& knownRelations,
                   Warnings& warnings, RecursionMode mode = RecursionMode::semiNaive,
                   Trace* trace = nullptr, DerivationLog* log = nullptr);

#endif  // EVAL_GROUPS_H_
