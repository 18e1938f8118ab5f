#include "app/driver.h"

#include <fstream>
#include <iostream>
#include <new>
#include <vector>

#include "app/output_file.h"
#include "app/relation_list.h"
#include "app/rule_eval.h"
#include "input/line_reader.h"
#include "input/rule_order.h"
#include "relation/relation.h"

namespace {

bool fail(const char* message, const std::string& name) {
  std::cerr << message << name;
  return false;
}

// The rule section: lines up to the first one followed by an empty line, or to
// the end of the file. At least one line, the empty one for an empty file.
std::vector<std::string> readRuleSection(LineReader& reader) {
  std::vector<std::string> lines;
  do {
    std::string line;
    reader.readLine(line);
    lines.push_back(std::move(line));
  } while (!reader.atEnd() && !reader.nextLineIsEmpty());
  return lines;
}

std::vector<EvaluationGroup> orderRules(const std::vector<std::string>& ruleLines) {
  std::vector<PredicateNode> nodes;
  for (const std::string& line : ruleLines) {
    collectPredicates(line, nodes);
  }
  for (const std::string& line : ruleLines) {
    recordDependencies(line, nodes);
  }
  return orderPredicates(nodes);
}

void echoRules(const std::vector<std::string>& ruleLines, std::ostream& out) {
  for (const std::string& line : ruleLines) {
    out << line << '\n';
  }
}

bool evaluateFile(std::istream& input, const std::string& inputName, OutputFile& output,
                  const char*& activity) {
  LineReader reader(input);
  activity = "a file beolvasasa kozben";
  const std::vector<std::string> ruleLines = readRuleSection(reader);
  std::vector<Relation> knownRelations;
  loadRelations(reader, knownRelations);
  if (reader.readError()) {
    return fail("Nem tudtam beolvasni az inputfile-t!! ", inputName);
  }
  activity = "a szabalyok kiertekelese kozben";
  echoRules(ruleLines, output.stream());
  evaluateRules(ruleLines, orderRules(ruleLines), knownRelations);
  activity = "az outputfile irasa kozben";
  output.stream() << '\n';
  writeRelations(knownRelations, output.stream());
  return true;
}

}  // namespace

bool runProgram(const std::string& inputName, const std::string& outputName) {
  std::ifstream input;
  if (!isFolder(inputName)) {
    input.open(inputName, std::ios::binary);
  }
  if (!input.is_open()) {
    return fail("Nem tudtam megnyitni az inputfile-t!! ", inputName);
  }
  if (sameFile(inputName, outputName)) {
    return fail("Az input es az output file ugyanaz!! ", outputName);
  }
  const char* activity = "";
  try {
    OutputFile output;
    if (!output.open(outputName)) {
      return fail("Nem tudtam megnyitni az outputfile-t!! ", outputName);
    }
    if (!evaluateFile(input, inputName, output, activity)) {
      return false;
    }
    if (!output.commit()) {
      return fail("Nem tudtam kiirni az outputfile-t!! ", outputName);
    }
    return true;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    return fail("Elfogyott a memoria!! ", activity);
  }
}
