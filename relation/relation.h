// The relation value type: a named table of tuples kept in tuple order.
#ifndef RELATION_RELATION_H_
#define RELATION_RELATION_H_

#include <cstddef>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "relation/row.h"
#include "relation/value.h"

// One value per column, as text without quotes.
using Tuple = std::vector<std::string>;

inline constexpr const char* stringType = "string";
inline constexpr const char* intType = "int";

// A column's type tag, kept as its text: "int" or "string". Only the exact tag
// "string" quotes values and makes "=" and "!=" compare them as bytes; any
// other tag behaves as "int".
class ValueType {
 public:
  ValueType() = default;
  ValueType(std::string tag) : tag_(std::move(tag)) {}  // NOLINT(google-explicit-constructor)
  ValueType(const char* tag) : tag_(tag) {}             // NOLINT(google-explicit-constructor)

  bool isString() const { return tag_ == stringType; }
  const std::string& text() const { return tag_; }
  bool operator==(const ValueType& other) const = default;

 private:
  std::string tag_;
};

// True when `first` sorts strictly after `second`: values compared column by
// column as unsigned byte strings, the first difference deciding. A longer first
// row that agrees with all of the second's values sorts after it. When the two
// widths differ, the "sor1: " diagnostic is written to standard output first.
bool rowGreater(Row first, Row second);

// While it lives, the "sor1: " diagnostic goes to `stream` instead of standard
// output. For one run at a time.
class WidthReportTarget {
 public:
  explicit WidthReportTarget(std::ostream& stream);
  ~WidthReportTarget();
  WidthReportTarget(const WidthReportTarget&) = delete;
  WidthReportTarget& operator=(const WidthReportTarget&) = delete;

 private:
  std::ostream* previous_;
};

// A named table: attribute names, one type tag per column, and a set of tuples.
// The tuples read as one list in ascending tuple order without duplicates.
// Rows added in bulk are sorted only when the order is first needed, and a
// relation's rows are shared with its copies until one of them changes.
class Relation {
 public:
  Relation();

  // From parts. No tuples.
  Relation(std::string name, std::vector<ValueType> types, std::vector<std::string> attributes);

  const std::string& name() const { return name_; }
  const std::vector<ValueType>& types() const { return types_; }
  const std::vector<std::string>& attributes() const { return attributes_; }

  void setName(std::string name) { name_ = std::move(name); }
  void setTypes(std::vector<ValueType> types) { types_ = std::move(types); }
  void setAttributes(std::vector<std::string> attributes) { attributes_ = std::move(attributes); }

  // The tuples as text, in tuple order.
  std::vector<Tuple> tuples() const;

  // Gives this relation the tuples of `other` (shared until either changes).
  void setTuplesOf(const Relation& other);

  // Drops every tuple.
  void clearTuples();

  // Places `row` at its place in the tuple order unless an equal row is
  // present; false when it was a duplicate. Where the stored rows are of
  // another width, they are walked from the front, so that rows of another
  // width print their diagnostics.
  bool insertRow(Row row);

  // Adds the rows of `rows`. `duplicateFree` promises that the rows repeat no row (they may be in
  // any order). Rows in tuple order given to a relation without rows keep that order.
  void addRows(RowBuffer rows, bool duplicateFree = false);

  // Inserts the tuples of `other` in its tuple order, as insertRow would.
  void addTuplesOf(const Relation& other);

  // Stored rows; until the relation is normalized they may repeat and stand in
  // any order. Enough for operations whose result is a set.
  std::size_t rowCount() const;
  Row row(std::size_t index) const;

  // The stored values row after row; only for a relation whose rows all have
  // one width, and valid until the relation changes.
  const Value* cellData() const;

  // True, with the width, when every stored row has the same width.
  bool hasUniformWidth(std::size_t& rowWidth) const;

  // True when the relation has no rows or every row has `expected` values.
  bool holdsRowsOfWidth(std::size_t expected) const;

  // True when no stored row repeats another.
  bool isDuplicateFree() const;

  // Sorts the rows into tuple order and drops duplicates.
  void normalize() const;

  // The number of distinct tuples.
  std::size_t tupleCount() const;

  // The number of columns that can be referred to: the longer of the attribute
  // and type lists.
  std::size_t width() const;

 private:
  struct Store;
  // The store of every relation without rows until it gets some, so that a
  // relation that never holds a row allocates none (a run may make millions).
  // Shared, so the first change copies it.
  static const std::shared_ptr<Store>& emptyStore();
  Store& ownStore();
  // Appends the rows of `other` (of this store's width) that are not yet
  // held; this store is duplicate-free and stays so.
  void addNewRowsOf(const Store& other);

  std::string name_;
  std::vector<ValueType> types_;
  std::vector<std::string> attributes_;
  std::shared_ptr<Store> store_;
};

#endif  // RELATION_RELATION_H_
