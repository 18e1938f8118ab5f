// The explanations of --explain as data for the web page, which draws the
// trees itself.
#ifndef APP_EXPLAIN_DATA_H_
#define APP_EXPLAIN_DATA_H_

#include <ostream>
#include <string>
#include <vector>

#include "eval/derivation_log.h"
#include "eval/explain.h"
#include "eval/relation_list.h"
#include "eval/rule.h"

// Writes one JSON array, an object per fact in the order given:
// {"fact": text, "missing": why there is no tree} or {"fact": text, "nodes": [...]},
// the nodes flat, node 0 the root, each
// {"fact", "source": "declared"|"derived"|"repeated"|"unexplained",
//  "line": the input line (declared) or the rule line (derived),
//  "rule": the rule line's text, "bindings": text, "skipped": [atom texts],
//  "body": [node numbers]} (the last four for derived ones only).
// Texts are the run's bytes, escaped as jsonString does.
void writeExplanationData(const std::vector<std::string>& facts, const DerivationLog& log,
                          const std::vector<Rule>& rules, const RelationList& relations,
                          const std::vector<std::string>& ruleLines, std::ostream& out);

#endif  // APP_EXPLAIN_DATA_H_
