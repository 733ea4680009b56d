#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "rules/current.h"
#include "rules/korea.h"
#include "rules/random_source.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

constexpr CivilDate kToday2026{2026, 6, 15};

struct CodeCase {
  const char* name;
  const char* body;
  char code;
};

class KoreaCheckCodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(KoreaCheckCodeTest, ReadsTwelveDigits) {
  EXPECT_EQ(KoreaCheckCode(GetParam().body), GetParam().code);
  EXPECT_EQ(KoreaCheckCode(std::string(GetParam().body) + "?"), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(, KoreaCheckCodeTest,
                         testing::Values(CodeCase{"remainder_0_gives_1", "000000000000", '1'},
                                         CodeCase{"remainder_1_gives_0", "040000000000", '0'},
                                         CodeCase{"remainder_2_gives_9", "100000000000", '9'},
                                         CodeCase{"male_2000", "000101100000", '2'},
                                         CodeCase{"female_2000", "000101200000", '5'},
                                         CodeCase{"last_day_of_1999", "991231100000", '7'},
                                         CodeCase{"leap_day_2000", "000229100000", '6'},
                                         CodeCase{"serial_at_8_weighs_9", "000101110000", '4'},
                                         CodeCase{"serial_at_12_weighs_5", "000101100001", '8'}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReportCase {
  const char* name;
  const char* number;
  const char* report;
  bool valid;
  RuleSet rules = RuleSet::Classic;
};

class CheckKoreaIdIn2026 : public testing::TestWithParam<ReportCase> {};

TEST_P(CheckKoreaIdIn2026, GivesTheReport) {
  const ScopedToday today(kToday2026);
  const auto& row = GetParam();
  const std::string number = Gbk(row.number);
  ASSERT_EQ(number.size(), 13u) << "bad test row";
  const IdReport report =
      row.rules == RuleSet::Current ? *CheckNumberTextCurrent(number) : CheckKoreaId(number);
  EXPECT_EQ(Utf8(report.text), row.report);
  EXPECT_EQ(report.valid, row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckKoreaIdIn2026,
    testing::Values(
        ReportCase{"male_2000", "0001011000002",
                   "“0001011000002”是一位于“西元 2000 年 1 月 1 日”出生的韩国“男性”身分证字号。",
                   true},
        ReportCase{"female_2000", "0001012000005",
                   "“0001012000005”是一位于“西元 2000 年 1 月 1 日”出生的韩国“女性”身分证字号。",
                   true},
        ReportCase{"last_day_of_1999", "9912311000007",
                   "“9912311000007”是一位于“西元 1999 年 12 月 31 日”出生的韩国“男性”身分证字号。",
                   true},
        ReportCase{"leap_day_2000", "0002291000006",
                   "“0002291000006”是一位于“西元 2000 年 2 月 29 日”出生的韩国“男性”身分证字号。",
                   true},
        ReportCase{"year_27_is_1927", "2701011000000",
                   "“2701011000000”是一位于“西元 1927 年 1 月 1 日”出生的韩国“男性”身分证字号。",
                   true},
        ReportCase{"year_26_today_no_remark", "2606151000009",
                   "“2606151000009”是一位于“西元 2026 年 6 月 15 日”出生的韩国“男性”身分证字号。",
                   true},
        ReportCase{"year_26_later_not_yet_born", "2612312000001",
                   "“2612312000001”是一位于“西元 2026 年 12 月 31 日”(尚未出生)出生的韩国“女性”"
                   "身分证字号。",
                   true},
        ReportCase{"wrong_check_digit", "0001011000003",
                   "最后一码检查码应该是(2)，才是正确的韩国身分证字号。", false},
        ReportCase{"letter_in_check_position", "000101100000X",
                   "最后一码检查码应该是(2)，才是正确的韩国身分证字号。", false},
        ReportCase{"letter_among_serial", "00010110000A2",
                   "第1-12码应该是数字(0)~(9)，才是正确的韩国身分证字号。", false},
        ReportCase{"sex_digit_3", "0001013000001",
                   "第7码应该是男性(1)或女性(2)，才是正确的韩国身分证字号。", false},
        ReportCase{"sex_digit_4", "9912314000005",
                   "第7码应该是男性(1)或女性(2)，才是正确的韩国身分证字号。", false},
        ReportCase{"leap_day_of_common_year", "9902291000005",
                   "第1-6码的出生日期应该是正确的日期格式，才是正确的韩国身分证字号。", false},
        ReportCase{"month_00", "0000011000002",
                   "第1-6码的出生日期应该是正确的日期格式，才是正确的韩国身分证字号。", false},
        ReportCase{"date_and_sex_faults_no_check_sentence", "0013013000000",
                   "第1-6码的出生日期应该是正确的日期格式，第7码应该是男性(1)或女性(2)，"
                   "才是正确的韩国身分证字号。",
                   false},
        ReportCase{"six_chinese_characters", "韩国身分证号1",
                   "第1-12码应该是数字(0)~(9)，才是正确的韩国身分证字号。", false},
        ReportCase{"seventh_1_born_1900_no_leap_day", "0002291000006",
                   "第1-6码的出生日期应该是正确的日期格式，才是正确的韩国身分证字号。", false,
                   RuleSet::Current},
        ReportCase{"seventh_3_born_2000_leap_day", "0002293000001",
                   "“0002293000001”是一位于“西元 2000 年 2 月 29 日”出生的韩国“男性”身分证字号。",
                   true, RuleSet::Current},
        ReportCase{"seventh_9_born_1800s", "9912319700001",
                   "“9912319700001”是一位于“西元 1899 年 12 月 31 日”(破世界纪录的人瑞)出生的韩国"
                   "“男性”身分证字号。",
                   true, RuleSet::Current},
        ReportCase{"seventh_5_foreign_resident", "7810305668081",
                   "“7810305668081”是一位于“西元 1978 年 10 月 30 日”出生的韩国“男性”"
                   "外国人登录证字号。",
                   true, RuleSet::Current},
        ReportCase{"place_code_97", "8501011970000",
                   "第8-9码的出生地代码应该是(00)~(96)，才是正确的韩国身分证字号。", false,
                   RuleSet::Current},
        ReportCase{"digits_8_9_random_from_october_2020", "2010013970000",
                   "“2010013970000”是一位于“西元 2020 年 10 月 1 日”出生的韩国“男性”身分证字号"
                   "(检查码无法验证)。",
                   true, RuleSet::Current},
        ReportCase{"check_digit_binds_until_september_2020", "2009303000000",
                   "最后一码检查码应该是(8)，才是正确的韩国身分证字号。", false, RuleSet::Current},
        ReportCase{"random_check_digit_from_october_2020", "2010013000000",
                   "“2010013000000”是一位于“西元 2020 年 10 月 1 日”出生的韩国“男性”身分证字号"
                   "(检查码无法验证)。",
                   true, RuleSet::Current},
        ReportCase{"random_check_digit_is_still_a_digit", "201001300000X",
                   "最后一码检查码应该是(5)，才是正确的韩国身分证字号。", false, RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckKoreaId, TwoDigitYearAtTheCenturyBoundary) {
  const ScopedToday today({2000, 1, 1});
  EXPECT_EQ(Utf8(CheckKoreaId("0001011000002").text),
            "“0001011000002”是一位于“西元 2000 年 1 月 1 日”出生的韩国“男性”身分证字号。");
  EXPECT_EQ(
      Utf8(CheckKoreaId("0001021000006").text),
      "“0001021000006”是一位于“西元 2000 年 1 月 2 日”(尚未出生)出生的韩国“男性”身分证字号。");
  EXPECT_EQ(Utf8(CheckKoreaId("0101011000000").text),
            "“0101011000000”是一位于“西元 1901 年 1 月 1 日”出生的韩国“男性”身分证字号。");
}

TEST(CheckKoreaId, JunkGivesAFailedReport) {
  const ScopedToday today(kToday2026);
  const std::string lead(1, '\x81');
  for (const std::string& junk :
       {std::string(13, '\0'), std::string(13, '\xFF'), lead + "000101100000",
        "000101" + lead + "00000" + lead, std::string("\t\r\n\x1b\x7f") + "00000000"}) {
    const IdReport report = CheckKoreaId(junk);
    EXPECT_FALSE(report.valid);
    EXPECT_NE(Utf8(report.text).find("才是正确的韩国身分证字号。"), std::string::npos);
  }
}

std::string Yymmdd(const CivilDate& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d", date.year % 100, date.month, date.day);
  return text;
}

struct MakeCase {
  const char* name;
  std::optional<KoreaMakeSettings> settings;
};

class MakeKoreaIdTest : public testing::TestWithParam<MakeCase> {};

TEST_P(MakeKoreaIdTest, EveryNumberChecksValidAndCarriesTheSettings) {
  const ScopedToday today(kToday2026);
  const auto& settings = GetParam().settings;
  SeedRandom(20261208);
  std::set<std::string> dates;
  std::set<char> sexes;
  for (int i = 0; i < 20000; ++i) {
    const std::string number = MakeKoreaId(settings);
    ASSERT_EQ(number.size(), 13u);
    const IdReport report = CheckKoreaId(number);
    ASSERT_TRUE(report.valid) << number << ' ' << Utf8(report.text);
    ASSERT_EQ(Utf8(report.text).find("人瑞"), std::string::npos) << number;
    if (settings && settings->BirthDate) {
      ASSERT_EQ(number.substr(0, 6), Yymmdd(*settings->BirthDate)) << number;
    }
    if (settings && settings->Sex) {
      ASSERT_EQ(number[6], *settings->Sex == HolderSex::Male ? '1' : '2') << number;
    }
    dates.insert(number.substr(0, 6));
    sexes.insert(number[6]);
  }
  if (!settings || !settings->BirthDate) {
    EXPECT_GT(dates.size(), 10000u) << "the date is still drawn";
  }
  if (!settings || !settings->Sex) {
    EXPECT_EQ(sexes.size(), 2u) << "the sex is still drawn";
  }
}

INSTANTIATE_TEST_SUITE_P(
    , MakeKoreaIdTest,
    testing::Values(
        MakeCase{"none", std::nullopt}, MakeCase{"empty_record", KoreaMakeSettings{}},
        MakeCase{"male_only", KoreaMakeSettings{std::nullopt, HolderSex::Male}},
        MakeCase{"female_only", KoreaMakeSettings{std::nullopt, HolderSex::Female}},
        MakeCase{"date_only", KoreaMakeSettings{CivilDate{1985, 5, 3}, std::nullopt}},
        MakeCase{"date_and_female", KoreaMakeSettings{CivilDate{1999, 12, 31}, HolderSex::Female}},
        MakeCase{"leap_day_2000_male", KoreaMakeSettings{CivilDate{2000, 2, 29}, HolderSex::Male}},
        MakeCase{"leap_day_1904", KoreaMakeSettings{CivilDate{1904, 2, 29}, std::nullopt}},
        MakeCase{"after_today", KoreaMakeSettings{CivilDate{2026, 12, 31}, HolderSex::Female}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeKoreaId, AMillionNumbersCheckValidAndCoverEveryDateOfTheHundredYears) {
  const ScopedToday today(kToday2026);
  SeedRandom(4);
  std::set<std::string> dates;
  for (int i = 0; i < 1000000; ++i) {
    const std::string number = MakeKoreaId(std::nullopt);
    ASSERT_TRUE(CheckKoreaId(number).valid) << number;
    dates.insert(number.substr(0, 6));
  }
  // 100 years of 365 days and 25 leap days, 00 among them.
  EXPECT_EQ(dates.size(), 36525u);
  EXPECT_TRUE(dates.count("000229"));
  EXPECT_FALSE(dates.count("010229"));
}

// The draws in order: two-digit year, month, day, sex (even: male), serial.
TEST(MakeKoreaId, EachDrawFillsItsField) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SeedRandom(seed);
    const int year = RandomDraw() % 100;
    const int month = RandomDraw() % 12 + 1;
    const int day = RandomDraw() % DaysOfMonth(year, month) + 1;
    const char sex = RandomDraw() % 2 == 0 ? '1' : '2';
    char expected[64];
    std::snprintf(expected, sizeof expected, "%02d%02d%02d%c%05d", year, month, day, sex,
                  RandomDraw() % 100000);
    SeedRandom(seed);
    EXPECT_EQ(MakeKoreaId(std::nullopt).substr(0, 12), expected) << seed;
  }
}

TEST(MakeKoreaId, PanelDateKeepsOnlyTwoYearDigits) {
  const ScopedToday today(kToday2026);
  const std::string number =
      MakeKoreaId(KoreaMakeSettings{CivilDate{1920, 5, 5}, HolderSex::Female});
  EXPECT_EQ(number.substr(0, 7), "2005052");
  EXPECT_NE(Utf8(CheckKoreaId(number).text).find("“西元 2020 年 5 月 5 日”出生的韩国“女性”"),
            std::string::npos);
}

TEST(MakeKoreaId, RecordWithoutFieldsDrawsLikeNoRecord) {
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    const std::string withRecord = MakeKoreaId(KoreaMakeSettings{});
    SeedRandom(seed);
    EXPECT_EQ(MakeKoreaId(std::nullopt), withRecord) << seed;
  }
}

TEST(MakeKoreaId, FixedSexLeavesTheDateDrawsAlone) {
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    const std::string fixedSex = MakeKoreaId(KoreaMakeSettings{std::nullopt, HolderSex::Female});
    SeedRandom(seed);
    EXPECT_EQ(MakeKoreaId(std::nullopt).substr(0, 6), fixedSex.substr(0, 6)) << seed;
  }
}

TEST(MakeKoreaId, FixedDateAndSexDrawOnlyTheSerial) {
  SeedRandom(9);
  MakeKoreaId(KoreaMakeSettings{CivilDate{1985, 5, 3}, HolderSex::Male});
  const auto afterFixed = RandomDraw();
  SeedRandom(9);
  RandomDraw();
  EXPECT_EQ(RandomDraw(), afterFixed);
}

}  // namespace
}  // namespace kesmal
