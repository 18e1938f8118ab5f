// What the evaluation of the rules reports as it goes, and to whom: the
// warnings its rules give, and the listeners told of its events (the trace,
// the progress line, the derivation log for explanations).
#ifndef EVAL_EVALUATION_LISTENER_H_
#define EVAL_EVALUATION_LISTENER_H_

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "eval/relation_list.h"
#include "eval/rule.h"
#include "input/diagnostics.h"
#include "input/rule_order.h"
#include "relation/relation.h"
#include "relation/row_set.h"

// Rows that an atom of an evaluation reads instead of every row of the first
// relation of its name: the rows [begin, end) of the relation being made under
// the name of `schema`, in the order they were added, read with the types and
// attributes of `schema`.
struct AtomRows {
  std::size_t element = 0;  // in the rule's evaluation order
  const Relation* schema = nullptr;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// Told of what happens while the rules are evaluated, in the order it
// happens. Each event does nothing unless a listener says otherwise.
class EvaluationListener {
 public:
  virtual ~EvaluationListener() = default;

  // A group of the evaluation order begins.
  virtual void groupBegun(const EvaluationGroup& /*group*/) {}
  // A round of the recursive group begun last begins.
  virtual void roundBegun() {}
  // An evaluation of `rule` begins on the list as it stands; each of its
  // atoms reads every row of the first relation of its name, except those of
  // `given`.
  virtual void evaluationBegun(const Rule& /*rule*/, const RelationList& /*knownRelations*/,
                               const std::vector<AtomRows>& /*given*/) {}
  // The evaluation begun last gave `rows` rows, repeats included, in `seconds`.
  virtual void evaluationEnded(const Rule& /*rule*/, std::size_t /*rows*/, double /*seconds*/) {}
  // The result of the evaluation begun last was merged into the list, as
  // RelationList::mergeToEnd does, giving `merged`.
  virtual void resultMerged(const Relation& /*merged*/) {}
  // The relation being made under `name` by a recursive group now holds
  // `rowCount` rows; those beyond what it held came from the evaluation begun last.
  virtual void rowsGained(const std::string& /*name*/, std::size_t /*rowCount*/) {}
  // A recursive group has made the relation `name`: `rows`, in the order they
  // were added, before it goes to the end of the list.
  virtual void relationMade(const std::string& /*name*/, const RowSet& /*rows*/) {}
  // A member of a recursive group went to the end of the list under `name`:
  // the relation made under the name, or the first relation of the name, or
  // (where neither is) a new one without rows.
  virtual void movedToEnd(const std::string& /*name*/) {}
  // The group begun last has ended, leaving the list as `knownRelations`.
  virtual void groupEnded(const EvaluationGroup& /*group*/,
                          const RelationList& /*knownRelations*/) {}
};

// What an evaluation reports to: the warnings, and every listener added, each
// told of each event in the order they were added.
class EvaluationContext : public EvaluationListener {
 public:
  explicit EvaluationContext(Warnings& warnings) : warnings_(warnings) {}

  Warnings& warnings() { return warnings_; }

  // `listener` must outlive the evaluation.
  void addListener(EvaluationListener& listener) { listeners_.push_back(&listener); }

  void groupBegun(const EvaluationGroup& group) override {
    for (EvaluationListener* listener : listeners_) {
      listener->groupBegun(group);
    }
  }
  void roundBegun() override {
    for (EvaluationListener* listener : listeners_) {
      listener->roundBegun();
    }
  }
  void evaluationBegun(const Rule& rule, const RelationList& knownRelations,
                       const std::vector<AtomRows>& given) override {
    for (EvaluationListener* listener : listeners_) {
      listener->evaluationBegun(rule, knownRelations, given);
    }
  }
  void evaluationEnded(const Rule& rule, std::size_t rows, double seconds) override {
    for (EvaluationListener* listener : listeners_) {
      listener->evaluationEnded(rule, rows, seconds);
    }
  }
  void resultMerged(const Relation& merged) override {
    for (EvaluationListener* listener : listeners_) {
      listener->resultMerged(merged);
    }
  }
  void rowsGained(const std::string& name, std::size_t rowCount) override {
    for (EvaluationListener* listener : listeners_) {
      listener->rowsGained(name, rowCount);
    }
  }
  void relationMade(const std::string& name, const RowSet& rows) override {
    for (EvaluationListener* listener : listeners_) {
      listener->relationMade(name, rows);
    }
  }
  void movedToEnd(const std::string& name) override {
    for (EvaluationListener* listener : listeners_) {
      listener->movedToEnd(name);
    }
  }
  void groupEnded(const EvaluationGroup& group, const RelationList& knownRelations) override {
    for (EvaluationListener* listener : listeners_) {
      listener->groupEnded(group, knownRelations);
    }
  }

  // `evaluate()`, an evaluation of `rule` that begins with evaluationBegun
  // (with `given`) and ends with evaluationEnded, its time taken.
  template <typename Evaluate>
  Relation evaluation(const Rule& rule, const RelationList& knownRelations,
                      const std::vector<AtomRows>& given, Evaluate evaluate) {
    if (listeners_.empty()) {
      return evaluate();
    }
    evaluationBegun(rule, knownRelations, given);
    const auto start = std::chrono::steady_clock::now();
    Relation result = evaluate();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    evaluationEnded(rule, result.rowCount(), spent.count());
    return result;
  }

 private:
  Warnings& warnings_;
  std::vector<EvaluationListener*> listeners_;
};

#endif  // EVAL_EVALUATION_LISTENER_H_
