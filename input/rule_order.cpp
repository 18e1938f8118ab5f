#include "input/rule_order.h"

#include <algorithm>
#include <functional>

#include "input/char_class.h"
#include "input/rule_line.h"
#include "input/rule_tokenizer.h"

namespace {

PredicateNode* findNode(std::vector<PredicateNode>& nodes, const std::string& name) {
  auto found = std::find_if(nodes.begin(), nodes.end(),
                            [&name](const PredicateNode& node) { return node.name == name; });
  return found == nodes.end() ? nullptr : &*found;
}

// Removes node `index`, releasing the nodes that wait for it.
void takeNode(std::vector<PredicateNode>& nodes, std::size_t index) {
  const std::vector<std::string> dependents = std::move(nodes[index].dependents);
  nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(index));
  for (const std::string& dependent : dependents) {
    if (PredicateNode* node = findNode(nodes, dependent)) {
      --node->pending;
    }
  }
}

// Positions of the nodes that node `index` uses (edges from a head to the
// predicates its rules use).
std::vector<std::size_t> usedNodes(const std::vector<PredicateNode>& nodes, std::size_t index) {
  std::vector<std::size_t> used;
  for (std::size_t other = 0; other < nodes.size(); ++other) {
    const std::vector<std::string>& dependents = nodes[other].dependents;
    if (std::find(dependents.begin(), dependents.end(), nodes[index].name) != dependents.end()) {
      used.push_back(other);
    }
  }
  return used;
}

// Strongly connected components (Tarjan), as a component number per node.
std::vector<std::size_t> componentsOf(const std::vector<std::vector<std::size_t>>& edges) {
  const std::size_t count = edges.size();
  const std::size_t unvisited = count;
  std::vector<std::size_t> order(count, unvisited);
  std::vector<std::size_t> low(count, 0);
  std::vector<std::size_t> component(count, unvisited);
  std::vector<std::size_t> stack;
  std::vector<bool> onStack(count, false);
  std::size_t counter = 0;
  std::size_t components = 0;
  std::function<void(std::size_t)> visit = [&](std::size_t node) {
    order[node] = low[node] = counter++;
    stack.push_back(node);
    onStack[node] = true;
    for (std::size_t next : edges[node]) {
      if (order[next] == unvisited) {
        visit(next);
        low[node] = std::min(low[node], low[next]);
      } else if (onStack[next]) {
        low[node] = std::min(low[node], order[next]);
      }
    }
    if (low[node] == order[node]) {
      std::size_t member = 0;
      do {
        member = stack.back();
        stack.pop_back();
        onStack[member] = false;
        component[member] = components;
      } while (member != node);
      ++components;
    }
  };
  for (std::size_t node = 0; node < count; ++node) {
    if (order[node] == unvisited) {
      visit(node);
    }
  }
  return component;
}

// The recursive group to take when no node is free: of the components that use
// no node outside themselves, the one holding the earliest-listed node.
std::vector<std::size_t> stuckGroup(const std::vector<PredicateNode>& nodes) {
  std::vector<std::vector<std::size_t>> edges(nodes.size());
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    edges[node] = usedNodes(nodes, node);
  }
  const std::vector<std::size_t> component = componentsOf(edges);
  std::vector<bool> leavesComponent(nodes.size(), false);
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    for (std::size_t used : edges[node]) {
      if (component[used] != component[node]) {
        leavesComponent[component[node]] = true;
      }
    }
  }
  std::vector<std::size_t> members;
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    if (leavesComponent[component[node]]) {
      continue;
    }
    for (std::size_t member = node; member < nodes.size(); ++member) {
      if (component[member] == component[node]) {
        members.push_back(member);
      }
    }
    break;
  }
  return members;
}

}  // namespace

void collectPredicates(const std::string& ruleLine, std::vector<PredicateNode>& nodes) {
  std::string name = predicateName(ruleLine);
  if (findNode(nodes, name) == nullptr) {
    nodes.push_back(PredicateNode{std::move(name), {}, 0});
  }
}

void recordDependencies(const std::string& ruleLine, std::vector<PredicateNode>& nodes) {
  const RuleLine rule = cutRuleLine(ruleLine);
  if (!rule.wellFormed) {
    return;
  }
  for (const std::string& element : splitRuleBody(rule.body)) {
    if (!startsWithAtomInitial(element)) {
      continue;
    }
    PredicateNode* used = findNode(nodes, predicateName(element));
    if (used == nullptr) {
      continue;
    }
    std::vector<std::string>& dependents = used->dependents;
    if (std::find(dependents.begin(), dependents.end(), rule.headName) != dependents.end()) {
      continue;
    }
    dependents.push_back(rule.headName);
    if (PredicateNode* head = findNode(nodes, rule.headName)) {
      ++head->pending;
    }
  }
}

std::vector<EvaluationGroup> orderPredicates(std::vector<PredicateNode>& nodes) {
  std::vector<EvaluationGroup> order;
  while (!nodes.empty()) {
    bool tookAny = false;
    std::size_t position = 0;
    while (position < nodes.size()) {
      if (nodes[position].pending != 0) {
        ++position;
        continue;
      }
      order.push_back(EvaluationGroup{{nodes[position].name}, false});
      takeNode(nodes, position);
      tookAny = true;
    }
    if (tookAny || nodes.empty()) {
      continue;
    }
    EvaluationGroup group{{}, true};
    const std::vector<std::size_t> members = stuckGroup(nodes);
    for (std::size_t member : members) {
      group.members.push_back(nodes[member].name);
    }
    for (const std::string& name : group.members) {
      takeNode(nodes, static_cast<std::size_t>(findNode(nodes, name) - nodes.data()));
    }
    order.push_back(std::move(group));
  }
  return order;
}
