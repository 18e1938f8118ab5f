// What a run records, while it evaluates the rules, to say afterwards how a
// tuple was derived.
#ifndef EVAL_DERIVATION_LOG_H_
#define EVAL_DERIVATION_LOG_H_

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/evaluation_listener.h"
#include "eval/named_order.h"
#include "eval/relation_list.h"
#include "eval/rule.h"
#include "relation/relation.h"
#include "relation/relation_loader.h"
#include "relation/row.h"

// Per relation of the list, every row it has held, in the order the rows
// first appeared, and for each the evaluation that brought it or, for a
// declared tuple, its input line. Rows are only ever added, so what an
// evaluation read is a range of them. The log follows the list's order, so
// that a name finds the relation the list finds by it, also where several
// relations bear one name. It listens to the evaluation for what it records.
class DerivationLog : public EvaluationListener {
 public:
  static constexpr std::size_t none = static_cast<std::size_t>(-1);

  // What one atom of an evaluation read: the rows [begin, end) of the
  // relation `history`, under `schema` (name, types and attributes as they
  // stood). Without `found`, no relation had the name and the atom was passed over.
  struct AtomInput {
    std::size_t element = 0;  // in the rule's evaluation order
    bool found = false;
    Relation schema;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t history = none;
  };

  // One evaluation of a rule line and what its atoms read.
  struct Evaluation {
    std::size_t ruleLine = 0;
    std::vector<AtomInput> atoms;
  };

  // The declared relations, the list as loaded before any rule ran, with
  // where their tuple lines stood (one entry of `lines` per relation; none
  // recorded when `lines` is empty).
  void recordDeclared(const RelationList& relations, const std::vector<TupleLines>& lines);

  void evaluationBegun(const Rule& rule, const RelationList& knownRelations,
                       const std::vector<AtomRows>& given) override;
  void resultMerged(const Relation& merged) override;
  void rowsGained(const std::string& name, std::size_t rowCount) override;
  void relationMade(const std::string& name, const RowSet& rows) override;
  // The history being made under `name`, else the first of the name, else a
  // new one, goes to the end of the list's order.
  void movedToEnd(const std::string& name) override;

  // The rows of one relation and where each came from.
  struct History {
    std::string name;
    RowStore rows;
    std::size_t declaredRows = 0;            // the first rows, from the input
    std::vector<std::size_t> declaredLines;  // per declared row
    // Row r came from the evaluation of the first mark whose `end` exceeds r.
    struct Mark {
      std::size_t end = 0;
      std::size_t evaluation = 0;
    };
    std::vector<Mark> marks;
    // Rows by hash, built when a merge asks which rows are new.
    std::unordered_multimap<Hash, std::size_t> index;
    std::size_t indexed = 0;

    std::size_t size() const { return rows.size(); }
    Row row(std::size_t r) const { return rows.row(r); }
    // Appends `added` unless it is held already (found by the index); true when appended.
    bool appendNew(Row added);
  };

  // The first relation of the list named `name`, or none.
  std::size_t firstNamed(const std::string& name) const;
  const History& history(std::size_t id) const { return histories_[id]; }
  // The relations in the order of the list.
  const NamedOrder<std::size_t>& order() const { return order_; }
  const Evaluation& evaluation(std::size_t index) const { return evaluations_[index]; }

 private:
  std::size_t newHistory(const std::string& name);
  // The first relation named `name`, else the one being made under the name.
  std::size_t currentOrPending(const std::string& name);
  // Rows of `history` numbered up to `rowCount` not yet claimed came from
  // the evaluation begun last.
  void claim(History& history, std::size_t rowCount) const;

  std::deque<History> histories_;
  NamedOrder<std::size_t> order_;  // histories in the order of the list
  // Being made by a recursive group under a name no relation bears yet.
  std::unordered_map<std::string, std::size_t> pending_;
  std::vector<Evaluation> evaluations_;
};

#endif  // EVAL_DERIVATION_LOG_H_
