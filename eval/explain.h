// What a run records to say afterwards how a tuple was derived, and the
// derivation of a tuple worked out again from that record.
#ifndef EVAL_EXPLAIN_H_
#define EVAL_EXPLAIN_H_

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/relation_list.h"
#include "eval/rule.h"
#include "relation/relation.h"

// Per relation of the list, every row it has held, in the order the rows
// first appeared, and for each the evaluation that brought it or, for a
// declared tuple, its input line. Rows are only ever added, so what an
// evaluation read is a range of them. The log follows the list's order, so
// that a name finds the relation the list finds by it, also where several
// relations bear one name.
class DerivationLog {
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

  // The rules that the evaluations are of.
  void keepRules(const std::vector<Rule>& rules) { rules_ = rules; }
  const Rule* ruleOnLine(std::size_t line) const;

  // The next declared relation of the list: its rows in file order, the first
  // of them on input line `firstLine` and each next one on the line after.
  void recordDeclared(const std::string& name, const RowBuffer& rows, std::size_t firstLine);

  // Before `rule` is evaluated: each atom reads every row of the first
  // relation of its name in `knownRelations`, except those `given`, which
  // read the rows they say of the first relation of their schema's name (or
  // of the one that relation is becoming).
  void beginEvaluation(const Rule& rule, const RelationList& knownRelations,
                       const std::vector<AtomInput>& given = {});

  // After the result of the evaluation begun last was merged into the list,
  // as RelationList::mergeToEnd does, giving `merged`: the rows of `merged`
  // that the relation has not held before came from that evaluation.
  void recordMerge(const Relation& merged);

  // Rows numbered up to `rowCount` not yet claimed, of the first relation
  // named `name` or of the one that is becoming it, came from the evaluation
  // begun last; the rows themselves follow with appendRows.
  void claimRows(const std::string& name, std::size_t rowCount);

  // Appends rows that the same relation has not held before.
  void appendRows(const std::string& name, const RowBuffer& rows);

  // The rows the same relation has held so far (claimed rows not yet appended left out).
  std::size_t rowCount(const std::string& name) const;

  // Follows the list after a recursive group rearranged it: relations of one
  // name keep their order among themselves, relations become what was being
  // made under their name, and new ones start empty.
  void followOrder(const RelationList& knownRelations);

  // The rows of one relation and where each came from.
  struct History {
    std::string name;
    std::vector<Value> cells;
    std::size_t rows = 0;
    std::size_t width = 0;                   // of every row, while `ends` is empty
    std::vector<std::size_t> ends;           // per row, the end of its cells, once widths differ
    std::size_t declaredRows = 0;            // the first rows, from the input
    std::vector<std::size_t> declaredLines;  // per declared row
    // Row r came from the evaluation of the first mark whose `end` exceeds r.
    struct Mark {
      std::size_t end = 0;
      std::size_t evaluation = 0;
    };
    std::vector<Mark> marks;
    // Rows by hash, built when a merge asks which rows are new.
    std::unordered_multimap<std::size_t, std::size_t> index;
    std::size_t indexed = 0;

    std::size_t size() const { return rows; }
    Row row(std::size_t r) const;
    // The first of rows [begin, end) equal to `wanted` value by value, or `end`.
    std::size_t scan(Row wanted, std::size_t begin, std::size_t end) const;
    // Appends `added` unless it is held already (found by the index); true when appended.
    bool appendNew(Row added);
    void append(Row added);
  };

  // The first relation of the list named `name`, or none.
  std::size_t firstNamed(const std::string& name) const;
  const History& history(std::size_t id) const { return histories_[id]; }
  // The relations in the order of the list.
  const std::vector<std::size_t>& order() const { return order_; }
  const Evaluation& evaluation(std::size_t index) const { return evaluations_[index]; }

 private:
  std::size_t newHistory(const std::string& name);
  // The first of `ids` whose relation bears `name`, or none.
  std::size_t namedIn(const std::vector<std::size_t>& ids, const std::string& name) const;
  // The first relation named `name`, else the one being made under the name.
  std::size_t currentOrPending(const std::string& name);
  // Rows of `history` numbered up to `rowCount` not yet claimed came from
  // the evaluation begun last.
  void claim(History& history, std::size_t rowCount) const;

  std::vector<Rule> rules_;
  std::deque<History> histories_;
  std::vector<std::size_t> order_;    // histories in the order of the list
  std::vector<std::size_t> pending_;  // being made by a recursive group, not yet listed
  std::vector<Evaluation> evaluations_;
};

// One tuple of a derivation tree.
struct DerivationNode {
  enum class Source {
    declared,     // a tuple line of the input: `inputLine`
    derived,      // the rule on `ruleLine`, with `bindings`, from the tuples `body`
    repeated,     // derived, and explained at an earlier node of the tree
    unexplained,  // the record does not say
  };
  struct Binding {
    std::string variable;
    std::string value;
    bool isString = false;
  };

  std::string relation;
  Tuple tuple;
  std::vector<ValueType> types;  // of the relation, for writing the tuple
  Source source = Source::unexplained;
  std::size_t inputLine = 0;
  std::size_t ruleLine = 0;
  std::vector<Binding> bindings;     // the bound variables, in column order
  std::vector<std::size_t> body;     // node numbers, in the rule's evaluation order
  std::vector<std::string> skipped;  // atoms passed over, no relation bearing their name
};

// The derivation of the tuple `row` of the first relation named `name`, node 0 its root
// and every node's body after it: declared tuples name their input line, a
// derived tuple is derived again by the evaluation that first gave it, on the
// rows that evaluation read, so the tree follows the rounds back and ends.
// Each derived tuple is explained once; later places refer back to it. Empty
// when the log never held the row. `finalRelations` gives the types in which
// tuples are written.
std::vector<DerivationNode> explainTuple(const DerivationLog& log, const std::string& name, Row row,
                                         const RelationList& finalRelations);

#endif  // EVAL_EXPLAIN_H_
