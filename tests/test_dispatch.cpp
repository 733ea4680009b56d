#include "rules/dispatch.h"

#include <gtest/gtest.h>

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

TEST(CheckNumberText, ValidTaiwanNumber) {
  const auto report = CheckNumberText("A123456789");
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->valid);
}

TEST(MakeNumberText, IndexOutsideTheListMakesNothing) {
  EXPECT_FALSE(MakeNumberText(-1, {}));
  EXPECT_FALSE(MakeNumberText(kJurisdictionCount, {}));
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

}  // namespace
}  // namespace kesmal
