#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "data/regions.h"
#include "rules/china.h"
#include "rules/current.h"
#include "rules/random_source.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

constexpr CivilDate kToday{2026, 12, 8};

struct ReportCase {
  const char* name;
  const char* number;
  const char* report;
  bool valid;
  RuleSet rules = RuleSet::Classic;
};

class CheckChinaIdTest : public testing::TestWithParam<ReportCase> {};

TEST_P(CheckChinaIdTest, GivesTheReport) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const std::string number = Gbk(row.number);
  const IdReport report =
      row.rules == RuleSet::Current ? *CheckNumberTextCurrent(number) : CheckChinaId(number);
  EXPECT_EQ(Utf8(report.text), row.report);
  EXPECT_EQ(report.valid, row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckChinaIdTest,
    testing::Values(
        ReportCase{"beijing_woman_x", "11010519491231002X",
                   "“11010519491231002X”是一位于“西元 1949 年 12 月 31 "
                   "日”出生在“北京市朝阳区”的中国“女性”身分证字号。",
                   true},
        // A province's name is cached in its own slot, which the next row must not find.
        ReportCase{"last_province_unlisted_row", "659002198001010023",
                   "“659002198001010023”是一位于“西元 1980 年 1 月 1 "
                   "日”出生在“新疆维吾尔自治区”的中国“女性”身分证字号。",
                   true},
        ReportCase{"listed_province_unlisted_row", "110112198001010028",
                   "“110112198001010028”是一位于“西元 1980 年 1 月 1 "
                   "日”出生在“北京市”的中国“女性”身分证字号。",
                   true},
        ReportCase{"unknown_province_71", "710000198001010010",
                   "“710000198001010010”是一位于“西元 1980 年 1 月 1 "
                   "日”出生在“未知出生地”的中国“男性”身分证字号。",
                   true},
        ReportCase{"not_yet_born", "110101203001010014",
                   "“110101203001010014”是一位于“西元 2030 年 1 月 1 "
                   "日”(尚未出生)出生在“北京市东城区”的中国“男性”身分证字号。",
                   true},
        ReportCase{"wrong_check", "110105194912310021",
                   "最后一码检查码应该是(X)，才是正确的中国身分证字号。", false},
        ReportCase{"lower_case_x", "11010519491231002x",
                   "最后一码检查码应该是(X)，才是正确的中国身分证字号。", false},
        ReportCase{"letter_at_18_is_no_digit_fault", "11010519491231002A",
                   "最后一码检查码应该是(X)，才是正确的中国身分证字号。", false},
        ReportCase{"letters_in_body", "1101051949123100AX",
                   "第1-17码应该是数字(0)~(9)，才是正确的中国身分证字号。", false},
        ReportCase{"february_30", "110105194902300021",
                   "第7-14码的出生日期应该是正确的日期格式，才是正确的中国身分证字号。", false},
        ReportCase{"year_0085", "110101008501010017",
                   "第7-14码的出生日期应该是正确的日期格式，才是正确的中国身分证字号。", false},
        ReportCase{"digit_fault_before_date_fault", "1101051949023A0021",
                   "第1-17码应该是数字(0)~(9)，才是正确的中国身分证字号。", false},
        ReportCase{"date_fault_before_check_fault", "110105194913310020",
                   "第7-14码的出生日期应该是正确的日期格式，才是正确的中国身分证字号。", false},
        ReportCase{"duplicate_code_names_first_row", "130638199001010027",
                   "“130638199001010027”是一位于“西元 1990 年 1 月 1 "
                   "日”出生在“河北省雄县”的中国“女性”身分证字号。",
                   true},
        ReportCase{"hong_kong_resident", "810000199001010019",
                   "“810000199001010019”是一位于“西元 1990 年 1 月 1 日”出生的“香港”居民的中国"
                   "“男性”居住证字号。",
                   true, RuleSet::Current},
        ReportCase{"macao_resident", "820000199001010010",
                   "“820000199001010010”是一位于“西元 1990 年 1 月 1 日”出生的“澳门”居民的中国"
                   "“男性”居住证字号。",
                   true, RuleSet::Current},
        ReportCase{"taiwan_resident", "830000199001010012",
                   "“830000199001010012”是一位于“西元 1990 年 1 月 1 日”出生的“台湾”居民的中国"
                   "“男性”居住证字号。",
                   true, RuleSet::Current},
        ReportCase{"other_code_of_hong_kong_stays_unknown", "810001199001010015",
                   "“810001199001010015”是一位于“西元 1990 年 1 月 1 日”出生在“未知出生地”的中国"
                   "“男性”身分证字号。",
                   true, RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

// Builds a valid number around a date, to test the date rule alone.
std::string WithDate(const char* yyyymmdd) {
  std::string body = std::string("110101") + yyyymmdd + "001";
  return body + ChinaCheckCode(body);
}

struct DateCase {
  const char* name;
  const char* date;
  bool valid;
  const char* phrase;  // expected inside the report when valid
};

class ChinaDates : public testing::TestWithParam<DateCase> {};

TEST_P(ChinaDates, AreJudgedByTheGregorianCalendar) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const IdReport report = CheckChinaId(WithDate(row.date));
  EXPECT_EQ(report.valid, row.valid) << Utf8(report.text);
  if (row.valid) {
    EXPECT_NE(Utf8(report.text).find(row.phrase), std::string::npos) << Utf8(report.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    , ChinaDates,
    testing::Values(DateCase{"leap_2000", "20000229", true, "2000 年 2 月 29 日"},
                    DateCase{"leap_1980", "19800229", true, "1980 年 2 月 29 日"},
                    DateCase{"not_leap_1900", "19000229", false, ""},
                    DateCase{"not_leap_1981", "19810229", false, ""},
                    DateCase{"year_0100_is_a_record_age", "01000101", true,
                             "“西元 100 年 1 月 1 日”(破世界纪录的人瑞)"},
                    DateCase{"year_0099", "00990101", false, ""},
                    DateCase{"month_00", "19800001", false, ""},
                    DateCase{"day_00", "19800100", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChinaCheckCode, ReadsSeventeenDigitsOnly) {
  EXPECT_EQ(ChinaCheckCode("11010519491231002"), 'X');
  EXPECT_EQ(ChinaCheckCode("11010519491231002?"), 'X');
  EXPECT_EQ(ChinaCheckCode("13063819900101002"), '7');
  EXPECT_EQ(ChinaCheckCode("15263119850503001"), 'X') << "the third digit weighs 10";
  EXPECT_EQ(ChinaCheckCode("11010519850503501"), '4') << "the fifteenth digit weighs 5";
}

struct OldCase {
  const char* name;
  const char* number;
  const char* report;
  bool valid;
};

class CheckChinaOldIdTest : public testing::TestWithParam<OldCase> {};

TEST_P(CheckChinaOldIdTest, GivesTheReport) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const IdReport report = CheckChinaOldId(Gbk(row.number));
  EXPECT_EQ(Utf8(report.text), row.report);
  EXPECT_EQ(report.valid, row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckChinaOldIdTest,
    testing::Values(
        OldCase{
            "beijing_woman", "110105491231002",
            "“110105491231002”是一位于“西元 1949 年 12 月 31 "
            "日”出生在“北京市朝阳区”的中国“女性”旧身分证字号，目前应升码为“11010519491231002X”。",
            true},
        OldCase{"duplicate_code", "130638900101002",
                "“130638900101002”是一位于“西元 1990 年 1 月 1 "
                "日”出生在“河北省雄县”的中国“女性”旧身分证字号，目前应升码为“130638199001010027”。",
                true},
        OldCase{"record_age", "110101050101001",
                "“110101050101001”是一位于“西元 1905 年 1 月 1 "
                "日”(破世界纪录的人瑞)"
                "出生在“北京市东城区”的中国“男性”旧身分证字号，目前应升码为“110101190501010010”。",
                true},
        OldCase{"unknown_province", "710000800101001",
                "“710000800101001”是一位于“西元 1980 年 1 月 1 "
                "日”出生在“未知出生地”的中国“男性”旧身分证字号，目前应升码为“710000198001010010”。",
                true},
        OldCase{"letter_at_15", "11010549123100X",
                "应该全部输入数字(0)~(9)，才是正确的中国旧身分证字号。", false},
        OldCase{"february_30", "110105490230002",
                "第7-12码的出生日期应该是正确的日期格式，才是正确的中国旧身分证字号。", false},
        OldCase{"1900_not_leap", "110105000229002",
                "第7-12码的出生日期应该是正确的日期格式，才是正确的中国旧身分证字号。", false},
        OldCase{"00_is_1900_never_2000", "110105000101002",
                "“110105000101002”是一位于“西元 1900 年 1 月 1 "
                "日”(破世界纪录的人瑞)"
                "出生在“北京市朝阳区”的中国“女性”旧身分证字号，目前应升码为“110105190001010028”。",
                true}),
    [](const auto& info) { return std::string(info.param.name); });

// The part of a success report after the number: date, birthplace and sex.
std::string Holder(const std::string& report) {
  const auto start = report.find("是一位于");
  const auto sexStart = report.find("的中国") + std::string("的中国").size();
  const auto sexEnd = report.find("”", sexStart) + std::string("”").size();
  return report.substr(start, sexEnd - start);
}

TEST(UpgradeChinaId, EveryCorrectOldNumberUpgradesToTheSameHolder) {
  ScopedToday pinned(kToday);
  SeedRandom(15);
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    // Old numbers from random rows, dates of the 1900s (some invalid) and sequences.
    const auto row = RandomDraw() % CountyRowCount();
    const std::string old = RegionCodeTextOfRow(row) + RandomDigits(0, 99, 2) +
                            RandomDigits(1, 12, 2) + RandomDigits(1, 31, 2) +
                            RandomDigits(0, 999, 3);
    const IdReport oldReport = CheckChinaOldId(old);
    if (!oldReport.valid) continue;
    const std::string upgraded = UpgradeChinaId(old);
    const IdReport newReport = CheckChinaId(upgraded);
    ASSERT_TRUE(newReport.valid) << old;
    ASSERT_EQ(Holder(Utf8(newReport.text)), Holder(Utf8(oldReport.text))) << old;
    ++checked;
  }
  EXPECT_GT(checked, 15000);
}

struct MakeCase {
  const char* name;
  std::optional<ChinaMakeSettings> settings;
};

class MakeChinaIdTest : public testing::TestWithParam<MakeCase> {};

TEST_P(MakeChinaIdTest, EveryNumberChecksValidAndCarriesTheSettings) {
  ScopedToday pinned(kToday);
  const auto& settings = GetParam().settings;
  SeedRandom(18);
  std::set<char> sexDigits;
  for (int i = 0; i < 20000; ++i) {
    const std::string number = MakeChinaId(settings);
    ASSERT_EQ(number.size(), 18u);
    ASSERT_TRUE(CheckChinaId(number).valid) << number;
    sexDigits.insert(number[16]);
    const int year = std::stoi(number.substr(6, 4));
    if (settings && settings->BirthDate) {
      ASSERT_EQ(number.substr(6, 8), "19850503");
    } else {
      ASSERT_GE(year, kToday.year - 85) << number;
      ASSERT_LE(year, kToday.year - 6) << number;
    }
    if (settings && settings->SubLocal >= 0) {
      ASSERT_EQ(number.substr(0, 6),
                RegionCodeTextOfRow(CountyRowAt(settings->Local, settings->SubLocal)));
    }
  }
  const int sex = settings ? settings->Sex : -1;
  const std::set<char> expected =
      sex == 0   ? std::set<char>{'1', '3', '5', '7', '9'}
      : sex == 1 ? std::set<char>{'0', '2', '4', '6', '8'}
                 : std::set<char>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(sexDigits, expected);
}

constexpr CivilDate kPanelDate{1985, 5, 3};

INSTANTIATE_TEST_SUITE_P(
    , MakeChinaIdTest,
    testing::Values(MakeCase{"none", std::nullopt},
                    MakeCase{"date_only_no_province", ChinaMakeSettings{-1, -1, kPanelDate, -1}},
                    MakeCase{"beijing_first_row_man", ChinaMakeSettings{0, 0, kPanelDate, 0}},
                    MakeCase{"xinjiang_last_row_woman", ChinaMakeSettings{30, 113, kPanelDate, 1}},
                    MakeCase{"sichuan_any_sex", ChinaMakeSettings{22, 5, kPanelDate, -1}},
                    MakeCase{"sex_only", ChinaMakeSettings{-1, -1, std::nullopt, 1}},
                    MakeCase{"region_only", ChinaMakeSettings{2, 116, std::nullopt, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeChinaId, DrawnDaysAreValidForTheirMonthAndCoverLeapDays) {
  ScopedToday pinned(kToday);
  SeedRandom(229);
  bool sawLeapDay = false;
  for (int i = 0; i < 200000 && !sawLeapDay; ++i)
    sawLeapDay = MakeChinaId(std::nullopt).substr(10, 4) == "0229";
  EXPECT_TRUE(sawLeapDay);
}

// The draws in order: region row, year, month, day, sequence, sex digit.
TEST(MakeChinaId, EachDrawFillsItsField) {
  ScopedToday pinned(kToday);
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SeedRandom(seed);
    const int row = RandomDraw() % CountyRowCount();
    const int year = kToday.year - 6 - RandomDraw() % 80;
    const int month = RandomDraw() % 12 + 1;
    const int day = RandomDraw() % DaysOfMonth(year, month) + 1;
    const int sequence = RandomDraw() % 100;
    const int sexDigit = RandomDraw() % 10;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%s%04d%02d%02d%02d%d",
                  RegionCodeTextOfRow(row).c_str(), year, month, day, sequence, sexDigit);
    SeedRandom(seed);
    EXPECT_EQ(MakeChinaId(std::nullopt).substr(0, 17), expected) << seed;
  }
}

TEST(MakeChinaId, RandomDrawsReachBothEndsOfTheRegionTableAndEveryMonth) {
  SeedRandom(3);
  std::set<std::string> codes, months;
  for (int i = 0; i < 200000; ++i) {
    const std::string number = MakeChinaId(std::nullopt);
    codes.insert(number.substr(0, 6));
    months.insert(number.substr(10, 2));
  }
  EXPECT_EQ(months.size(), 12u);
  EXPECT_TRUE(codes.count(RegionCodeTextOfRow(0)) &&
              codes.count(RegionCodeTextOfRow(CountyRowCount() - 1)));
  EXPECT_TRUE(codes.count("110100")) << "a bracket row can be drawn";
  EXPECT_GT(codes.size(), static_cast<std::size_t>(CountyRowCount()) * 9 / 10);
}

TEST(MakeChinaId, RowOfTheDuplicateCodeIsReportedAsTheFirstRow) {
  ScopedToday pinned(kToday);
  const int hebei = *FindProvince(13);
  const int anguo = *FindRowByCode(130638) + 1 - ProvinceTable[hebei].First;
  EXPECT_EQ(Utf8(CountyNames(hebei)[anguo]), "安国市");
  const std::string number = MakeChinaId(ChinaMakeSettings{hebei, anguo, kPanelDate, 0});
  EXPECT_EQ(number.substr(0, 6), "130638");
  EXPECT_NE(Utf8(CheckChinaId(number).text).find("“河北省雄县”"), std::string::npos);
}

TEST(MakeChinaId, ChoiceOutsideTheListsIsIgnoredNotRead) {
  SeedRandom(4);
  const auto number = MakeChinaId(ChinaMakeSettings{31, 0, kPanelDate, 0});
  EXPECT_TRUE(CheckChinaId(number).valid);
}

}  // namespace
}  // namespace kesmal
