#include "eval/rule.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "algebra/condition.h"
#include "algebra/project.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/tuple_line.h"
#include "relation/integer_value.h"
#include "relation/work_meter.h"

namespace {

constexpr const char* partialResultName = "reszeredmeny";

// How many leading columns of the bindings a text reaches when it is read as
// a column number: the number after its first byte, plus one. Head arguments
// and condition operands that are not variables are read so ($1; and in the
// head any other text too).
std::size_t columnsReachedBy(const std::string& text) {
  if (text.empty() || startsWithVariableInitial(text)) {
    return 0;
  }
  const std::string_view digits = text;
  const long long number = integerValueClamped(digits.substr(1));
  if (number < 0) {
    return 0;
  }
  // A number that std::size_t cannot hold reaches every column.
  constexpr std::size_t all = std::numeric_limits<std::size_t>::max();
  return number >= std::numeric_limits<long long>::max() ||
                 static_cast<unsigned long long>(number) >= all
             ? all
             : static_cast<std::size_t>(number) + 1;
}

// The leading columns a rule reaches by number, from its head or a condition.
// Joins keep them all, so that each number finds the column it finds when no
// column is dropped.
std::size_t leadingColumnsReached(const Rule& rule) {
  std::size_t leading = 0;
  for (const Term& term : rule.headTerms) {
    leading = std::max(leading, columnsReachedBy(term.text));
  }
  for (const BodyElement& element : rule.body) {
    if (!element.isAtom) {
      leading = std::max(leading, columnsReachedBy(element.condition().left));
      leading = std::max(leading, columnsReachedBy(element.condition().right));
      leading = std::max(leading, columnsReachedBy(element.condition().testedRight));
    }
  }
  return leading;
}

// For each element, the columns used after it. Only joins read them, and
// the first element joins nothing: a body of one element needs none.
std::vector<NeededColumns> columnsNeededAfter(const Rule& rule) {
  if (rule.body.size() < 2) {
    return {};
  }
  // The names the head uses, then those of each element from the last one
  // back: the elements after an element use the names before its own.
  auto names = std::make_shared<std::vector<std::string>>(textsOf(rule.headTerms));
  std::vector<std::size_t> counts(rule.body.size());
  for (std::size_t i = rule.body.size(); i-- > 0;) {
    counts[i] = names->size();
    for (std::string& name : namesUsedBy(rule.body[i])) {
      names->push_back(std::move(name));
    }
  }
  const std::size_t leading = leadingColumnsReached(rule);
  std::vector<NeededColumns> needed;
  needed.reserve(rule.body.size());
  for (const std::size_t count : counts) {
    needed.emplace_back(names, count, leading);
  }
  return needed;
}

// Completes a rule whose line number, head and body stand: what evaluation
// reads of it besides.
void completeRule(Rule& rule) {
  rule.seedTypes.reserve(rule.body.size());
  for (const BodyElement& element : rule.body) {
    rule.seedTypes.emplace_back(element.text == stringType ? stringType : intType);
    if (element.isAtom) {
      rule.atomNames.push_back(element.atom.name);
    }
  }
  rule.neededAfter = columnsNeededAfter(rule);
}

}  // namespace

std::vector<Rule> wellFormedRules(const std::vector<ParsedRule>& ruleLines) {
  return wellFormedRules(std::vector<ParsedRule>(ruleLines));
}

std::vector<Rule> wellFormedRules(std::vector<ParsedRule>&& ruleLines) {
  std::vector<Rule> rules;
  rules.reserve(ruleLines.size());
  for (ParsedRule& parsed : ruleLines) {
    if (parsed.isRule()) {
      Rule& rule = rules.emplace_back();
      rule.lineNumber = parsed.lineNumber;
      rule.headName = std::move(parsed.headName);
      rule.headTerms = std::move(parsed.headTerms);
      rule.body.reserve(parsed.evaluationOrder.size());
      for (std::size_t e : parsed.evaluationOrder) {
        rule.body.push_back(std::move(parsed.written[e]));
      }
      completeRule(rule);
    }
    parsed = ParsedRule();  // each line's parts go as soon as its rule stands
  }
  std::vector<ParsedRule>().swap(ruleLines);
  return rules;
}

namespace {

bool isOrdering(const std::string& operatorText) {
  return operatorText != "=" && operatorText != "!=" && !operatorText.empty();
}

// An ordering condition on a bound "string" column compares integer values.
void warnAboutTextOrdered(const Rule& rule, const BodyElement& element,
                          const Relation& partialResult, Warnings& warnings) {
  const ConditionParts& condition = element.condition();
  if (!condition.complete || !isOrdering(condition.operatorText)) {
    return;
  }
  const std::vector<ValueType>& types = partialResult.types();
  for (const std::string* side : {&condition.left, &condition.right}) {
    const TermKind kind = termKindOf(*side);
    std::size_t column = 0;
    if ((kind == TermKind::variable || kind == TermKind::columnReference) &&
        columnOfOperand(partialResult, *side, column) && column < types.size() &&
        types[column].isString()) {
      warnings.warn(Warning::textOrdered, rule.lineNumber,
                    element.column + condition.operatorColumn + 1, {*side, condition.operatorText});
    }
  }
}

// A constant that looks like a number (a digit first, or a sign and a digit)
// but is not a whole number in full (1.5, 2x, 1e3): compared as an integer,
// it stands for the integer its leading digits make. Blanks after it, named
// by a diagnostic of their own, change no integer.
bool isPartlyInteger(std::string_view constant) {
  while (!constant.empty() && isBlank(static_cast<unsigned char>(constant.back()))) {
    constant.remove_suffix(1);
  }
  const std::size_t start = !constant.empty() && (constant[0] == '-' || constant[0] == '+') ? 1 : 0;
  return start < constant.size() && isDigit(static_cast<unsigned char>(constant[start])) &&
         !isWholeNumber(constant);
}

// Constants compared as integers that are not whole numbers: the right side
// of a condition on a bound int column or of an ordering one, and an atom's
// constant in an int column of `relation`, the one the atom reads.
void warnAboutPartIntegers(const Rule& rule, const BodyElement& element,
                           const Relation& partialResult, const Relation* relation,
                           Warnings& warnings) {
  const auto warn = [&](std::size_t column, const std::string& constant) {
    warnings.warn(Warning::partIntegerConstant, rule.lineNumber, column + 1,
                  {constant, integerText(constant)});
  };
  if (element.isAtom) {
    for (std::size_t i = 0; relation != nullptr && i < element.atom.terms.size(); ++i) {
      const Term& term = element.atom.terms[i];
      if (term.kind == TermKind::constant && i < relation->types().size() &&
          !relation->types()[i].isString() && isPartlyInteger(equalityOperand(term.text))) {
        warn(term.column, term.text);
      }
    }
    return;
  }
  const ConditionParts& condition = element.condition();
  std::size_t left = 0;
  if (!condition.complete || condition.writtenOperator != condition.operatorText ||
      termKindOf(condition.right) != TermKind::constant || !isPartlyInteger(condition.right) ||
      termKindOf(condition.left) == TermKind::constant ||
      !findColumn(partialResult, condition.left, left)) {
    return;
  }
  const std::vector<ValueType>& types = partialResult.types();
  if (isOrdering(condition.operatorText) || left >= types.size() || !types[left].isString()) {
    warn(element.column + condition.rightColumn, condition.right);
  }
}

void warnAboutUnboundHead(const Rule& rule, const std::vector<std::string>& head,
                          const Relation& partialResult, Warnings& warnings) {
  const std::optional<std::string> unknown = unknownProjectionItem(partialResult, head);
  if (!unknown) {
    return;
  }
  std::size_t column = 0;
  for (const Term& term : rule.headTerms) {
    if (term.text == *unknown) {
      column = term.column + 1;
      break;
    }
  }
  warnings.warn(Warning::unboundHeadVariable, rule.lineNumber, column, {*unknown});
}

// Warns about an element however its atom's rows are given, as a plain
// evaluation does: an atom over a member of a recursive group is judged by the
// member as it stands in this round, which the list holds only after the group.
void warnAboutElement(const Rule& rule, const BodyElement& element, const GivenAtom* given,
                      const Relation& partialResult, const RelationList& knownRelations,
                      Warnings& warnings) {
  if (!warnings.enabled()) {
    return;
  }
  if (!element.isAtom) {
    warnAboutTextOrdered(rule, element, partialResult, warnings);
    warnAboutPartIntegers(rule, element, partialResult, nullptr, warnings);
    return;
  }
  const Relation* read = given != nullptr && given->rows != nullptr
                             ? given->rows
                             : knownRelations.findFirst(element.atom.name);
  warnAboutPartIntegers(rule, element, partialResult, read, warnings);
}

// Work meter units charged for evaluating one body element, apart from its
// text and rows: about what its few relational operations cost on tiny inputs.
constexpr std::size_t elementWork = 64;

// Evaluates the elements from `progress.evaluated` up to `end` into the
// partial result. With `allColumns`, joins keep every column, not only those
// that later elements and the head use.
void evaluateElements(const Rule& rule, const RelationList& knownRelations, Warnings& warnings,
                      const AtomRelations* given, bool* pairsTuples, bool allColumns,
                      std::size_t end, BodyProgress& progress) {
  Relation& partialResult = progress.partialResult;
  bool& firstElement = progress.firstElement;
  for (std::size_t i = progress.evaluated; i < end; ++i) {
    const NeededColumns* needed =
        allColumns || rule.neededAfter.empty() ? nullptr : &rule.neededAfter[i];
    // The operations an element takes, whatever their size, its text read
    // and its relation looked up.
    chargeWork(1, elementWork + rule.body[i].text.size() + knownRelations.size());
    progress.evaluated = i + 1;
    const GivenAtom* atomGiven = given == nullptr ? nullptr : &(*given)[i];
    warnAboutElement(rule, rule.body[i], atomGiven, partialResult, knownRelations, warnings);
    if (atomGiven != nullptr && atomGiven->prepared != nullptr) {
      joinAtom(*atomGiven->prepared, partialResult, firstElement, needed);
      continue;
    }
    if (atomGiven != nullptr && atomGiven->rows != nullptr) {
      evaluateAtomOn(rule.body[i].atom, *atomGiven->rows, partialResult, firstElement, needed);
      continue;
    }
    const ElementOutcome outcome =
        evaluateBodyElement(rule.body[i], knownRelations, partialResult, firstElement, needed);
    if (outcome == ElementOutcome::pairedAcrossTuples && pairsTuples != nullptr) {
      *pairsTuples = true;
    }
  }
}

}  // namespace

BodyProgress startBody(const Rule& rule) {
  return BodyProgress{Relation(partialResultName, rule.seedTypes, {}), true, 0};
}

void continueBody(const Rule& rule, const RelationList& knownRelations, Warnings& warnings,
                  const AtomRelations* given, bool* pairsTuples, std::size_t end,
                  BodyProgress& progress) {
  evaluateElements(rule, knownRelations, warnings, given, pairsTuples, false, end, progress);
}

Relation headRowsOf(const Rule& rule, const BodyProgress& progress, Warnings& warnings) {
  const std::vector<std::string> head = textsOf(rule.headTerms);
  if (warnings.enabled()) {
    warnAboutUnboundHead(rule, head, progress.partialResult, warnings);
  }
  // The result is only ever united into a relation, so it may repeat rows.
  return project(progress.partialResult, rule.headName, head, true);
}

Relation evaluateRule(const Rule& rule, const RelationList& knownRelations, Warnings& warnings,
                      const AtomRelations* given, bool* pairsTuples) {
  BodyProgress progress = startBody(rule);
  continueBody(rule, knownRelations, warnings, given, pairsTuples, rule.body.size(), progress);
  return headRowsOf(rule, progress, warnings);
}

Relation evaluateBindings(const Rule& rule, const RelationList& knownRelations,
                          const AtomRelations& given) {
  Warnings unsaid(false);
  BodyProgress progress = startBody(rule);
  evaluateElements(rule, knownRelations, unsaid, &given, nullptr, true, rule.body.size(), progress);
  return std::move(progress.partialResult);
}

std::vector<std::string> appendEmptyMembers(RelationList& knownRelations,
                                            const std::vector<std::string>& members,
                                            const std::vector<const Rule*>& rules) {
  std::vector<std::string> appended;
  std::unordered_map<std::string, const Rule*> firstRules;
  for (const Rule* rule : rules) {
    firstRules.emplace(rule->headName, rule);
  }
  for (const std::string& member : members) {
    if (knownRelations.findFirst(member) != nullptr) {
      continue;
    }
    const auto firstRule = firstRules.find(member);
    std::vector<std::string> attributes;
    if (firstRule != firstRules.end()) {
      attributes = textsOf(firstRule->second->headTerms);
    }
    knownRelations.append(Relation(member, std::vector<ValueType>(), std::move(attributes)));
    appended.push_back(member);
  }
  return appended;
}
