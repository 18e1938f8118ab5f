#include "input/relation_checks.h"

#include <optional>
#include <string_view>

#include "input/char_class.h"
#include "input/rule_model.h"
#include "input/tuple_line.h"

namespace {

bool isBlankByte(char byte) { return isBlank(static_cast<unsigned char>(byte)); }

bool isBlankOnly(const std::string& line) {
  return !line.empty() && line.find_first_not_of(" \t") == std::string::npos;
}

struct TupleProblem {
  Warning kind;
  std::size_t column;  // from 0
};

// A value of a "string" column from `position`; moves `position` past the
// comma that ends it.
std::optional<TupleProblem> quotedValueProblem(std::string_view line, std::size_t& position,
                                               bool lastColumn) {
  if (position >= line.size()) {
    return TupleProblem{Warning::fewerValues, line.size()};
  }
  if (isBlankByte(line[position])) {
    return TupleProblem{Warning::blankAroundValue, position};
  }
  if (line[position] != '\'') {
    return TupleProblem{Warning::unquotedText, position};
  }
  const std::size_t quote = line.find('\'', position + 1);
  if (quote == std::string_view::npos) {
    return TupleProblem{Warning::unclosedQuote, position};
  }
  position = quote + 1;
  if (position == line.size()) {
    return lastColumn ? std::nullopt
                      : std::optional<TupleProblem>({Warning::fewerValues, line.size()});
  }
  if (line[position] == ',') {
    ++position;
    return lastColumn ? std::optional<TupleProblem>({Warning::moreValues, position}) : std::nullopt;
  }
  return isBlankByte(line[position]) ? TupleProblem{Warning::blankAroundValue, position}
                                     : TupleProblem{Warning::quoteInsideValue, quote};
}

// A value of any other column from `position`, likewise.
std::optional<TupleProblem> bareValueProblem(std::string_view line, std::size_t& position,
                                             bool lastColumn) {
  const std::size_t comma = line.find(',', position);
  if (comma == std::string_view::npos && !lastColumn) {
    return TupleProblem{Warning::fewerValues, line.size()};
  }
  if (comma != std::string_view::npos && lastColumn) {
    return TupleProblem{Warning::moreValues, comma + 1};
  }
  const std::size_t end = lastColumn ? line.size() : comma;
  const std::string_view value = line.substr(position, end - position);
  const std::size_t quote = value.find('\'');
  std::optional<TupleProblem> problem;
  if (!value.empty() && isBlankByte(value.front())) {
    problem = TupleProblem{Warning::blankAroundValue, position};
  } else if (!value.empty() && isBlankByte(value.back())) {
    problem = TupleProblem{Warning::blankAroundValue, end - 1};
  } else if (quote != std::string_view::npos) {
    problem = TupleProblem{Warning::quoteInsideValue, position + quote};
  }
  position = end + 1;
  return problem;
}

std::optional<TupleProblem> firstTupleProblem(const std::vector<bool>& stringColumn,
                                              std::string_view line) {
  std::size_t position = 0;
  for (std::size_t column = 0; column < stringColumn.size(); ++column) {
    const bool lastColumn = column + 1 == stringColumn.size();
    std::optional<TupleProblem> problem = stringColumn[column]
                                              ? quotedValueProblem(line, position, lastColumn)
                                              : bareValueProblem(line, position, lastColumn);
    if (problem) {
      return problem;
    }
  }
  return std::nullopt;
}

// The number of values a line holds, read as the writer writes them.
std::size_t valueCount(std::string_view line) {
  std::size_t count = 1;
  for (std::size_t position = 0;; ++count) {
    if (position < line.size() && line[position] == '\'') {
      const std::size_t quote = line.find('\'', position + 1);
      position = quote == std::string_view::npos ? line.size() : quote + 1;
    }
    const std::size_t comma = line.find(',', position);
    if (comma == std::string_view::npos) {
      return count;
    }
    position = comma + 1;
  }
}

// The tuple the line gives, in the form it is written out.
std::string storedTuple(const std::vector<bool>& stringColumn, std::string_view line) {
  std::vector<std::string> values;
  cutTupleLine(stringColumn, line,
               [&values](std::string_view value) { values.emplace_back(value); });
  return tupleLineOf(values, stringColumn);
}

}  // namespace

void checkDeclaration(const std::string& line, std::size_t lineNumber,
                      const Declaration& declaration, bool followsTuples, Warnings& warnings) {
  const auto warn = [&](Warning kind, std::size_t column, std::vector<std::string> parts) {
    warnings.warn(kind, lineNumber, column + 1, std::move(parts), line);
  };
  if (line.empty()) {
    return;
  }
  if (isBlankOnly(line)) {
    warn(Warning::blankOnlyLine, 0, {});
    return;
  }
  const std::size_t open = line.find('(');
  const bool looksLikeData =
      isBlankByte(line.front()) || line.front() == '-' || line.front() == '+';
  if (looksLikeData || (open == std::string::npos && followsTuples)) {
    warn(Warning::dataLikeDeclaration, 0, {headerText(declaration.name, declaration.attributes)});
    return;
  }
  if (open == std::string::npos) {
    warn(Warning::declarationWithoutParenthesis, 0,
         {headerText(declaration.name, declaration.attributes)});
    return;
  }
  const std::size_t close = line.find(')', open);
  if (close == std::string::npos) {
    warn(Warning::declarationWithoutClosing, line.size(),
         {headerText(declaration.name, declaration.attributes)});
  } else if (close + 1 < line.size()) {
    warn(Warning::textAfterDeclaration, close + 1,
         {headerText(declaration.name, declaration.attributes)});
  }
}

bool checkFirstDataLine(const std::string& line, std::size_t lineNumber, std::size_t attributeCount,
                        Warnings& warnings) {
  // The line is cut into its columns as a list, as the column types are read.
  const std::vector<Term> pieces = termsOf(line, 0);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!pieces[i].text.empty() && isBlankByte(pieces[i].text.front())) {
      warnings.warn(Warning::blankMakesTextColumn, lineNumber, pieces[i].column + 1,
                    {std::to_string(i + 1)}, line);
      return true;
    }
  }
  if (attributeCount == 0 || pieces.size() == attributeCount) {
    return false;
  }
  const std::size_t column =
      pieces.size() > attributeCount ? pieces[attributeCount].column : line.size();
  warnings.warn(Warning::dataLineWidth, lineNumber, column + 1,
                {std::to_string(pieces.size()), std::to_string(attributeCount)}, line);
  return true;
}

void checkTupleLine(const std::vector<bool>& stringColumn, const std::string& line,
                    std::size_t lineNumber, Warnings& warnings) {
  const std::optional<TupleProblem> problem = firstTupleProblem(stringColumn, line);
  if (!problem) {
    return;
  }
  std::vector<std::string> parts;
  if (problem->kind == Warning::fewerValues || problem->kind == Warning::moreValues) {
    parts = {std::to_string(valueCount(line)), std::to_string(stringColumn.size())};
  } else if (problem->kind == Warning::unquotedText) {
    parts = {line.substr(problem->column, line.find(',', problem->column) - problem->column)};
  }
  parts.push_back(storedTuple(stringColumn, line));
  warnings.warn(problem->kind, lineNumber, problem->column + 1, std::move(parts), line);
}
