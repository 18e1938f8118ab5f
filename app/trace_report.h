// The report of --trace: how a run evaluated the rules and where its time went.
#ifndef APP_TRACE_REPORT_H_
#define APP_TRACE_REPORT_H_

#include <ostream>
#include <string>
#include <vector>

#include "eval/relation_list.h"
#include "eval/trace.h"

// Stands before the members of a recursive group.
inline constexpr const char* recursiveGroupLabel = "rekurziv csoport: ";

// The names separated by ", ".
std::string joinedNames(const std::vector<std::string>& names);

// Seconds a run spent in each of its passes.
struct PassTimes {
  double reading = 0;
  double evaluating = 0;
  double writing = 0;
};

// Writes the evaluation order with its recursive groups; per rule line its
// number, the rows its evaluations gave, their time and the line; per
// recursive group its rounds and the tuples of each member; and the times of
// the passes. Lines that are no rules are left out.
void writeTraceReport(const Trace& trace, const std::vector<std::string>& ruleLines,
                      const RelationList& relations, const PassTimes& times, std::ostream& out);

#endif  // APP_TRACE_REPORT_H_
