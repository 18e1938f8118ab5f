#include "app/graph_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/memory_run.h"

namespace {

// A run of `program` with --graph; with `asData`, the graph as the page gets it.
std::string graphOf(const std::string& program, bool asData = false) {
  RunSettings settings;
  settings.showWarnings = false;
  settings.graph = true;
  const MemoryRun run = runInMemory(program, settings, 0, asData);
  return asData ? run.data : run.standardOutput;
}

TEST(GraphReportTest, NodesEdgesStepsAndRecursiveGroups) {
  // A rule atom each edge (edge twice on line 1), `nincs` unknown, tc's
  // group recursive, and a line that is no rule adds nothing.
  const std::string data = graphOf(
      "path2(X,Z)<-edge(X,Y),edge(Y,Z)\n"
      "tc(X,Y)<-edge(X,Y)\ntc(X,Z)<-tc(X,Y),edge(Y,Z)\n"
      "bad(X)<-nincs(X)\nnorule\n"
      "\nedge(from,to)\n1,2\n",
      true);
  // Steps as --trace numbers the groups: 3 is the line that is no rule.
  EXPECT_EQ(data,
            "{\"nodes\":["
            "{\"name\":\"edge\",\"declared\":true,\"derived\":false,\"known\":true,\"step\":0},"
            "{\"name\":\"path2\",\"declared\":false,\"derived\":true,\"known\":true,\"step\":1},"
            "{\"name\":\"bad\",\"declared\":false,\"derived\":true,\"known\":true,\"step\":2},"
            "{\"name\":\"tc\",\"declared\":false,\"derived\":true,\"known\":true,\"step\":4},"
            "{\"name\":\"nincs\",\"declared\":false,\"derived\":false,\"known\":false,\"step\":0}],"
            "\"edges\":[{\"from\":0,\"to\":1,\"line\":1},{\"from\":0,\"to\":1,\"line\":1},"
            "{\"from\":0,\"to\":3,\"line\":2},{\"from\":3,\"to\":3,\"line\":3},"
            "{\"from\":0,\"to\":3,\"line\":3},{\"from\":4,\"to\":2,\"line\":4}],"
            "\"groups\":[{\"step\":4,\"members\":[3]}]}\n");
}

TEST(GraphReportTest, DotIsUtf8WithItsTextsEscaped) {
  // Latin-2 letters become UTF-8, a quote and a backslash are escaped, a
  // control byte (no DOT string holds one) becomes '?'.
  const std::string dot = graphOf("\xF5se(X)<-sz\xFCl\xF5(X),a\"b\\\x1B(X)\n\nsz\xFCl\xF5(a)\n1\n");
  EXPECT_NE(dot.find("n0 [label=\"sz\xC3\xBCl\xC5\x91\", shape=box"), std::string::npos) << dot;
  EXPECT_NE(dot.find("n1 [label=\"1. \xC5\x91se\", shape=ellipse];"), std::string::npos) << dot;
  EXPECT_NE(dot.find("n2 [label=\"a\\\"b\\\\?\", shape=box, style=dashed];"), std::string::npos)
      << dot;
  EXPECT_NE(dot.find("n0 -> n1 [label=\"1. sor\"];\n  n2 -> n1"), std::string::npos) << dot;
  // The graph's data keeps the run's bytes, escaping what JSON must.
  EXPECT_NE(graphOf("p(X)<-a\"b\\\x1B\xF5(X)\n", true).find("\"a\\\"b\\\\\\u001b\xF5\""),
            std::string::npos);
}

TEST(GraphReportTest, ExplanationsAsDataAreFlatNodes) {
  RunSettings settings;
  settings.showWarnings = false;
  settings.explain = {"tc(1,3)", "tc(9,9)"};
  const MemoryRun run =
      runInMemory("tc(X,Y)<-edge(X,Y)\ntc(X,Z)<-tc(X,Y),edge(Y,Z)\n\nedge(from,to)\n1,2\n2,3\n",
                  settings, 0, true);
  EXPECT_EQ(run.standardOutput, "");
  EXPECT_EQ(
      run.data,
      "[{\"fact\":\"tc(1,3)\",\"nodes\":["
      "{\"fact\":\"tc(1,3)\",\"source\":\"derived\",\"line\":2,"
      "\"rule\":\"tc(X,Z)<-tc(X,Y),edge(Y,Z)\",\"bindings\":\"X=1, Y=2, Z=3\","
      "\"skipped\":[],\"body\":[1,3]},"
      "{\"fact\":\"tc(1,2)\",\"source\":\"derived\",\"line\":1,"
      "\"rule\":\"tc(X,Y)<-edge(X,Y)\",\"bindings\":\"X=1, Y=2\",\"skipped\":[],\"body\":[2]},"
      "{\"fact\":\"edge(1,2)\",\"source\":\"declared\",\"line\":5},"
      "{\"fact\":\"edge(2,3)\",\"source\":\"declared\",\"line\":6}]},"
      "{\"fact\":\"tc(9,9)\",\"missing\":\"nem eleme a relacionak\"}]\n");
}

}  // namespace
