// Product and natural join of two relations.
#ifndef ALGEBRA_PRODUCT_H_
#define ALGEBRA_PRODUCT_H_

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "relation/relation.h"

// The result columns that a join keeps when not all of them: those whose
// attribute name is among the first `count` of `names`, and the first
// `leading` columns whatever their names (a rule reaches those by their
// numbers). The elements of a rule share one list, each reading a part of it.
struct NeededColumns {
  NeededColumns() = default;
  NeededColumns(std::shared_ptr<const std::vector<std::string>> names, std::size_t count,
                std::size_t leading)
      : names(std::move(names)), count(count), leading(leading) {}
  // Every name of `list`.
  NeededColumns(std::vector<std::string> list, std::size_t leading)
      : names(std::make_shared<const std::vector<std::string>>(std::move(list))),
        count(names->size()),
        leading(leading) {}

  // Whether `name` is among the names it keeps.
  bool keepsName(const std::string& name) const {
    if (names == nullptr) {
      return false;
    }
    const auto end = names->begin() + static_cast<std::ptrdiff_t>(count);
    return std::find(names->begin(), end, name) != end;
  }

  std::shared_ptr<const std::vector<std::string>> names;
  std::size_t count = 0;
  std::size_t leading = 0;
};

// Every combination of a left and a right tuple whose columns of equal
// attribute name agree, as the left values followed by the right values of the
// columns that paired with no left column; named "szorzat". Paired values are
// compared as the left column's type says: bytes for "string", integer values
// otherwise. Without a shared name it is the Cartesian product.
// With `keep`, only the result columns it names are kept, as a projection onto
// them would.
Relation product(const Relation& left, const Relation& right, const NeededColumns* keep = nullptr);

class JoinIndex;

// A relation that is the right operand of many joins: the hash index built for
// one join is kept and serves every later join that pairs and keeps the same
// right columns, whatever its left operand.
class IndexedRelation {
 public:
  explicit IndexedRelation(Relation relation);
  ~IndexedRelation();
  IndexedRelation(const IndexedRelation&) = delete;
  IndexedRelation& operator=(const IndexedRelation&) = delete;
  IndexedRelation(IndexedRelation&&) noexcept = default;
  IndexedRelation& operator=(IndexedRelation&&) noexcept = default;

  const Relation& relation() const { return relation_; }

 private:
  friend Relation product(const Relation& left, const IndexedRelation& right,
                          const NeededColumns* keep);

  Relation relation_;
  mutable std::vector<std::unique_ptr<JoinIndex>> indexes_;
};

// The same, with the right operand's kept indexes.
Relation product(const Relation& left, const IndexedRelation& right,
                 const NeededColumns* keep = nullptr);

#endif  // ALGEBRA_PRODUCT_H_
