#include "relation/render.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

std::string rendered(const Relation& relation) {
  std::ostringstream out;
  writeRelation(relation, out);
  return out.str();
}

TEST(WriteRelationTest, QuotesByColumnTypeNotByContent) {
  EXPECT_EQ(rendered(relationOf("gyumolcs(x,y)", {"string", "int"}, {"'alma',3", "'korte',10"})),
            "gyumolcs(x,y)\n'alma',3\n'korte',10\n\n");
  EXPECT_EQ(rendered(relationOf("p(a,b)", {"int", "string"}, {"1,''", "2,'7'"})),
            "p(a,b)\n1,''\n2,'7'\n\n");
  EXPECT_EQ(rendered(relationOf("p(a,b)", {"int", "int"}, {"x,", "10"})), "p(a,b)\n10,10\nx,\n\n");
}

TEST(WriteRelationTest, WritesEmptyRelationsAndTheEmptyTuple) {
  EXPECT_EQ(rendered(relationOf("p(a,b)", std::vector<ValueType>{})), "p(a,b)\n\n");
  EXPECT_EQ(rendered(relationOf("e()", {}, {""})), "e()\n\n\n");
}

TEST(WriteRelationTest, WritesValuesBeyondTheLastTypeBare) {
  Relation relation = relationOf("p(a)", {"string"});
  insertTuple(relation, {"x", "y"});
  EXPECT_EQ(rendered(relation), "p(a)\n'x',y\n\n");
}

TEST(WriteRelationTest, WritesEveryLengthOfValueAcrossManyBlocksOfOutput) {
  // Texts of 0 to 11 bytes, numbers (held in their codes, written digit by
  // digit), and bytes past ASCII; enough rows to fill the writer's block
  // many times over, so that rows meet its end at every offset.
  Relation relation = relationOf("p(a,b,c)", {"string", "int", "string"});
  RowBuffer rows(3);
  std::string expected = "p(a,b,c)\n";
  for (int i = 0; i < 40000; ++i) {
    const std::string a = std::string(static_cast<std::size_t>(i % 12), 'x');
    const std::string b = std::to_string(i * 7919 % 100003);
    const std::string c = std::string(static_cast<std::size_t>(i % 9), static_cast<char>(0xF5));
    rows.append(std::vector<Value>{makeValue(a), makeValue(b), makeValue(c)});
  }
  relation.addRows(std::move(rows));
  relation.normalize();
  for (std::size_t r = 0; r < relation.rowCount(); ++r) {
    const Row row = relation.row(r);
    expected +=
        "'" + valueString(row[0]) + "'," + valueString(row[1]) + ",'" + valueString(row[2]) + "'\n";
  }
  EXPECT_EQ(rendered(relation), expected + "\n");
}

}  // namespace
