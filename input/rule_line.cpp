#include "input/rule_line.h"

RuleLine cutRuleLine(const std::string& line) {
  RuleLine parts;
  const std::size_t open = line.find('(');
  const std::size_t close = line.find(')');
  parts.headName = line.substr(0, open);
  if (open == std::string::npos || close == std::string::npos || close < open ||
      line.compare(close + 1, 2, "<-") != 0) {
    return parts;
  }
  parts.headArguments = line.substr(open + 1, close - open - 1);
  parts.body = line.substr(close + 3);
  parts.wellFormed = true;
  return parts;
}

std::string predicateName(const std::string& text) { return text.substr(0, text.find('(')); }
