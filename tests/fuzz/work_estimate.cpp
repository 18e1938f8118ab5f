#include "work_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "input/char_class.h"
#include "input/rule_line.h"
#include "input/rule_tokenizer.h"

namespace fuzzsupport {

namespace {

// Bounds above this are all "too much"; keeps the arithmetic finite.
constexpr double ceiling = 1e30;

double capped(double value) { return std::min(value, ceiling); }

std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    pieces.push_back(
        text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) {
      return pieces;
    }
    start = end + 1;
  }
}

// Adds the pieces of text between separators to a set of views into text.
void addPieces(std::string_view text, char separator,
               std::unordered_set<std::string_view>& pieces) {
  while (true) {
    const std::size_t end = text.find(separator);
    pieces.insert(text.substr(0, end));
    if (end == std::string_view::npos) {
      return;
    }
    text.remove_prefix(end + 1);
  }
}

// The rule section ends before the first line after the first one that is
// empty in the text itself, or only a carriage return. A line that a NUL byte
// empties does not end it.
std::size_t ruleSectionLength(const std::string& text, std::size_t lineCount) {
  std::size_t start = text.find('\n');  // before the second line
  for (std::size_t i = 1; i < lineCount; ++i, start = text.find('\n', start + 1)) {
    const std::size_t next = start + 1;
    if (next == text.size() || text[next] == '\n' || text.compare(next, 2, "\r\n") == 0 ||
        text.compare(next, std::string::npos, "\r") == 0) {
      return i;
    }
  }
  return lineCount;
}

struct Body {
  std::vector<std::string> atoms;                       // predicate names
  std::vector<std::vector<std::string>> atomVariables;  // one list per atom
  std::vector<std::string> conditions;                  // equalities first, then the rest
};

struct Rule {
  std::string head;
  std::size_t arity = 0;
  Body body;
};

// The capitalised arguments of an atom such as e(X,1,Y).
std::vector<std::string> variablesOf(const std::string& atom) {
  std::vector<std::string> variables;
  const std::size_t open = atom.find('(');
  if (open == std::string::npos) {
    return variables;
  }
  std::string arguments = atom.substr(open + 1);
  if (!arguments.empty() && arguments.back() == ')') {
    arguments.pop_back();
  }
  for (std::string& argument : splitAt(arguments, ',')) {
    if (startsWithVariableInitial(argument)) {
      variables.push_back(std::move(argument));
    }
  }
  return variables;
}

// The body's elements as the evaluation takes them, cut by the engine's own
// tokenizer: the atoms, then the conditions in their evaluation order.
Body splitBody(const std::string& body) {
  Body result;
  for (std::string& element : splitRuleBody(body)) {
    if (startsWithAtomInitial(element)) {
      result.atoms.push_back(predicateName(element));
      result.atomVariables.push_back(variablesOf(element));
    } else {
      result.conditions.push_back(std::move(element));
    }
  }
  return result;
}

bool parseRule(const std::string& line, Rule& rule) {
  const RuleLine parts = cutRuleLine(line);
  if (!parts.wellFormed) {
    return false;
  }
  rule.head = parts.headName;
  rule.arity = parts.headArguments.empty() ? 0 : splitAt(parts.headArguments, ',').size();
  rule.body = splitBody(parts.body);
  return true;
}

// The declared relations: tuple lines per name, widths per name, and a count of
// the values that can appear anywhere.
struct Declared {
  std::map<std::string, double> tuples;
  std::map<std::string, std::set<std::size_t>> widths;
  std::unordered_set<std::string_view> values;  // views into the input's lines
  double tupleLines = 0;
  std::size_t longestLine = 0;
};

bool isTupleLine(const std::string& line) {
  return !line.empty() && ((line[0] >= '0' && line[0] <= '9') || line[0] == '\'');
}

Declared readDeclared(const std::vector<std::string>& lines, std::size_t start) {
  Declared declared;
  std::size_t i = start;
  while (i < lines.size() && lines[i].empty()) {
    ++i;
  }
  while (i < lines.size()) {
    const std::string& declaration = lines[i];
    const std::string name = declaration.substr(0, declaration.find('('));
    ++i;
    const std::size_t width =
        i < lines.size() && !lines[i].empty() ? splitAt(lines[i], ',').size() : 0;
    declared.widths[name].insert(width);
    declared.tuples[name] += 0;
    while (i < lines.size() && isTupleLine(lines[i])) {
      declared.tuples[name] += 1;
      declared.tupleLines += 1;
      declared.longestLine = std::max(declared.longestLine, lines[i].size());
      addPieces(lines[i], ',', declared.values);
      addPieces(lines[i], '\'', declared.values);
      ++i;
    }
    while (i < lines.size() && lines[i].empty()) {
      ++i;
    }
  }
  return declared;
}

struct RuleCost {
  double result = 0;  // tuples the rule can derive
  double work = 0;    // tuples its evaluation can build
};

// The walk over one body: a bound of the partial result's size, the variables
// bound so far, and the work done.
class BodyWalk {
 public:
  explicit BodyWalk(double values) : values_(values) {}

  void atom(double size, const std::vector<std::string>& variables) {
    partial_ = first_ ? size : capped(partial_ * size);
    first_ = false;
    work_ = capped(work_ + partial_ + size);
    bound_.insert(variables.begin(), variables.end());
  }

  void condition(const std::string& condition) {
    const std::size_t firstOp = condition.find_first_of("!=<>");
    const std::size_t lastOp = condition.find_last_of("!=<>");
    if (firstOp == std::string::npos || lastOp + 1 == condition.size()) {
      partial_ = 0;  // lets nothing pass
      first_ = false;
      return;
    }
    const std::string left = condition.substr(0, firstOp);
    const std::string right = condition.substr(lastOp + 1);
    const bool leftBound = bound_.count(left) != 0;
    const bool rightBound = bound_.count(right) != 0;
    if (leftBound != rightBound && (rightBound || startsWithVariableInitial(right))) {
      // The new variable takes every value of the bound column (at most one per
      // tuple), then the condition filters; only a plain equality (one "=" and
      // nothing else between the names) surely keeps one per tuple.
      const double columnValues = std::min(std::max(partial_, 1.0), values_);
      work_ = capped(work_ + partial_ * columnValues);
      if (condition[firstOp] != '=' || firstOp != lastOp) {
        partial_ = capped(partial_ * columnValues);
      }
      bound_.insert(rightBound ? left : right);
    } else if (!leftBound && !rightBound) {
      partial_ = first_ ? 1 : partial_;  // a constant: one value
      first_ = false;
      bound_.insert(left);
    }
    work_ = capped(work_ + partial_);
  }

  RuleCost cost() const { return {partial_, work_}; }

 private:
  double values_;
  double partial_ = 0;
  double work_ = 0;
  bool first_ = true;
  std::set<std::string> bound_;
};

// Walks the body as the evaluation does, bounding the partial result's size.
RuleCost costOf(const Rule& rule, const std::map<std::string, double>& sizes, double values) {
  BodyWalk walk(values);
  for (std::size_t a = 0; a < rule.body.atoms.size(); ++a) {
    const auto found = sizes.find(rule.body.atoms[a]);
    if (found != sizes.end()) {  // an atom without a relation changes nothing
      walk.atom(found->second, rule.body.atomVariables[a]);
    }
  }
  for (const std::string& condition : rule.body.conditions) {
    walk.condition(condition);
  }
  return walk.cost();
}

// Heads that can reach themselves through the bodies of their rules.
std::set<std::string> recursiveHeads(const std::vector<Rule>& rules) {
  std::map<std::string, std::set<std::string>> uses;
  for (const Rule& rule : rules) {
    uses[rule.head];
  }
  for (const Rule& rule : rules) {
    for (const std::string& atom : rule.body.atoms) {
      if (uses.count(atom) != 0) {
        uses[rule.head].insert(atom);
      }
    }
  }
  std::set<std::string> recursive;
  for (const auto& [head, direct] : uses) {
    std::set<std::string> seen;
    std::vector<std::string> pending(direct.begin(), direct.end());
    while (!pending.empty()) {
      const std::string next = pending.back();
      pending.pop_back();
      if (!seen.insert(next).second) {
        continue;
      }
      pending.insert(pending.end(), uses[next].begin(), uses[next].end());
    }
    if (seen.count(head) != 0) {
      recursive.insert(head);
    }
  }
  return recursive;
}

struct Program {
  Declared declared;
  std::vector<Rule> rules;
  double values = 0;  // bound of the distinct values a run can meet
};

Program readProgram(const std::vector<std::string>& lines, std::size_t ruleCount) {
  Program program;
  program.declared = readDeclared(lines, ruleCount);
  double conditionCount = 0;
  for (std::size_t i = 0; i < ruleCount; ++i) {
    Rule rule;
    if (parseRule(lines[i], rule)) {
      conditionCount += static_cast<double>(rule.body.conditions.size());
      program.rules.push_back(std::move(rule));
    }
  }
  // Every value of a derived tuple is a declared value or a rule constant.
  program.values = static_cast<double>(program.declared.values.size()) +
                   2 * program.declared.tupleLines + conditionCount + 2;
  return program;
}

std::map<std::string, double> sizesWith(const Declared& declared,
                                        const std::map<std::string, double>& derived) {
  std::map<std::string, double> sizes = declared.tuples;
  for (const auto& [name, size] : derived) {
    sizes[name] = capped(sizes[name] + size);
  }
  return sizes;
}

// Bounds of every relation's size, declared and derived.
std::map<std::string, double> relationSizes(const Program& program) {
  std::map<std::string, double> heads;  // tuples a head can gain
  for (const Rule& rule : program.rules) {
    heads[rule.head] = std::max(heads[rule.head], capped(std::pow(program.values, rule.arity)));
  }
  // Tighten the head bounds pass by pass; each pass keeps them upper bounds, so
  // a few passes suffice (a longer chain of derived heads just stays generous).
  const std::size_t passes = std::min<std::size_t>(program.rules.size() + 1, 6);
  for (std::size_t pass = 0; pass < passes; ++pass) {
    const std::map<std::string, double> sizes = sizesWith(program.declared, heads);
    std::map<std::string, double> derived;
    for (const Rule& rule : program.rules) {
      derived[rule.head] = capped(derived[rule.head] + costOf(rule, sizes, program.values).result);
    }
    for (auto& [name, size] : heads) {
      size = std::min(size, derived[name]);
    }
  }
  return sizesWith(program.declared, heads);
}

// Heads whose tuples can meet tuples of another width: heads of rules of
// different arities, and heads that name a declared relation of another width.
std::set<std::string> mixedWidthHeads(const Program& program) {
  std::map<std::string, std::set<std::size_t>> widths;
  for (const Rule& rule : program.rules) {
    widths[rule.head].insert(rule.arity);
  }
  std::set<std::string> mixed;
  for (auto& [head, arities] : widths) {
    const auto declared = program.declared.widths.find(head);
    if (declared != program.declared.widths.end()) {
      arities.insert(declared->second.begin(), declared->second.end());
    }
    if (arities.size() > 1) {
      mixed.insert(head);
    }
  }
  return mixed;
}

}  // namespace

std::vector<std::string> inputLines(const std::string& text) {
  std::vector<std::string> lines = splitAt(text, '\n');
  if (lines.back().empty()) {
    lines.pop_back();  // the text ended with a line feed, or was empty
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    const std::size_t nul = line.find('\0');
    const bool endedByLineFeed = i + 1 < lines.size() || (!text.empty() && text.back() == '\n');
    if (nul != std::string::npos) {
      line.resize(nul);
    } else if (endedByLineFeed && !line.empty() && line.back() == '\r') {
      line.pop_back();
    }
  }
  return lines;
}

double estimateWork(const std::string& text) {
  const std::vector<std::string> lines = inputLines(text);
  const std::size_t ruleCount = ruleSectionLength(text, lines.size());
  const Program program = readProgram(lines, ruleCount);
  const std::map<std::string, double> sizes = relationSizes(program);
  const std::set<std::string> recursive = recursiveHeads(program.rules);
  double rounds = 1;  // of a recursive group: at most one per tuple it can gain
  for (const std::string& head : recursive) {
    rounds = capped(rounds + sizes.at(head));
  }
  double work = static_cast<double>(lines.size());
  for (const Rule& rule : program.rules) {
    const RuleCost cost = costOf(rule, sizes, program.values);
    work = capped(work + cost.work * (recursive.count(rule.head) != 0 ? rounds : 1));
  }
  for (const std::string& head : mixedWidthHeads(program)) {
    // Tuples of unequal widths are compared one by one, each with a diagnostic.
    work = capped(work + sizes.at(head) * sizes.at(head));
  }
  const double longestLine = static_cast<double>(program.declared.longestLine);
  return capped(work * (1.0 + longestLine / 64.0));
}

std::string expectedEcho(const std::string& text) {
  if (text.find('\0') != std::string::npos || (!text.empty() && text.back() == '\r')) {
    return "";
  }
  const std::vector<std::string> lines = inputLines(text);
  const std::size_t ruleCount = std::max<std::size_t>(ruleSectionLength(text, lines.size()), 1);
  std::string echo;
  for (std::size_t i = 0; i < ruleCount; ++i) {
    echo += i < lines.size() ? lines[i] : std::string();
    echo += '\n';
  }
  echo += '\n';
  return echo;
}

}  // namespace fuzzsupport
