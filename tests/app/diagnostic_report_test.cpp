// How diagnostics are written.
#include "app/diagnostic_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(DiagnosticReportTest, WritesTheFormEditorsReadAndStopsAtTheLimit) {
  std::vector<Diagnostic> diagnostics;
  diagnostics.push_back(Diagnostic{Warning::unknownRelation, 1, 10, {"nosuch"}, ""});
  diagnostics.push_back(Diagnostic{Warning::blankOnlyLine, 2, 0, {}, ""});
  diagnostics.push_back(Diagnostic{Warning::blankAroundValue, 5, 4, {"1,\t 2"}, "1,\t 2"});
  std::ostringstream out;
  writeDiagnostics(diagnostics, diagnostics.size(), "in.txt", {"q(X)<-e(X),nosuch(X)", "  "}, out);
  EXPECT_EQ(out.str(),
            "in.txt:1:10: figyelmeztetes: az atomot kihagyja: nincs 'nosuch' nevu relacio\n"
            "q(X)<-e(X),nosuch(X)\n"
            "         ^\n"
            "in.txt:2: figyelmeztetes: a sor csak szokozokbol all: nem ures sor, nem zar le "
            "semmit\n"
            "  \n"
            "in.txt:5:4: figyelmeztetes: szokoz az ertek mellett: nem hagyja ki; igy tarolja: "
            "1,\t 2\n"
            "1,\t 2\n"
            "  \t^\n");
  diagnostics.assign(diagnosticLimit + 3, diagnostics.front());
  std::ostringstream many;
  writeDiagnostics(diagnostics, diagnostics.size(), "in.txt", {"q(X)<-e(X),nosuch(X)"}, many);
  const std::string text = many.str();
  EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '^')), diagnosticLimit);
  EXPECT_EQ(text.substr(text.rfind("in.txt:")),
            "in.txt: meg 3 figyelmeztetes, ezeket nem irja ki\n");
}

TEST(DiagnosticReportTest, EveryKindHasAMessageThatUsesItsParts) {
  for (int kind = 0; kind <= static_cast<int>(Warning::duplicateDeclaration); ++kind) {
    const std::string message =
        diagnosticMessage(Diagnostic{static_cast<Warning>(kind), 1, 1, {"P0", "P1", "P2"}, ""});
    EXPECT_FALSE(message.empty()) << kind;
    EXPECT_EQ(message.find('{'), std::string::npos) << message;
  }
}

}  // namespace
