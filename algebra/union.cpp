#include "algebra/union.h"

#include <utility>

Relation unionOf(Relation first, const Relation& second) {
  first.setName("osszeg");
  // Types of a relation without tuples stand for no value; the first tuples
  // that fill it bring their own.
  if (first.rowCount() == 0 && second.rowCount() > 0) {
    first.setTypes(second.types());
  }
  first.addTuplesOf(second);
  return first;
}
