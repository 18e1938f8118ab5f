// Ordering head predicates so that each is complete before a rule uses it.
#ifndef INPUT_RULE_ORDER_H_
#define INPUT_RULE_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/name_positions.h"
#include "input/rule_model.h"

// Head predicates evaluated together. A recursive group holds the members of a
// cycle of dependencies, in the order their nodes were made.
struct EvaluationGroup {
  std::vector<std::string> members;
  bool recursive = false;
};

// The head predicates of a run as nodes, numbered in the order they were made
// and found by name, and the uses among them that their rules record.
class PredicateGraph {
 public:
  static constexpr std::size_t none = NamePositions::none;

  // A use of node `used` by the rules of node `head`.
  struct Use {
    std::uint32_t used;
    std::uint32_t head;
  };

  std::size_t size() const { return names_.size(); }
  const std::string& nameOf(std::size_t node) const { return names_[node]; }

  // The position of the node named `name`, or `none`.
  std::size_t indexOf(std::string_view name) const;

  // Appends a node named `name` unless one has that name.
  void add(std::string_view name);

  // Makes room for `count` nodes in all.
  void reserve(std::size_t count);

  // Records that the rules of node `head` use node `used`. A use said again
  // counts once: the order sees each pair of nodes once.
  void recordDependency(std::size_t used, std::size_t head);

  // The uses as recorded, repeats included.
  const std::vector<Use>& uses() const { return uses_; }

  // The names in node order, moved out; the graph is left empty.
  std::vector<std::string> releaseNames();

 private:
  std::vector<std::string> names_;
  NamePositions index_;
  std::vector<Use> uses_;
};

// Adds a node for the head of `rule` (for a line that is no rule, its text
// before the first "(") unless a node of that name exists.
void collectPredicates(const ParsedRule& rule, PredicateGraph& graph);

// Records that the head of `rule`, when it is a rule, depends on every head
// predicate named by an atom of its body, each counted once per head.
void recordDependencies(const ParsedRule& rule, PredicateGraph& graph);

// Empties the graph into evaluation order. Sweeps take, in list order, the
// nodes that wait for nothing (a node waits for each distinct node its rules
// use until that one is taken). A node that a take frees is taken in the same
// sweep when it stands later in the list, else in the next one. When a sweep
// takes none, the cycle whose members use no other waiting node and that
// holds the earliest-listed node is taken as one recursive group, and
// sweeping goes on.
std::vector<EvaluationGroup> orderPredicates(PredicateGraph& graph);

#endif  // INPUT_RULE_ORDER_H_
