// Recursive rule groups evaluated semi-naively to their fixpoint.
#ifndef EVAL_FIXPOINT_H_
#define EVAL_FIXPOINT_H_

#include <string>
#include <vector>

#include "eval/evaluation_listener.h"
#include "eval/relation_list.h"
#include "eval/rule.h"

// Evaluates the rules of the group `members` (`rules`, in file order; others
// are passed over) to their least fixpoint, joining in each round only the
// tuples that the round before added, and leaves the relation list exactly as
// rounds that evaluate every rule again would: the same tuples, schemas and
// list order. False, with nothing changed, where that
// cannot be promised: a member named by two relations, a member whose rules or
// relation disagree on the width of its tuples, or a relation that a rule of
// the group reads holding tuples of several widths. Warnings and events go
// to `context`.
bool evaluateGroupSemiNaively(const std::vector<const Rule*>& rules,
                              const std::vector<std::string>& members, RelationList& knownRelations,
                              EvaluationContext& context);

#endif  // EVAL_FIXPOINT_H_
