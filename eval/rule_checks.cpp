#include "eval/rule_checks.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>

#include "input/char_class.h"

namespace {

// How many columns the atoms over a relation name meet: the declaration's
// attributes, else the arguments of the first head that names it. A relation
// declared among the rules (the empty line after them missing) has no width.
struct KnownWidth {
  std::size_t width = 0;
  bool declared = false;
  bool misread = false;
};
using KnownWidths = std::unordered_map<std::string, KnownWidth>;

bool looksLikeDeclaration(const std::string& line) {
  return !line.empty() && line.back() == ')' && line.find('(') != std::string::npos &&
         line.find("<-") == std::string::npos;
}

bool looksLikeTupleLine(const std::string& line) {
  return !line.empty() && (isDigit(static_cast<unsigned char>(line.front())) || line[0] == '\'');
}

// The first rule line that reads as a declaration followed by a tuple line:
// the relations begin there, read as rules; 0 when there is none.
std::size_t firstMisreadRelationLine(const std::vector<ParsedRule>& rules) {
  for (std::size_t i = 0; i + 1 < rules.size(); ++i) {
    if (!rules[i].isRule() && looksLikeDeclaration(rules[i].line) &&
        looksLikeTupleLine(rules[i + 1].line)) {
      return rules[i].lineNumber;
    }
  }
  return 0;
}

// What the rule lines can meet: the widths of the relation names, and the
// names in the order the file gives them (heads, then declarations).
struct KnownRelations {
  KnownWidths widths;
  std::vector<std::string> inFileOrder;
};

KnownRelations knownRelations(const std::vector<ParsedRule>& rules, const RelationList& declared,
                              std::size_t misreadFrom) {
  KnownRelations known;
  known.widths.reserve(declared.size() + rules.size());
  for (const ParsedRule& rule : rules) {
    if (misreadFrom != 0 && rule.lineNumber >= misreadFrom && looksLikeDeclaration(rule.line)) {
      known.widths.insert({rule.line.substr(0, rule.line.find('(')), KnownWidth{0, false, true}});
    }
  }
  for (const Relation& relation : declared) {
    known.widths.insert({relation.name(), KnownWidth{relation.attributes().size(), true}});
  }
  for (const ParsedRule& rule : rules) {
    if (rule.isRule()) {
      known.widths.insert({rule.headName, KnownWidth{rule.headTerms.size(), false}});
      known.inFileOrder.push_back(rule.headName);
    }
  }
  for (const Relation& relation : declared) {
    known.inFileOrder.push_back(relation.name());
  }
  return known;
}

// The edit distance of two names, a swap of two neighbouring bytes counting as
// one edit; stops counting past `limit` (returns limit + 1).
std::size_t editDistance(const std::string& a, const std::string& b, std::size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
    return limit + 1;
  }
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) {
    d[i][0] = i;
  }
  for (std::size_t j = 0; j <= b.size(); ++j) {
    d[0][j] = j;
  }
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return std::min(d[a.size()][b.size()], limit + 1);
}

// The known name nearest to `name`, if one is near enough: at most one edit
// away for a name of up to four bytes, two beyond; the first in the file of
// those nearest.
std::string nearestName(const std::string& name, const std::vector<std::string>& names) {
  const std::size_t limit = name.size() <= 4 ? 1 : 2;
  std::string nearest;
  std::size_t best = limit + 1;
  for (const std::string& candidate : names) {
    const std::size_t distance = editDistance(name, candidate, limit);
    if (distance < best) {
      best = distance;
      nearest = candidate;
    }
  }
  return nearest;
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
  RuleLineCheck(const ParsedRule& rule, const KnownRelations& known, Warnings& warnings)
      : rule_(rule), widths_(known.widths), names_(known.inFileOrder), warnings_(warnings) {}

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
    checkFinalPeriod();
    leaveOutUnboundHeadsOfSkippedAtoms();
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
      const std::string nearest = nearestName(atom.name, names_);
      if (nearest.empty()) {
        warn(Warning::unknownRelation, element.column, {atom.name});
      } else {
        warn(Warning::unknownRelationNear, element.column, {atom.name, nearest});
      }
      return;
    }
    if (known->second.misread) {
      return;
    }
    const std::size_t width = known->second.width;
    if (atom.terms.size() != width) {
      warn(atom.terms.size() < width ? Warning::atomFewerArguments : Warning::atomMoreArguments,
           element.column, {atom.name, text(atom.terms.size()), text(width)});
    }
  }

  void checkCondition(const BodyElement& element, const std::set<std::string>& bound) {
    const ConditionParts& condition = element.condition();
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

  // A "." that ends the line and is no element of its own: it belongs to the
  // last element (a condition's right side, mostly) instead of ending the rule.
  void checkFinalPeriod() {
    const std::string& line = rule_.line;
    if (line.empty() || line.back() != '.' || rule_.written.empty() ||
        rule_.written.back().text == ".") {
      return;
    }
    warn(Warning::finalPeriodInElement, line.size() - 1, {rule_.written.back().text});
  }

  // A head variable that only atoms over relations that exist nowhere would
  // bind: its diagnostic follows from theirs, and is left out.
  void leaveOutUnboundHeadsOfSkippedAtoms() {
    std::set<std::string> inKnownAtoms;
    std::set<std::string> inSkippedAtoms;
    for (const BodyElement& element : rule_.written) {
      if (element.isAtom) {
        const auto known = widths_.find(element.atom.name);
        const bool skipped = known == widths_.end() || known->second.misread;
        for (const Term& term : element.atom.terms) {
          (skipped ? inSkippedAtoms : inKnownAtoms).insert(term.text);
        }
      } else if (element.condition().operatorText == "=") {
        inKnownAtoms.insert(element.condition().left);
        inKnownAtoms.insert(element.condition().right);
      }
    }
    std::set<std::string> seen;
    for (const Term& term : rule_.headTerms) {
      if (seen.insert(term.text).second && inSkippedAtoms.count(term.text) != 0 &&
          inKnownAtoms.count(term.text) == 0) {
        warnings_.suppress(Warning::unboundHeadVariable, rule_.lineNumber, term.column + 1);
      }
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
      } else if (element.condition().operatorText == "=") {
        bound.insert(element.condition().left);
        bound.insert(element.condition().right);
      }
    }
    return bound;
  }

  const ParsedRule& rule_;
  const KnownWidths& widths_;
  const std::vector<std::string>& names_;
  Warnings& warnings_;
};

}  // namespace

void checkRuleLines(const std::vector<ParsedRule>& rules, const RelationList& declared,
                    Warnings& warnings) {
  if (!warnings.enabled()) {
    return;
  }
  const std::size_t misreadFrom = firstMisreadRelationLine(rules);
  const KnownRelations known = knownRelations(rules, declared, misreadFrom);
  for (const ParsedRule& rule : rules) {
    if (misreadFrom != 0 && rule.lineNumber >= misreadFrom) {
      break;
    }
    RuleLineCheck(rule, known, warnings).run();
  }
  // After an empty first line the relations are read as rules too, but that
  // line is the cause, named on its own.
  const bool leadingEmptyLine = rules.size() > 1 && rules.front().line.empty();
  if (misreadFrom != 0 && !leadingEmptyLine) {
    warnings.warn(Warning::missingEmptyLine, misreadFrom, 1);
  }
}
