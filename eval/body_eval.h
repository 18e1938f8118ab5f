// Evaluating the elements of a rule body into the rule's partial result.
#ifndef EVAL_BODY_EVAL_H_
#define EVAL_BODY_EVAL_H_

#include <string>
#include <vector>

#include "algebra/product.h"
#include "eval/relation_list.h"
#include "input/rule_model.h"
#include "relation/relation.h"

// What an element did, for the caller's warnings.
enum class ElementOutcome {
  applied,
  atomWithoutRelation,       // no relation has the atom's name: nothing changed
  conditionWithoutOperator,  // no operator character, or nothing after it: no tuple passes
  // A condition bound its new side to every value that a bound column takes in
  // any tuple, so a tuple may now hold values of two tuples from before.
  pairedAcrossTuples,
};

// Evaluates one body element into `partialResult`, whose attribute names are
// the variables bound so far. An element starting with an atom initial is an
// atom: its relation is selected by its constants and repeated variables,
// projected onto its variables and joined with what is bound. Any other
// element is a condition: it filters, or binds the one side not yet bound.
// `firstElement` is true until some element has filled the partial result.
// With `neededAfter`, the columns that a join adds or keeps are only those it
// names (what later elements and the head use).
ElementOutcome evaluateBodyElement(const BodyElement& element, const RelationList& knownRelations,
                                   Relation& partialResult, bool& firstElement,
                                   const NeededColumns* neededAfter = nullptr);

// The same for an atom whose relation is given rather than looked up.
void evaluateAtomOn(const Atom& atom, const Relation& relation, Relation& partialResult,
                    bool& firstElement, const NeededColumns* neededAfter = nullptr);

// What `atom` takes from `relation`: the tuples that its constants and
// repeated variables select, projected onto its variables and named after them.
Relation atomRelation(const Atom& atom, const Relation& relation);

// The tuples of `relation` that the atom's constants and repeated variables
// select, every column kept.
Relation atomSelection(const Atom& atom, const Relation& relation);

// Joins an atom's relation, as atomRelation gave it, into `partialResult`, as
// evaluateAtomOn would.
void joinAtom(const IndexedRelation& atom, Relation& partialResult, bool& firstElement,
              const NeededColumns* neededAfter = nullptr);

// The names an element refers to: an atom's arguments, a condition's two sides.
std::vector<std::string> namesUsedBy(const BodyElement& element);

#endif  // EVAL_BODY_EVAL_H_
