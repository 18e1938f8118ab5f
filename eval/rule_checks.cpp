#include "eval/rule_checks.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "input/char_class.h"
#include "input/name_positions.h"

namespace {

// How many columns the atoms over a relation name meet: the declaration's
// attributes, else the arguments of the first head that names it. A relation
// declared among the rules (the empty line after them missing) has no width.
struct KnownWidth {
  std::size_t width = 0;
  bool declared = false;
  bool misread = false;
};

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

// Distinct names, each with a value, in the order they were first given. The
// names are read where they stand: in the rules and the declared relations.
template <typename Value>
class NamedValues {
 public:
  // The value of `name`, or null.
  const Value* find(std::string_view name) const {
    const std::size_t at = positions_.find(name, nameAt());
    return at == NamePositions::none ? nullptr : &entries_[at].second;
  }

  // Gives `name` the value `value` unless it has one; the value it has.
  Value& add(std::string_view name, Value value) {
    const std::size_t at = positions_.insert(name, entries_.size(), nameAt());
    if (at == entries_.size()) {
      entries_.emplace_back(name, std::move(value));
    }
    return entries_[at].second;
  }

  void reserve(std::size_t count) {
    positions_.reserve(count);
    entries_.reserve(count);
  }

  const std::vector<std::pair<std::string_view, Value>>& entries() const { return entries_; }

 private:
  auto nameAt() const {
    return [this](std::size_t at) { return entries_[at].first; };
  }

  std::vector<std::pair<std::string_view, Value>> entries_;
  NamePositions positions_;
};

using KnownWidths = NamedValues<KnownWidth>;

// The widths of the relation names the rule lines can meet.
KnownWidths knownWidths(const std::vector<ParsedRule>& rules, const RelationList& declared,
                        std::size_t misreadFrom) {
  KnownWidths widths;
  widths.reserve(declared.size() + rules.size());
  for (const ParsedRule& rule : rules) {
    if (misreadFrom != 0 && rule.lineNumber >= misreadFrom && looksLikeDeclaration(rule.line)) {
      const std::string_view line = rule.line;
      widths.add(line.substr(0, line.find('(')), KnownWidth{0, false, true});
    }
  }
  for (const Relation& relation : declared) {
    widths.add(relation.name(), KnownWidth{relation.attributes().size(), true});
  }
  for (const ParsedRule& rule : rules) {
    if (rule.isRule()) {
      widths.add(rule.headName, KnownWidth{rule.headTerms.size(), false});
    }
  }
  return widths;
}

// The edit distance of two names, a swap of two neighbouring bytes counting as
// one edit; stops counting past `limit` (returns limit + 1). Three rows of the
// table are kept in `rows`: the one being filled and the two before it. Once
// two rows in a row exceed the limit, so does every later one.
std::size_t editDistance(std::string_view a, std::string_view b, std::size_t limit,
                         std::vector<std::size_t>& rows) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
    return limit + 1;
  }
  const std::size_t width = b.size() + 1;
  rows.resize(3 * width);
  const auto row = [&](std::size_t i) { return rows.data() + (i % 3) * width; };
  for (std::size_t j = 0; j <= b.size(); ++j) {
    row(0)[j] = j;
  }
  bool pastBefore = false;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t* const d = row(i);
    const std::size_t* const up = row(i - 1);
    d[0] = i;
    std::size_t least = d[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[j] = std::min({up[j] + 1, d[j - 1] + 1, up[j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[j] = std::min(d[j], row(i - 2)[j - 2] + 1);
      }
      least = std::min(least, d[j]);
    }
    if (least > limit && pastBefore) {
      return limit + 1;
    }
    pastBefore = least > limit;
  }
  return std::min(row(a.size())[b.size()], limit + 1);
}

// The names an atom over a relation that exists nowhere may have meant: the
// heads of the rules, then the declared relations, each where the file first
// gives it; and, for each such atom's name, the nearest of them, if one is
// near enough: at most one edit away for a name of up to four bytes, two
// beyond; the first in the file of those nearest. Each name is looked for
// once, however many atoms give it.
class NearNames {
 public:
  NearNames(const std::vector<ParsedRule>& rules, const RelationList& declared)
      : rules_(rules), declared_(declared) {}

  std::string_view nearestTo(std::string_view name) {
    if (const std::string_view* known = nearest_.find(name)) {
      return *known;
    }
    if (names_.entries().empty()) {
      gatherNames();
    }
    const std::size_t limit = name.size() <= 4 ? 1 : 2;
    std::string_view nearest;
    std::size_t best = limit + 1;
    for (const auto& [candidate, unused] : names_.entries()) {
      const std::size_t distance = editDistance(name, candidate, limit, rows_);
      if (distance < best) {
        best = distance;
        nearest = candidate;
      }
    }
    return nearest_.add(name, nearest);
  }

 private:
  void gatherNames() {
    for (const ParsedRule& rule : rules_) {
      if (rule.isRule()) {
        names_.add(rule.headName, false);
      }
    }
    for (const Relation& relation : declared_) {
      names_.add(relation.name(), false);
    }
  }

  const std::vector<ParsedRule>& rules_;
  const RelationList& declared_;
  NamedValues<bool> names_;
  NamedValues<std::string_view> nearest_;
  std::vector<std::size_t> rows_;  // of the edit distances
};

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
  RuleLineCheck(const ParsedRule& rule, const KnownWidths& widths, NearNames& nearNames,
                Warnings& warnings)
      : rule_(rule), widths_(widths), nearNames_(nearNames), warnings_(warnings) {}

  void run() {
    const std::string& line = rule_.line;
    if (!line.empty() && std::find_if_not(line.begin(), line.end(), isBlankByte) == line.end()) {
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
    bool skippedAny = false;
    for (const BodyElement& element : rule_.written) {
      if (element.isAtom) {
        skippedAny = !checkAtom(element) || skippedAny;
      } else {
        checkCondition(element);
      }
    }
    checkFinalPeriod();
    if (skippedAny) {
      leaveOutUnboundHeadsOfSkippedAtoms();
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
    const KnownWidth* known = widths_.find(rule_.headName);
    if (known != nullptr && known->declared && known->width != rule_.headTerms.size()) {
      warn(Warning::headWidthDiffers, 0,
           {rule_.headName, text(known->width), text(rule_.headTerms.size())});
    }
  }

  // False when the atom's relation exists nowhere or is a relation read as
  // rules: evaluation skips the atom.
  bool checkAtom(const BodyElement& element) {
    const Atom& atom = element.atom;
    if (atom.argumentText.find('(') != std::string::npos) {
      warn(Warning::atomNestedParenthesis, element.column, {argumentsOf(atom)});
    } else if (!atom.closed) {
      warn(Warning::atomWithoutClosing, element.column, {argumentsOf(atom)});
    }
    const KnownWidth* known = widths_.find(atom.name);
    if (known == nullptr) {
      // The nearest name is sought only for a diagnostic that is printed:
      // beyond those, either kind counts once and says nothing.
      const std::size_t line = rule_.lineNumber;
      const std::size_t column = element.column + 1;
      const std::string_view nearest =
          warnings_.keeps(Warning::unknownRelation, line, column) ||
                  warnings_.keeps(Warning::unknownRelationNear, line, column)
              ? nearNames_.nearestTo(atom.name)
              : std::string_view();
      if (nearest.empty()) {
        warn(Warning::unknownRelation, element.column, {atom.name});
      } else {
        warn(Warning::unknownRelationNear, element.column, {atom.name, std::string(nearest)});
      }
      return false;
    }
    if (known->misread) {
      return false;
    }
    const std::size_t width = known->width;
    if (atom.terms.size() != width) {
      warn(atom.terms.size() < width ? Warning::atomFewerArguments : Warning::atomMoreArguments,
           element.column, {atom.name, text(atom.terms.size()), text(width)});
    }
    return true;
  }

  // The arguments of `atom` as a diagnostic names them.
  static std::string argumentsOf(const Atom& atom) {
    std::string arguments;
    for (const Term& term : atom.terms) {
      arguments += (arguments.empty() ? "'" : ", '") + term.text + "'";
    }
    return arguments.empty() ? "nincs" : arguments;
  }

  void checkCondition(const BodyElement& element) {
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
    if (termKindOf(condition.left) == TermKind::variable && !isBound(condition.left)) {
      warn(Warning::unboundConditionVariable, element.column, {condition.left});
    }
    if (termKindOf(condition.right) == TermKind::variable && !isBound(condition.right)) {
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
    Names inKnownAtoms;
    Names inSkippedAtoms;
    for (const BodyElement& element : rule_.written) {
      if (element.isAtom) {
        const KnownWidth* known = widths_.find(element.atom.name);
        const bool skipped = known == nullptr || known->misread;
        for (const Term& term : element.atom.terms) {
          (skipped ? inSkippedAtoms : inKnownAtoms).push_back(term.text);
        }
      } else if (element.condition().operatorText == "=") {
        inKnownAtoms.push_back(element.condition().left);
        inKnownAtoms.push_back(element.condition().right);
      }
    }
    sortNames(inKnownAtoms);
    sortNames(inSkippedAtoms);
    Names seen;
    for (const Term& term : rule_.headTerms) {
      seen.push_back(term.text);
    }
    sortNames(seen);
    std::vector<bool> looked(seen.size(), false);  // at the first head term of the text
    for (const Term& term : rule_.headTerms) {
      const auto at = static_cast<std::size_t>(
          std::lower_bound(seen.begin(), seen.end(), term.text) - seen.begin());
      if (looked[at]) {
        continue;
      }
      looked[at] = true;
      if (holds(inSkippedAtoms, term.text) && !holds(inKnownAtoms, term.text)) {
        warnings_.suppress(Warning::unboundHeadVariable, rule_.lineNumber, term.column + 1);
      }
    }
  }

  // What atoms and equalities bind, which a condition other than "=" reads:
  // found the first time it is asked for.
  bool isBound(std::string_view name) {
    if (!bound_) {
      bound_.emplace();
      for (const BodyElement& element : rule_.written) {
        if (element.isAtom) {
          for (const Term& term : element.atom.terms) {
            bound_->push_back(term.text);
          }
        } else if (element.condition().operatorText == "=") {
          bound_->push_back(element.condition().left);
          bound_->push_back(element.condition().right);
        }
      }
      sortNames(*bound_);
    }
    return holds(*bound_, name);
  }

  // Texts of the rule, sorted and each once, so that a look-up takes log n.
  using Names = std::vector<std::string_view>;

  static void sortNames(Names& names) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
  }

  static bool holds(const Names& names, std::string_view name) {
    return std::binary_search(names.begin(), names.end(), name);
  }

  const ParsedRule& rule_;
  const KnownWidths& widths_;
  NearNames& nearNames_;
  Warnings& warnings_;
  std::optional<Names> bound_;
};

}  // namespace

void checkRuleLines(const std::vector<ParsedRule>& rules, const RelationList& declared,
                    Warnings& warnings) {
  if (!warnings.enabled()) {
    return;
  }
  const std::size_t misreadFrom = firstMisreadRelationLine(rules);
  const KnownWidths widths = knownWidths(rules, declared, misreadFrom);
  NearNames nearNames(rules, declared);
  for (const ParsedRule& rule : rules) {
    if (misreadFrom != 0 && rule.lineNumber >= misreadFrom) {
      break;
    }
    RuleLineCheck(rule, widths, nearNames, warnings).run();
  }
  // After an empty first line the relations are read as rules too, but that
  // line is the cause, named on its own.
  const bool leadingEmptyLine = rules.size() > 1 && rules.front().line.empty();
  if (misreadFrom != 0 && !leadingEmptyLine) {
    warnings.warn(Warning::missingEmptyLine, misreadFrom, 1);
  }
}
