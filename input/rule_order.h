// Ordering head predicates so that each is complete before a rule uses it.
#ifndef INPUT_RULE_ORDER_H_
#define INPUT_RULE_ORDER_H_

#include <cstddef>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "input/rule_model.h"

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

// The predicate nodes of a run, in the order they were made, found by name.
class PredicateGraph {
 public:
  static constexpr std::size_t none = static_cast<std::size_t>(-1);

  std::vector<PredicateNode> nodes;

  // The position of the node named `name`, or `none`.
  std::size_t indexOf(const std::string& name) const;

  // Appends a node named `name` unless one has that name.
  void add(std::string name);

  // Records that the rules of node `head` use node `used`, once however often
  // it is said.
  void recordDependency(std::size_t used, std::size_t head);

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::set<std::pair<std::size_t, std::size_t>> recorded_;
};

// Adds a node for the head of `rule` (for a line that is no rule, its text
// before the first "(") unless a node of that name exists.
void collectPredicates(const ParsedRule& rule, PredicateGraph& graph);

// Records that the head of `rule`, when it is a rule, depends on every head
// predicate named by an atom of its body, each counted once per head.
void recordDependencies(const ParsedRule& rule, PredicateGraph& graph);

// Empties the graph into evaluation order. Sweeps take, in list order, the
// nodes that wait for nothing. When a sweep takes none, the cycle whose members
// use no other waiting node and that holds the earliest-listed node is taken as
// one recursive group, and sweeping goes on.
std::vector<EvaluationGroup> orderPredicates(PredicateGraph& graph);

#endif  // INPUT_RULE_ORDER_H_
