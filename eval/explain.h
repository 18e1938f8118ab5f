// The derivation of a tuple worked out again from what the run recorded.
#ifndef EVAL_EXPLAIN_H_
#define EVAL_EXPLAIN_H_

#include <cstddef>
#include <string>
#include <vector>

#include "eval/derivation_log.h"
#include "eval/relation_list.h"
#include "eval/rule.h"
#include "relation/relation.h"

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
// when the log never held the row. `rules` are those the run evaluated;
// `finalRelations` gives the types in which tuples are written.
std::vector<DerivationNode> explainTuple(const DerivationLog& log, const std::vector<Rule>& rules,
                                         const std::string& name, Row row,
                                         const RelationList& finalRelations);

#endif  // EVAL_EXPLAIN_H_
