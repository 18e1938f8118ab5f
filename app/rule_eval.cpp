#include "app/rule_eval.h"

#include <algorithm>
#include <iostream>
#include <set>
#include <utility>

#include "algebra/project.h"
#include "algebra/union.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/line_reader.h"
#include "input/rule_line.h"
#include "input/rule_tokenizer.h"

namespace {

constexpr const char* partialResultName = "reszeredmeny";

struct Rule {
  std::size_t lineNumber = 0;
  RuleLine parts;
  std::vector<std::string> elements;
  std::vector<std::string> atomNames;
};

enum class Warning { notARule, conditionWithoutOperator, unboundHeadVariable };

// Writes each warning once per input line, however often the rule is evaluated.
class Warnings {
 public:
  void warn(Warning warning, std::size_t lineNumber) {
    if (!said_.insert({warning, lineNumber}).second) {
      return;
    }
    std::cerr << "Figyelmeztetes: " << lineNumber << ". sor: " << text(warning) << '\n';
  }

 private:
  static const char* text(Warning warning) {
    switch (warning) {
      case Warning::notARule:
        return "a sor nem fej(argumentumok)<-torzs alaku szabaly, nem ertekelem ki.";
      case Warning::conditionWithoutOperator:
        return "feltetel muveleti jel vagy jobb oldal nelkul, egy sort sem enged at.";
      default:
        return "a fej egyik valtozojat a torzs nem koti, a szabaly nem vezet le semmit.";
    }
  }

  std::set<std::pair<Warning, std::size_t>> said_;
};

std::vector<Rule> parseRules(const std::vector<std::string>& ruleLines, Warnings& warnings) {
  std::vector<Rule> rules;
  for (std::size_t i = 0; i < ruleLines.size(); ++i) {
    Rule rule;
    rule.lineNumber = i + 1;
    rule.parts = cutRuleLine(ruleLines[i]);
    if (!rule.parts.wellFormed) {
      if (!ruleLines[i].empty()) {
        warnings.warn(Warning::notARule, rule.lineNumber);
      }
      continue;
    }
    rule.elements = splitRuleBody(rule.parts.body);
    for (const std::string& element : rule.elements) {
      if (startsWithAtomInitial(element)) {
        rule.atomNames.push_back(predicateName(element));
      }
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

// The rule's bindings projected onto its head arguments, named after the head.
Relation evaluateRule(const Rule& rule, const std::vector<Relation>& knownRelations,
                      Warnings& warnings) {
  Relation partialResult(partialResultName, rule.elements);
  bool firstElement = true;
  for (const std::string& element : rule.elements) {
    if (evaluateBodyElement(element, knownRelations, partialResult, firstElement) ==
        ElementOutcome::conditionWithoutOperator) {
      warnings.warn(Warning::conditionWithoutOperator, rule.lineNumber);
    }
  }
  if (unknownProjectionItem(partialResult, rule.parts.headArguments)) {
    warnings.warn(Warning::unboundHeadVariable, rule.lineNumber);
  }
  return project(partialResult, rule.parts.headName, rule.parts.headArguments);
}

// Appends `result`, or unites it with the first relation of its name and moves
// that to the end. True when a relation was made or gained a tuple.
bool mergeResult(std::vector<Relation>& knownRelations, Relation result) {
  const std::string& name = result.name();
  auto existing =
      std::find_if(knownRelations.begin(), knownRelations.end(),
                   [&name](const Relation& relation) { return relation.name() == name; });
  if (existing == knownRelations.end()) {
    knownRelations.push_back(std::move(result));
    return true;
  }
  Relation merged = std::move(*existing);
  knownRelations.erase(existing);
  const std::size_t before = merged.tupleCount();
  merged = unionOf(std::move(merged), result);
  merged.setName(result.name());
  const bool grew = merged.tupleCount() != before;
  knownRelations.push_back(std::move(merged));
  return grew;
}

void evaluateHead(const std::vector<Rule>& rules, const std::string& head,
                  std::vector<Relation>& knownRelations, Warnings& warnings) {
  for (const Rule& rule : rules) {
    if (rule.parts.headName == head) {
      mergeResult(knownRelations, evaluateRule(rule, knownRelations, warnings));
    }
  }
}

bool waitsForMember(const Rule& rule, const std::vector<std::string>& members,
                    const std::vector<Relation>& knownRelations) {
  return std::any_of(rule.atomNames.begin(), rule.atomNames.end(), [&](const std::string& name) {
    return std::find(members.begin(), members.end(), name) != members.end() &&
           findRelation(knownRelations, name) == nullptr;
  });
}

// One round over the group's rules; true when some member changed.
bool evaluateRound(const std::vector<Rule>& rules, const std::vector<std::string>& members,
                   std::vector<Relation>& knownRelations, Warnings& warnings) {
  bool changed = false;
  for (const std::string& member : members) {
    for (const Rule& rule : rules) {
      if (rule.parts.headName != member || waitsForMember(rule, members, knownRelations)) {
        continue;
      }
      changed =
          mergeResult(knownRelations, evaluateRule(rule, knownRelations, warnings)) || changed;
    }
  }
  return changed;
}

void evaluateRecursiveGroup(const std::vector<Rule>& rules, const std::vector<std::string>& members,
                            std::vector<Relation>& knownRelations, Warnings& warnings) {
  while (evaluateRound(rules, members, knownRelations, warnings)) {
  }
  for (const std::string& member : members) {
    if (findRelation(knownRelations, member) != nullptr) {
      continue;
    }
    const auto firstRule = std::find_if(rules.begin(), rules.end(), [&member](const Rule& rule) {
      return rule.parts.headName == member;
    });
    std::vector<std::string> attributes;
    if (firstRule != rules.end()) {
      attributes = splitList(firstRule->parts.headArguments);
    }
    knownRelations.emplace_back(member, std::vector<ValueType>(), std::move(attributes));
  }
}

}  // namespace

void evaluateRules(const std::vector<std::string>& ruleLines,
                   const std::vector<EvaluationGroup>& order,
                   std::vector<Relation>& knownRelations) {
  Warnings warnings;
  const std::vector<Rule> rules = parseRules(ruleLines, warnings);
  for (const EvaluationGroup& group : order) {
    if (group.recursive) {
      evaluateRecursiveGroup(rules, group.members, knownRelations, warnings);
    } else {
      for (const std::string& head : group.members) {
        evaluateHead(rules, head, knownRelations, warnings);
      }
    }
  }
}
