// Ordering head predicates so that each is complete before a rule uses it.
#ifndef INPUT_RULE_ORDER_H_
#define INPUT_RULE_ORDER_H_

#include <string>
#include <vector>

// One record per head predicate.
struct PredicateNode {
  std::string name;
  // Head predicates whose rules use this one, each named once.
  std::vector<std::string> dependents;
  // Distinct head predicates this one's rules use that are not yet ordered.
  int pending = 0;
};

// Head predicates evaluated together. A recursive group holds the members of a
// cycle of dependencies, in the order their nodes were made.
struct EvaluationGroup {
  std::vector<std::string> members;
  bool recursive = false;
};

// Adds a node for the head of `ruleLine` unless a node of that name exists.
void collectPredicates(const std::string& ruleLine, std::vector<PredicateNode>& nodes);

// Records that the head of a well-formed `ruleLine` depends on every head
// predicate named by an atom of its body, each counted once per head.
void recordDependencies(const std::string& ruleLine, std::vector<PredicateNode>& nodes);

// Empties `nodes` into evaluation order. Sweeps take, in list order, the nodes
// that wait for nothing. When a sweep takes none, the cycle whose members use
// no other waiting node and that holds the earliest-listed node is taken as one
// recursive group, and sweeping goes on.
std::vector<EvaluationGroup> orderPredicates(std::vector<PredicateNode>& nodes);

#endif  // INPUT_RULE_ORDER_H_
