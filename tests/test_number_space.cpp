#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data/regions.h"
#include "rules/dispatch.h"
#include "rules/invalid_numbers.h"
#include "rules/number_space.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

constexpr CivilDate kToday{2026, 6, 15};
constexpr CivilDate kBirth{1990, 1, 1};

struct SpaceCase {
  const char* name;
  FixedFields fixed;
  std::uint64_t size;
};

class NumberSpaces : public testing::TestWithParam<SpaceCase> {};

// Spaces smaller than a million are walked whole, so the walk is a bijection.
TEST_P(NumberSpaces, AMillionOfAKeyedWalkAreValidAndDistinct) {
  const ScopedToday today(kToday);
  const NumberSpace space(GetParam().fixed);
  ASSERT_EQ(space.Size(), GetParam().size);
  const KeyedPermutation walk(space.Size(), 20261209);
  std::vector<std::string> made;
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(space.Size(), 1000000); ++i) {
    made.push_back(space.At(walk(i)));
    if (i % 50 == 0) {
      ASSERT_TRUE(CheckNumberText(made.back())->valid) << made.back();
    }
  }
  std::ranges::sort(made);
  const auto twice = std::ranges::adjacent_find(made);
  EXPECT_TRUE(twice == made.end()) << "made twice: " << *twice;
}

FixedFields Fixed(Jurisdiction form, void (*fix)(FixedFields&) = nullptr) {
  FixedFields fixed;
  fixed.form = form;
  if (fix) fix(fixed);
  return fixed;
}

constexpr std::uint64_t kRegionCodes = 3556;  // rows, less the codes that stand twice

INSTANTIATE_TEST_SUITE_P(
    , NumberSpaces,
    testing::Values(
        SpaceCase{"taiwan", Fixed(Jurisdiction::Taiwan), 26ULL * 2 * 10000000},
        SpaceCase{"hong_kong_both_lengths", Fixed(Jurisdiction::HongKong), 27ULL * 26 * 1000000},
        SpaceCase{"hong_kong_8",
                  Fixed(Jurisdiction::HongKong, [](FixedFields& s) { s.length = 8; }),
                  26ULL * 1000000},
        SpaceCase{"korea_hundred_years", Fixed(Jurisdiction::Korea), 36525ULL * 2 * 100000},
        SpaceCase{"korea_one_day_one_sex",
                  Fixed(Jurisdiction::Korea,
                        [](FixedFields& s) {
                          s.sex = HolderSex::Male;
                          s.births = DateRange{kBirth, kBirth};
                        }),
                  100000},
        SpaceCase{"mainland", Fixed(Jurisdiction::China), kRegionCodes * 29220 * 1000},
        SpaceCase{"mainland_one_region_day_sex",
                  Fixed(Jurisdiction::China,
                        [](FixedFields& s) {
                          s.regionRow = *FindRowByCode(110105);
                          s.sex = HolderSex::Female;
                          s.births = DateRange{kBirth, kBirth};
                        }),
                  500},
        SpaceCase{"old_mainland", Fixed(Jurisdiction::ChinaOld), kRegionCodes * 36524 * 1000}),
    [](const auto& info) { return std::string(info.param.name); });

struct RangeCase {
  const char* name;
  Jurisdiction form;
  DateRange births;
};

class BirthRanges : public testing::TestWithParam<RangeCase> {};

TEST_P(BirthRanges, EveryDateLiesInTheRangeAndBothEndsAreReached) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  FixedFields fixed = Fixed(row.form);
  fixed.births = row.births;
  const NumberSpace space(fixed);
  SeedRandom(12);
  std::int64_t first = DayNumber(row.births.last), last = DayNumber(row.births.first);
  for (int i = 0; i < 5000; ++i) {
    const auto report = CheckNumberText(space.At(RandomIndex(space.Size())));
    ASSERT_TRUE(report->valid);
    const std::int64_t day = DayNumber(report->analysis.birthday->date);
    first = std::min(first, day);
    last = std::max(last, day);
  }
  EXPECT_EQ(first, DayNumber(row.births.first));
  EXPECT_EQ(last, DayNumber(row.births.last));
}

INSTANTIATE_TEST_SUITE_P(
    , BirthRanges,
    testing::Values(
        RangeCase{"mainland_leap_day", Jurisdiction::China, {{2000, 2, 27}, {2000, 3, 2}}},
        RangeCase{"korea_across_2000", Jurisdiction::Korea, {{1999, 12, 25}, {2000, 1, 5}}},
        RangeCase{"korea_first_days_read", Jurisdiction::Korea, {{1927, 1, 1}, {1927, 1, 5}}},
        RangeCase{"korea_last_days_read", Jurisdiction::Korea, {{2026, 12, 27}, {2026, 12, 31}}},
        RangeCase{
            "old_mainland_end_of_1999", Jurisdiction::ChinaOld, {{1999, 12, 20}, {1999, 12, 31}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct AgeCase {
  const char* name;
  CivilDate today;
  int minAge, maxAge;
  CivilDate first, last;
};

class BirthsOfAgesTest : public testing::TestWithParam<AgeCase> {};

TEST_P(BirthsOfAgesTest, CountsWholeYearsAsAPersonDoes) {
  const auto& row = GetParam();
  const ScopedToday today(row.today);
  const auto births = BirthsOfAges(row.minAge, row.maxAge);
  ASSERT_TRUE(births);
  EXPECT_EQ(births->first, row.first);
  EXPECT_EQ(births->last, row.last);
}

INSTANTIATE_TEST_SUITE_P(
    , BirthsOfAgesTest,
    testing::Values(
        AgeCase{"twenties", {2026, 6, 15}, 20, 29, {1996, 6, 16}, {2006, 6, 15}},
        AgeCase{"under_one_on_a_leap_day", {2028, 2, 29}, 0, 0, {2027, 3, 1}, {2028, 2, 29}},
        AgeCase{"one_year_olds_after_a_leap_day", {2026, 3, 1}, 1, 1, {2024, 3, 2}, {2025, 3, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
  const char* name;
  FixedFields fixed;
  std::vector<FaultCode> faults;
  // For each fault, "^" at every position it is seen to spoil in a number of
  // the mask's length.
  std::vector<std::string_view> reach;
};

class InvalidNumbers : public testing::TestWithParam<FaultCase> {};

TEST_P(InvalidNumbers, EachFailsWithExactlyItsFault) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  ASSERT_EQ(FaultsOf(row.fixed.form), row.faults);
  const NumberSpace space(row.fixed);
  SeedRandom(13);
  ASSERT_EQ(row.reach.size(), row.faults.size());
  for (std::size_t f = 0; f < row.faults.size(); ++f) {
    const FaultCode fault = row.faults[f];
    std::string reached(row.reach[f].size(), '.');
    for (int i = 0; i < 100000; ++i) {
      const std::string valid = space.At(RandomIndex(space.Size()));
      const std::string number = SpoilNumber(valid, fault);
      const auto faults = CheckNumberText(number)->analysis.faults;
      ASSERT_TRUE(faults.size() == 1 && faults[0].code == fault) << number;
      if (number.size() != reached.size()) continue;
      for (std::size_t at = 0; at < number.size(); ++at)
        if (number[at] != valid[at]) reached[at] = '^';
    }
    EXPECT_EQ(reached, row.reach[f]) << "fault " << f << " of the row";
  }
}

using F = FaultCode;
INSTANTIATE_TEST_SUITE_P(
    , InvalidNumbers,
    testing::Values(FaultCase{"taiwan",
                              Fixed(Jurisdiction::Taiwan),
                              {F::Letter, F::SexDigit, F::Digits, F::CheckCode},
                              {"^.........", ".^........", "..^^^^^^^.", ".........^"}},
                    FaultCase{"hong_kong",
                              Fixed(Jurisdiction::HongKong),
                              {F::Letter, F::Digits, F::CheckCode},
                              {"^.......", ".^^^^^^.", ".......^"}},
                    FaultCase{"korea",
                              Fixed(Jurisdiction::Korea),
                              {F::Digits, F::BirthDate, F::SexDigit, F::CheckCode},
                              {"^^^^^^^^^^^^.", "..^^^^.......", "......^......", "............^"}},
                    FaultCase{"mainland",
                              Fixed(Jurisdiction::China),
                              {F::Digits, F::BirthDate, F::CheckCode},
                              {"^^^^^^^^^^^^^^^^^.", "..........^^^^....", ".................^"}},
                    FaultCase{"old_mainland",
                              Fixed(Jurisdiction::ChinaOld),
                              {F::Digits, F::BirthDate},
                              {"^^^^^^^^^^^^^^^", "........^^^^..."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kesmal
