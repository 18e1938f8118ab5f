// The report of --explain: how the facts asked about were derived, as trees.
#ifndef APP_EXPLAIN_REPORT_H_
#define APP_EXPLAIN_REPORT_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "eval/derivation_log.h"
#include "eval/explain.h"
#include "eval/relation_list.h"
#include "eval/rule.h"

// The tuple as a fact: name(1,'Anna'), values of "string" columns quoted.
std::string factText(const std::string& name, const Tuple& tuple,
                     const std::vector<ValueType>& types);

// The derivation of `fact` (written as below): its tree as nodes, node 0 the
// root (see explainTuple), or, when there is none, `missing` says why: no
// relation of the name, no such tuple in it, or nothing recorded.
struct FactDerivation {
  std::vector<DerivationNode> nodes;
  std::string missing;
};
FactDerivation deriveFact(const std::string& fact, const DerivationLog& log,
                          const std::vector<Rule>& rules, const RelationList& relations);

// The bindings of a derived tuple as written: X=1, N='Anna'; "nincs" when none.
std::string bindingsText(const std::vector<DerivationNode::Binding>& bindings);

// Writes, for each fact (written as an atom whose arguments are a tuple line:
// tc(1,3), nev('Anna',7)), its derivation tree: the tuple, then one step
// deeper the rule line and the bindings that gave it and the tuples they
// used, each explained in turn, or the input line of a declared tuple. A fact
// of no relation, or not in its relation, gets one line saying so. `rules`
// are the rules the run evaluated, `ruleLines` the rule section's lines.
void writeExplanations(const std::vector<std::string>& facts, const DerivationLog& log,
                       const std::vector<Rule>& rules, const RelationList& relations,
                       const std::vector<std::string>& ruleLines, std::ostream& out);

#endif  // APP_EXPLAIN_REPORT_H_
