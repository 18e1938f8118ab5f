// What a run records when asked to report how it evaluated the rules.
#ifndef EVAL_TRACE_H_
#define EVAL_TRACE_H_

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "relation/relation.h"

// The groups in the order they were evaluated, the rounds of each recursive
// group, and per rule line the rows its evaluations gave and their time.
class Trace {
 public:
  struct Group {
    std::vector<std::string> members;
    bool recursive = false;
    std::size_t rounds = 0;
  };
  struct RuleLine {
    std::size_t evaluations = 0;
    std::size_t rows = 0;  // as evaluations gave them, repeats included
    double seconds = 0;
  };

  // Told of each group as it begins and of each rule evaluation as it ends.
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void groupBegun(const Group& group) = 0;
    virtual void ruleEvaluated(std::size_t line, std::size_t rows) = 0;
  };
  void setListener(Listener* listener) { listener_ = listener; }

  void beginGroup(const std::vector<std::string>& members, bool recursive) {
    groups_.push_back(Group{members, recursive, 0});
    if (listener_ != nullptr) {
      listener_->groupBegun(groups_.back());
    }
  }
  // A round of the group begun last.
  void countRound() {
    if (!groups_.empty()) {
      ++groups_.back().rounds;
    }
  }
  void addRule(std::size_t line, std::size_t rows, double seconds) {
    RuleLine& rule = rules_[line];
    ++rule.evaluations;
    rule.rows += rows;
    rule.seconds += seconds;
    if (listener_ != nullptr) {
      listener_->ruleEvaluated(line, rows);
    }
  }

  const std::vector<Group>& groups() const { return groups_; }
  const std::map<std::size_t, RuleLine>& rules() const { return rules_; }

 private:
  std::vector<Group> groups_;
  std::map<std::size_t, RuleLine> rules_;  // by line number
  Listener* listener_ = nullptr;
};

// `evaluate()`, a rule's evaluation, timed and its rows recorded under `line`
// when `trace` is given.
template <typename Evaluate>
Relation traced(Trace* trace, std::size_t line, Evaluate evaluate) {
  if (trace == nullptr) {
    return evaluate();
  }
  const auto start = std::chrono::steady_clock::now();
  Relation result = evaluate();
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  trace->addRule(line, result.rowCount(), spent.count());
  return result;
}

#endif  // EVAL_TRACE_H_
