// Product and natural join of two relations.
#ifndef ALGEBRA_PRODUCT_H_
#define ALGEBRA_PRODUCT_H_

#include <memory>
#include <string>
#include <vector>

#include "relation/relation.h"

// Every combination of a left and a right tuple whose columns of equal
// attribute name agree, as the left values followed by the right values of the
// columns that paired with no left column; named "szorzat". Paired values are
// compared as the left column's type says: bytes for "string", integer values
// otherwise. Without a shared name it is the Cartesian product.
// With `keepNames`, only the result columns whose attribute name it lists are
// kept, as a projection onto them would.
Relation product(const Relation& left, const Relation& right,
                 const std::vector<std::string>* keepNames = nullptr);

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
                          const std::vector<std::string>* keepNames);

  Relation relation_;
  mutable std::vector<std::unique_ptr<JoinIndex>> indexes_;
};

// The same, with the right operand's kept indexes.
Relation product(const Relation& left, const IndexedRelation& right,
                 const std::vector<std::string>* keepNames = nullptr);

#endif  // ALGEBRA_PRODUCT_H_
