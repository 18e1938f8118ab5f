#include "eval/body_eval.h"

#include <algorithm>
#include <utility>

#include "algebra/condition.h"
#include "algebra/product.h"
#include "algebra/project.h"
#include "algebra/select.h"
#include "input/char_class.h"
#include "input/line_reader.h"

namespace {

constexpr const char* conditionResultName = "reszeredmeny1";

// Replaces the partial result's attributes, tuples and types by those of
// `relation`, keeping its own name.
void takeOver(Relation& partialResult, const Relation& relation) {
  partialResult.setAttributes(relation.attributes());
  partialResult.setTuplesOf(relation);
  partialResult.setTypes(relation.types());
}

// The selection and projection texts and the variable list of an atom.
struct AtomTexts {
  std::string selection;
  std::string projection;
  std::vector<std::string> variables;
};

AtomTexts atomTexts(const std::vector<std::string>& arguments) {
  AtomTexts texts;
  std::vector<std::size_t> firstPosition;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::string position = columnReference(i);
    if (!startsWithVariableInitial(argument)) {
      texts.selection.append(position).append("=").append(argument).append(",");
      continue;
    }
    const auto bound = std::find(texts.variables.begin(), texts.variables.end(), argument);
    if (bound == texts.variables.end()) {
      texts.variables.push_back(argument);
      firstPosition.push_back(i);
      texts.projection += position + ",";
    } else {
      const std::size_t first =
          firstPosition[static_cast<std::size_t>(bound - texts.variables.begin())];
      texts.selection += columnReference(first) + "=" + position + ",";
    }
  }
  if (!texts.selection.empty()) {
    texts.selection.pop_back();
  }
  if (!texts.projection.empty()) {
    texts.projection.pop_back();
  }
  return texts;
}

// The text between the atom's first "(" and its last character, which closes it.
std::string argumentTextOf(const std::string& element) {
  const std::size_t open = element.find('(');
  if (open == std::string::npos || open + 1 >= element.size()) {
    return "";
  }
  return element.substr(open + 1, element.size() - open - 2);
}

// The one-tuple relation that binds `left` to the value `right` denotes.
Relation constantRelation(const Relation& partialResult, const std::string& left,
                          const std::string& right) {
  const bool number = !right.empty() && isDigit(static_cast<unsigned char>(right.front()));
  Relation constant(partialResult.name(), {number ? intType : stringType}, {left});
  constant.addTupleText(right);
  return constant;
}

// Binds the unbound side `newName` to every value of the bound column `boundName`,
// then tests the condition. A plain equality between the two names pairs each
// tuple only with the values equal to its own, instead of with all of them;
// in a column compared by integer value those may be written otherwise (007
// and 7) and stand in other tuples.
Relation bindFromColumn(const Relation& partialResult, const std::string& boundName,
                        const std::string& newName, const std::string& element,
                        ElementOutcome& outcome) {
  const std::vector<std::string>& attributes = partialResult.attributes();
  const bool plainEquality =
      (element == boundName + "=" + newName || element == newName + "=" + boundName) &&
      startsWithVariableInitial(boundName) &&
      std::count(attributes.begin(), attributes.end(), boundName) == 1;
  if (plainEquality) {
    const std::size_t column = static_cast<std::size_t>(
        std::find(attributes.begin(), attributes.end(), boundName) - attributes.begin());
    const std::vector<ValueType>& types = partialResult.types();
    if (column >= types.size() || !isStringType(types[column])) {
      outcome = ElementOutcome::pairedAcrossTuples;
    }
    Relation pairs = project(partialResult, partialResult.name(), boundName + "," + boundName);
    pairs.setAttributes({boundName, newName});
    return select(product(partialResult, pairs), conditionResultName, element);
  }
  outcome = ElementOutcome::pairedAcrossTuples;
  Relation column = project(partialResult, partialResult.name(), boundName);
  column.setAttributes({newName});
  return select(product(partialResult, column), conditionResultName, element);
}

ElementOutcome evaluateCondition(const std::string& element, Relation& partialResult,
                                 bool& firstElement) {
  const std::size_t first = element.find_first_of("!=<>");
  const std::size_t last = element.find_last_of("!=<>");
  if (first == std::string::npos || last + 1 == element.size()) {
    firstElement = false;
    partialResult.clearTuples();
    return ElementOutcome::conditionWithoutOperator;
  }
  const std::string left = element.substr(0, first);
  const std::string right = element.substr(last + 1);
  const std::vector<std::string>& bound = partialResult.attributes();
  const bool leftBound = std::find(bound.begin(), bound.end(), left) != bound.end();
  const bool rightBound = std::find(bound.begin(), bound.end(), right) != bound.end();
  ElementOutcome outcome = ElementOutcome::applied;
  if (leftBound && rightBound) {
    takeOver(partialResult, select(partialResult, partialResult.name(), element));
  } else if (leftBound && startsWithVariableInitial(right)) {
    takeOver(partialResult, bindFromColumn(partialResult, left, right, element, outcome));
  } else if (leftBound) {
    takeOver(partialResult, select(partialResult, conditionResultName, element));
  } else if (rightBound) {
    takeOver(partialResult, bindFromColumn(partialResult, right, left, element, outcome));
  } else {
    Relation constant = constantRelation(partialResult, left, right);
    if (firstElement) {
      firstElement = false;
      takeOver(partialResult, select(constant, conditionResultName, element));
    } else {
      takeOver(partialResult,
               select(product(partialResult, constant), conditionResultName, element));
    }
  }
  return outcome;
}

}  // namespace

Relation atomRelation(const std::string& element, const Relation& relation) {
  AtomTexts texts = atomTexts(splitList(argumentTextOf(element)));
  Relation atom = texts.selection.empty()
                      ? project(relation, relation.name(), texts.projection)
                      : project(select(relation, relation.name(), texts.selection), relation.name(),
                                texts.projection);
  atom.setAttributes(std::move(texts.variables));
  return atom;
}

void joinAtom(const IndexedRelation& atom, Relation& partialResult, bool& firstElement,
              const std::vector<std::string>* neededAfter) {
  if (firstElement) {
    firstElement = false;
    takeOver(partialResult, atom.relation());
  } else {
    takeOver(partialResult, product(partialResult, atom, neededAfter));
  }
}

void evaluateAtomOn(const std::string& element, const Relation& relation, Relation& partialResult,
                    bool& firstElement, const std::vector<std::string>* neededAfter) {
  const Relation atom = atomRelation(element, relation);
  if (firstElement) {
    firstElement = false;
    takeOver(partialResult, atom);
  } else {
    takeOver(partialResult, product(partialResult, atom, neededAfter));
  }
}

std::vector<std::string> namesUsedBy(const std::string& element) {
  if (startsWithAtomInitial(element)) {
    return splitList(argumentTextOf(element));
  }
  const std::size_t first = element.find_first_of("!=<>");
  if (first == std::string::npos) {
    return {element};
  }
  return {element.substr(0, first), element.substr(element.find_last_of("!=<>") + 1)};
}

const Relation* findRelation(const std::vector<Relation>& relations, const std::string& name) {
  const auto found =
      std::find_if(relations.begin(), relations.end(),
                   [&name](const Relation& relation) { return relation.name() == name; });
  return found == relations.end() ? nullptr : &*found;
}

ElementOutcome evaluateBodyElement(const std::string& element,
                                   const std::vector<Relation>& knownRelations,
                                   Relation& partialResult, bool& firstElement,
                                   const std::vector<std::string>* neededAfter) {
  if (startsWithAtomInitial(element)) {
    const Relation* found = findRelation(knownRelations, element.substr(0, element.find('(')));
    if (found == nullptr) {
      return ElementOutcome::atomWithoutRelation;
    }
    evaluateAtomOn(element, *found, partialResult, firstElement, neededAfter);
    return ElementOutcome::applied;
  }
  return evaluateCondition(element, partialResult, firstElement);
}
