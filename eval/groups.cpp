#include "eval/groups.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "eval/body_eval.h"
#include "eval/explain.h"
#include "eval/fixpoint.h"
#include "eval/rule.h"
#include "input/line_reader.h"

namespace {

// Evaluates `rule` on the list and merges its result to the end.
void evaluateAndMerge(const Rule& rule, RelationList& knownRelations, Warnings& warnings,
                      Trace* trace, DerivationLog* log) {
  if (log != nullptr) {
    log->beginEvaluation(rule, knownRelations);
  }
  knownRelations.mergeToEnd(
      traced(trace, rule.lineNumber, [&] { return evaluateRule(rule, knownRelations, warnings); }));
  if (log != nullptr) {
    log->recordMerge(knownRelations.back());
  }
}

// The rules of each head, in file order.
using RulesByHead = std::unordered_map<std::string, std::vector<const Rule*>>;
const std::vector<const Rule*> noRules;

RulesByHead rulesByHead(const std::vector<Rule>& rules) {
  RulesByHead byHead;
  for (const Rule& rule : rules) {
    byHead[rule.headName].push_back(&rule);
  }
  return byHead;
}

// The rules of a group's members, in file order.
std::vector<const Rule*> rulesOfGroup(const RulesByHead& byHead,
                                      const std::vector<std::string>& members) {
  std::vector<const Rule*> rules;
  for (const std::string& member : members) {
    const auto found = byHead.find(member);
    if (found != byHead.end()) {
      rules.insert(rules.end(), found->second.begin(), found->second.end());
    }
  }
  std::sort(rules.begin(), rules.end());  // one vector holds them in file order
  rules.erase(std::unique(rules.begin(), rules.end()), rules.end());
  return rules;
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
                   RelationList& knownRelations, Warnings& warnings, Trace* trace,
                   DerivationLog* log) {
  if (trace != nullptr) {
    trace->countRound();
  }
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
      evaluateAndMerge(rule, knownRelations, warnings, trace, log);
      changed = changed || created || knownRelations.back().tupleCount() != tuplesBefore;
    }
  }
  return changed;
}

void evaluateRecursiveGroup(const std::vector<const Rule*>& rules,
                            const std::vector<std::string>& members, RelationList& knownRelations,
                            Warnings& warnings, RecursionMode mode, Trace* trace,
                            DerivationLog* log) {
  if (mode == RecursionMode::semiNaive &&
      evaluateGroupSemiNaively(rules, members, knownRelations, warnings, trace, log)) {
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
  while (
      evaluateRound(rulesOfMembers, members, memberIndex, knownRelations, warnings, trace, log)) {
  }
  appendEmptyMembers(knownRelations, members, rules);
}

}  // namespace

void evaluateRules(const std::vector<ParsedRule>& ruleLines,
                   const std::vector<EvaluationGroup>& order, RelationList& knownRelations,
                   Warnings& warnings, RecursionMode mode, Trace* trace, DerivationLog* log) {
  const std::vector<Rule> rules = parseRules(ruleLines);
  if (log != nullptr) {
    log->keepRules(rules);
  }
  const RulesByHead byHead = rulesByHead(rules);
  for (const EvaluationGroup& group : order) {
    if (trace != nullptr) {
      trace->beginGroup(group.members, group.recursive);
    }
    if (group.recursive) {
      evaluateRecursiveGroup(rulesOfGroup(byHead, group.members), group.members, knownRelations,
                             warnings, mode, trace, log);
      if (log != nullptr) {
        log->followOrder(knownRelations);
      }
      continue;
    }
    for (const std::string& head : group.members) {
      const auto found = byHead.find(head);
      for (const Rule* rule : found == byHead.end() ? noRules : found->second) {
        evaluateAndMerge(*rule, knownRelations, warnings, trace, log);
      }
    }
  }
}
