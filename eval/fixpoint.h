// Recursive rule groups evaluated semi-naively to their fixpoint.
#ifndef EVAL_FIXPOINT_H_
#define EVAL_FIXPOINT_H_

#include <string>
#include <vector>

#include "eval/rule.h"
#include "eval/trace.h"
#include "relation/relation.h"

class DerivationLog;

// Evaluates the rules of the group `members` (`rules`, in file order; others
// are passed over) to their least fixpoint, joining
// in each round only the tuples that the round before added, and leaves the
// relation list exactly as rounds that evaluate every rule again would: the
// same tuples, schemas and list order. False, with nothing changed, where that
// cannot be promised: a member named by two relations, a member whose rules or
// relation disagree on the width of its tuples, or a relation that a rule of
// the group reads holding tuples of several widths. With `log`, each
// evaluation and the rows it first gave are recorded there.
bool evaluateGroupSemiNaively(const std::vector<const Rule*>& rules,
                              const std::vector<std::string>& members, RelationList& knownRelations,
                              Warnings& warnings, Trace* trace = nullptr,
                              DerivationLog* log = nullptr);

#endif  // EVAL_FIXPOINT_H_
