// What the rule lines' text alone shows the program reads otherwise than the
// user wrote: checked once, before evaluation.
#ifndef EVAL_RULE_CHECKS_H_
#define EVAL_RULE_CHECKS_H_

#include <vector>

#include "eval/relation_list.h"
#include "input/diagnostics.h"
#include "input/rule_model.h"

// Diagnoses every rule line against the relations declared in the input
// (`declared`, before evaluation) and the heads of the rule lines: lines that
// are not rules, blanks, atoms over relations that exist nowhere or of another
// width, unbalanced parentheses, head arguments that are no variables, heads
// of declared relations of another width, and conditions that do not compare
// what they seem to.
void checkRuleLines(const std::vector<ParsedRule>& rules, const RelationList& declared,
                    Warnings& warnings);

#endif  // EVAL_RULE_CHECKS_H_
