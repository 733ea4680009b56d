#include <gtest/gtest.h>

#include "rules/dispatch.h"
#include "rules/id_report.h"
#include "rules/report_text.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

constexpr CivilDate kToday{2026, 6, 15};

struct FieldCase {
  const char* name;
  const char* number;
  std::optional<Jurisdiction> jurisdiction;
  std::vector<FaultCode> faults;
  char expected;  // the check character a CheckCode fault names, else '\0'
  std::optional<std::string> birthplace;
  std::optional<std::string> regionCode;
  std::optional<Birthday> birthday;
  std::optional<HolderSex> sex;
  std::optional<std::string> upgrade;
};

class AnalysisOfCheck : public testing::TestWithParam<FieldCase> {};

TEST_P(AnalysisOfCheck, CarriesTheFactsOfTheReport) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  const auto report = CheckNumberText(Gbk(row.number));
  ASSERT_TRUE(report);
  const IdAnalysis& id = report->analysis;
  EXPECT_EQ(id.jurisdiction, row.jurisdiction);
  EXPECT_EQ(id.number, Gbk(row.number));
  EXPECT_EQ(id.Valid(), report->valid);

  std::vector<FaultCode> codes;
  for (const Fault& fault : id.faults) codes.push_back(fault.code);
  EXPECT_EQ(codes, row.faults);
  if (!id.faults.empty()) {
    EXPECT_EQ(id.faults.back().expected, row.expected);
    EXPECT_EQ(report->text.rfind(id.FaultSentences(), 0), 0u)
        << "a failed report starts with its fault sentences";
  }

  EXPECT_EQ(id.birthplace ? std::optional(Utf8(id.birthplace->gbk)) : std::nullopt, row.birthplace);
  EXPECT_EQ(id.regionCode, row.regionCode);
  EXPECT_EQ(id.birthday, row.birthday);
  EXPECT_EQ(id.sex, row.sex);
  EXPECT_EQ(id.upgrade, row.upgrade);
}

using enum FaultCode;
using enum HolderSex;
constexpr auto kTw = Jurisdiction::Taiwan;
constexpr auto kHk = Jurisdiction::HongKong;
constexpr auto kCn = Jurisdiction::China;
constexpr auto kCn15 = Jurisdiction::ChinaOld;
constexpr auto kKr = Jurisdiction::Korea;
const std::nullopt_t none = std::nullopt;

Birthday Born(int year, int month, int day, bool notYetBorn = false, bool recordAge = false) {
  return {{year, month, day}, notYetBorn, recordAge};
}

INSTANTIATE_TEST_SUITE_P(
    , AnalysisOfCheck,
    testing::Values(
        FieldCase{"taiwan_valid", "A123456789", kTw, {}, 0, "台北市", none, none, Male, none},
        FieldCase{"taiwan_woman", "B223456782", kTw, {}, 0, "台中市", none, none, Female, none},
        FieldCase{"taiwan_three_format_faults_in_order",
                  "1312345X78",
                  kTw,
                  {Letter, SexDigit, Digits},
                  0,
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{
            "taiwan_check", "A123456780", kTw, {CheckCode}, '9', none, none, none, none, none},
        FieldCase{"hong_kong_8_valid", "A1234563", kHk, {}, 0, none, none, none, none, none},
        FieldCase{"hong_kong_9_check_a",
                  "AB987654A",
                  kHk,
                  {CheckCode},
                  '3',
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{"hong_kong_9_letters_and_digits",
                  "1B98765X3",
                  kHk,
                  {Letter, Digits},
                  0,
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{"china_valid",
                  "11010519491231002X",
                  kCn,
                  {},
                  0,
                  "北京市朝阳区",
                  "110105",
                  Born(1949, 12, 31),
                  Female,
                  none},
        FieldCase{"china_unknown_region_has_code_but_no_name",
                  "710000198001010010",
                  kCn,
                  {},
                  0,
                  none,
                  "710000",
                  Born(1980, 1, 1),
                  Male,
                  none},
        FieldCase{"china_not_yet_born",
                  "110101203001010014",
                  kCn,
                  {},
                  0,
                  "北京市东城区",
                  "110101",
                  Born(2030, 1, 1, true),
                  Male,
                  none},
        FieldCase{"china_record_age",
                  "110101190501010010",
                  kCn,
                  {},
                  0,
                  "北京市东城区",
                  "110101",
                  Born(1905, 1, 1, false, true),
                  Male,
                  none},
        FieldCase{"china_check_has_no_fields",
                  "110105194912310021",
                  kCn,
                  {CheckCode},
                  'X',
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{
            "china_date", "110105194902300021", kCn, {BirthDate}, 0, none, none, none, none, none},
        FieldCase{
            "china_digits", "1101051949123100AX", kCn, {Digits}, 0, none, none, none, none, none},
        FieldCase{"china_old_valid",
                  "110105491231002",
                  kCn15,
                  {},
                  0,
                  "北京市朝阳区",
                  "110105",
                  Born(1949, 12, 31),
                  Female,
                  "11010519491231002X"},
        FieldCase{"china_old_date",
                  "110105000229002",
                  kCn15,
                  {BirthDate},
                  0,
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{"china_old_digits",
                  "11010549123100X",
                  kCn15,
                  {Digits},
                  0,
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{
            "korea_valid", "0001011000002", kKr, {}, 0, none, none, Born(2000, 1, 1), Male, none},
        FieldCase{"korea_two_digit_27_is_1927",
                  "2701012000002",
                  kKr,
                  {},
                  0,
                  none,
                  none,
                  Born(1927, 1, 1),
                  Female,
                  none},
        FieldCase{"korea_date_and_sex",
                  "0013013000000",
                  kKr,
                  {BirthDate, SexDigit},
                  0,
                  none,
                  none,
                  none,
                  none,
                  none},
        FieldCase{
            "korea_check", "0001011000003", kKr, {CheckCode}, '2', none, none, none, none, none},
        FieldCase{"rejected_length", "A1", none, {Length}, 0, none, none, none, none, none}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnalysisOfRejection, FaultIsTheWholeReport) {
  const auto report = CheckNumberText(Gbk("台"));
  ASSERT_TRUE(report);
  ASSERT_EQ(report->analysis.faults.size(), 1u);
  EXPECT_EQ(report->analysis.faults[0].Sentence().gbk, report->text);
}

// Pieces of every length to past the longest copied inline, no two bytes alike.
TEST(ReportWriter, PutsEveryPieceWhole) {
  const std::string_view bytes = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const auto piece = [&](std::size_t size) { return Ascii(bytes.substr(size % 21, size)); };
  for (const Encoding encoding : {Encoding::Gbk, Encoding::Utf8}) {
    for (std::size_t n = 0; n + 3 <= 40; ++n) {
      std::string out = "=";
      out.reserve(192);  // as a report's text
      ReportWriter(encoding, out).Put({piece(n), piece(n + 1), piece(n + 2), piece(n + 3)});
      std::string expected = "=";
      for (std::size_t size = n; size <= n + 3; ++size) expected += piece(size).gbk;
      EXPECT_EQ(out, expected) << n;
    }
  }
}

}  // namespace
}  // namespace kesmal
