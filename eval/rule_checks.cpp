#include "eval/rule_checks.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>

#include "input/char_class.h"

namespace {

// How many columns the atoms over a relation name meet: the declaration's
// attributes, else the arguments of the first head that names it.
struct KnownWidth {
  std::size_t width = 0;
  bool declared = false;
};
using KnownWidths = std::unordered_map<std::string, KnownWidth>;

KnownWidths knownWidths(const std::vector<ParsedRule>& rules, const RelationList& declared) {
  KnownWidths widths;
  widths.reserve(declared.size() + rules.size());
  for (const Relation& relation : declared) {
    widths.insert({relation.name(), KnownWidth{relation.attributes().size(), true}});
  }
  for (const ParsedRule& rule : rules) {
    if (rule.isRule()) {
      widths.insert({rule.headName, KnownWidth{rule.headTerms.size(), false}});
    }
  }
  return widths;
}

bool isBlankByte(char byte) { return isBlank(static_cast<unsigned char>(byte)); }

// A constant that is no number: quoted, or starting with a letter.
bool isText(const std::string& operand) {
  if (termKindOf(operand) != TermKind::constant) {
    return false;
  }
  const auto first = static_cast<unsigned char>(operand.front());
  return !isDigit(first) && first != '-' && first != '+';
}

std::string text(std::size_t number) { return std::to_string(number); }

class RuleLineCheck {
 public:
  RuleLineCheck(const ParsedRule& rule, const KnownWidths& widths, Warnings& warnings)
      : rule_(rule), widths_(widths), warnings_(warnings) {}

  void run() {
    const std::string& line = rule_.line;
    if (!line.empty() && std::all_of(line.begin(), line.end(), isBlankByte)) {
      warn(Warning::blankOnlyLine, 0);
      return;
    }
    const auto blank = std::find_if(line.begin(), line.end(), isBlankByte);
    if (blank != line.end()) {
      warn(Warning::blankInRule, static_cast<std::size_t>(blank - line.begin()));
    }
    if (!rule_.isRule()) {
      if (!line.empty()) {
        checkForm();
      }
      return;
    }
    checkHead();
    const std::set<std::string> bound = boundNames();
    for (const BodyElement& element : rule_.written) {
      if (element.isAtom) {
        checkAtom(element);
      } else {
        checkCondition(element, bound);
      }
    }
  }

 private:
  void warn(Warning kind, std::size_t column, std::vector<std::string> parts = {}) {
    warnings_.warn(kind, rule_.lineNumber, column + 1, std::move(parts), rule_.line);
  }

  // Where the line stops being head(arguments)<-body.
  void checkForm() {
    const std::string& line = rule_.line;
    const std::size_t arrow = line.find("<-");
    const std::size_t headEnd = std::min(arrow, line.size());
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')');
    if (arrow == std::string::npos && line.find(":-") != std::string::npos) {
      warn(Warning::colonArrow, line.find(":-"));
    } else if (open >= headEnd) {
      warn(Warning::noOpeningParenthesis, headEnd);
    } else if (close < open) {
      warn(Warning::closingBeforeOpening, close);
    } else if (close >= headEnd) {
      warn(Warning::noClosingParenthesis, headEnd);
    } else {
      warn(Warning::noArrowAfterHead, close + 1);
    }
  }

  void checkHead() {
    for (const Term& term : rule_.headTerms) {
      if (term.kind == TermKind::constant) {
        warn(Warning::headArgumentNotVariable, term.column, {term.text});
      }
    }
    const auto known = widths_.find(rule_.headName);
    if (known != widths_.end() && known->second.declared &&
        known->second.width != rule_.headTerms.size()) {
      warn(Warning::headWidthDiffers, 0,
           {rule_.headName, text(known->second.width), text(rule_.headTerms.size())});
    }
  }

  void checkAtom(const BodyElement& element) {
    const Atom& atom = element.atom;
    std::string arguments;
    for (const Term& term : atom.terms) {
      arguments += (arguments.empty() ? "'" : ", '") + term.text + "'";
    }
    if (arguments.empty()) {
      arguments = "nincs";
    }
    if (atom.argumentText.find('(') != std::string::npos) {
      warn(Warning::atomNestedParenthesis, element.column, {arguments});
    } else if (!atom.closed) {
      warn(Warning::atomWithoutClosing, element.column, {arguments});
    }
    const auto known = widths_.find(atom.name);
    if (known == widths_.end()) {
      warn(Warning::unknownRelation, element.column, {atom.name});
      return;
    }
    const std::size_t width = known->second.width;
    if (atom.terms.size() != width) {
      warn(atom.terms.size() < width ? Warning::atomFewerArguments : Warning::atomMoreArguments,
           element.column, {atom.name, text(atom.terms.size()), text(width)});
    }
  }

  void checkCondition(const BodyElement& element, const std::set<std::string>& bound) {
    const ConditionParts& condition = element.condition;
    if (!condition.complete) {
      warn(condition.text == "." ? Warning::finalPeriod : Warning::conditionWithoutOperator,
           element.column, {condition.text});
      return;
    }
    const std::size_t operatorColumn = element.column + condition.operatorColumn;
    const bool knownOperator = condition.writtenOperator == condition.operatorText;
    if (!knownOperator) {
      warn(Warning::unknownOperator, operatorColumn,
           {condition.writtenOperator, "'" + condition.left + "' " + condition.operatorText + " '" +
                                           condition.testedRight + "'"});
    }
    if (termKindOf(condition.left) == TermKind::constant) {
      warn(Warning::constantOnLeft, element.column, {condition.left});
    }
    if (condition.operatorText == "=") {
      return;
    }
    if (condition.operatorText != "!=" && knownOperator) {
      for (const std::string* side : {&condition.left, &condition.testedRight}) {
        if (isText(*side)) {
          warn(Warning::textOrdered, operatorColumn, {*side, condition.operatorText});
        }
      }
    }
    if (termKindOf(condition.left) == TermKind::variable && bound.count(condition.left) == 0) {
      warn(Warning::unboundConditionVariable, element.column, {condition.left});
    }
    if (termKindOf(condition.right) == TermKind::variable && bound.count(condition.right) == 0) {
      warn(Warning::unboundConditionVariable, element.column + condition.rightColumn,
           {condition.right});
    }
  }

  // What atoms and equalities bind: a condition other than "=" reads these.
  std::set<std::string> boundNames() const {
    std::set<std::string> bound;
    for (const BodyElement& element : rule_.written) {
      if (element.isAtom) {
        for (const Term& term : element.atom.terms) {
          bound.insert(term.text);
        }
      } else if (element.condition.operatorText == "=") {
        bound.insert(element.condition.left);
        bound.insert(element.condition.right);
      }
    }
    return bound;
  }

  const ParsedRule& rule_;
  const KnownWidths& widths_;
  Warnings& warnings_;
};

}  // namespace

void checkRuleLines(const std::vector<ParsedRule>& rules, const RelationList& declared,
                    Warnings& warnings) {
  if (!warnings.enabled()) {
    return;
  }
  const KnownWidths widths = knownWidths(rules, declared);
  for (const ParsedRule& rule : rules) {
    RuleLineCheck(rule, widths, warnings).run();
  }
}
