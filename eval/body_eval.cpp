#include "eval/body_eval.h"

#include <algorithm>
#include <utility>

#include "algebra/condition.h"
#include "algebra/product.h"
#include "algebra/project.h"
#include "algebra/select.h"
#include "input/char_class.h"
#include "relation/tuple_text.h"

namespace {

constexpr const char* conditionResultName = "reszeredmeny1";

// Replaces the partial result's attributes, tuples and types by those of
// `relation`, keeping its own name.
void takeOver(Relation& partialResult, Relation relation) {
  relation.setName(partialResult.name());
  partialResult = std::move(relation);
}

// What an atom asks of its relation: equalities for its constants and
// repeated variables, the columns of its variables' first places, and the
// variables.
struct AtomPlan {
  std::vector<ColumnCondition> selection;
  std::vector<std::size_t> projection;
  std::vector<std::string> variables;
};

AtomPlan atomPlan(const std::vector<Term>& terms) {
  AtomPlan plan;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    const Term& term = terms[i];
    if (term.kind != TermKind::variable) {
      plan.selection.push_back(ColumnCondition{i, "=", false, 0, equalityOperand(term.text)});
      continue;
    }
    const auto bound = std::find(plan.variables.begin(), plan.variables.end(), term.text);
    if (bound == plan.variables.end()) {
      plan.variables.push_back(term.text);
      plan.projection.push_back(i);
    } else {
      const std::size_t first =
          plan.projection[static_cast<std::size_t>(bound - plan.variables.begin())];
      plan.selection.push_back(ColumnCondition{first, "=", true, i, ""});
    }
  }
  return plan;
}

// The one-tuple relation that binds `left` to the value `right` denotes.
Relation constantRelation(const Relation& partialResult, const std::string& left,
                          const std::string& right) {
  const bool number = !right.empty() && isDigit(static_cast<unsigned char>(right.front()));
  Relation constant(partialResult.name(), {number ? intType : stringType}, {left});
  RowBuffer row(1);
  appendTupleRow(constant.types(), right, row);
  constant.addRows(std::move(row));
  return constant;
}

// Binds the unbound side `newName` to every value of the bound column `boundName`,
// then tests the condition. A plain equality between the two names pairs each
// tuple only with the values equal to its own, instead of with all of them;
// in a column compared by integer value those may be written otherwise (007
// and 7) and stand in other tuples.
Relation bindFromColumn(const Relation& partialResult, const std::string& boundName,
                        const std::string& newName, const ConditionParts& condition,
                        ElementOutcome& outcome) {
  const std::vector<std::string>& attributes = partialResult.attributes();
  const bool plainEquality = condition.operatorText == "=" &&
                             condition.rightColumn == condition.operatorColumn + 1 &&
                             startsWithVariableInitial(boundName) &&
                             std::count(attributes.begin(), attributes.end(), boundName) == 1;
  if (plainEquality) {
    const std::size_t column = static_cast<std::size_t>(
        std::find(attributes.begin(), attributes.end(), boundName) - attributes.begin());
    const std::vector<ValueType>& types = partialResult.types();
    if (column >= types.size() || !types[column].isString()) {
      outcome = ElementOutcome::pairedAcrossTuples;
    }
    Relation pairs = project(partialResult, partialResult.name(), {boundName, boundName});
    pairs.setAttributes({boundName, newName});
    return select(product(partialResult, pairs), conditionResultName, condition);
  }
  outcome = ElementOutcome::pairedAcrossTuples;
  Relation column = project(partialResult, partialResult.name(), {boundName});
  column.setAttributes({newName});
  return select(product(partialResult, column), conditionResultName, condition);
}

ElementOutcome evaluateCondition(const ConditionParts& condition, Relation& partialResult,
                                 bool& firstElement) {
  if (!condition.complete) {
    firstElement = false;
    partialResult.clearTuples();
    return ElementOutcome::conditionWithoutOperator;
  }
  const std::string& left = condition.left;
  const std::string& right = condition.right;
  const std::vector<std::string>& bound = partialResult.attributes();
  const bool leftBound = std::find(bound.begin(), bound.end(), left) != bound.end();
  const bool rightBound = std::find(bound.begin(), bound.end(), right) != bound.end();
  ElementOutcome outcome = ElementOutcome::applied;
  if (leftBound && rightBound) {
    takeOver(partialResult, select(partialResult, partialResult.name(), condition));
  } else if (leftBound && startsWithVariableInitial(right)) {
    takeOver(partialResult, bindFromColumn(partialResult, left, right, condition, outcome));
  } else if (leftBound) {
    takeOver(partialResult, select(partialResult, conditionResultName, condition));
  } else if (rightBound) {
    takeOver(partialResult, bindFromColumn(partialResult, right, left, condition, outcome));
  } else {
    Relation constant = constantRelation(partialResult, left, right);
    if (firstElement) {
      firstElement = false;
      takeOver(partialResult, select(constant, conditionResultName, condition));
    } else {
      takeOver(partialResult,
               select(product(partialResult, constant), conditionResultName, condition));
    }
  }
  return outcome;
}

}  // namespace

Relation atomRelation(const Atom& atom, const Relation& relation) {
  AtomPlan plan = atomPlan(atom.terms);
  Relation taken = plan.selection.empty()
                       ? projectColumns(relation, relation.name(), plan.projection)
                       : projectColumns(selectColumns(relation, relation.name(), plan.selection),
                                        relation.name(), plan.projection);
  taken.setAttributes(std::move(plan.variables));
  return taken;
}

Relation atomSelection(const Atom& atom, const Relation& relation) {
  return selectColumns(relation, relation.name(), atomPlan(atom.terms).selection);
}

void joinAtom(const IndexedRelation& atom, Relation& partialResult, bool& firstElement,
              const NeededColumns* neededAfter) {
  if (firstElement) {
    firstElement = false;
    takeOver(partialResult, atom.relation());
  } else {
    takeOver(partialResult, product(partialResult, atom, neededAfter));
  }
}

void evaluateAtomOn(const Atom& atom, const Relation& relation, Relation& partialResult,
                    bool& firstElement, const NeededColumns* neededAfter) {
  Relation taken = atomRelation(atom, relation);
  if (firstElement) {
    firstElement = false;
    takeOver(partialResult, std::move(taken));
  } else {
    takeOver(partialResult, product(partialResult, taken, neededAfter));
  }
}

std::vector<std::string> namesUsedBy(const BodyElement& element) {
  std::vector<std::string> names;
  if (element.isAtom) {
    for (const Term& term : element.atom.terms) {
      names.push_back(term.text);
    }
    return names;
  }
  names.push_back(element.condition().left);
  if (!element.condition().operatorText.empty()) {
    names.push_back(element.condition().right);
  }
  return names;
}

ElementOutcome evaluateBodyElement(const BodyElement& element, const RelationList& knownRelations,
                                   Relation& partialResult, bool& firstElement,
                                   const NeededColumns* neededAfter) {
  if (element.isAtom) {
    const Relation* found = knownRelations.findFirst(element.atom.name);
    if (found == nullptr) {
      return ElementOutcome::atomWithoutRelation;
    }
    evaluateAtomOn(element.atom, *found, partialResult, firstElement, neededAfter);
    return ElementOutcome::applied;
  }
  return evaluateCondition(element.condition(), partialResult, firstElement);
}
