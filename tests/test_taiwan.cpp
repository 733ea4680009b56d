#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "data/taiwan_letters.h"
#include "rules/current.h"
#include "rules/random_source.h"
#include "rules/taiwan.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

struct ReportCase {
  const char* name;
  const char* number;
  const char* report;
  bool valid;
  RuleSet rules = RuleSet::Classic;
};

class CheckTaiwanIdTest : public testing::TestWithParam<ReportCase> {};

TEST_P(CheckTaiwanIdTest, GivesTheReport) {
  const auto& row = GetParam();
  const std::string number = Gbk(row.number);
  const IdReport report =
      row.rules == RuleSet::Current ? *CheckNumberTextCurrent(number) : CheckTaiwanId(number);
  EXPECT_EQ(Utf8(report.text), row.report);
  EXPECT_EQ(report.valid, row.valid);
}

constexpr const char* kClosing = "才是正确的台湾身分证字号。";

INSTANTIATE_TEST_SUITE_P(
    , CheckTaiwanIdTest,
    testing::Values(
        ReportCase{"valid_taipei_male", "A123456789",
                   "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。", true},
        ReportCase{"valid_taipei_female", "A200000003",
                   "“A200000003”是出生地在“台北市”的“女性”台湾身分证字号。", true},
        ReportCase{"wrong_check_digit", "A123456780",
                   "最后一码检查码应该是(9)，才是正确的台湾身分证字号。", false},
        ReportCase{"letter_in_check_position", "A12345678X",
                   "最后一码检查码应该是(9)，才是正确的台湾身分证字号。", false},
        ReportCase{"check_digit_zero", "A100000010",
                   "“A100000010”是出生地在“台北市”的“男性”台湾身分证字号。", true},
        ReportCase{"letter_i_counts_34", "I200000005",
                   "“I200000005”是出生地在“嘉义市”的“女性”台湾身分证字号。", true},
        ReportCase{"letter_y", "Y100000000",
                   "“Y100000000”是出生地在“阳明山”的“男性”台湾身分证字号。", true},
        ReportCase{"digit_first", "1234567890", "第一码应该是英文字母，才是正确的台湾身分证字号。",
                   false},
        ReportCase{"sex_digit_3", "A323456789",
                   "第二码应该是男性(1)或女性(2)，才是正确的台湾身分证字号。", false},
        ReportCase{"letter_among_serial", "A1B3456789",
                   "第3-9码应该是数字(0)~(9)，才是正确的台湾身分证字号。", false},
        ReportCase{
            "all_letters", "AAAAAAAAAA",
            "第二码应该是男性(1)或女性(2)，第3-9码应该是数字(0)~(9)，才是正确的台湾身分证字号。",
            false},
        ReportCase{"three_format_faults", "1A1B345678",
                   "第一码应该是英文字母，第二码应该是男性(1)或女性(2)，第3-9码应该是数字(0)~(9)，"
                   "才是正确的台湾身分证字号。",
                   false},
        ReportCase{"lower_case_letter", "a123456789",
                   "第一码应该是英文字母，才是正确的台湾身分证字号。", false},
        ReportCase{"five_chinese_characters", "台北市高雄",
                   "第一码应该是英文字母，第二码应该是男性(1)或女性(2)，第3-9码应该是数字(0)~(9)，"
                   "才是正确的台湾身分证字号。",
                   false},
        ReportCase{"identity_card_as_before", "A123456789",
                   "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。", true,
                   RuleSet::Current},
        ReportCase{"certificate_8_male", "A800000014",
                   "“A800000014”是登记地在“台北市”的“男性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"certificate_9_female", "A900000007",
                   "“A900000007”是登记地在“台北市”的“女性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"old_certificate_a_male", "AA12345675",
                   "“AA12345675”是登记地在“台北市”的“男性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"old_certificate_b_female", "AB12345677",
                   "“AB12345677”是登记地在“台北市”的“女性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"old_certificate_c_male", "AC12345679",
                   "“AC12345679”是登记地在“台北市”的“男性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"old_certificate_d_female", "AD12345671",
                   "“AD12345671”是登记地在“台北市”的“女性”台湾居留证字号。", true,
                   RuleSet::Current},
        ReportCase{"old_certificate_weighs_units_digit_of_letter_code", "AB12345670",
                   "最后一码检查码应该是(7)，才是正确的台湾身分证字号。", false, RuleSet::Current},
        ReportCase{"letter_e_is_no_certificate", "AE12345677",
                   "第二码应该是男性(1、8、A、C)或女性(2、9、B、D)，才是正确的台湾身分证字号。",
                   false, RuleSet::Current},
        ReportCase{"digit_3_still_a_fault", "A312345678",
                   "第二码应该是男性(1、8、A、C)或女性(2、9、B、D)，才是正确的台湾身分证字号。",
                   false, RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TaiwanLetterTable, EveryCapitalHasOneRowInLetterOrder) {
  for (int row = 0; row < 26; ++row) {
    EXPECT_EQ(TaiwanLetterTable[row].Letter, 'A' + row);
    EXPECT_EQ(TaiwanLetterRow(static_cast<char>('A' + row)), row);
  }
  EXPECT_FALSE(TaiwanLetterRow('a'));
  EXPECT_FALSE(TaiwanLetterRow('1'));
}

TEST(TaiwanLetterTable, CodesAreADistinctSetOfTenToThirtyFive) {
  std::array<bool, 36> seen{};
  for (const auto& row : TaiwanLetterTable) {
    ASSERT_GE(row.Code, 10);
    ASSERT_LE(row.Code, 35);
    EXPECT_FALSE(seen[row.Code]) << row.Code;
    seen[row.Code] = true;
  }
}

TEST(TaiwanCheckCode, ReadsOnlyNineCharacters) {
  EXPECT_EQ(TaiwanCheckCode("A12345678"), '9');
  EXPECT_EQ(TaiwanCheckCode("A12345678?"), '9');
}

struct MakeCase {
  const char* name;
  std::optional<TaiwanMakeSettings> settings;
};

class MakeTaiwanIdTest : public testing::TestWithParam<MakeCase> {};

TEST_P(MakeTaiwanIdTest, EveryNumberChecksValidAndCarriesTheSettings) {
  const auto& settings = GetParam().settings;
  SeedRandom(20261208);
  for (int i = 0; i < 20000; ++i) {
    const std::string number = MakeTaiwanId(settings);
    ASSERT_EQ(number.size(), 10u);
    ASSERT_TRUE(CheckTaiwanId(number).valid) << number;
    if (settings && settings->Region) {
      ASSERT_EQ(number[0], 'A' + *settings->Region) << number;
    }
    if (settings && settings->Sex) {
      ASSERT_EQ(number[1], *settings->Sex == HolderSex::Male ? '1' : '2') << number;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    , MakeTaiwanIdTest,
    testing::Values(MakeCase{"none", std::nullopt}, MakeCase{"empty_record", TaiwanMakeSettings{}},
                    MakeCase{"region_only", TaiwanMakeSettings{25, std::nullopt}},
                    MakeCase{"male_only", TaiwanMakeSettings{std::nullopt, HolderSex::Male}},
                    MakeCase{"chiayi_female", TaiwanMakeSettings{8, HolderSex::Female}},
                    MakeCase{"taipei_male", TaiwanMakeSettings{0, HolderSex::Male}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeTaiwanId, ChiayiFemaleIsReportedSo) {
  SeedRandom(5);
  const auto number = MakeTaiwanId(TaiwanMakeSettings{8, HolderSex::Female});
  EXPECT_EQ(number.substr(0, 2), "I2");
  EXPECT_NE(Utf8(CheckTaiwanId(number).text).find("“嘉义市”的“女性”"), std::string::npos);
}

// The draws in order: region row, sex (even: male), serial.
TEST(MakeTaiwanId, EachDrawFillsItsField) {
  for (std::uint32_t seed = 1; seed <= 100; ++seed) {
    SeedRandom(seed);
    const char letter = static_cast<char>('A' + RandomDraw() % 26);
    const char sex = RandomDraw() % 2 == 0 ? '1' : '2';
    char expected[64];
    std::snprintf(expected, sizeof expected, "%c%c%07d", letter, sex, RandomDraw() % 10000000);
    SeedRandom(seed);
    EXPECT_EQ(MakeTaiwanId(std::nullopt).substr(0, 9), expected) << seed;
  }
}

TEST(MakeTaiwanId, RandomDrawsCoverEveryLetterAndBothSexes) {
  SeedRandom(11);
  std::set<char> letters, sexes;
  for (int i = 0; i < 2000; ++i) {
    const auto number = MakeTaiwanId(std::nullopt);
    letters.insert(number[0]);
    sexes.insert(number[1]);
  }
  EXPECT_EQ(letters.size(), 26u);
  EXPECT_EQ(sexes, (std::set<char>{'1', '2'}));
}

}  // namespace
}  // namespace kesmal
