#include "input/rule_tokenizer.h"

#include "input/char_class.h"

std::vector<std::string> splitRuleBody(const std::string& body) {
  std::vector<std::string> elements;
  std::ptrdiff_t atoms = 0;
  std::ptrdiff_t equalities = 0;
  std::size_t position = 0;
  while (position < body.size()) {
    if (body[position] == ',') {
      ++position;
      continue;
    }
    if (isAtomInitial(static_cast<unsigned char>(body[position]))) {
      const std::size_t close = body.find(')', position);
      const std::size_t end = close == std::string::npos ? body.size() : close + 1;
      elements.insert(elements.begin() + atoms, body.substr(position, end - position));
      ++atoms;
      position = end;
      continue;
    }
    const std::size_t comma = body.find(',', position);
    const std::size_t end = comma == std::string::npos ? body.size() : comma;
    std::string element = body.substr(position, end - position);
    position = end;
    const std::size_t op = element.find_first_of("!=<>");
    if (op == std::string::npos || element[op] != '=') {
      elements.push_back(std::move(element));
      continue;
    }
    const bool variableEquality =
        op + 1 < element.size() && isVariableInitial(static_cast<unsigned char>(element[op + 1]));
    elements.insert(elements.begin() + atoms + (variableEquality ? equalities : 0),
                    std::move(element));
    ++equalities;
  }
  return elements;
}
