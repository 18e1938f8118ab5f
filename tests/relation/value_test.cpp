#include "relation/value.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

int sign(int order) { return (order > 0) - (order < 0); }

// Texts of every kind a value can hold: numbers held in their codes (up to
// 2^31 - 1) and those that are not (leading zeros, signs, 2^31 and more),
// short and long texts, with NUL bytes, longer than a pool chunk's share, and
// enough of them to fill several chunks.
std::vector<std::string> sampleTexts() {
  std::mt19937 random(7);
  std::vector<std::string> texts = {"",
                                    "a",
                                    "abcdefg",
                                    "abcdefgh",
                                    std::string("a\0b", 3),
                                    std::string(300000, 'x'),
                                    std::string(2 << 20, 'y'),
                                    "0",
                                    "00",
                                    "007",
                                    "7",
                                    "9",
                                    "10",
                                    "99",
                                    "100",
                                    "-1",
                                    "+1",
                                    "1 ",
                                    "2147483647",
                                    "2147483648",
                                    "4294967296",
                                    "21474836470",
                                    "99999999999"};
  for (int i = 0; i < 3000; ++i) {
    std::string number(1 + random() % 11, '0');
    for (char& digit : number) {
      digit = static_cast<char>('0' + random() % 10);
    }
    texts.push_back(number);
  }
  for (int i = 0; i < 6000; ++i) {
    std::string text(1 + random() % 400, 'a');
    for (char& byte : text) {
      byte = static_cast<char>("ab\xE1\0"[random() % 4]);
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(ValueTest, KeepsEveryTextAndItsOrderAcrossPoolChunksAndRuns) {
  for (int run = 0; run < 2; ++run) {
    clearValuePool();
    const std::vector<std::string> texts = sampleTexts();
    std::vector<Value> values;
    for (const std::string& text : texts) {
      values.push_back(makeValue(text));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      std::string out;
      appendValueText(out, values[i]);
      ASSERT_EQ(out, texts[i]) << "value " << i;
      const std::size_t j = (i * 7919) % texts.size();
      ASSERT_EQ(sign(valueCompare(values[i], values[j])), sign(texts[i].compare(texts[j])))
          << i << " against " << j;
      const Value again = makeValue(texts[i]);
      ASSERT_TRUE(valuesEqual(values[i], again));
      ASSERT_EQ(hashValue(values[i]), hashValue(again));
    }
  }
  clearValuePool();
}

}  // namespace
