#include "eval/groups.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "eval/body_eval.h"
#include "eval/fixpoint.h"
#include "eval/rule.h"
#include "input/line_reader.h"

namespace {

void evaluateHead(const std::vector<Rule>& rules, const std::string& head,
                  RelationList& knownRelations, Warnings& warnings, Trace* trace) {
  for (const Rule& rule : rules) {
    if (rule.headName == head) {
      knownRelations.mergeToEnd(traced(
          trace, rule.lineNumber, [&] { return evaluateRule(rule, knownRelations, warnings); }));
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
                   Warnings& warnings, Trace* trace) {
  if (trace != nullptr) {
    trace->countRound();
  }
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
      knownRelations.mergeToEnd(traced(
          trace, rule.lineNumber, [&] { return evaluateRule(rule, knownRelations, warnings); }));
      changed = changed || created || knownRelations.back().tupleCount() != tuplesBefore;
    }
  }
  return changed;
}

void evaluateRecursiveGroup(const std::vector<Rule>& rules, const std::vector<std::string>& members,
                            RelationList& knownRelations, Warnings& warnings, RecursionMode mode,
                            Trace* trace) {
  if (mode == RecursionMode::semiNaive &&
      evaluateGroupSemiNaively(rules, members, knownRelations, warnings, trace)) {
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
  while (evaluateRound(rulesOfMembers, members, knownRelations, warnings, trace)) {
  }
  appendEmptyMembers(knownRelations, members, rules);
}

}  // namespace

void evaluateRules(const std::vector<ParsedRule>& ruleLines,
                   const std::vector<EvaluationGroup>& order, RelationList& knownRelations,
                   Warnings& warnings, RecursionMode mode, Trace* trace) {
  const std::vector<Rule> rules = parseRules(ruleLines);
  for (const EvaluationGroup& group : order) {
    if (trace != nullptr) {
      trace->beginGroup(group.members, group.recursive);
    }
    if (group.recursive) {
      evaluateRecursiveGroup(rules, group.members, knownRelations, warnings, mode, trace);
    } else {
      for (const std::string& head : group.members) {
        evaluateHead(rules, head, knownRelations, warnings, trace);
      }
    }
  }
}
