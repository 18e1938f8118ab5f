#include "algebra/condition.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "input/char_class.h"
#include "relation/integer_value.h"
#include "relation/work_meter.h"

namespace {

bool columnByNumber(const Relation& relation, const std::string& digits, std::size_t& column) {
  const long long number = integerValueClamped(digits);
  if (number < 0 || static_cast<unsigned long long>(number) >= relation.width()) {
    return false;
  }
  column = static_cast<std::size_t>(number);
  return true;
}

bool columnByName(const Relation& relation, const std::string& name, std::size_t& column) {
  const std::vector<std::string>& attributes = relation.attributes();
  const auto found = std::find(attributes.begin(), attributes.end(), name);
  if (found == attributes.end()) {
    return false;
  }
  column = static_cast<std::size_t>(found - attributes.begin());
  return true;
}

std::string withoutSurroundingQuotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

const std::pair<const char*, ConditionTest::Operator> operators[] = {
    {"=", ConditionTest::Operator::equal},      {"!=", ConditionTest::Operator::notEqual},
    {"<", ConditionTest::Operator::less},       {">", ConditionTest::Operator::greater},
    {"<=", ConditionTest::Operator::lessEqual}, {">=", ConditionTest::Operator::greaterEqual}};

}  // namespace

std::string columnReference(std::size_t column) {
  std::string reference(1, '$');
  reference += std::to_string(column);
  return reference;
}

bool findColumn(const Relation& relation, const std::string& item, std::size_t& column) {
  if (startsWithVariableInitial(item)) {
    return columnByName(relation, item, column);
  }
  return columnByNumber(relation, item.empty() ? item : item.substr(1), column);
}

bool columnOfOperand(const Relation& relation, const std::string& operand, std::size_t& column) {
  if (termKindOf(operand) == TermKind::columnReference) {
    return columnByNumber(relation, operand.substr(1), column);
  }
  return columnByName(relation, operand, column);
}

ConditionTest::ConditionTest(const Relation& relation, const ConditionParts& condition) {
  std::size_t leftColumn = 0;
  if (!columnOfOperand(relation, condition.left, leftColumn)) {
    operator_ = Operator::none;
    return;
  }
  resolve(relation,
          ColumnCondition{leftColumn, condition.operatorText, false, 0, condition.testedRight});
}

ConditionTest::ConditionTest(const Relation& relation, const ColumnCondition& condition) {
  resolve(relation, condition);
}

void ConditionTest::resolve(const Relation& relation, const ColumnCondition& condition) {
  operator_ = Operator::none;
  for (const auto& [text, value] : operators) {
    if (condition.operatorText == text) {
      operator_ = value;
      break;
    }
  }
  const bool rightMissing =
      condition.rightIsColumn ? condition.rightColumn >= relation.width() : condition.right.empty();
  if (operator_ == Operator::none || condition.leftColumn >= relation.width() || rightMissing) {
    operator_ = Operator::none;
    return;
  }
  leftColumn_ = condition.leftColumn;
  const std::vector<ValueType>& types = relation.types();
  leftIsString_ = leftColumn_ < types.size() && types[leftColumn_].isString();
  if (condition.rightIsColumn) {
    rightIsColumn_ = true;
    rightColumn_ = condition.rightColumn;
    return;
  }
  resolveRight(relation, condition.right);
}

void ConditionTest::resolveRight(const Relation& relation, const std::string& right) {
  const TermKind kind = termKindOf(right);
  if (kind == TermKind::variable || kind == TermKind::columnReference) {
    rightIsColumn_ = true;
    if (!columnOfOperand(relation, right, rightColumn_)) {
      operator_ = Operator::none;
    }
    return;
  }
  const bool equality = operator_ == Operator::equal || operator_ == Operator::notEqual;
  if (leftIsString_ && equality) {
    textConstant_ =
        makeValue(right.size() >= 2 ? right.substr(1, right.size() - 2) : std::string());
    return;
  }
  const std::string number = leftIsString_ ? withoutSurroundingQuotes(right) : right;
  const IntegerValue value = integerValueOf(number);
  constantNegative_ = value.negative;
  constantDigits_ = std::string(value.digits);
  if (!value.negative) {
    plainConstant_ = makeValue(value.digits.empty() ? std::string_view("0") : value.digits);
  }
}

bool ConditionTest::equalValues(Value left, Row row) const {
  if (leftIsString_) {
    return valuesEqual(left, rightIsColumn_ ? row[rightColumn_] : textConstant_);
  }
  return compareValues(left, row) == 0;
}

int ConditionTest::compareValues(Value left, Row row) const {
  const Value plainRight = rightIsColumn_ ? row[rightColumn_] : plainConstant_;
  if (isPlainInteger(left) && isPlainInteger(plainRight)) {
    return comparePlainIntegers(left, plainRight);
  }
  char leftBuffer[valueBufferSize];
  char rightBuffer[valueBufferSize];
  const IntegerValue right = rightIsColumn_
                                 ? integerValueOf(valueText(row[rightColumn_], rightBuffer))
                                 : IntegerValue{constantNegative_, constantDigits_};
  return compareIntegers(integerValueOf(valueText(left, leftBuffer)), right);
}

bool ConditionTest::passes(Row row) const {
  if (operator_ == Operator::none || leftColumn_ >= row.size() ||
      (rightIsColumn_ && rightColumn_ >= row.size())) {
    return false;
  }
  const Value left = row[leftColumn_];
  switch (operator_) {
    case Operator::equal:
      return equalValues(left, row);
    case Operator::notEqual:
      return !equalValues(left, row);
    case Operator::less:
      return compareValues(left, row) < 0;
    case Operator::greater:
      return compareValues(left, row) > 0;
    case Operator::lessEqual:
      return compareValues(left, row) <= 0;
    case Operator::greaterEqual:
      return compareValues(left, row) >= 0;
    default:
      return false;
  }
}

void testCondition(const Relation& source, Relation& target, const ConditionTest& test) {
  std::size_t rowWidth = 0;
  if (!source.hasUniformWidth(rowWidth)) {
    // Rows of several widths enter one at a time, in tuple order.
    source.normalize();
    chargeWork(source.rowCount(), 0);  // each insertion charges its own walk
    for (std::size_t i = 0; i < source.rowCount(); ++i) {
      if (test.passes(source.row(i))) {
        target.insertRow(source.row(i));
      }
    }
    return;
  }
  const bool duplicateFree = source.isDuplicateFree() && target.rowCount() == 0;
  RowBuffer passing(rowWidth);
  const std::size_t rows = source.rowCount();
  chargeWork(rows, rowWidth);
  for (std::size_t i = 0; i < rows; ++i) {
    const Row row = source.row(i);
    if (test.passes(row)) {
      passing.append(row);
    }
  }
  target.addRows(std::move(passing), duplicateFree);
}
