#include "relation/render.h"

#include <gtest/gtest.h>

#include <sstream>

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
  EXPECT_EQ(rendered(Relation("p(a,b)", std::vector<ValueType>{})), "p(a,b)\n\n");
  EXPECT_EQ(rendered(relationOf("e()", {}, {""})), "e()\n\n\n");
}

TEST(WriteRelationTest, WritesValuesBeyondTheLastTypeBare) {
  Relation relation("p(a)", {"string"});
  relation.insertTuple({"x", "y"});
  EXPECT_EQ(rendered(relation), "p(a)\n'x',y\n\n");
}

}  // namespace
