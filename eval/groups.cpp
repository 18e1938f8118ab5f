#include "eval/groups.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "eval/fixpoint.h"
#include "input/name_positions.h"

namespace {

// The rules of each head, in file order: a name finds the first, each rule
// the next of its head.
class RulesByHead {
  // The head name of a rule, by its position.
  auto headOf() const {
    return [this](std::size_t rule) -> const std::string& { return rules_[rule].headName; };
  }

 public:
  explicit RulesByHead(const std::vector<Rule>& rules) : rules_(rules), next_(rules.size(), none) {
    first_.reserve(rules.size());
    std::vector<std::size_t> last(rules.size(), none);  // per first rule of a head
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const std::size_t first = first_.insert(rules[i].headName, i, headOf());
      if (first != i) {
        next_[last[first]] = i;
      }
      last[first] = i;
    }
  }

  // Calls `visit` with each rule of `head`, in file order.
  template <typename Visit>
  void forEachRuleOf(const std::string& head, Visit&& visit) const {
    for (std::size_t i = first_.find(head, headOf()); i != none; i = next_[i]) {
      visit(rules_[i]);
    }
  }

 private:
  static constexpr std::size_t none = NamePositions::none;

  const std::vector<Rule>& rules_;
  NamePositions first_;  // of the first rule of each head
  std::vector<std::size_t> next_;
};

// The rules of a group's members, in file order.
std::vector<const Rule*> rulesOfGroup(const RulesByHead& byHead,
                                      const std::vector<std::string>& members) {
  std::vector<const Rule*> rules;
  for (const std::string& member : members) {
    byHead.forEachRuleOf(member, [&rules](const Rule& rule) { rules.push_back(&rule); });
  }
  std::sort(rules.begin(), rules.end());  // one vector holds them in file order
  rules.erase(std::unique(rules.begin(), rules.end()), rules.end());
  return rules;
}

// Evaluates `rule` on the list and merges its result to the end.
void evaluateAndMerge(const Rule& rule, RelationList& knownRelations, EvaluationContext& context) {
  knownRelations.mergeToEnd(context.evaluation(rule, knownRelations, {}, [&] {
    return evaluateRule(rule, knownRelations, context.warnings());
  }));
  context.resultMerged(knownRelations.back());
}

bool waitsForMember(const Rule& rule, const std::unordered_map<std::string, std::size_t>& members,
                    const RelationList& knownRelations) {
  return std::any_of(rule.atomNames.begin(), rule.atomNames.end(), [&](const std::string& name) {
    return members.count(name) != 0 && knownRelations.findFirst(name) == nullptr;
  });
}

// One round over the group's rules, given by member; true when some member changed.
bool evaluateRound(const std::vector<std::vector<const Rule*>>& rulesOfMembers,
                   const std::vector<std::string>& members,
                   const std::unordered_map<std::string, std::size_t>& memberIndex,
                   RelationList& knownRelations, EvaluationContext& context) {
  context.roundBegun();
  bool changed = false;
  for (std::size_t m = 0; m < members.size(); ++m) {
    const std::string& member = members[m];
    for (const Rule* rulePointer : rulesOfMembers[m]) {
      const Rule& rule = *rulePointer;
      if (waitsForMember(rule, memberIndex, knownRelations)) {
        continue;
      }
      const Relation* before = knownRelations.findFirst(member);
      const std::size_t tuplesBefore = before == nullptr ? 0 : before->tupleCount();
      const bool created = before == nullptr;
      evaluateAndMerge(rule, knownRelations, context);
      changed = changed || created || knownRelations.back().tupleCount() != tuplesBefore;
    }
  }
  return changed;
}

void evaluateRecursiveGroup(const std::vector<const Rule*>& rules,
                            const std::vector<std::string>& members, RelationList& knownRelations,
                            EvaluationContext& context, RecursionMode mode) {
  if (mode == RecursionMode::semiNaive &&
      evaluateGroupSemiNaively(rules, members, knownRelations, context)) {
    return;
  }
  std::unordered_map<std::string, std::size_t> memberIndex;
  for (std::size_t m = 0; m < members.size(); ++m) {
    memberIndex.emplace(members[m], m);
  }
  std::vector<std::vector<const Rule*>> rulesOfMembers(members.size());
  for (const Rule* rule : rules) {
    const auto member = memberIndex.find(rule->headName);
    if (member != memberIndex.end()) {
      rulesOfMembers[member->second].push_back(rule);
    }
  }
  while (evaluateRound(rulesOfMembers, members, memberIndex, knownRelations, context)) {
  }
  for (const std::string& empty : appendEmptyMembers(knownRelations, members, rules)) {
    context.movedToEnd(empty);
  }
}

}  // namespace

void evaluateRules(const std::vector<Rule>& rules, const std::vector<EvaluationGroup>& order,
                   RelationList& knownRelations, EvaluationContext& context, RecursionMode mode) {
  const RulesByHead byHead(rules);
  knownRelations.reserve(knownRelations.size() + order.size());
  for (const EvaluationGroup& group : order) {
    context.groupBegun(group);
    if (group.recursive) {
      evaluateRecursiveGroup(rulesOfGroup(byHead, group.members), group.members, knownRelations,
                             context, mode);
    } else {
      for (const std::string& head : group.members) {
        byHead.forEachRuleOf(
            head, [&](const Rule& rule) { evaluateAndMerge(rule, knownRelations, context); });
      }
    }
    context.groupEnded(group, knownRelations);
  }
}
