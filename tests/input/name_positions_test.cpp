#include "input/name_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NamePositionsTest, FindsEachNameAtItsFirstPositionThroughGrowth) {
  std::vector<std::string> names;
  NamePositions positions;
  const auto nameAt = [&names](std::size_t at) -> const std::string& { return names[at]; };
  for (std::size_t i = 0; i < 5000; ++i) {
    names.push_back("r" + std::to_string(i % 3000));
    EXPECT_EQ(positions.insert(names.back(), i, nameAt), i % 3000);
  }
  EXPECT_EQ(positions.size(), 3000u);
  for (std::size_t i = 0; i < 3000; ++i) {
    EXPECT_EQ(positions.find("r" + std::to_string(i), nameAt), i);
  }
  for (const char* absent : {"", "r", "r3000", "R1", "r01"}) {
    EXPECT_EQ(positions.find(absent, nameAt), NamePositions::none) << absent;
  }
  EXPECT_EQ(NamePositions().find("r1", nameAt), NamePositions::none);
}

}  // namespace
