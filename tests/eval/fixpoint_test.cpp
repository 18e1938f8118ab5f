// The semi-naive fixpoint against plain rounds on random recursive programs.
#include "eval/fixpoint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/driver.h"
#include "relation/work_meter.h"
#include "test_util.h"

namespace {

struct RunResult {
  std::string output;
  std::string diagnostics;
  std::string warnings;
};

RunResult run(const std::string& program, RecursionMode mode) {
  CapturedStdout out;
  CapturedStdout err(std::cerr);
  std::istringstream input(program);
  std::ostringstream output;
  evaluateProgram(input, output, nullptr, RunSettings{mode, true, false});
  return {output.str(), out.text(), err.text()};
}

// A relation a program declares or derives: its name and whether each column
// holds strings.
struct Predicate {
  std::string name;
  std::vector<bool> textColumns;
  std::size_t arity() const { return textColumns.size(); }
};

// The variables a rule body has bound so far, each with whether it came from a
// string column.
using Bindings = std::map<std::string, bool>;

// Random recursive programs: two to four members over one to three declared
// relations, rules whose bodies mix atoms over both with conditions of every
// operator (constants, bound and unbound variables on either side, column
// references), rules of constants alone, members declared with or without
// tuples, accented initials now and then.
class ProgramGenerator {
 public:
  explicit ProgramGenerator(unsigned seed) : random_(seed) {}

  std::string next() {
    chooseMembers();
    chooseRelations();
    const std::size_t memberCount = members_.size();
    std::vector<std::string> rules;
    for (std::size_t m = 0; m < memberCount; ++m) {  // reads the next member, or itself
      const std::size_t reads = chance(70) ? (m + 1) % memberCount : m;
      rules.push_back(rule(static_cast<int>(m), static_cast<int>(reads)));
    }
    for (int i = 0, count = 1 + pick(2); i < count; ++i) {
      rules.push_back(rule(pick(memberCount), fromDeclared));
    }
    for (int i = 0, count = pick(4); i < count; ++i) {
      rules.push_back(rule(pick(memberCount), fromAnything));
    }
    shuffle(rules);
    std::string program = joined(rules, "\n") + "\n\n";
    for (const Predicate& member : members_) {
      if (chance(35)) {
        program += declaration(member, chance(90) ? member.arity() : 1 + pick(3));
      }
    }
    for (const Predicate& relation : relations_) {
      program += declaration(relation, relation.arity());
    }
    return program;
  }

 private:
  static constexpr int fromAnything = -1;  // atoms over members and declared relations
  static constexpr int fromDeclared = -2;  // atoms over declared relations, or none

  int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
  int pick(std::size_t n) { return pick(static_cast<int>(n)); }
  bool chance(int percent) { return pick(100) < percent; }
  template <std::size_t n>
  const char* oneOf(const char* const (&items)[n]) {
    return items[pick(n)];
  }

  std::vector<bool> randomColumns() {
    std::vector<bool> columns;
    for (int i = 0, arity = 1 + pick(3); i < arity; ++i) {
      columns.push_back(chance(25));
    }
    return columns;
  }

  void chooseMembers() {
    static const char* const names[] = {"p", "q", "tc", "u", "k", "\xE1g", "v\xE1ros", "\xFB"};
    members_.clear();
    for (int i = 0, count = 2 + pick(3); i < count; ++i) {
      std::string name = oneOf(names);
      while (isMember(name)) {
        name = oneOf(names);
      }
      members_.push_back({name, randomColumns()});
    }
  }

  void chooseRelations() {
    static const char* const names[] = {"e", "city", "\xE9l", "s"};
    relations_.clear();
    const int first = pick(4);
    for (int i = 0, count = 1 + pick(3); i < count; ++i) {
      relations_.push_back({names[(first + i) % 4], randomColumns()});
    }
  }

  bool isMember(const std::string& name) const {
    for (const Predicate& member : members_) {
      if (member.name == name) {
        return true;
      }
    }
    return false;
  }

  // Constants come mostly from a few values, so that atoms join and
  // conditions pass; now and then from values that sort or compare oddly.
  std::string constant(bool text) {
    static const char* const ints[] = {"1", "2", "5", "12"};
    static const char* const oddInts[] = {"0", "7", "10", "007", "01", "002"};
    static const char* const texts[] = {"'a'", "'x'", "'9'"};
    static const char* const oddTexts[] = {"'10'", "'\xFAr'", "'\xDB'"};
    if (text) {
      return chance(85) ? oneOf(texts) : oneOf(oddTexts);
    }
    return chance(70) ? oneOf(ints) : oneOf(oddInts);
  }
  std::string constant() {
    if (chance(4)) {
      return chance(50) ? "abc" : "-3";  // a bare word, a negative number: no tuple holds them
    }
    return constant(chance(30));
  }
  // A constant of the type `variable` has, most of the time, when it is bound.
  std::string constantFor(const std::string& variable, const Bindings& bound) {
    const auto found = bound.find(variable);
    return found != bound.end() && chance(80) ? constant(found->second) : constant();
  }

  // A block: the header, then three to eight tuple lines (none at times), then an
  // empty line. Now and then a value does not have its column's type.
  std::string declaration(const Predicate& relation, std::size_t arity) {
    static const char* const attributes[] = {"a", "b", "c", "\xEDrt\xE9k"};
    std::string block = relation.name + "(";
    for (std::size_t c = 0; c < arity; ++c) {
      block += (c == 0 ? "" : ",") + std::string(attributes[c]);
    }
    block += ")\n";
    for (int t = 0, count = chance(20) ? 0 : 3 + pick(6); t < count; ++t) {
      for (std::size_t c = 0; c < arity; ++c) {
        const bool text = c < relation.arity() && relation.textColumns[c];
        block += (c == 0 ? "" : ",") + constant(chance(4) ? !text : text);
      }
      block += '\n';
    }
    return block + '\n';
  }

  // Four distinct variable names for one rule, some with accented initials.
  void chooseVariables() {
    static const char* const plain[] = {"X", "Y", "Z", "V", "W", "A"};
    static const char* const accented[] = {"\xC1", "\xC9", "\xDA", "\xD5x", "\xDB", "\xCDj"};
    variables_.clear();
    while (variables_.size() < 4) {
      std::string name = chance(20) ? oneOf(accented) : oneOf(plain);
      if (std::find(variables_.begin(), variables_.end(), name) == variables_.end()) {
        variables_.push_back(name);
      }
    }
  }

  std::string anyVariable() { return variables_[pick(variables_.size())]; }

  // With `boundPercent` percent a variable the body binds, if it binds any;
  // otherwise any of the rule's four.
  std::string boundOrAny(const Bindings& bound, int boundPercent) {
    if (bound.empty() || !chance(boundPercent)) {
      return anyVariable();
    }
    auto item = bound.begin();
    std::advance(item, pick(bound.size()));
    return item->first;
  }

  // An atom over `predicate`, mostly sharing a variable with the atoms before
  // it; the variables it names join `bound`.
  std::string atom(const Predicate& predicate, Bindings& bound) {
    std::vector<std::string> arguments;
    for (std::size_t c = 0; c < predicate.arity(); ++c) {
      if (chance(92)) {
        arguments.push_back(boundOrAny(bound, 50));
        bound.emplace(arguments.back(), predicate.textColumns[c]);
      } else {
        arguments.push_back(constant(predicate.textColumns[c]));
      }
    }
    return predicate.name + "(" + joined(arguments, ",") + ")";
  }

  // A variable the body binds, or with `unboundPercent` percent one it does not
  // (or all four when the body binds none).
  std::string variableOf(const Bindings& bound, int unboundPercent) {
    std::vector<std::string> unbound;
    for (const std::string& variable : variables_) {
      if (bound.count(variable) == 0) {
        unbound.push_back(variable);
      }
    }
    if (bound.empty() || (!unbound.empty() && chance(unboundPercent))) {
      return unbound[pick(unbound.size())];
    }
    return boundOrAny(bound, 100);
  }

  // A condition with any operator. On the left a bound or unbound variable, a
  // constant or a column reference; on the right a bound or unbound variable
  // or a constant. A variable that the condition binds from a bound one
  // joins `bound`, so that heads use it.
  std::string condition(Bindings& bound) {
    static const char* const operators[] = {"=", "!=", "<", "<=", ">", ">="};
    const std::string op = oneOf(operators);
    const int left = pick(20);
    if (left < 10) {
      const std::string variable = variableOf(bound, left < 7 ? 0 : 100);
      const int right = pick(4);
      if (right < 2) {
        return variable + op + constantFor(variable, bound);
      }
      const std::string other = variableOf(bound, right == 2 ? 0 : 100);
      const auto leftBinding = bound.find(variable);
      if (leftBinding == bound.end() || bound.count(other) != 0) {
        return variable + op + other;
      }
      // Binding a new variable from a bound one: equality half of the time.
      bound.emplace(other, leftBinding->second);
      return variable + (chance(50) ? std::string("=") : op) + other;
    }
    const std::string text = left < 16 ? constant() : "$" + std::to_string(pick(3));
    return text + op + (chance(20) ? constant() : variableOf(bound, 15));
  }

  // Conditions alone that bind one to four variables to constants.
  std::vector<std::string> constantBindings(Bindings& bound) {
    std::vector<std::string> elements;
    for (int i = 0, count = 1 + pick(variables_.size()); i < count; ++i) {
      const std::string& variable = variables_[i];
      const bool text = chance(30);
      const std::string value = constant(text);
      const bool variableFirst = chance(80);
      std::string element = variableFirst ? variable : value;
      element.append("=").append(variableFirst ? value : variable);
      elements.push_back(std::move(element));
      bound.emplace(variable, text);
    }
    return elements;
  }

  Predicate bodyPredicate(int reads, bool first) {
    if (first && reads >= 0) {
      return members_[reads];
    }
    if (reads == fromDeclared || !chance(50)) {
      return relations_[pick(relations_.size())];
    }
    if (chance(3)) {
      return {"hi\xE1ny", {false}};  // declared nowhere
    }
    return members_[pick(members_.size())];
  }

  // A rule for member `head`; `reads` is the member its first atom reads, or
  // fromAnything, or fromDeclared.
  std::string rule(int head, int reads) {
    chooseVariables();
    Bindings bound;
    const std::vector<std::string> elements = body(reads, bound);
    const Predicate& member = members_[head];
    std::vector<std::string> arguments;
    for (std::size_t c = 0, arity = chance(96) ? member.arity() : 1 + pick(3); c < arity; ++c) {
      arguments.push_back(boundOrAny(bound, 97));
    }
    return member.name + "(" + joined(arguments, ",") + ")<-" + joined(elements, ",");
  }

  // One to three atoms, or conditions binding variables to constants, with up
  // to three conditions anywhere among them.
  std::vector<std::string> body(int reads, Bindings& bound) {
    std::vector<std::string> elements;
    if (reads == fromDeclared && chance(50)) {
      elements = constantBindings(bound);
    } else {
      for (int i = 0, count = chance(60) ? 1 : 2 + pick(chance(80) ? 1 : 2); i < count; ++i) {
        elements.push_back(atom(bodyPredicate(reads, i == 0), bound));
      }
    }
    shuffle(elements);
    for (int i = 0, count = chance(40) ? 0 : 1 + pick(chance(75) ? 1 : 3); i < count; ++i) {
      const auto at = elements.begin() + pick(elements.size() + 1);
      elements.insert(at, condition(bound));  // before, between or after the atoms
    }
    return elements;
  }

  void shuffle(std::vector<std::string>& items) {
    for (std::size_t i = items.size(); i > 1; --i) {
      std::swap(items[i - 1], items[pick(i)]);
    }
  }

  static std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
      text += (i == 0 ? "" : separator) + items[i];
    }
    return text;
  }

  std::mt19937 random_;
  std::vector<Predicate> members_;
  std::vector<Predicate> relations_;
  std::vector<std::string> variables_;
};

// The program with bytes outside printable ASCII as \xNN, for a failure message.
std::string escaped(const std::string& program) {
  std::string text;
  for (const char byte : program) {
    const auto code = static_cast<unsigned char>(byte);
    if (code == '\n' || (code >= 0x20 && code < 0x7F)) {
      text += byte;
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", code);
      text += buffer;
    }
  }
  return text;
}

// Empty when both ways of evaluating `program` write the same bytes, else the
// program and what differs. Runs past `workLimit` count as agreeing.
std::string mismatchOf(const std::string& program, std::size_t workLimit) {
  RunResult plain;
  RunResult fast;
  try {
    limitWork(workLimit);
    plain = run(program, RecursionMode::plainRounds);
    limitWork(workLimit);
    fast = run(program, RecursionMode::semiNaive);
  } catch (const WorkLimitReached&) {
    unlimitWork();
    return "";
  }
  unlimitWork();
  std::string report;
  const auto note = [&report](const char* what, const std::string& a, const std::string& b) {
    if (a != b) {
      report += std::string("--- ") + what + ", plain rounds:\n" + escaped(a) +
                "--- semi-naive:\n" + escaped(b);
    }
  };
  note("output file", plain.output, fast.output);
  note("standard output", plain.diagnostics, fast.diagnostics);
  note("standard error", plain.warnings, fast.warnings);
  return report.empty() ? report : "--- program:\n" + escaped(program) + report;
}

TEST(FixpointTest, SemiNaiveRoundsLeaveWhatPlainRoundsLeave) {
  constexpr int programs = 4000;
  constexpr int shownMismatches = 3;
  // A few programs ask for large products; past this much work they are left out.
  constexpr std::size_t workLimit = 200000;
  ProgramGenerator generator(20261208);
  int mismatches = 0;
  for (int i = 0; i < programs; ++i) {
    const std::string program = generator.next();
    const std::string mismatch = mismatchOf(program, workLimit);
    if (!mismatch.empty() && ++mismatches <= shownMismatches) {
      ADD_FAILURE() << "program " << i << "\n" << mismatch;
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << programs << " random programs";
}

TEST(FixpointTest, FallsBackToPlainRoundsWhereWidthsDisagree) {
  const std::string program = "tc(X)<-tc(X),e(X,Y)\ntc(X,Y)<-e(X,Y)\n\ne(a,b)\n1,2\n\ntc(a)\n5\n";
  const RunResult plain = run(program, RecursionMode::plainRounds);
  const RunResult fast = run(program, RecursionMode::semiNaive);
  EXPECT_EQ(fast.output, plain.output);
  EXPECT_EQ(fast.diagnostics, plain.diagnostics);
  EXPECT_NE(plain.diagnostics.find("sor1: "), std::string::npos);
}

TEST(FixpointTest, JoinsMoreNewRowsThanOneSliceHolds) {
  // Each slice of new rows is joined on its own.
  const std::string program = moreNewRowsThanOneSlice();
  const RunResult plain = run(program, RecursionMode::plainRounds);
  const RunResult fast = run(program, RecursionMode::semiNaive);
  EXPECT_EQ(fast.output, plain.output);
  const std::size_t derived = fast.output.rfind("\np(X)\n");
  ASSERT_NE(derived, std::string::npos);
  // The header, 60,001 tuples and the empty line that ends the block.
  EXPECT_EQ(std::count(fast.output.begin() + static_cast<std::ptrdiff_t>(derived) + 1,
                       fast.output.end(), '\n'),
            60003);
}

TEST(FixpointTest, LeavesAGroupWithAMemberWithoutRulesToPlainRounds) {
  RelationList relations;
  Warnings warnings;
  EvaluationContext context(warnings);
  EXPECT_FALSE(evaluateGroupSemiNaively({}, {"lonely"}, relations, context));
  EXPECT_EQ(relations.size(), 0U);
}

}  // namespace
