// Testing one condition such as X<5, $0=$2 or Y!='abc' on the tuples of a relation.
#ifndef ALGEBRA_CONDITION_H_
#define ALGEBRA_CONDITION_H_

#include <string>

#include "input/rule_model.h"
#include "relation/relation.h"

// A condition whose columns are known: the left column, the operator text, and
// on the right a column or an operand as written (a column reference, an
// attribute name or a constant). Columns at or past the relation's width let
// no tuple pass.
struct ColumnCondition {
  std::size_t leftColumn = 0;
  std::string operatorText;
  bool rightIsColumn = false;
  std::size_t rightColumn = 0;
  std::string right;
};

// One condition resolved against a relation's columns: its left operand and
// the right operand as a test reads it (`testedRight`). Operands are column
// references ($0), attribute names (variable initial) or, on the right,
// constants typed by the left column. "=" and "!=" compare bytes on a
// "string" left column and integer values otherwise; the ordering operators
// always compare integer values. Lets no tuple pass when the operator is not
// one of the six, an operand names no column, the right operand is empty, or
// a tuple lacks a named column.
class ConditionTest {
 public:
  ConditionTest(const Relation& relation, const ConditionParts& condition);
  ConditionTest(const Relation& relation, const ColumnCondition& condition);

  bool passes(Row row) const;

  enum class Operator { equal, notEqual, less, greater, lessEqual, greaterEqual, none };

 private:
  bool equalValues(Value left, Row row) const;
  int compareValues(Value left, Row row) const;
  void resolve(const Relation& relation, const ColumnCondition& condition);
  void resolveRight(const Relation& relation, const std::string& right);

  Operator operator_ = Operator::none;
  std::size_t leftColumn_ = 0;
  bool leftIsString_ = false;
  bool rightIsColumn_ = false;
  std::size_t rightColumn_ = 0;
  Value textConstant_ = 0;
  bool constantNegative_ = false;
  std::string constantDigits_;
  // The constant's plain decimal form when that is a value held in its code,
  // else a value that is no plain integer.
  Value plainConstant_ = pooledValueMark;
};

// Inserts into `target` every tuple of `source`, in stored order, that passes
// `test`. Tuples already in the target stay. `target` has the source's
// attributes and types.
void testCondition(const Relation& source, Relation& target, const ConditionTest& test);

// The column reference "$n" for column `column`.
std::string columnReference(std::size_t column);

// The column that a list item (of a projection, a head, an atom) names in
// `relation`: an attribute name when it starts with a variable initial,
// otherwise a column number after its first byte, whatever that byte is
// ("a1" is column 1). False when it names no column.
bool findColumn(const Relation& relation, const std::string& item, std::size_t& column);

// The column that a condition operand names in `relation`: a column number
// after a "$", otherwise an attribute name, whatever its first byte ("a1" is
// the attribute a1). False when it names no column.
bool columnOfOperand(const Relation& relation, const std::string& operand, std::size_t& column);

#endif  // ALGEBRA_CONDITION_H_
