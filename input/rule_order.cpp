#include "input/rule_order.h"

#include <algorithm>
#include <unordered_map>

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

// For each node, the positions of the nodes it uses (an edge from a head to
// each predicate its rules use).
std::vector<std::vector<std::size_t>> usedNodes(const std::vector<PredicateNode>& nodes) {
  std::unordered_map<std::string, std::size_t> position;
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    position.emplace(nodes[node].name, node);
  }
  std::vector<std::vector<std::size_t>> used(nodes.size());
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    for (const std::string& dependent : nodes[node].dependents) {
      const auto head = position.find(dependent);
      if (head != position.end()) {
        used[head->second].push_back(node);
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

// The recursive group to take when no node is free: of the components that use
// no node outside themselves, the one holding the earliest-listed node.
std::vector<std::size_t> stuckGroup(const std::vector<PredicateNode>& nodes) {
  const std::vector<std::vector<std::size_t>> edges = usedNodes(nodes);
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
