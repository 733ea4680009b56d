#include <gtest/gtest.h>

#include "kesmal/check.h"
#include "kesmal/records.h"

namespace kesmal {
namespace {

struct ObjectCase {
  const char* name;
  const char* input;  // UTF-8, as typed
  const char* json;
  std::optional<RuleSet> rules = std::nullopt;  // as --rules names them
};

class CheckJsonIn2026 : public testing::TestWithParam<ObjectCase> {};

TEST_P(CheckJsonIn2026, HoldsTheFieldsAndTheReport) {
  const ScopedToday today({2026, 6, 15});
  const auto& row = GetParam();
  EXPECT_EQ(Check(row.input, row.rules).Json(), row.json);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckJsonIn2026,
    testing::Values(
        ObjectCase{"taiwan", "A123456789",
                   R"({"input":"A123456789","jurisdiction":"tw","valid":true,"faults":[],)"
                   R"("birthplace":"台北市","sex":"male",)"
                   R"("report":"“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。"})"},
        ObjectCase{"taiwan_faults_in_report_order", "1312345X78",
                   R"({"input":"1312345X78","jurisdiction":"tw","valid":false,"faults":[)"
                   R"({"code":"letter","message":"第一码应该是英文字母，"},)"
                   R"({"code":"sex_digit","message":"第二码应该是男性(1)或女性(2)，"},)"
                   R"({"code":"digits","message":"第3-9码应该是数字(0)~(9)，"}],)"
                   R"("report":"第一码应该是英文字母，第二码应该是男性(1)或女性(2)，)"
                   R"(第3-9码应该是数字(0)~(9)，才是正确的台湾身分证字号。"})"},
        ObjectCase{"hong_kong_8", "A1234563",
                   R"({"input":"A1234563","jurisdiction":"hk","valid":true,"faults":[],)"
                   R"("report":"“A1234563”是香港身分证字号。"})"},
        ObjectCase{"hong_kong_9_check_character", "AB9876540",
                   R"({"input":"AB9876540","jurisdiction":"hk","valid":false,"faults":[)"
                   R"({"code":"check_code","message":"最后一码检查码应该是(3)，","expected":"3"}],)"
                   R"("report":"最后一码检查码应该是(3)，才是正确的香港身分证字号。"})"},
        ObjectCase{
            "china", "11010519491231002X",
            R"({"input":"11010519491231002X","jurisdiction":"cn","valid":true,"faults":[],)"
            R"("birthplace":"北京市朝阳区","region_code":"110105","birth_date":"1949-12-31",)"
            R"("not_yet_born":false,"record_age":false,"sex":"female",)"
            R"("report":"“11010519491231002X”是一位于“西元 1949 年 12 月 31 日”出生在)"
            R"(“北京市朝阳区”的中国“女性”身分证字号。"})"},
        ObjectCase{"china_unknown_region_and_record_age", "710000190501010010",
                   R"({"input":"710000190501010010","jurisdiction":"cn","valid":true,"faults":[],)"
                   R"("birthplace":null,"region_code":"710000","birth_date":"1905-01-01",)"
                   R"("not_yet_born":false,"record_age":true,"sex":"male",)"
                   R"("report":"“710000190501010010”是一位于“西元 1905 年 1 月 1 日”)"
                   R"((破世界纪录的人瑞)出生在“未知出生地”的中国“男性”身分证字号。"})"},
        ObjectCase{
            "china_date", "110105194902300021",
            R"({"input":"110105194902300021","jurisdiction":"cn","valid":false,"faults":[)"
            R"({"code":"birth_date","message":"第7-14码的出生日期应该是正确的日期格式，"}],)"
            R"("report":"第7-14码的出生日期应该是正确的日期格式，才是正确的中国身分证字号。"})"},
        ObjectCase{
            "china_old", "110105491231002",
            R"({"input":"110105491231002","jurisdiction":"cn15","valid":true,"faults":[],)"
            R"("birthplace":"北京市朝阳区","region_code":"110105","birth_date":"1949-12-31",)"
            R"("not_yet_born":false,"record_age":false,"sex":"female",)"
            R"("upgrade":"11010519491231002X",)"
            R"("report":"“110105491231002”是一位于“西元 1949 年 12 月 31 日”出生在)"
            R"(“北京市朝阳区”的中国“女性”旧身分证字号，目前应升码为“11010519491231002X”。"})"},
        ObjectCase{"korea_not_yet_born", "2612311000008",
                   R"({"input":"2612311000008","jurisdiction":"kr","valid":true,"faults":[],)"
                   R"("birth_date":"2026-12-31","not_yet_born":true,"record_age":false,)"
                   R"("sex":"male","report":"“2612311000008”是一位于“西元 2026 年 12 月 31 日”)"
                   R"((尚未出生)出生的韩国“男性”身分证字号。"})"},
        ObjectCase{
            "korea_date_and_sex", "0013013000000",
            R"({"input":"0013013000000","jurisdiction":"kr","valid":false,"faults":[)"
            R"({"code":"birth_date","message":"第1-6码的出生日期应该是正确的日期格式，"},)"
            R"({"code":"sex_digit","message":"第7码应该是男性(1)或女性(2)，"}],)"
            R"("report":"第1-6码的出生日期应该是正确的日期格式，第7码应该是男性(1)或女性(2)，)"
            R"(才是正确的韩国身分证字号。"})"},
        ObjectCase{"rejected_length", "A1",
                   R"({"input":"A1","jurisdiction":null,"valid":false,"faults":[{"code":"length",)"
                   R"("message":"您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入...."}],)"
                   R"("report":"您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入...."})"},
        ObjectCase{"empty_line", "",
                   R"({"input":"","jurisdiction":null,"valid":null,"faults":[],"report":""})"},
        ObjectCase{"classic_named", "Z9999990",
                   R"({"input":"Z9999990","rules":"classic","jurisdiction":"hk","valid":true,)"
                   R"("faults":[],"report":"“Z9999990”是香港身分证字号。"})",
                   RuleSet::Classic},
        ObjectCase{
            "current_resident_certificate", "C800000016",
            R"({"input":"C800000016","rules":"current","jurisdiction":"tw","valid":true,)"
            R"("faults":[],"birthplace":"基隆市","sex":"male","kind":"resident_certificate",)"
            R"("report":"“C800000016”是登记地在“基隆市”的“男性”台湾居留证字号。"})",
            RuleSet::Current},
        ObjectCase{
            "current_foreign_resident_unverified", "2101017000000",
            R"({"input":"2101017000000","rules":"current","jurisdiction":"kr","valid":true,)"
            R"("faults":[],"birth_date":"2021-01-01","not_yet_born":false,)"
            R"("record_age":false,"sex":"male","kind":"foreign_resident",)"
            R"("check_code_verified":false,"report":"“2101017000000”是一位于)"
            R"(“西元 2021 年 1 月 1 日”出生的韩国“男性”外国人登录证字号(检查码无法验证)。"})",
            RuleSet::Current},
        ObjectCase{
            "current_korea_fault_verified", "8501011000000",
            R"({"input":"8501011000000","rules":"current","jurisdiction":"kr","valid":false,)"
            R"("faults":[{"code":"check_code","message":"最后一码检查码应该是(4)，",)"
            R"("expected":"4"}],"check_code_verified":true,)"
            R"("report":"最后一码检查码应该是(4)，才是正确的韩国身分证字号。"})",
            RuleSet::Current},
        ObjectCase{"current_empty_line", "",
                   R"({"input":"","rules":"current","jurisdiction":null,"valid":null,"faults":[],)"
                   R"("report":""})",
                   RuleSet::Current}),
    [](const auto& info) { return std::string(info.param.name); });

// The filter's answer is the full check's, whatever the text.
TEST(ValidJurisdiction, AgreesWithTheCheck) {
  const ScopedToday today({2026, 6, 15});
  const char* const inputs[] = {"A123456789",
                                "a123456789",
                                "A123456788",
                                "1312345X78",
                                "A1234563",
                                "ab9876543",
                                "AB9876540",
                                "11010519491231002X",
                                "11010519491231002x",
                                "110105194902300021",
                                "110105491231002",
                                "2612311000008",
                                "2712311000008",
                                "0013013000000",
                                "C800000016",
                                "c800000016",
                                "2101017000000",
                                "A1",
                                "",
                                "A123456789\r",
                                "A123456789 ",
                                "\xef\xbc\xa1"
                                "123456789",
                                "\xff\xfe"};
  for (const RuleSet rules : {RuleSet::Classic, RuleSet::Current})
    for (const char* input : inputs) {
      const CheckResult checked = Check(input, rules);
      const std::optional<Jurisdiction> expected =
          checked.Valid() ? checked.Details()->analysis.jurisdiction : std::nullopt;
      EXPECT_EQ(ValidJurisdiction(input, rules), expected)
          << input << (rules == RuleSet::Current ? " current" : " classic");
    }
  EXPECT_EQ(ValidJurisdiction("a123456789"), Jurisdiction::Taiwan);
  EXPECT_EQ(ValidJurisdiction("c800000016", RuleSet::Current), Jurisdiction::Taiwan);
  EXPECT_EQ(ValidJurisdiction("C800000016"), std::nullopt);
}

struct StringCase {
  const char* name;
  std::string bytes;
  std::string json;
};

class JsonStringOf : public testing::TestWithParam<StringCase> {};

TEST_P(JsonStringOf, IsValidJsonWhateverTheBytes) {
  EXPECT_EQ(JsonString(GetParam().bytes), GetParam().json);
}

const std::string kFffd = "\xEF\xBF\xBD";

// Each ill-formed sequence is replaced by one U+FFFD per maximal valid prefix,
// the practice Unicode recommends and most decoders follow.
INSTANTIATE_TEST_SUITE_P(
    , JsonStringOf,
    testing::Values(
        StringCase{"plain", "A1", R"("A1")"}, StringCase{"empty", "", R"("")"},
        StringCase{"quote_and_backslash", R"(a"b\c)", R"("a\"b\\c")"},
        StringCase{"short_escapes", "\n\r\t", R"("\n\r\t")"},
        StringCase{"other_controls_and_delete", std::string("\0\x01\x1f\x7f", 4),
                   R"("\u0000\u0001\u001f\u007f")"},
        StringCase{"slash_kept", "a/b", R"("a/b")"}, StringCase{"chinese_kept", "台北", "\"台北\""},
        StringCase{"four_byte_kept", "😀", "\"😀\""},
        StringCase{"lone_continuation", "a\x80z", "\"a" + kFffd + "z\""},
        StringCase{"lone_ff_fe", "\xFF\xFE", "\"" + kFffd + kFffd + "\""},
        StringCase{"overlong_slash", "\xC0\xAF", "\"" + kFffd + kFffd + "\""},
        StringCase{"overlong_three_bytes", "\xE0\x80\xAF", "\"" + kFffd + kFffd + kFffd + "\""},
        StringCase{"surrogate", "\xED\xA0\x80", "\"" + kFffd + kFffd + kFffd + "\""},
        StringCase{"past_10ffff", "\xF4\x90\x80\x80", "\"" + kFffd + kFffd + kFffd + kFffd + "\""},
        StringCase{"truncated_emoji_then_ascii", "\xF0\x9F\x98z", "\"" + kFffd + "z\""},
        StringCase{"truncated_at_end", "a\xE5\x8F", "\"a" + kFffd + "\""},
        StringCase{"gbk_bytes", "\xB1\xB1", "\"" + kFffd + kFffd + "\""},
        StringCase{"lead_then_quote", "\xC3\"", "\"" + kFffd + "\\\"\""}),
    [](const auto& info) { return std::string(info.param.name); });

// Short texts are scanned in overlapping pieces, long ones sixteen bytes at a
// time with an overlapping last piece: a quote is found wherever it stands.
TEST(JsonStringScan, FindsAQuoteAtEveryPlace) {
  for (std::size_t size = 1; size <= 40; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      std::string bytes(size, 'a');
      bytes[at] = '"';
      EXPECT_EQ(JsonString(bytes), '"' + bytes.substr(0, at) + "\\\"" + bytes.substr(at + 1) + '"')
          << size << " bytes, the quote at " << at;
    }
  }
}

}  // namespace
}  // namespace kesmal
