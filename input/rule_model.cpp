#include "input/rule_model.h"

#include <utility>

#include "input/char_class.h"
#include "input/line_reader.h"

namespace {

constexpr std::string_view operatorBytes = "!=<>";

std::string operatorTextAt(std::string_view condition, std::size_t position) {
  const bool equalFollows = position + 1 < condition.size() && condition[position + 1] == '=';
  switch (condition[position]) {
    case '=':
      return "=";
    case '!':
      return "!=";
    case '<':
      return equalFollows ? "<=" : "<";
    default:
      return equalFollows ? ">=" : ">";
  }
}

BodyElement elementOf(std::string_view text, std::size_t column, bool isAtom) {
  BodyElement element;
  element.text = std::string(text);
  element.column = column;
  element.isAtom = isAtom;
  if (isAtom) {
    element.atom = cutAtom(text, column);
  } else {
    element.conditionParts = std::make_shared<const ConditionParts>(cutCondition(text));
  }
  return element;
}

NotARule headProblem(const std::string& line, std::size_t open, std::size_t close) {
  if (line.empty()) {
    return NotARule::empty;
  }
  if (open == std::string::npos) {
    return NotARule::noOpeningParenthesis;
  }
  if (close == std::string::npos) {
    return NotARule::noClosingParenthesis;
  }
  if (close < open) {
    return NotARule::closingBeforeOpening;
  }
  if (line.compare(close + 1, 2, "<-") != 0) {
    return NotARule::noArrowAfterHead;
  }
  return NotARule::none;
}

}  // namespace

TermKind termKindOf(std::string_view text) {
  if (text.empty()) {
    return TermKind::empty;
  }
  if (startsWithVariableInitial(text)) {
    return TermKind::variable;
  }
  return text.front() == '$' ? TermKind::columnReference : TermKind::constant;
}

std::vector<Term> termsOf(std::string_view argumentText, std::size_t column) {
  std::vector<Term> terms;
  cutList(argumentText, [&](std::size_t position, std::size_t length) {
    const std::string_view text = argumentText.substr(position, length);
    terms.push_back(Term{termKindOf(text), std::string(text), column + position});
  });
  return terms;
}

std::vector<std::string> textsOf(const std::vector<Term>& terms) {
  std::vector<std::string> texts;
  texts.reserve(terms.size());
  for (const Term& term : terms) {
    texts.push_back(term.text);
  }
  return texts;
}

Atom cutAtom(std::string_view text, std::size_t column) {
  Atom atom;
  const std::size_t open = text.find('(');
  atom.name = std::string(text.substr(0, open));
  atom.closed = !text.empty() && text.back() == ')';
  if (open != std::string_view::npos && open + 1 < text.size()) {
    atom.argumentText = std::string(text.substr(open + 1, text.size() - open - 2));
    atom.terms = termsOf(atom.argumentText, column + open + 1);
  }
  return atom;
}

ConditionParts cutCondition(std::string_view condition) {
  ConditionParts parts;
  parts.text = std::string(condition);
  const std::size_t first = condition.find_first_of(operatorBytes);
  if (first == std::string_view::npos) {
    parts.left = std::string(condition);
    return parts;
  }
  const std::size_t last = condition.find_last_of(operatorBytes);
  parts.left = std::string(condition.substr(0, first));
  parts.operatorText = operatorTextAt(condition, first);
  parts.operatorColumn = first;
  const std::size_t afterOperator = condition.find_first_not_of(operatorBytes, first);
  parts.writtenOperator = std::string(condition.substr(first, afterOperator - first));
  parts.right = std::string(condition.substr(last + 1));
  parts.rightColumn = last + 1;
  parts.testedRight = std::string(condition.substr(condition.find_last_of(parts.operatorText) + 1));
  parts.complete = last + 1 < condition.size();
  parts.variableEquality = condition[first] == '=' && first + 1 < condition.size() &&
                           isVariableInitial(static_cast<unsigned char>(condition[first + 1]));
  return parts;
}

const ConditionParts& BodyElement::condition() const {
  static const ConditionParts none;
  return conditionParts ? *conditionParts : none;
}

std::vector<BodyElement> cutBody(std::string_view body, std::size_t bodyColumn) {
  std::vector<BodyElement> elements;
  std::size_t position = 0;
  while (position < body.size()) {
    if (body[position] == ',') {
      ++position;
      continue;
    }
    const bool isAtom = isAtomInitial(static_cast<unsigned char>(body[position]));
    std::size_t end = body.find(isAtom ? ')' : ',', position);
    if (end == std::string_view::npos) {
      end = body.size();
    } else if (isAtom) {
      ++end;
    }
    elements.push_back(
        elementOf(body.substr(position, end - position), bodyColumn + position, isAtom));
    position = end;
  }
  return elements;
}

std::vector<std::size_t> evaluationOrderOf(const std::vector<BodyElement>& elements) {
  std::vector<std::size_t> order;
  std::ptrdiff_t atoms = 0;
  std::ptrdiff_t equalities = 0;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const BodyElement& element = elements[i];
    if (element.isAtom) {
      order.insert(order.begin() + atoms, i);
      ++atoms;
      continue;
    }
    if (element.condition().operatorText != "=") {
      order.push_back(i);
      continue;
    }
    order.insert(order.begin() + atoms + (element.condition().variableEquality ? equalities : 0),
                 i);
    ++equalities;
  }
  return order;
}

std::string equalityOperand(std::string_view constant) {
  const std::size_t last = constant.find_last_of('=');
  return std::string(last == std::string_view::npos ? constant : constant.substr(last + 1));
}

ParsedRule parseRuleLine(const std::string& line, std::size_t lineNumber) {
  ParsedRule rule;
  rule.lineNumber = lineNumber;
  rule.line = line;
  const std::size_t open = line.find('(');
  const std::size_t close = line.find(')');
  rule.headName = line.substr(0, open);
  rule.notARule = headProblem(line, open, close);
  if (!rule.isRule()) {
    return rule;
  }
  const std::string_view text = line;
  rule.headTerms = termsOf(text.substr(open + 1, close - open - 1), open + 1);
  rule.bodyColumn = close + 3;
  rule.written = cutBody(text.substr(rule.bodyColumn), rule.bodyColumn);
  rule.evaluationOrder = evaluationOrderOf(rule.written);
  return rule;
}
