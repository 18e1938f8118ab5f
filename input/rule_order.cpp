#include "input/rule_order.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <stdexcept>
#include <utility>

namespace {

// Node positions: the graph holds fewer than 2^31 nodes and uses.
using Node = std::uint32_t;

// Lists of node positions, one per node, packed in one array: the list of
// node n is targets[start[n]] up to targets[start[n + 1]].
struct Adjacency {
  std::vector<Node> start;
  std::vector<Node> targets;

  std::size_t count(std::size_t node) const { return start[node + 1] - start[node]; }
  const Node* begin(std::size_t node) const { return targets.data() + start[node]; }
  const Node* end(std::size_t node) const { return targets.data() + start[node + 1]; }
};

// The pairs (from, to) that `forEachPair(f)` gives, calling f(from, to) for
// each, as lists by `from` over `nodes` nodes, each list in the order given.
template <typename ForEachPair>
Adjacency grouped(std::size_t nodes, const ForEachPair& forEachPair) {
  Adjacency lists;
  lists.start.assign(nodes + 1, 0);
  forEachPair([&](Node from, Node /*to*/) { ++lists.start[from + 1]; });
  for (std::size_t node = 0; node < nodes; ++node) {
    lists.start[node + 1] += lists.start[node];
  }
  lists.targets.resize(lists.start[nodes]);
  forEachPair([&](Node from, Node to) { lists.targets[lists.start[from]++] = to; });
  // Each start now stands where the next list starts.
  for (std::size_t node = nodes; node > 0; --node) {
    lists.start[node] = lists.start[node - 1];
  }
  lists.start[0] = 0;
  return lists;
}

// For each node, the distinct nodes its rules use (an edge from a head to each
// predicate its rules use).
Adjacency usedNodes(std::size_t nodes, const std::vector<PredicateGraph::Use>& uses) {
  Adjacency used = grouped(nodes, [&uses](const auto& pair) {
    for (const PredicateGraph::Use& use : uses) {
      pair(use.head, use.used);
    }
  });
  if (uses.empty()) {
    return used;
  }
  constexpr Node noHead = UINT32_MAX;
  std::vector<Node> lastHead(nodes, noHead);
  Node read = 0;
  Node kept = 0;
  for (Node head = 0; head < nodes; ++head) {
    for (const Node end = used.start[head + 1]; read < end; ++read) {
      const Node node = used.targets[read];
      if (lastHead[node] != head) {
        lastHead[node] = head;
        used.targets[kept++] = node;
      }
    }
    used.start[head + 1] = kept;
  }
  used.targets.resize(kept);
  return used;
}

// For each node, the nodes whose rules use it.
Adjacency dependentsOf(const Adjacency& used) {
  const std::size_t nodes = used.start.size() - 1;
  return grouped(nodes, [&](const auto& pair) {
    for (Node head = 0; head < nodes; ++head) {
      for (const Node* node = used.begin(head); node != used.end(head); ++node) {
        pair(*node, head);
      }
    }
  });
}

// Strongly connected components (Tarjan's, with an explicit stack so that
// long cycles need no deep recursion), as a component number per node.
std::vector<std::size_t> componentsOf(const Adjacency& edges) {
  const std::size_t count = edges.start.size() - 1;
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
      if (edge < edges.count(node)) {
        const std::size_t next = edges.begin(node)[edge++];
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
// order and the number of uses that leave it for a node not yet taken. A
// taken node is in no cycle: it was taken after every node it uses.
struct Cycles {
  std::vector<std::size_t> component;    // per node
  Adjacency members;                     // per component, in list order
  std::vector<bool> cyclic;              // per component
  std::vector<std::size_t> usesOutside;  // per component, of nodes not taken
};

Cycles cyclesOf(const Adjacency& edges, const std::vector<bool>& taken) {
  Cycles cycles;
  cycles.component = componentsOf(edges);
  std::size_t count = 0;
  for (const std::size_t component : cycles.component) {
    count = std::max(count, component + 1);
  }
  const std::size_t nodes = cycles.component.size();
  cycles.members = grouped(count, [&](const auto& pair) {
    for (Node node = 0; node < nodes; ++node) {
      pair(static_cast<Node>(cycles.component[node]), node);
    }
  });
  cycles.cyclic.assign(count, false);
  cycles.usesOutside.assign(count, 0);
  for (std::size_t node = 0; node < nodes; ++node) {
    const std::size_t component = cycles.component[node];
    for (const Node* used = edges.begin(node); used != edges.end(node); ++used) {
      if (cycles.component[*used] == component) {
        cycles.cyclic[component] = true;
      } else if (!taken[*used]) {
        ++cycles.usesOutside[component];
      }
    }
  }
  for (std::size_t component = 0; component < count; ++component) {
    cycles.cyclic[component] = cycles.cyclic[component] || cycles.members.count(component) > 1;
  }
  return cycles;
}

// The nodes not yet ordered, with the ready ones (waiting for none) that the
// current sweep takes and those it leaves to the next, and, once a sweep
// takes none, the cycles that use no node outside themselves that is not
// taken: then one of them is (the nodes of a cycle never are ready, each
// waiting for another of it).
class Sweeps {
 public:
  // `used`: the distinct nodes each node uses.
  Sweeps(std::vector<std::string> names, const Adjacency& used)
      : names_(std::move(names)),
        used_(used),
        taken_(names_.size(), false),
        pending_(names_.size(), 0),
        dependents_(dependentsOf(used)) {
    for (Node node = 0; node < names_.size(); ++node) {
      pending_[node] = static_cast<Node>(used.count(node));
      if (pending_[node] == 0) {
        nextSweep_.push_back(node);
      }
    }
  }

  // Takes the ready nodes in list order; a node that a take frees is taken in
  // the same sweep when it stands later in the list, else in the next one.
  // False when the sweep took none.
  bool sweep(std::vector<EvaluationGroup>& order) {
    ready_.swap(nextSweep_);
    nextSweep_.clear();
    if (!std::is_sorted(ready_.begin(), ready_.end())) {
      std::sort(ready_.begin(), ready_.end());
    }
    bool tookAny = false;
    std::size_t next = 0;
    while (next < ready_.size() || !freedLater_.empty()) {
      Node node = 0;
      if (freedLater_.empty() || (next < ready_.size() && ready_[next] < freedLater_.top())) {
        node = ready_[next++];
      } else {
        node = freedLater_.top();
        freedLater_.pop();
      }
      if (taken_[node]) {
        continue;  // freed while its cycle was taken, and taken with it
      }
      order.emplace_back();
      order.back().members.push_back(std::move(names_[node]));
      take(node, [&](Node freed) {
        if (freed > node) {
          freedLater_.push(freed);
        } else {
          nextSweep_.push_back(freed);
        }
      });
      tookAny = true;
    }
    return tookAny;
  }

  // Takes the cycle whose members use no other waiting node and that holds the
  // earliest-listed node, as one recursive group; what it frees waits for the
  // next sweep. False when there is none: nothing is left that could be taken.
  bool takeStuckGroup(std::vector<EvaluationGroup>& order) {
    if (!cycles_) {
      findCycles();
    }
    if (readyCycles_.empty()) {
      return false;
    }
    const std::size_t component = cycles_->component[readyCycles_.top()];
    readyCycles_.pop();
    const Node* const first = cycles_->members.begin(component);
    const Node* const last = cycles_->members.end(component);
    EvaluationGroup group{{}, true};
    group.members.reserve(static_cast<std::size_t>(last - first));
    for (const Node* member = first; member != last; ++member) {
      group.members.push_back(std::move(names_[*member]));
    }
    for (const Node* member = first; member != last; ++member) {
      take(*member, [this](Node freed) { nextSweep_.push_back(freed); });
    }
    order.push_back(std::move(group));
    return true;
  }

  bool done() const { return takenCount_ == taken_.size(); }

 private:
  // The cycles are needed only once a sweep takes none: many programs have
  // none, and then nothing is spent on them.
  void findCycles() {
    cycles_ = cyclesOf(used_, taken_);
    for (std::size_t component = 0; component < cycles_->cyclic.size(); ++component) {
      if (cycles_->cyclic[component] && cycles_->usesOutside[component] == 0) {
        readyCycles_.push(*cycles_->members.begin(component));
      }
    }
  }

  template <typename Freed>
  void take(Node node, Freed&& freed) {
    taken_[node] = true;
    ++takenCount_;
    for (const Node* dependent = dependents_.begin(node); dependent != dependents_.end(node);
         ++dependent) {
      const Node waiter = *dependent;
      if (taken_[waiter]) {
        continue;
      }
      if (--pending_[waiter] == 0) {
        freed(waiter);
      }
      if (!cycles_) {
        continue;
      }
      const std::size_t waiting = cycles_->component[waiter];
      if (waiting != cycles_->component[node] && --cycles_->usesOutside[waiting] == 0 &&
          cycles_->cyclic[waiting]) {
        readyCycles_.push(*cycles_->members.begin(waiting));
      }
    }
  }

  std::vector<std::string> names_;  // moved into the groups as they are taken
  const Adjacency& used_;
  std::vector<bool> taken_;
  std::size_t takenCount_ = 0;
  std::vector<Node> pending_;  // distinct used nodes not yet taken
  Adjacency dependents_;
  std::vector<Node> ready_;      // at the start of this sweep, in list order
  std::vector<Node> nextSweep_;  // freed for the next sweep
  // Freed in this sweep, each after the node being taken then.
  std::priority_queue<Node, std::vector<Node>, std::greater<>> freedLater_;
  std::optional<Cycles> cycles_;
  // The cycles that use no waiting node outside themselves, by their
  // earliest-listed node.
  std::priority_queue<Node, std::vector<Node>, std::greater<>> readyCycles_;
};

}  // namespace

std::size_t PredicateGraph::indexOf(std::string_view name) const {
  return index_.find(name, [this](std::size_t node) -> const std::string& { return names_[node]; });
}

void PredicateGraph::add(std::string_view name) {
  const std::size_t node = names_.size();
  if (index_.insert(name, node,
                    [this](std::size_t at) -> const std::string& { return names_[at]; }) == node) {
    names_.emplace_back(name);
  }
}

void PredicateGraph::reserve(std::size_t count) {
  names_.reserve(count);
  index_.reserve(count);
}

void PredicateGraph::recordDependency(std::size_t used, std::size_t head) {
  if (uses_.size() >= UINT32_MAX / 2) {
    throw std::length_error("PredicateGraph: more uses than it holds");
  }
  uses_.push_back(Use{static_cast<std::uint32_t>(used), static_cast<std::uint32_t>(head)});
}

std::vector<std::string> PredicateGraph::releaseNames() {
  std::vector<std::string> names = std::move(names_);
  *this = PredicateGraph();
  return names;
}

void collectPredicates(const ParsedRule& rule, PredicateGraph& graph) { graph.add(rule.headName); }

void recordDependencies(const ParsedRule& rule, PredicateGraph& graph) {
  if (!rule.isRule()) {
    return;
  }
  const std::size_t head = graph.indexOf(rule.headName);
  if (head == PredicateGraph::none) {
    return;
  }
  for (std::size_t e : rule.evaluationOrder) {
    const BodyElement& element = rule.written[e];
    if (!element.isAtom) {
      continue;
    }
    const std::size_t used = graph.indexOf(element.atom.name);
    if (used != PredicateGraph::none) {
      graph.recordDependency(used, head);
    }
  }
}

std::vector<EvaluationGroup> orderPredicates(PredicateGraph& graph) {
  const Adjacency used = usedNodes(graph.size(), graph.uses());
  std::vector<EvaluationGroup> order;
  order.reserve(graph.size());
  Sweeps sweeps(graph.releaseNames(), used);
  while (!sweeps.done()) {
    if (!sweeps.sweep(order) && !sweeps.done() && !sweeps.takeStuckGroup(order)) {
      break;
    }
  }
  return order;
}
