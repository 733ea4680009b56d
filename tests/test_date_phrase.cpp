#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "rules/date_phrase.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Utf8;

struct PhraseCase {
  const char* name;
  CivilDate today;
  int year, month, day;
  const char* expected;  // UTF-8; empty for an invalid date
};

class DescribeBirthdayTest : public testing::TestWithParam<PhraseCase> {};

TEST_P(DescribeBirthdayTest, GivesThePhrase) {
  const auto& row = GetParam();
  ScopedToday pinned(row.today);
  EXPECT_EQ(Utf8(DescribeBirthday(static_cast<std::int16_t>(row.year),
                                  static_cast<std::int16_t>(row.month),
                                  static_cast<std::int16_t>(row.day))),
            row.expected);
}

constexpr CivilDate k2026{2026, 12, 8};

INSTANTIATE_TEST_SUITE_P(
    , DescribeBirthdayTest,
    testing::Values(
        PhraseCase{"no_leading_zeros", k2026, 1980, 1, 1, "“西元 1980 年 1 月 1 日”"},
        PhraseCase{"leap_1980", k2026, 1980, 2, 29, "“西元 1980 年 2 月 29 日”"},
        PhraseCase{"leap_2000", k2026, 2000, 2, 29, "“西元 2000 年 2 月 29 日”"},
        PhraseCase{"not_leap_1900", k2026, 1900, 2, 29, ""},
        PhraseCase{"not_leap_1981", k2026, 1981, 2, 29, ""},
        PhraseCase{"april_31", k2026, 1980, 4, 31, ""},
        PhraseCase{"month_13", k2026, 1980, 13, 1, ""},
        PhraseCase{"month_0", k2026, 1980, 0, 10, ""}, PhraseCase{"day_0", k2026, 1980, 1, 0, ""},
        PhraseCase{"negative_month", k2026, 1980, -1, 1, ""},
        PhraseCase{"two_digit_85_is_1985", k2026, 85, 1, 1, "“西元 1985 年 1 月 1 日”"},
        PhraseCase{"two_digit_0_is_2000", k2026, 0, 1, 1, "“西元 2000 年 1 月 1 日”"},
        PhraseCase{"two_digit_27_is_1927", k2026, 27, 1, 1, "“西元 1927 年 1 月 1 日”"},
        PhraseCase{"two_digit_26_is_2026", k2026, 26, 1, 1, "“西元 2026 年 1 月 1 日”"},
        PhraseCase{"two_digit_after_today", k2026, 26, 12, 9,
                   "“西元 2026 年 12 月 9 日”(尚未出生)"},
        PhraseCase{"today_is_born", k2026, 2026, 12, 8, "“西元 2026 年 12 月 8 日”"},
        PhraseCase{"future_year", k2026, 2030, 1, 1, "“西元 2030 年 1 月 1 日”(尚未出生)"},
        PhraseCase{"record_age_1910", k2026, 1910, 12, 31,
                   "“西元 1910 年 12 月 31 日”(破世界纪录的人瑞)"},
        PhraseCase{"no_record_1911", k2026, 1911, 1, 1, "“西元 1911 年 1 月 1 日”"},
        PhraseCase{"year_100", k2026, 100, 1, 1, "“西元 100 年 1 月 1 日”(破世界纪录的人瑞)"},
        PhraseCase{
            "in_2099_year_99_is_this_year", {2099, 6, 1}, 99, 1, 1, "“西元 2099 年 1 月 1 日”"},
        PhraseCase{"in_2100_year_99_is_1999", {2100, 6, 1}, 99, 1, 1, "“西元 1999 年 1 月 1 日”"},
        PhraseCase{"in_2100_year_0_is_2000", {2100, 6, 1}, 0, 1, 1, "“西元 2000 年 1 月 1 日”"},
        PhraseCase{"leap_2100_is_not", {2026, 1, 1}, 2100, 2, 29, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DaysOfMonth, FollowsTheGregorianRule) {
  EXPECT_EQ(DaysOfMonth(2000, 2), 29);
  EXPECT_EQ(DaysOfMonth(1900, 2), 28);
  EXPECT_EQ(DaysOfMonth(2024, 2), 29);
  EXPECT_EQ(DaysOfMonth(2023, 2), 28);
  EXPECT_EQ(DaysOfMonth(2023, 12), 31);
  EXPECT_EQ(DaysOfMonth(2023, 13), 0);
  EXPECT_EQ(DaysInMonth[1], 28) << "the shared table itself stays a common year";
}

TEST(Today, PinIsRestoredWhenTheScopeEnds) {
  ScopedToday outer({2026, 1, 1});
  {
    ScopedToday inner({2031, 5, 5});
    EXPECT_EQ(Today(), (CivilDate{2031, 5, 5}));
  }
  EXPECT_EQ(Today(), (CivilDate{2026, 1, 1}));
}

// A batch's date holds on its own thread only, gives way to a pin, and ends
// with its scope.
TEST(Today, OfABatchHoldsOnItsThreadBelowAPin) {
  const CivilDate batch{1990, 2, 3};
  {
    const TodayOnThisThread scope(batch);
    EXPECT_EQ(Today(), batch);
    CivilDate elsewhere;
    std::thread([&] { elsewhere = Today(); }).join();
    EXPECT_NE(elsewhere, batch);
    const ScopedToday pinned({2031, 5, 5});
    EXPECT_EQ(Today(), (CivilDate{2031, 5, 5}));
  }
  EXPECT_NE(Today(), batch);
}

TEST(Today, UnpinnedIsTheLocalDateOfTheSystemClock) {
  const auto local = [] {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm fields{};
    localtime_r(&now, &fields);
    return CivilDate{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
  };
  // Read on both sides, in case midnight passes between.
  const CivilDate before = local();
  const CivilDate today = Today();
  const CivilDate after = local();
  EXPECT_TRUE(today == before || today == after)
      << today.year << '-' << today.month << '-' << today.day << " against " << before.year << '-'
      << before.month << '-' << before.day;
}

}  // namespace
}  // namespace kesmal
