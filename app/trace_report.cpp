#include "app/trace_report.h"

#include <cstdio>

namespace {

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", value);
  return text;
}

void writeOrder(const Trace& trace, std::ostream& out) {
  out << "kiertekelesi sorrend:\n";
  std::size_t step = 0;
  for (const Trace::Group& group : trace.groups()) {
    out << "  " << ++step << ". " << (group.recursive ? recursiveGroupLabel : "")
        << joinedNames(group.members) << '\n';
  }
}

void writeRules(const Trace& trace, const std::vector<std::string>& ruleLines, std::ostream& out) {
  out << "szabalyok:\n";
  for (const auto& [line, rule] : trace.rules()) {
    out << "  " << line << ". sor: " << rule.rows << " sort adott " << rule.evaluations
        << " kiertekelesben, " << seconds(rule.seconds) << ": " << ruleLines[line - 1] << '\n';
  }
}

void writeGroups(const Trace& trace, const RelationList& relations, std::ostream& out) {
  out << "rekurziv csoportok:\n";
  for (const Trace::Group& group : trace.groups()) {
    if (!group.recursive) {
      continue;
    }
    out << "  " << joinedNames(group.members) << ": " << group.rounds << " kor";
    for (const std::string& member : group.members) {
      const Relation* relation = relations.findFirst(member);
      out << "; " << member << ' ' << (relation == nullptr ? 0 : relation->tupleCount()) << " sor";
    }
    out << '\n';
  }
}

}  // namespace

std::string joinedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    text += (text.empty() ? "" : ", ") + name;
  }
  return text;
}

void writeTraceReport(const Trace& trace, const std::vector<std::string>& ruleLines,
                      const RelationList& relations, const PassTimes& times, std::ostream& out) {
  out << "--- nyomkovetes ---\n";
  writeOrder(trace, out);
  writeRules(trace, ruleLines, out);
  writeGroups(trace, relations, out);
  out << "idok: beolvasas " << seconds(times.reading) << ", kiertekeles "
      << seconds(times.evaluating) << ", kiiras " << seconds(times.writing) << '\n';
}
