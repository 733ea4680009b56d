#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "rules/current.h"
#include "rules/hong_kong.h"
#include "rules/random_source.h"
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

IdReport CheckByLength(const std::string& number) {
  return number.size() == 8 ? CheckHongKongId8(number) : CheckHongKongId9(number);
}

class CheckHongKongIdTest : public testing::TestWithParam<ReportCase> {};

TEST_P(CheckHongKongIdTest, GivesTheReport) {
  const auto& row = GetParam();
  const std::string number = Gbk(row.number);
  const bool current = row.rules == RuleSet::Current;
  ASSERT_TRUE(current || number.size() == 8 || number.size() == 9) << "bad test row";
  const IdReport report = current ? *CheckNumberTextCurrent(number) : CheckByLength(number);
  EXPECT_EQ(Utf8(report.text), row.report);
  EXPECT_EQ(report.valid, row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckHongKongIdTest,
    testing::Values(
        ReportCase{"short_valid", "A1234563", "“A1234563”是香港身分证字号。", true},
        ReportCase{"short_wrong_check", "A1234567",
                   "最后一码检查码应该是(3)，才是正确的香港身分证字号。", false},
        ReportCase{"short_check_a_when_ten", "A000002A", "“A000002A”是香港身分证字号。", true},
        ReportCase{"short_check_0_when_multiple_of_11", "A0000070", "“A0000070”是香港身分证字号。",
                   true},
        ReportCase{"short_highest_letter_and_digits", "Z9999990", "“Z9999990”是香港身分证字号。",
                   true},
        ReportCase{"short_digit_first_no_check_sentence", "12345678",
                   "第一码应该是英文字母，才是正确的香港身分证字号。", false},
        ReportCase{"short_letter_among_digits", "A12B4567",
                   "第2-7码应该是数字(0)~(9)，才是正确的香港身分证字号。", false},
        ReportCase{"short_both_format_faults", "1A234567",
                   "第一码应该是英文字母，第2-7码应该是数字(0)~(9)，才是正确的香港身分证字号。",
                   false},
        ReportCase{"short_lower_case_letter", "a1234563",
                   "第一码应该是英文字母，才是正确的香港身分证字号。", false},
        ReportCase{"short_lower_case_check_a", "A000002a",
                   "最后一码检查码应该是(A)，才是正确的香港身分证字号。", false},
        ReportCase{"short_junk_check_position", "A123456?",
                   "最后一码检查码应该是(3)，才是正确的香港身分证字号。", false},
        ReportCase{"short_four_chinese_characters", "香港身分",
                   "第一码应该是英文字母，第2-7码应该是数字(0)~(9)，才是正确的香港身分证字号。",
                   false},
        ReportCase{"long_valid", "AB9876543", "“AB9876543”是香港身分证字号。", true},
        ReportCase{"long_check_a", "AB000005A", "“AB000005A”是香港身分证字号。", true},
        ReportCase{"long_check_0", "AB0000130", "“AB0000130”是香港身分证字号。", true},
        ReportCase{"long_highest_letters_and_digits", "ZZ9999999", "“ZZ9999999”是香港身分证字号。",
                   true},
        ReportCase{"long_wrong_check", "AB9876540",
                   "最后一码检查码应该是(3)，才是正确的香港身分证字号。", false},
        ReportCase{"long_one_letter_with_ninth_character", "A12345678",
                   "第1-2码应该是英文字母，才是正确的香港身分证字号。", false},
        ReportCase{"long_both_letters_wrong_one_sentence", "12345678X",
                   "第1-2码应该是英文字母，才是正确的香港身分证字号。", false},
        ReportCase{"long_both_format_faults", "1B12C4567",
                   "第1-2码应该是英文字母，第3-8码应该是数字(0)~(9)，才是正确的香港身分证字号。",
                   false},
        ReportCase{"long_chinese_characters", "香港身分X",
                   "第1-2码应该是英文字母，第3-8码应该是数字(0)~(9)，才是正确的香港身分证字号。",
                   false},
        ReportCase{"short_printed", "A123456(3)", "“A123456(3)”是香港身分证字号。", true,
                   RuleSet::Current},
        ReportCase{"long_printed", "AB987654(3)", "“AB987654(3)”是香港身分证字号。", true,
                   RuleSet::Current},
        ReportCase{"printed_check_a", "A000002(A)", "“A000002(A)”是香港身分证字号。", true,
                   RuleSet::Current},
        ReportCase{"printed_wrong_check", "A123456(7)",
                   "最后一码检查码应该是(3)，才是正确的香港身分证字号。", false, RuleSet::Current},
        ReportCase{"closing_bracket_of_another_kind_no_check_sentence", "A123456(3]",
                   "第8码和第10码应该是括住检查码的括号，才是正确的香港身分证字号。", false,
                   RuleSet::Current},
        ReportCase{"brackets_around_a_digit_before_the_check", "A12345(6)3",
                   "第2-7码应该是数字(0)~(9)，第8码和第10码应该是括住检查码的括号，"
                   "才是正确的香港身分证字号。",
                   false, RuleSet::Current},
        ReportCase{"long_brackets_after_the_check", "AB9876543()",
                   "第9码和第11码应该是括住检查码的括号，才是正确的香港身分证字号。", false,
                   RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HongKongCheckCode, LengthSelectsTheFormAndTheLastCharacterIsNotRead) {
  EXPECT_EQ(HongKongCheckCode("A123456?"), '3');
  EXPECT_EQ(HongKongCheckCode("AB987654?"), '3');
  // The same body read as the two-letter form counts its first letter.
  EXPECT_EQ(HongKongCheckCode("A000002B"), 'A');
  EXPECT_EQ(HongKongCheckCode("AA000002B"), '2');
}

TEST(CheckHongKongId, JunkGivesAFailedReport) {
  const std::string lead(1, '\x81');
  for (const std::string& junk :
       {std::string(8, '\0'), std::string(9, '\0'), std::string(8, '\xFF'), std::string(9, '\xFF'),
        lead + "1234567", lead + lead + "1234567", std::string("\t\r\n\x1b\x7f") + "123",
        std::string(9, ' ')}) {
    const IdReport report = CheckByLength(junk);
    EXPECT_FALSE(report.valid);
    EXPECT_NE(Utf8(report.text).find("才是正确的香港身分证字号。"), std::string::npos);
  }
}

struct MakeCase {
  const char* name;
  std::optional<HongKongMakeSettings> settings;
};

class MakeHongKongIdTest : public testing::TestWithParam<MakeCase> {};

TEST_P(MakeHongKongIdTest, EveryNumberChecksValidAndHasTheLength) {
  const auto& settings = GetParam().settings;
  SeedRandom(20261208);
  int nine = 0;
  constexpr int kCount = 40000;
  for (int i = 0; i < kCount; ++i) {
    const std::string number = MakeHongKongId(settings);
    ASSERT_TRUE(number.size() == 8 || number.size() == 9) << number;
    ASSERT_TRUE(CheckByLength(number).valid) << number;
    if (settings) {
      ASSERT_EQ(number.size(), static_cast<std::size_t>(settings->Length)) << number;
    }
    nine += number.size() == 9;
  }
  if (!settings) {
    EXPECT_GT(nine, kCount * 48 / 100);
    EXPECT_LT(nine, kCount * 52 / 100);
  }
}

INSTANTIATE_TEST_SUITE_P(, MakeHongKongIdTest,
                         testing::Values(MakeCase{"none", std::nullopt},
                                         MakeCase{"length_8", HongKongMakeSettings{8}},
                                         MakeCase{"length_9", HongKongMakeSettings{9}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MakeHongKongId, AMillionNumbersCheckValid) {
  SeedRandom(4);
  for (int i = 0; i < 1000000; ++i) {
    const std::string number = MakeHongKongId(std::nullopt);
    ASSERT_TRUE(CheckByLength(number).valid) << number;
  }
}

// The draws in order: first letter, second letter, serial, length (even: nine).
TEST(MakeHongKongId, EachDrawFillsItsField) {
  for (std::uint32_t seed = 1; seed <= 100; ++seed) {
    SeedRandom(seed);
    const char first = static_cast<char>('A' + RandomDraw() % 26);
    const char second = static_cast<char>('A' + RandomDraw() % 26);
    char serial[16];
    std::snprintf(serial, sizeof serial, "%06d", RandomDraw() % 1000000);
    const std::string body = std::string(1, second) + serial;
    const std::string expected = RandomDraw() % 2 == 0 ? first + body : body;
    SeedRandom(seed);
    const std::string made = MakeHongKongId(std::nullopt);
    EXPECT_EQ(made.substr(0, made.size() - 1), expected) << seed;
  }
}

TEST(MakeHongKongId, FixedEightStillMakesTheLengthDraw) {
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    MakeHongKongId(HongKongMakeSettings{8});
    const auto afterFixed = RandomDraw();
    SeedRandom(seed);
    MakeHongKongId(std::nullopt);
    EXPECT_EQ(RandomDraw(), afterFixed) << seed;
  }
}

TEST(MakeHongKongId, FixedNineSkipsTheLengthDraw) {
  SeedRandom(3);
  MakeHongKongId(HongKongMakeSettings{9});
  const auto afterFixed = RandomDraw();
  SeedRandom(3);
  for (int i = 0; i < 3; ++i) RandomDraw();
  EXPECT_EQ(RandomDraw(), afterFixed);
}

TEST(MakeHongKongId, FirstLetterIsDrawnEvenForEightCharacters) {
  // From one seed, the short number is the long one without its first letter.
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    const std::string shortForm = MakeHongKongId(HongKongMakeSettings{8});
    SeedRandom(seed);
    const std::string longForm = MakeHongKongId(HongKongMakeSettings{9});
    EXPECT_EQ(shortForm.substr(0, 7), longForm.substr(1, 7)) << seed;
  }
}

TEST(MakeHongKongId, RandomLengthMakesTheSameNumberAsTheFixedOne) {
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    const std::string drawn = MakeHongKongId(std::nullopt);
    SeedRandom(seed);
    EXPECT_EQ(MakeHongKongId(HongKongMakeSettings{static_cast<int>(drawn.size())}), drawn);
  }
}

TEST(MakeHongKongId, RandomDrawsCoverEveryLetterAndBothCheckExtremes) {
  SeedRandom(11);
  std::set<char> letters, checks;
  for (int i = 0; i < 5000; ++i) {
    const auto number = MakeHongKongId(HongKongMakeSettings{9});
    letters.insert(number[0]);
    letters.insert(number[1]);
    checks.insert(number.back());
  }
  EXPECT_EQ(letters.size(), 26u);
  EXPECT_EQ(checks.size(), 11u) << "0 to 9 and A";
}

}  // namespace
}  // namespace kesmal
