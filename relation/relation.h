// The relation value type: a named table of text tuples kept in tuple order.
#ifndef RELATION_RELATION_H_
#define RELATION_RELATION_H_

#include <cstddef>
#include <string>
#include <vector>

// One value per column, stored without quotes and never converted.
using Tuple = std::vector<std::string>;

// The column type tag: "int" or "string". Only the exact text "string" quotes values.
using ValueType = std::string;

inline constexpr const char* stringType = "string";
inline constexpr const char* intType = "int";

// True when `type` is exactly the tag "string".
bool isStringType(const std::string& type);

// True when `first` sorts strictly after `second`: values compared column by
// column as unsigned byte strings, the first difference deciding. A longer first
// tuple that agrees with all of the second's values sorts after it. When the two
// widths differ, the "sor1: " diagnostic is written to standard output first.
bool tupleGreater(const Tuple& first, const Tuple& second);

// A named table: attribute names, one type tag per column, and tuples held in
// ascending tuple order without duplicates.
class Relation {
 public:
  Relation() = default;

  // From a header text such as p(a,b): the name is the text before the first
  // "(" (the whole text without one), the attributes are the comma-separated
  // text between that "(" and the last character. No tuples.
  Relation(const std::string& headerText, std::vector<ValueType> types);

  // From parts. No tuples.
  Relation(std::string name, std::vector<ValueType> types, std::vector<std::string> attributes);

  // A copy of `source` under another name.
  Relation(std::string name, const Relation& source);

  const std::string& name() const { return name_; }
  const std::vector<ValueType>& types() const { return types_; }
  const std::vector<std::string>& attributes() const { return attributes_; }
  const std::vector<Tuple>& tuples() const { return tuples_; }

  void setName(std::string name) { name_ = std::move(name); }
  void setTypes(std::vector<ValueType> types) { types_ = std::move(types); }
  void setAttributes(std::vector<std::string> attributes) { attributes_ = std::move(attributes); }

  // Stores the list as given, in its order; callers pass lists taken from
  // another relation, which are already in tuple order.
  void setTuples(std::vector<Tuple> tuples);

  // Takes the tuples out, leaving the relation without tuples.
  std::vector<Tuple> releaseTuples();

  // Parses one tuple line by the relation's types and inserts the tuple.
  void addTupleText(const std::string& text);

  // Places `tuple` at its place in the tuple order unless an equal tuple is
  // present; false when it was a duplicate. The listed tuples are walked from
  // the front, so tuples of another width print their diagnostics.
  bool insertTuple(Tuple tuple);

  // Inserts every tuple of `batch` in its order, exactly as insertTuple one at
  // a time would, diagnostics included; but in n log n when all widths agree.
  void insertTuples(std::vector<Tuple> batch);

  // The number of columns that can be referred to: the longer of the attribute
  // and type lists.
  std::size_t width() const;

 private:
  void noteWidth(std::size_t width);
  bool batchKeepsOneWidth(const std::vector<Tuple>& batch) const;

  std::string name_;
  std::vector<ValueType> types_;
  std::vector<std::string> attributes_;
  std::vector<Tuple> tuples_;
  // Smallest and largest tuple width present; equal when all tuples agree.
  std::size_t minWidth_ = 0;
  std::size_t maxWidth_ = 0;
};

#endif  // RELATION_RELATION_H_
