#include "input/rule_tokenizer.h"

#include "input/rule_model.h"

std::vector<std::string> splitRuleBody(const std::string& body) {
  const std::vector<BodyElement> elements = cutBody(body, 0);
  std::vector<std::string> texts;
  for (std::size_t i : evaluationOrderOf(elements)) {
    texts.push_back(elements[i].text);
  }
  return texts;
}
