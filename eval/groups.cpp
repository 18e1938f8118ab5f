#include "eval/groups.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "eval/fixpoint.h"

namespace {

// Evaluates `rule` on the list and merges its result to the end.
void evaluateAndMerge(const Rule& rule, RelationList& knownRelations, EvaluationContext& context) {
  knownRelations.mergeToEnd(context.evaluation(rule, knownRelations, {}, [&] {
    return evaluateRule(rule, knownRelations, context.warnings());
  }));
  context.resultMerged(knownRelations.back());
}

void evaluateHead(const std::vector<Rule>& rules, const std::string& head,
                  RelationList& knownRelations, EvaluationContext& context) {
  for (const Rule& rule : rules) {
    if (rule.headName == head) {
      evaluateAndMerge(rule, knownRelations, context);
    }
  }
}

bool waitsForMember(const Rule& rule, const std::vector<std::string>& members,
                    const RelationList& knownRelations) {
  return std::any_of(rule.atomNames.begin(), rule.atomNames.end(), [&](const std::string& name) {
    return std::find(members.begin(), members.end(), name) != members.end() &&
           knownRelations.findFirst(name) == nullptr;
  });
}

// One round over the group's rules, given by member; true when some member changed.
bool evaluateRound(const std::vector<std::vector<const Rule*>>& rulesOfMembers,
                   const std::vector<std::string>& members, RelationList& knownRelations,
                   EvaluationContext& context) {
  context.roundBegun();
  bool changed = false;
  for (std::size_t m = 0; m < members.size(); ++m) {
    const std::string& member = members[m];
    for (const Rule* rulePointer : rulesOfMembers[m]) {
      const Rule& rule = *rulePointer;
      if (waitsForMember(rule, members, knownRelations)) {
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

void evaluateRecursiveGroup(const std::vector<Rule>& rules, const std::vector<std::string>& members,
                            RelationList& knownRelations, EvaluationContext& context,
                            RecursionMode mode) {
  if (mode == RecursionMode::semiNaive &&
      evaluateGroupSemiNaively(rules, members, knownRelations, context)) {
    return;
  }
  std::unordered_map<std::string, std::size_t> memberIndex;
  for (std::size_t m = 0; m < members.size(); ++m) {
    memberIndex.emplace(members[m], m);
  }
  std::vector<std::vector<const Rule*>> rulesOfMembers(members.size());
  for (const Rule& rule : rules) {
    const auto member = memberIndex.find(rule.headName);
    if (member != memberIndex.end()) {
      rulesOfMembers[member->second].push_back(&rule);
    }
  }
  while (evaluateRound(rulesOfMembers, members, knownRelations, context)) {
  }
  appendEmptyMembers(knownRelations, members, rules);
}

}  // namespace

void evaluateRules(const std::vector<Rule>& rules, const std::vector<EvaluationGroup>& order,
                   RelationList& knownRelations, EvaluationContext& context, RecursionMode mode) {
  for (const EvaluationGroup& group : order) {
    context.groupBegun(group);
    if (group.recursive) {
      evaluateRecursiveGroup(rules, group.members, knownRelations, context, mode);
    } else {
      for (const std::string& head : group.members) {
        evaluateHead(rules, head, knownRelations, context);
      }
    }
    context.groupEnded(group, knownRelations);
  }
}
