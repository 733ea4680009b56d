#include <gtest/gtest.h>

#include <set>
#include <string>

#include "rules/random_source.h"

namespace kesmal {
namespace {

TEST(RandomSource, SameSeedGivesSameSequence) {
  SeedRandom(12345);
  const auto a = RandomDraw(), b = RandomDraw();
  SeedRandom(12345);
  EXPECT_EQ(RandomDraw(), a);
  EXPECT_EQ(RandomDraw(), b);
}

TEST(RandomSource, DrawsStayInThirtyOneBitsAndReachHighValues) {
  SeedRandom(1);
  std::int32_t highest = 0;
  for (int i = 0; i < 10000; ++i) {
    const auto draw = RandomDraw();
    ASSERT_GE(draw, 0);
    highest = std::max(highest, draw);
  }
  EXPECT_GT(highest, 2000000000);
}

TEST(RandomSource, BelowZeroMakesNoDraw) {
  SeedRandom(7);
  const auto expected = RandomDraw();
  SeedRandom(7);
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomDraw(), expected);
}

struct FixedField {
  const char* name;
  int low, high, width;
  const char* expected;
};

class RandomDigitsFixed : public testing::TestWithParam<FixedField> {};

TEST_P(RandomDigitsFixed, WritesTheValuePaddedWithoutDrawing) {
  const auto& row = GetParam();
  SeedRandom(99);
  const auto next = RandomDraw();
  SeedRandom(99);
  EXPECT_EQ(RandomDigits(row.low, row.high, row.width), row.expected);
  EXPECT_EQ(RandomDraw(), next) << "a fixed field must not draw";
}

INSTANTIATE_TEST_SUITE_P(, RandomDigitsFixed,
                         testing::Values(FixedField{"month", 7, 7, 2, "07"},
                                         FixedField{"year", 1985, 1985, 4, "1985"},
                                         FixedField{"sub", 101, 101, 4, "0101"},
                                         FixedField{"zero", 0, 0, 2, "00"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RandomDigits, SevenDigitFieldCoversValuesAboveSixteenBits) {
  SeedRandom(2026);
  bool sawHigh = false;
  for (int i = 0; i < 1000; ++i) {
    const auto text = RandomDigits(0, 9999999, 7);
    ASSERT_EQ(text.size(), 7u);
    sawHigh |= std::stoi(text) > 32767;
  }
  EXPECT_TRUE(sawHigh);
}

TEST(RandomDigits, TwoDigitFieldReachesEveryValue) {
  SeedRandom(3);
  std::set<std::string> seen;
  for (int i = 0; i < 5000; ++i) seen.insert(RandomDigits(0, 99, 2));
  EXPECT_EQ(seen.size(), 100u);
  EXPECT_EQ(*seen.begin(), "00");
  EXPECT_EQ(*seen.rbegin(), "99");
}

}  // namespace
}  // namespace kesmal
