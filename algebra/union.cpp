#include "algebra/union.h"

#include <utility>

Relation unionOf(Relation first, const Relation& second) {
  first.setName("osszeg");
  first.addTuplesOf(second);
  return first;
}
