#include "app/driver.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <new>
#include <stdexcept>
#include <vector>

#include "app/console_text.h"
#include "app/diagnostic_report.h"
#include "app/explain_data.h"
#include "app/explain_report.h"
#include "app/graph_report.h"
#include "app/output_file.h"
#include "app/progress.h"
#include "app/trace_report.h"
#include "eval/derivation_log.h"
#include "eval/groups.h"
#include "eval/rule_checks.h"
#include "eval/trace.h"
#include "input/line_reader.h"
#include "input/rule_model.h"
#include "input/rule_order.h"
#include "relation/relation.h"
#include "relation/relation_loader.h"
#include "relation/render.h"

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

std::vector<ParsedRule> parseRuleLines(const std::vector<std::string>& ruleLines) {
  std::vector<ParsedRule> rules;
  rules.reserve(ruleLines.size());
  for (std::size_t i = 0; i < ruleLines.size(); ++i) {
    rules.push_back(parseRuleLine(ruleLines[i], i + 1));
  }
  return rules;
}

std::vector<EvaluationGroup> orderRules(const std::vector<ParsedRule>& rules) {
  PredicateGraph nodes;
  for (const ParsedRule& rule : rules) {
    collectPredicates(rule, nodes);
  }
  for (const ParsedRule& rule : rules) {
    recordDependencies(rule, nodes);
  }
  return orderPredicates(nodes);
}

std::vector<std::string> namesOf(const RelationList& relations) {
  std::vector<std::string> names;
  for (const Relation& relation : relations) {
    names.push_back(relation.name());
  }
  return names;
}

void echoRules(const std::vector<std::string>& ruleLines, std::ostream& out) {
  for (const std::string& line : ruleLines) {
    out << line << '\n';
  }
}

// What the file as a whole shows: an editor's UTF-8, or an empty first line
// that leaves the relations among the rules.
void checkFile(const LineReader& reader, const std::vector<std::string>& ruleLines,
               Warnings& warnings) {
  if (reader.looksLikeUtf8()) {
    warnings.warn(Warning::utf8File, reader.firstMultiByteLine(),
                  reader.firstMultiByteColumn() + 1);
  }
  if (ruleLines.size() > 1 && ruleLines.front().empty()) {
    warnings.warn(Warning::leadingEmptyLine, 1, 1);
  }
}

// The listeners to the evaluation that the settings ask for, told by `context`.
void listenAsAsked(const RunSettings& settings, Trace& trace, ProgressLine& progress,
                   DerivationLog& derivations, EvaluationContext& context) {
  if (settings.trace) {
    context.addListener(trace);
  }
  if (progress.shown()) {
    context.addListener(progress);
  }
  if (!settings.explain.empty()) {
    context.addListener(derivations);
  }
}

// The output file after the rule lines: an empty line, then every relation's
// block in list order.
void writeRelations(const RelationList& knownRelations, std::ostream& out) {
  out << '\n';
  for (const Relation& relation : knownRelations) {
    writeRelation(relation, out);
  }
}

// The explanations of `facts`, if any, as data for the page when it takes
// them, else as text on `out`.
void explain(const std::vector<std::string>& facts, const DerivationLog& derivations,
             const std::vector<Rule>& rules, const RelationList& knownRelations,
             const std::vector<std::string>& ruleLines, std::ostream& out, std::ostream* data) {
  if (facts.empty()) {
    return;
  }
  if (data != nullptr) {
    writeExplanationData(facts, derivations, rules, knownRelations, ruleLines, *data);
  } else {
    writeExplanations(facts, derivations, rules, knownRelations, ruleLines, out);
  }
}

// The graph as data for the page when it takes it, else as DOT on standard
// output, in UTF-8 for Graphviz with escapes of its own, so written as it is.
void writeGraph(const ProgramGraph& graph, const ConsoleStreams& console) {
  if (console.data != nullptr) {
    writeGraphData(graph, *console.data);
  } else {
    writeGraphDot(graph, *console.out);
  }
}

// Seconds since it started or since the last lap.
class Stopwatch {
 public:
  double lap() {
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> spent = now - last_;
    last_ = now;
    return spent.count();
  }

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

const char* activityText(RunPhase phase) {
  switch (phase) {
    case RunPhase::reading:
      return "a file beolvasasa kozben";
    case RunPhase::evaluating:
      return "a szabalyok kiertekelese kozben";
    case RunPhase::writing:
      return "az outputfile irasa kozben";
    default:
      return "a levezetesek kiirasa kozben";
  }
}

bool evaluateProgram(std::istream& input, std::ostream& output, RunPhase* phase,
                     const RunSettings& settings, const ConsoleStreams& console,
                     const std::function<bool()>& commit) {
  // Text of the input reaches the console with its control bytes escaped.
  EscapingStream out(*console.out);
  EscapingStream err(*console.err);
  const WidthReportTarget widthReports(out);
  Stopwatch stopwatch;
  PassTimes times;
  RunPhase ignored = RunPhase::reading;
  RunPhase& current = phase == nullptr ? ignored : *phase;
  current = RunPhase::reading;
  ProgressLine progress(settings.progress);
  progress.setPhase("beolvasas");
  LineReader reader(input);
  Warnings warnings(settings.showWarnings);
  const std::vector<std::string> ruleLines = readRuleSection(reader);
  const bool explaining = !settings.explain.empty();
  std::vector<TupleLines> tupleLines;
  RelationList knownRelations(loadRelations(reader, warnings, explaining ? &tupleLines : nullptr));
  if (reader.readError()) {
    return false;
  }
  checkFile(reader, ruleLines, warnings);
  DerivationLog derivations;
  derivations.recordDeclared(knownRelations, tupleLines);
  times.reading = stopwatch.lap();
  current = RunPhase::evaluating;
  progress.setPhase("kiertekeles");
  const std::vector<std::string> declared =
      settings.graph ? namesOf(knownRelations) : std::vector<std::string>();
  std::vector<ParsedRule> parsed = parseRuleLines(ruleLines);
  const std::vector<EvaluationGroup> order = orderRules(parsed);
  checkRuleLines(parsed, knownRelations, warnings);
  const std::vector<Rule> rules = wellFormedRules(parsed);
  if (!settings.graph) {
    std::vector<ParsedRule>().swap(parsed);  // only the graph reads them again
  }
  Trace trace;
  EvaluationContext context(warnings);
  listenAsAsked(settings, trace, progress, derivations, context);
  evaluateRules(rules, order, knownRelations, context, settings.mode);
  times.evaluating = stopwatch.lap();
  progress.around([&] {
    writeDiagnostics(warnings.sorted(), warnings.count(), settings.inputName, ruleLines, err);
  });
  current = RunPhase::writing;
  progress.setPhase("kiiras");
  echoRules(ruleLines, output);
  writeRelations(knownRelations, output);
  times.writing = stopwatch.lap();
  progress.stop();
  if (settings.trace) {
    writeTraceReport(trace, ruleLines, knownRelations, times, err);
  }
  if (output.fail() || (commit && !commit())) {
    return false;
  }
  current = RunPhase::explaining;
  explain(settings.explain, derivations, rules, knownRelations, ruleLines, out, console.data);
  if (settings.graph) {
    writeGraph(programGraph(parsed, order, declared), console);
  }
  return true;
}

bool runProgram(const std::string& inputName, const std::string& outputName,
                const RunSettings& settings) {
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
  RunPhase phase = RunPhase::reading;
  RunSettings named = settings;
  named.inputName = inputName;
  try {
    OutputFile output;
    if (!output.open(outputName)) {
      return fail("Nem tudtam megnyitni az outputfile-t!! ", outputName);
    }
    if (evaluateProgram(input, output.stream(), &phase, named, ConsoleStreams(),
                        [&output] { return output.commit(); })) {
      return true;
    }
    // Reading is the only failure before the output is written.
    return phase == RunPhase::writing ? fail("Nem tudtam kiirni az outputfile-t!! ", outputName)
                                      : fail("Nem tudtam beolvasni az inputfile-t!! ", inputName);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size beyond what can be asked for
  }
  std::cout.flush();
  return fail(outOfMemoryMessage, activityText(phase));
}
