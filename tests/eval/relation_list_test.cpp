// The relation list: a name finds the first relation of it, merges and
// replacements move it to the end, and the order holds however the slots
// freed by such moves are packed.
#include "eval/relation_list.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace {

std::string namesOf(const RelationList& list) {
  std::string names;
  for (const Relation& relation : list) {
    names += relation.name() +
             (relation.tupleCount() == 0 ? "" : std::to_string(relation.tupleCount())) + " ";
  }
  return names;
}

TEST(RelationListTest, FindsTheFirstOfANameAndMovesItToTheEndWhenMergedOrReplaced) {
  RelationList list({relationOf("a(x)", {"int"}, {"1"}), relationOf("b(x)", {"int"}, {"1"}),
                     relationOf("a(x)", {"int"}, {"1", "2"}), relationOf("c(x)", {"int"}, {})});
  EXPECT_EQ(list.findFirst("a")->tupleCount(), 1U);
  EXPECT_EQ(list.countNamed("a"), 2U);
  EXPECT_EQ(list.findFirst("z"), nullptr);
  list.mergeToEnd(relationOf("a(x)", {"int"}, {"5", "6", "7"}));  // the first a, now 4 tuples
  EXPECT_EQ(namesOf(list), "b1 a2 c a4 ");
  EXPECT_EQ(list.findFirst("a")->tupleCount(), 2U);  // the second declaration comes first now
  list.replaceToEnd(relationOf("b(x)", {"int"}, {"8", "9"}));
  list.mergeToEnd(relationOf("d(x)", {"int"}, {"1"}));
  EXPECT_EQ(namesOf(list), "a2 c a4 b2 d1 ");
  EXPECT_EQ(list.size(), 5U);
  EXPECT_EQ(list.back().name(), "d");
}

TEST(RelationListTest, KeepsItsOrderThroughManyMovesToTheEnd) {
  RelationList list;
  for (int i = 0; i < 50; ++i) {
    list.append(relationOf("r" + std::to_string(i) + "(x)", {"int"}, {"1"}));
  }
  // Every even relation moves to the end twice over: most slots are emptied
  // and packed again on the way.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 50; i += 2) {
      list.mergeToEnd(relationOf("r" + std::to_string(i) + "(x)", {"int"}, {"2"}));
    }
  }
  std::string names;
  for (int i = 1; i < 50; i += 2) {
    names += "r" + std::to_string(i) + "1 ";
  }
  for (int i = 0; i < 50; i += 2) {
    names += "r" + std::to_string(i) + "2 ";
  }
  EXPECT_EQ(namesOf(list), names);
  EXPECT_EQ(list.findFirst("r48")->tupleCount(), 2U);
  EXPECT_EQ(list.release().size(), 50U);
  EXPECT_EQ(list.size(), 0U);
  EXPECT_EQ(list.findFirst("r1"), nullptr);
}

}  // namespace
