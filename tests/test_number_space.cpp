#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/regions.h"
#include "rules/dispatch.h"
#include "rules/invalid_numbers.h"
#include "rules/layout_china.h"
#include "rules/layout_hong_kong.h"
#include "rules/layout_korea.h"
#include "rules/layout_taiwan.h"
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

struct LayoutCase {
  const char* name;
  std::string_view number;
  RuleSet rules;
  // What the kind's module reads, as place|birth|sex|serial; empty when it
  // takes the text for no number of the kind.
  std::string_view fields;
};

std::string DateText(const CivilDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

const char* SexText(HolderSex sex) { return sex == HolderSex::Male ? "m" : "f"; }

// The fields read, and the number the module writes back from them.
std::pair<std::string, std::string> ReadAndWrite(std::string_view number, RuleSet rules) {
  std::string fields, written;
  const auto join = [&](const auto&... parts) { ((fields += parts, fields += '|'), ...); };
  if (number.size() == 10) {
    if (const auto read = ReadTaiwan(number)) {
      join(std::string(1, static_cast<char>('A' + read->letter)),
           std::to_string(static_cast<int>(read->second)), SexText(read->sex),
           std::to_string(read->letterPair * 10000000 + read->serial));
      WriteTaiwan(*read, written);
    }
  } else if (number.size() == 8 || number.size() == 9) {
    if (const auto read = ReadHongKong(number)) {
      join(std::to_string(read->letters), "-", "-", std::to_string(read->serial));
      WriteHongKong(*read, written);
    }
  } else if (number.size() == 13) {
    if (const auto read = ReadKorea(number, rules)) {
      join(read->foreign ? "foreign" : "-", DateText(read->birth), SexText(read->sex),
           std::to_string(read->serial));
      WriteKorea(*read, rules, written);
    }
  } else {
    const bool old = number.size() == 15;
    if (const auto read = old ? ReadChinaOld(number) : ReadChina(number)) {
      join(std::to_string(read->region), DateText(read->birth), SexText(read->sex),
           std::to_string(read->serial));
      (old ? WriteChinaOld : WriteChina)(*read, written);
    }
  }
  if (!fields.empty()) fields.pop_back();
  return {fields, written};
}

class Layouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(Layouts, ReadFieldsWriteTheSameNumberBack) {
  const auto& row = GetParam();
  const auto [fields, written] = ReadAndWrite(row.number, row.rules);
  EXPECT_EQ(fields, row.fields);
  if (!row.fields.empty()) {
    EXPECT_EQ(written, row.number);
  }
}

constexpr RuleSet kClassic = RuleSet::Classic, kCurrent = RuleSet::Current;
INSTANTIATE_TEST_SUITE_P(
    , Layouts,
    testing::Values(
        LayoutCase{"taiwan", "A123456789", kClassic, "A|0|m|2345678"},
        LayoutCase{"taiwan_resident_digit", "A800000014", kCurrent, "A|1|m|1"},
        LayoutCase{"taiwan_resident_letter_weighed", "AB12345677", kCurrent, "A|2|f|1234567"},
        LayoutCase{"taiwan_resident_second_pair", "ZD98765430", kCurrent, "Z|2|f|19876543"},
        LayoutCase{"taiwan_wrong_check", "A123456788", kClassic, ""},
        LayoutCase{"taiwan_second_of_no_kind", "A323456789", kClassic, ""},
        LayoutCase{"hong_kong_8", "A1234563", kClassic, "0|-|-|123456"},
        LayoutCase{"hong_kong_9", "AB9876543", kClassic, "1|-|-|987654"},
        LayoutCase{"hong_kong_wrong_check", "A1234564", kClassic, ""},
        LayoutCase{"mainland", "11010519491231002X", kClassic, "110105|1949-12-31|f|1"},
        LayoutCase{"mainland_wrong_check", "110105194912310021", kClassic, ""},
        LayoutCase{"mainland_no_date", "110105194902300026", kClassic, ""},
        LayoutCase{"old_mainland", "110199850101123", kClassic, "110199|1985-01-01|m|61"},
        LayoutCase{"old_mainland_no_date", "110199850229123", kClassic, ""},
        LayoutCase{"korea_counted_in_the_2000s", "0001011000002", kClassic, "-|2000-01-01|m|0"},
        LayoutCase{"korea_seventh_of_today_refused", "0001013000008", kClassic, ""},
        LayoutCase{"korea_1800s", "9901019000003", kCurrent, "-|1899-01-01|m|0"},
        LayoutCase{"korea_foreign", "9001016000000", kCurrent, "foreign|1990-01-01|f|0"},
        LayoutCase{"korea_place_code_97", "9001011970001", kCurrent, ""},
        LayoutCase{"korea_random_digits", "2010014123456", kCurrent, "-|2020-10-01|f|123456"},
        LayoutCase{"korea_day_before_random", "2009304000006", kCurrent, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kesmal
