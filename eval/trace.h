// What a run records when asked to report how it evaluated the rules.
#ifndef EVAL_TRACE_H_
#define EVAL_TRACE_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "eval/evaluation_listener.h"

// The groups in the order they were evaluated, the rounds of each recursive
// group, and per rule line the rows its evaluations gave and their time.
class Trace : public EvaluationListener {
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

  void groupBegun(const EvaluationGroup& group) override {
    groups_.push_back(Group{group.members, group.recursive, 0});
  }
  void roundBegun() override {
    if (!groups_.empty()) {
      ++groups_.back().rounds;
    }
  }
  void evaluationEnded(const Rule& rule, std::size_t rows, double seconds) override {
    RuleLine& line = rules_[rule.lineNumber];
    ++line.evaluations;
    line.rows += rows;
    line.seconds += seconds;
  }

  const std::vector<Group>& groups() const { return groups_; }
  const std::map<std::size_t, RuleLine>& rules() const { return rules_; }

 private:
  std::vector<Group> groups_;
  std::map<std::size_t, RuleLine> rules_;  // by line number
};

#endif  // EVAL_TRACE_H_
