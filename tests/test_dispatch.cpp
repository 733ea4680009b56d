#include <gtest/gtest.h>

#include <set>

#include "rules/current.h"
#include "rules/date_phrase.h"
#include "rules/dispatch.h"
#include "rules/random_source.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

TEST(CheckNumberText, EmptyTextRunsNoChecker) { EXPECT_FALSE(CheckNumberText("")); }

struct LengthCase {
  const char* name;
  const char* text;
};

class RejectedLength : public testing::TestWithParam<LengthCase> {};

TEST_P(RejectedLength, GivesTheRejectionMessage) {
  const auto report = CheckNumberText(Gbk(GetParam().text));
  ASSERT_TRUE(report);
  EXPECT_FALSE(report->valid);
  EXPECT_EQ(Utf8(report->text), std::string("您输入的“") + GetParam().text +
                                    "”是错误或程式不支援的的身分证字号！请重新输入....");
}

INSTANTIATE_TEST_SUITE_P(, RejectedLength,
                         testing::Values(LengthCase{"one", "A"}, LengthCase{"seven", "A123456"},
                                         LengthCase{"eleven", "A1234567890"},
                                         LengthCase{"twelve", "123456789012"},
                                         LengthCase{"fourteen", "12345678901234"},
                                         LengthCase{"sixteen", "1234567890123456"},
                                         LengthCase{"seventeen", "12345678901234567"},
                                         LengthCase{"nineteen", "1234567890123456789"},
                                         LengthCase{"one_chinese_character", "台"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckNumberText, LengthInBytesDecides) {
  // Ten digits go to the Taiwan rule, and so do five double-byte characters.
  EXPECT_EQ(Utf8(CheckNumberText("1234567890")->text),
            "第一码应该是英文字母，才是正确的台湾身分证字号。");
  EXPECT_NE(Utf8(CheckNumberText(Gbk("五个中文字"))->text).find("台湾身分证字号"),
            std::string::npos);
}

struct RoutedCase {
  const char* name;
  const char* text;
  const char* report;
  RuleSet rules = RuleSet::Classic;
};

class RoutedByLength : public testing::TestWithParam<RoutedCase> {};

TEST_P(RoutedByLength, GoesToTheCheckerOfItsLength) {
  const ScopedToday today({2026, 6, 15});
  const auto report = CheckNumberText(Gbk(GetParam().text), GetParam().rules);
  ASSERT_TRUE(report);
  EXPECT_EQ(Utf8(report->text), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    , RoutedByLength,
    testing::Values(
        RoutedCase{"eight_hong_kong", "A1234563", "“A1234563”是香港身分证字号。"},
        RoutedCase{"eight_digits_still_hong_kong", "12345678",
                   "第一码应该是英文字母，才是正确的香港身分证字号。"},
        RoutedCase{"nine_hong_kong", "AB9876543", "“AB9876543”是香港身分证字号。"},
        RoutedCase{"nine_with_one_letter_judged_as_two_letter_form", "A12345678",
                   "第1-2码应该是英文字母，才是正确的香港身分证字号。"},
        RoutedCase{"thirteen_korea", "0001011000002",
                   "“0001011000002”是一位于“西元 2000 年 1 月 1 日”出生的韩国“男性”身分证字号。"},
        RoutedCase{"thirteen_letters_still_korea", "ABCDEFGHIJKLM",
                   "第1-12码应该是数字(0)~(9)，才是正确的韩国身分证字号。"},
        RoutedCase{
            "fifteen_old_mainland", "110105491231002",
            "“110105491231002”是一位于“西元 1949 年 12 月 31 日”出生在“北京市朝阳区”的中国“女性”"
            "旧身分证字号，目前应升码为“11010519491231002X”。"},
        RoutedCase{
            "eighteen_mainland", "11010519491231002X",
            "“11010519491231002X”是一位于“西元 1949 年 12 月 31 日”出生在“北京市朝阳区”的中国“女性”"
            "身分证字号。"},
        RoutedCase{"eighteen_letters_still_mainland", "ABCDEFGHIJKLMNOPQR",
                   "第1-17码应该是数字(0)~(9)，才是正确的中国身分证字号。"},
        RoutedCase{"four_chinese_characters_are_eight_bytes", "香港身分",
                   "第一码应该是英文字母，第2-7码应该是数字(0)~(9)，才是正确的香港身分证字号。"},
        RoutedCase{"ten_with_brackets_hong_kong", "Z999999(0)", "“Z999999(0)”是香港身分证字号。",
                   RuleSet::Current},
        RoutedCase{"ten_with_a_stray_bracket_hong_kong", "Z999999)0X",
                   "第8码和第10码应该是括住检查码的括号，才是正确的香港身分证字号。",
                   RuleSet::Current},
        RoutedCase{"eleven_with_brackets_hong_kong", "ZZ999999(9)",
                   "“ZZ999999(9)”是香港身分证字号。", RuleSet::Current},
        RoutedCase{"eleven_without_brackets_rejected", "ZZ99999999X",
                   "您输入的“ZZ99999999X”是错误或程式不支援的的身分证字号！请重新输入....",
                   RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckNumberTextCurrent, EmptyTextRunsNoChecker) { EXPECT_FALSE(CheckNumberTextCurrent("")); }

TEST(MakeNumberText, ChinaMakesEighteenCharactersCheckedValid) {
  SeedRandom(2);
  for (int i = 0; i < 1000; ++i) {
    const auto number = MakeNumberText(2, {});
    ASSERT_TRUE(number);
    ASSERT_EQ(number->size(), 18u);
    ASSERT_TRUE(CheckMadeNumber(2, *number).valid) << *number;
  }
  const auto chosen = MakeNumberText(2, ChinaMakeSettings{0, 5, CivilDate{1985, 5, 3}, 1});
  EXPECT_EQ(chosen->substr(0, 14), "11010519850503");
}

TEST(CheckNumberText, ValidTaiwanNumber) {
  const auto report = CheckNumberText("A123456789");
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->valid);
}

TEST(MakeNumberText, IndexOutsideTheListMakesNothing) {
  EXPECT_FALSE(MakeNumberText(-1, {}));
  EXPECT_FALSE(MakeNumberText(kWindowRowCount, {}));
}

TEST(MakeNumberText, TaiwanNumberIsCheckedValidAfterwards) {
  SeedRandom(1);
  const auto number = MakeNumberText(0, {});
  ASSERT_TRUE(number);
  EXPECT_TRUE(CheckMadeNumber(0, *number).valid);
}

TEST(MakeNumberText, SettingsOfAnotherJurisdictionCountAsNone) {
  SeedRandom(1);
  const auto withForeign = MakeNumberText(0, HongKongMakeSettings{9});
  SeedRandom(1);
  EXPECT_EQ(withForeign, MakeNumberText(0, {}));
}

TEST(MakeNumberText, TaiwanSettingsApply) {
  const auto number = MakeNumberText(0, TaiwanMakeSettings{8, HolderSex::Female});
  ASSERT_TRUE(number);
  EXPECT_EQ(number->substr(0, 2), "I2");
}

TEST(MakeNumberText, HongKongMakesBothLengthsAndEachIsCheckedValid) {
  SeedRandom(2);
  std::set<std::size_t> lengths;
  for (int i = 0; i < 200; ++i) {
    const auto number = MakeNumberText(1, {});
    ASSERT_TRUE(number);
    lengths.insert(number->size());
    const IdReport report = CheckMadeNumber(1, *number);
    EXPECT_TRUE(report.valid) << *number;
    EXPECT_EQ(Utf8(report.text), "“" + *number + "”是香港身分证字号。");
  }
  EXPECT_EQ(lengths, (std::set<std::size_t>{8, 9}));
}

TEST(MakeNumberText, HongKongSettingsApply) {
  for (int length : {8, 9}) {
    const auto number = MakeNumberText(1, HongKongMakeSettings{length});
    ASSERT_TRUE(number);
    EXPECT_EQ(number->size(), static_cast<std::size_t>(length));
  }
}

TEST(MakeNumberText, KoreaNumberIsCheckedValidAndCarriesTheSettings) {
  const ScopedToday today({2026, 6, 15});
  SeedRandom(3);
  for (int i = 0; i < 200; ++i) {
    const auto number = MakeNumberText(3, {});
    ASSERT_TRUE(number);
    EXPECT_TRUE(CheckMadeNumber(3, *number).valid) << *number;
  }
  const auto fixed = MakeNumberText(3, KoreaMakeSettings{CivilDate{1985, 5, 3}, HolderSex::Female});
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->substr(0, 7), "8505032");
}

TEST(CheckMadeNumber, HongKongPicksTheCheckerByTheLengthReadBack) {
  // The long form would fault a one-letter number; the short form would reject two letters.
  EXPECT_TRUE(CheckMadeNumber(1, "A1234563").valid);
  EXPECT_TRUE(CheckMadeNumber(1, "AB9876543").valid);
}

TEST(CheckMadeNumber, UnexpectedLengthIsJudgedByItsLengthNeverReadPastTheEnd) {
  EXPECT_EQ(Utf8(CheckMadeNumber(1, "A1").text),
            "您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入....");
  EXPECT_EQ(Utf8(CheckMadeNumber(3, "A123456789").text),
            "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。");
  EXPECT_EQ(Utf8(CheckMadeNumber(3, "").text), "");
}

}  // namespace
}  // namespace kesmal
