#include "app/driver.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
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
#include "app/utf8_stream.h"
#include "eval/derivation_log.h"
#include "eval/groups.h"
#include "eval/rule_checks.h"
#include "eval/trace.h"
#include "input/encoded_input.h"
#include "input/encoding.h"
#include "input/line_reader.h"
#include "input/rule_model.h"
#include "input/rule_order.h"
#include "relation/relation.h"
#include "relation/relation_loader.h"
#include "relation/render.h"

namespace {

bool fail(const char* message, const std::string& name, const RunSettings& settings) {
  std::cerr << message << name;
  if (settings.lineFeedAfterFailure) {
    std::cerr << '\n';
  }
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
  nodes.reserve(rules.size());  // at most one node a rule line
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

// What the file as a whole shows: characters of a UTF-8 file that Latin-2
// cannot hold, a byte that is no UTF-8 where UTF-8 was asked for, NUL bytes
// that cut lines, line ends of carriage returns alone (the only diagnostic
// of their line), or an empty first line that leaves the relations among the
// rules.
void checkFile(const LineReader& reader, const std::vector<std::string>& ruleLines,
               Warnings& warnings) {
  for (const LineReader::Utf8Finding& finding : reader.utf8Findings()) {
    if (finding.codePoint == 0) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X",
                    static_cast<unsigned char>(finding.lineText[finding.column]));
      warnings.warn(Warning::invalidUtf8Byte, finding.line, finding.column + 1, {byte},
                    finding.lineText);
      continue;
    }
    char codePoint[16];
    std::snprintf(codePoint, sizeof codePoint, "U+%04X", static_cast<unsigned>(finding.codePoint));
    const std::size_t length = utf8SequenceAt(finding.lineText, finding.column).length;
    warnings.warn(Warning::foreignCharacter, finding.line, finding.column + 1,
                  {codePoint, finding.lineText.substr(finding.column, length)}, finding.lineText);
  }
  for (const LineReader::LineNote& note : reader.lineNotes()) {
    if (note.nulByte && note.dropped.empty()) {
      warnings.warn(Warning::nulByteLast, note.line, note.column + 1, {}, note.lineText);
    } else if (note.nulByte) {
      warnings.warn(Warning::nulByte, note.line, note.column + 1,
                    {std::to_string(note.dropped.size()), note.dropped}, note.lineText);
    } else {
      warnings.warn(Warning::carriageReturn, note.line, note.column + 1, {}, note.lineText);
      warnings.keepOnly(note.line, Warning::carriageReturn);
    }
  }
  if (ruleLines.size() > 1 && ruleLines.front().empty()) {
    warnings.warn(Warning::leadingEmptyLine, 1, 1);
  }
}

// What to look for in the lines as they are read, by how the file is read.
LineReader::Utf8Watch utf8Watch(const InputReading& reading) {
  if (reading.utf8Bytes) {
    return LineReader::Utf8Watch::foreignCharacters;
  }
  return reading.invalidUtf8 ? LineReader::Utf8Watch::firstInvalidByte
                             : LineReader::Utf8Watch::none;
}

// The trace's line on how the input was read.
std::string readingText(const InputReading& reading) {
  std::string text = "kodolas: ";
  if (reading.encoding == Encoding::utf8) {
    text += "UTF-8, Latin-2-re alakitva olvassa, a kimenetet UTF-8-ban irja";
  } else if (reading.utf8Bytes) {
    text += "bajtonkent olvassa: UTF-8, de van Latin-2-ben nem irhato karaktere";
  } else if (reading.invalidUtf8) {
    text += "bajtonkent olvassa: nem UTF-8";
  } else {
    text += "Latin-2, bajtonkent olvassa";
  }
  return text + (reading.forced ? " (--encoding)" : "");
}

// Where a run writes the input's text: the output file and the console, each
// converted to UTF-8 where the run wants it. A file read as UTF-8 gives UTF-8
// everywhere; a Latin-2 one, on the terminals that show UTF-8; a file read
// byte for byte though it is UTF-8 shows its bytes as they are. On the
// console, the control bytes of the text are escaped, before any conversion.
class RunText {
 public:
  RunText(std::ostream& output, const ConsoleStreams& console, const InputReading& reading,
          const RunSettings& settings)
      : output_(output),
        out_(*console.out),
        err_(*console.err),
        data_(console.data),
        utf8Output_(output),
        utf8Out_(*console.out),
        utf8Err_(*console.err),
        utf8_(reading.encoding == Encoding::utf8),
        utf8Bytes_(reading.utf8Bytes),
        outUtf8_(utf8_ || (settings.utf8Out && !utf8Bytes_)),
        errUtf8_(utf8_ || (settings.utf8Err && !utf8Bytes_)),
        typedUtf8_(utf8_ || (settings.utf8Typed && !utf8Bytes_)),
        escapedOut_(outUtf8_ ? static_cast<std::ostream&>(utf8Out_) : out_,
                    !outUtf8_ && utf8Bytes_),
        escapedErr_(errUtf8_ ? static_cast<std::ostream&>(utf8Err_) : err_,
                    !errUtf8_ && utf8Bytes_),
        escapedNames_(err_, true) {
    if (console.data != nullptr && utf8_) {
      utf8Data_.emplace(*console.data);
    }
  }

  std::ostream& output() { return utf8_ ? utf8Output_ : output_; }
  // The console's text, its control bytes escaped before it is converted.
  std::ostream& out() { return escapedOut_; }
  std::ostream& err() { return escapedErr_; }
  // Standard error for the file names as given, which are mostly UTF-8.
  std::ostream& names() { return escapedNames_; }
  // The page's JSON (there is one when the console has a data stream).
  std::ostream& data() { return utf8Data_ ? *utf8Data_ : *data_; }
  bool errUtf8() const { return errUtf8_; }
  // Whether the text reaching standard error is the file's own UTF-8 bytes.
  bool errUtf8Bytes() const { return !errUtf8_ && utf8Bytes_; }
  TextForm diagnosticForm() { return TextForm{&err(), utf8_, utf8Bytes_}; }

  // The facts as the run reads them: typed as UTF-8, converted where they are.
  std::vector<std::string> facts(std::vector<std::string> typed) const {
    for (std::string& fact : typed) {
      if (typedUtf8_) {
        latin2FromUtf8(std::string(fact), fact);
      }
    }
    return typed;
  }

 private:
  std::ostream& output_;
  std::ostream& out_;
  std::ostream& err_;
  std::ostream* data_;
  Utf8Stream utf8Output_;
  Utf8Stream utf8Out_;
  Utf8Stream utf8Err_;
  std::optional<Utf8Stream> utf8Data_;
  bool utf8_;
  bool utf8Bytes_;
  bool outUtf8_;
  bool errUtf8_;
  bool typedUtf8_;
  EscapingStream escapedOut_;
  EscapingStream escapedErr_;
  EscapingStream escapedNames_;
};

// The input as the passes after reading need it.
struct ReadProgram {
  std::vector<std::string> ruleLines;
  RelationList knownRelations;
  std::vector<TupleLines> tupleLines;  // when explaining
};

// Reads the rule section and the relations; false on a read error.
bool readProgram(EncodedInput& input, bool explaining, Warnings& warnings, ReadProgram& program) {
  LineReader reader(input.text());
  if (warnings.enabled()) {
    reader.watchUtf8(utf8Watch(input.reading()));
  }
  program.ruleLines = readRuleSection(reader);
  program.knownRelations =
      RelationList(loadRelations(reader, warnings, explaining ? &program.tupleLines : nullptr));
  if (reader.readError() || input.readError()) {
    return false;
  }
  checkFile(reader, program.ruleLines, warnings);
  return true;
}

// Writes the diagnostics unless the settings turn them off. Under --strict,
// any diagnostic refuses the run: true, after a line that says why.
bool reportDiagnostics(const Warnings& warnings, const std::vector<std::string>& ruleLines,
                       const RunSettings& settings, std::ostream& err, const TextForm& form) {
  const std::vector<Diagnostic> diagnostics = warnings.sorted();
  if (settings.showWarnings) {
    writeDiagnostics(diagnostics, warnings.count(), settings.inputName, ruleLines, err, form);
  }
  if (!settings.strict || warnings.count() == 0) {
    return false;
  }
  err << settings.inputName << ": " << warnings.count()
      << " figyelmeztetes, --strict: az outputfile-t nem irja ki\n";
  return true;
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

// The derivations of `facts`, if any, after the run: as JSON for the page, or
// as text on standard output.
void writeExplanationsAsAsked(const std::vector<std::string>& facts,
                              const DerivationLog& derivations, const std::vector<Rule>& rules,
                              const RelationList& knownRelations,
                              const std::vector<std::string>& ruleLines,
                              const ConsoleStreams& console, RunText& text) {
  if (facts.empty()) {
    return;
  }
  if (console.data != nullptr) {
    writeExplanationData(facts, derivations, rules, knownRelations, ruleLines, text.data());
  } else {
    writeExplanations(facts, derivations, rules, knownRelations, ruleLines, text.out());
  }
}

// The program's graph after the run: as JSON for the page, or as DOT, which
// is UTF-8 whatever the input, on standard output.
void writeGraph(const ProgramGraph& graph, const ConsoleStreams& console, RunText& text) {
  if (console.data != nullptr) {
    writeGraphData(graph, text.data());
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

bool evaluateProgram(std::istream& input, std::ostream& output, RunState* state,
                     const RunSettings& settings, const ConsoleStreams& console,
                     const std::function<bool()>& commit) {
  Stopwatch stopwatch;
  PassTimes times;
  RunState ignored;
  RunState& run = state == nullptr ? ignored : *state;
  run.phase = RunPhase::reading;
  ProgressLine progress(settings.progress);
  progress.setPhase("beolvasas");
  EncodedInput encoded(input, settings.encoding);
  run.reading = encoded.reading();
  RunText text(output, console, encoded.reading(), settings);
  progress.setUtf8(text.errUtf8(), text.errUtf8Bytes());
  const WidthReportTarget widthReports(text.out());
  Warnings warnings(settings.showWarnings || settings.strict);
  const bool explaining = !settings.explain.empty();
  ReadProgram program;
  if (encoded.readError() || !readProgram(encoded, explaining, warnings, program)) {
    return false;
  }
  const std::vector<std::string>& ruleLines = program.ruleLines;
  RelationList& knownRelations = program.knownRelations;
  DerivationLog derivations;
  derivations.recordDeclared(knownRelations, program.tupleLines);
  times.reading = stopwatch.lap();
  run.phase = RunPhase::evaluating;
  progress.setPhase("kiertekeles");
  const std::vector<std::string> declared =
      settings.graph ? namesOf(knownRelations) : std::vector<std::string>();
  std::vector<ParsedRule> parsed = parseRuleLines(ruleLines);
  const std::vector<EvaluationGroup> order = orderRules(parsed);
  checkRuleLines(parsed, knownRelations, warnings);
  // Only the graph reads the parsed lines again.
  const std::vector<Rule> rules =
      settings.graph ? wellFormedRules(parsed) : wellFormedRules(std::move(parsed));
  Trace trace;
  EvaluationContext context(warnings);
  listenAsAsked(settings, trace, progress, derivations, context);
  evaluateRules(rules, order, knownRelations, context, settings.mode);
  times.evaluating = stopwatch.lap();
  progress.around([&] {
    run.refusedByStrict =
        reportDiagnostics(warnings, ruleLines, settings, text.names(), text.diagnosticForm());
  });
  if (run.refusedByStrict) {
    return false;
  }
  run.phase = RunPhase::writing;
  progress.setPhase("kiiras");
  echoRules(ruleLines, text.output());
  writeRelations(knownRelations, text.output());
  times.writing = stopwatch.lap();
  progress.stop();
  if (settings.trace) {
    writeTraceReport(trace, readingText(encoded.reading()), ruleLines, knownRelations, times,
                     text.err());
  }
  if (output.fail() || (commit && !commit())) {
    return false;
  }
  run.phase = RunPhase::explaining;
  writeExplanationsAsAsked(text.facts(settings.explain), derivations, rules, knownRelations,
                           ruleLines, console, text);
  if (settings.graph) {
    writeGraph(programGraph(parsed, order, declared), console, text);
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
    return fail("Nem tudtam megnyitni az inputfile-t!! ", inputName, settings);
  }
  if (sameFile(inputName, outputName)) {
    return fail("Az input es az output file ugyanaz!! ", outputName, settings);
  }
  RunState state;
  RunSettings named = settings;
  named.inputName = inputName;
  try {
    OutputFile output;
    if (!output.open(outputName)) {
      return fail("Nem tudtam megnyitni az outputfile-t!! ", outputName, settings);
    }
    if (evaluateProgram(input, output.stream(), &state, named, ConsoleStreams(),
                        [&output] { return output.commit(); })) {
      return true;
    }
    if (state.refusedByStrict) {
      return false;
    }
    // Reading is the only failure before the output is written.
    return state.phase == RunPhase::writing
               ? fail("Nem tudtam kiirni az outputfile-t!! ", outputName, settings)
               : fail("Nem tudtam beolvasni az inputfile-t!! ", inputName, settings);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size beyond what can be asked for
  }
  std::cout.flush();
  return fail(outOfMemoryMessage, activityText(state.phase), settings);
}
