#include "input/rule_order.h"

#include <algorithm>
#include <set>

namespace {

// For each node, the positions of the nodes it uses (an edge from a head to
// each predicate its rules use).
std::vector<std::vector<std::size_t>> usedNodes(const PredicateGraph& graph) {
  std::vector<std::vector<std::size_t>> used(graph.nodes.size());
  for (std::size_t node = 0; node < graph.nodes.size(); ++node) {
    for (const std::string& dependent : graph.nodes[node].dependents) {
      const std::size_t head = graph.indexOf(dependent);
      if (head != PredicateGraph::none) {
        used[head].push_back(node);
      }
    }
  }
  return used;
}

// Strongly connected components (Tarjan's, with an explicit stack so that
// long cycles need no deep recursion), as a component number per node.
std::vector<std::size_t> componentsOf(const std::vector<std::vector<std::size_t>>& edges) {
  const std::size_t count = edges.size();
  const std::size_t unvisited = count;
  std::vector<std::size_t> order(count, unvisited);
  std::vector<std::size_t> low(count, 0);
  std::vector<std::size_t> component(count, unvisited);
  std::vector<std::size_t> members;
  std::vector<bool> onStack(count, false);
  std::vector<std::pair<std::size_t, std::size_t>> calls;  // node, next edge to follow
  std::size_t counter = 0;
  std::size_t components = 0;
  for (std::size_t root = 0; root < count; ++root) {
    if (order[root] != unvisited) {
      continue;
    }
    calls.emplace_back(root, 0);
    while (!calls.empty()) {
      auto& [node, edge] = calls.back();
      if (edge == 0) {
        order[node] = low[node] = counter++;
        members.push_back(node);
        onStack[node] = true;
      }
      if (edge < edges[node].size()) {
        const std::size_t next = edges[node][edge++];
        if (order[next] == unvisited) {
          calls.emplace_back(next, 0);
        } else if (onStack[next]) {
          low[node] = std::min(low[node], order[next]);
        }
        continue;
      }
      const std::size_t finished = node;
      calls.pop_back();
      if (!calls.empty()) {
        low[calls.back().first] = std::min(low[calls.back().first], low[finished]);
      }
      if (low[finished] == order[finished]) {
        std::size_t member = 0;
        do {
          member = members.back();
          members.pop_back();
          onStack[member] = false;
          component[member] = components;
        } while (member != finished);
        ++components;
      }
    }
  }
  return component;
}

// The cycles of the graph: the strongly connected components that hold more
// than one node or a node that uses itself, each with its members in list
// order and the number of uses that leave it for a node not yet taken.
struct Cycles {
  std::vector<std::size_t> component;             // per node
  std::vector<std::vector<std::size_t>> members;  // per component, in list order
  std::vector<bool> cyclic;                       // per component
  std::vector<std::size_t> usesOutside;           // per component, of nodes not taken
};

Cycles cyclesOf(const std::vector<std::vector<std::size_t>>& edges) {
  Cycles cycles;
  cycles.component = componentsOf(edges);
  std::size_t count = 0;
  for (const std::size_t component : cycles.component) {
    count = std::max(count, component + 1);
  }
  cycles.members.resize(count);
  cycles.cyclic.assign(count, false);
  cycles.usesOutside.assign(count, 0);
  for (std::size_t node = 0; node < edges.size(); ++node) {
    const std::size_t component = cycles.component[node];
    cycles.members[component].push_back(node);
    for (const std::size_t used : edges[node]) {
      if (cycles.component[used] == component) {
        cycles.cyclic[component] = true;
      } else {
        ++cycles.usesOutside[component];
      }
    }
  }
  for (std::size_t component = 0; component < count; ++component) {
    cycles.cyclic[component] = cycles.cyclic[component] || cycles.members[component].size() > 1;
  }
  return cycles;
}

// The nodes not yet ordered, in list order, with the ready ones (pending 0)
// that the current sweep takes and those it leaves to the next, and the
// cycles that use no node outside themselves that is not taken: when no node
// is ready, one of them is (the nodes of a cycle never are, each waiting for
// another of it).
class Sweeps {
 public:
  explicit Sweeps(PredicateGraph& graph)
      : graph_(graph), taken_(graph.nodes.size(), false), cycles_(cyclesOf(usedNodes(graph))) {
    for (std::size_t node = 0; node < graph.nodes.size(); ++node) {
      if (graph.nodes[node].pending == 0) {
        nextSweep_.insert(node);
      }
    }
    for (std::size_t component = 0; component < cycles_.members.size(); ++component) {
      if (cycles_.cyclic[component] && cycles_.usesOutside[component] == 0) {
        readyCycles_.insert(cycles_.members[component].front());
      }
    }
  }

  // Takes the ready nodes in list order; a node that a take frees is taken in
  // the same sweep when it stands later in the list, else in the next one.
  // False when the sweep took none.
  bool sweep(std::vector<EvaluationGroup>& order) {
    std::set<std::size_t> thisSweep;
    thisSweep.swap(nextSweep_);
    bool tookAny = false;
    while (!thisSweep.empty()) {
      const std::size_t node = *thisSweep.begin();
      thisSweep.erase(thisSweep.begin());
      order.push_back(EvaluationGroup{{graph_.nodes[node].name}, false});
      take(node, [&](std::size_t freed) { (freed > node ? thisSweep : nextSweep_).insert(freed); });
      tookAny = true;
    }
    return tookAny;
  }

  // Takes the cycle whose members use no other waiting node and that holds the
  // earliest-listed node, as one recursive group; what it frees waits for the
  // next sweep.
  void takeStuckGroup(std::vector<EvaluationGroup>& order) {
    EvaluationGroup group{{}, true};
    if (readyCycles_.empty()) {
      return;  // a graph whose nodes wait for nodes it does not hold
    }
    const std::size_t first = *readyCycles_.begin();
    readyCycles_.erase(readyCycles_.begin());
    const std::vector<std::size_t>& members = cycles_.members[cycles_.component[first]];
    for (const std::size_t member : members) {
      group.members.push_back(graph_.nodes[member].name);
    }
    for (const std::size_t member : members) {
      take(member, [this](std::size_t freed) { nextSweep_.insert(freed); });
    }
    order.push_back(std::move(group));
  }

  bool done() const { return takenCount_ == taken_.size(); }

 private:
  template <typename Freed>
  void take(std::size_t node, Freed&& freed) {
    taken_[node] = true;
    ++takenCount_;
    nextSweep_.erase(node);
    const std::size_t component = cycles_.component[node];
    for (const std::string& dependent : graph_.nodes[node].dependents) {
      const std::size_t waiter = graph_.indexOf(dependent);
      if (waiter == PredicateGraph::none || taken_[waiter]) {
        continue;
      }
      if (--graph_.nodes[waiter].pending == 0) {
        freed(waiter);
      }
      const std::size_t waiting = cycles_.component[waiter];
      if (waiting != component && --cycles_.usesOutside[waiting] == 0 && cycles_.cyclic[waiting]) {
        readyCycles_.insert(cycles_.members[waiting].front());
      }
    }
  }

  PredicateGraph& graph_;
  std::vector<bool> taken_;
  std::size_t takenCount_ = 0;
  std::set<std::size_t> nextSweep_;
  Cycles cycles_;
  std::set<std::size_t> readyCycles_;  // by their earliest-listed node
};

}  // namespace

std::size_t PredicateGraph::indexOf(const std::string& name) const {
  const auto found = index_.find(name);
  return found == index_.end() ? none : found->second;
}

void PredicateGraph::add(std::string name) {
  if (index_.emplace(name, nodes.size()).second) {
    nodes.push_back(PredicateNode{std::move(name), {}, 0});
  }
}

void PredicateGraph::recordDependency(std::size_t used, std::size_t head) {
  if (recorded_.insert({used, head}).second) {
    nodes[used].dependents.push_back(nodes[head].name);
    ++nodes[head].pending;
  }
}

void collectPredicates(const ParsedRule& rule, PredicateGraph& graph) { graph.add(rule.headName); }

void recordDependencies(const ParsedRule& rule, PredicateGraph& graph) {
  if (!rule.isRule()) {
    return;
  }
  const std::size_t head = graph.indexOf(rule.headName);
  for (std::size_t e : rule.evaluationOrder) {
    const BodyElement& element = rule.written[e];
    if (!element.isAtom) {
      continue;
    }
    const std::size_t used = graph.indexOf(element.atom.name);
    if (used != PredicateGraph::none && head != PredicateGraph::none) {
      graph.recordDependency(used, head);
    }
  }
}

std::vector<EvaluationGroup> orderPredicates(PredicateGraph& graph) {
  std::vector<EvaluationGroup> order;
  Sweeps sweeps(graph);
  while (!sweeps.done()) {
    if (!sweeps.sweep(order) && !sweeps.done()) {
      sweeps.takeStuckGroup(order);
    }
  }
  graph = PredicateGraph();
  return order;
}
