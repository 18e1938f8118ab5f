// Union of two relations.
#ifndef ALGEBRA_UNION_H_
#define ALGEBRA_UNION_H_

#include "relation/relation.h"

// `first` with every tuple of `second` that it lacks inserted in tuple order,
// named "osszeg". Attributes are the first's; so are the types, unless the
// first has no tuples and the second has some: then they are the second's.
Relation unionOf(Relation first, const Relation& second);

#endif  // ALGEBRA_UNION_H_
