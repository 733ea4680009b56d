#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>

#include "cli/cli.h"
#include "kesmal/check.h"
#include "kesmal/records.h"
#include "rules/date_phrase.h"
#include "rules/dispatch.h"
#include "rules/gbk_codec.h"
#include "rules/random_source.h"

namespace kesmal::cli {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunWith(std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = Run(args, in, out, err);
  return {status, out.str(), err.str()};
}

const std::string kTaipei = "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。";
const std::string kWrongCheck = "最后一码检查码应该是(9)，才是正确的台湾身分证字号。";
const std::string kHongKong8 = "“A1234563”是香港身分证字号。";
const std::string kHongKong9 = "“AB9876543”是香港身分证字号。";
const std::string kKorea =
    "“0001011000002”是一位于“西元 2000 年 1 月 1 日”出生的韩国“男性”身分证字号。";

struct CheckCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string out;
};

class CheckCommand : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckCommand, PrintsOneReportPerInputAndTheVerdict) {
  const ScopedToday today({2026, 6, 15});
  const auto& row = GetParam();
  const auto outcome = RunWith(row.args, row.input);
  EXPECT_EQ(outcome.out, row.out);
  EXPECT_EQ(outcome.status, row.status);
  EXPECT_EQ(outcome.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    , CheckCommand,
    testing::Values(
        CheckCase{"argument_valid", {"check", "A123456789"}, "", 0, kTaipei + "\n"},
        CheckCase{"lower_case_raised", {"check", "a123456789"}, "", 0, kTaipei + "\n"},
        CheckCase{"classic_rules_refuse_a_resident_certificate",
                  {"check", "--rules", "classic", "E900000001"},
                  "",
                  1,
                  "第二码应该是男性(1)或女性(2)，才是正确的台湾身分证字号。\n"},
        // A region left out of the tables is named by its province, which
        // another region's name must not take the place of.
        CheckCase{"province_name_then_the_last_county",
                  {"check", "--csv", "110199850101123", "659001850101123"},
                  "",
                  0,
                  "input,jurisdiction,valid,faults,birthplace,region_code,birth_date,sex,"
                  "upgrade,report\r\n"
                  "110199850101123,cn15,true,,北京市,110199,1985-01-01,male,110199198501011234,"
                  "“110199850101123”是一位于“西元 1985 年 1 月 1 日”出生在“北京市”的中国“男性”"
                  "旧身分证字号，目前应升码为“110199198501011234”。\r\n"
                  "659001850101123,cn15,true,,新疆维吾尔自治区石河子市,659001,1985-01-01,male,"
                  "659001198501011237,“659001850101123”是一位于“西元 1985 年 1 月 1 日”出生在"
                  "“新疆维吾尔自治区石河子市”的中国“男性”旧身分证字号，目前应升码为"
                  "“659001198501011237”。\r\n"},
        CheckCase{"current_rules_take_it",
                  {"check", "--rules=current", "E900000001"},
                  "",
                  0,
                  "“E900000001”是登记地在“高雄市”的“女性”台湾居留证字号。\n"},
        CheckCase{"csv_names_the_rules_kind_and_verification",
                  {"check", "--csv", "--rules", "current", "2010013970000"},
                  "",
                  0,
                  "input,jurisdiction,valid,faults,birthplace,region_code,birth_date,sex,"
                  "upgrade,report,rules,kind,check_code_verified\r\n"
                  "2010013970000,kr,true,,,,2020-10-01,male,,“2010013970000”是一位于“西元 2020 "
                  "年 10 月 1 日”出生的韩国“男性”身分证字号(检查码无法验证)。,current,"
                  "identity_card,false\r\n"},
        CheckCase{"any_invalid_gives_1",
                  {"check", "A123456789", "A123456780"},
                  "",
                  1,
                  kTaipei + "\n" + kWrongCheck + "\n"},
        CheckCase{"rejected_length_counts_invalid",
                  {"check", "A1"},
                  "",
                  1,
                  "您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{
            "nothing_cut_at_18",
            {"check", "A123456789A123456789"},
            "",
            1,
            "您输入的“A123456789A123456789”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{"stdin_lf",
                  {"check"},
                  "A123456789\nA123456780\n",
                  1,
                  kTaipei + "\n" + kWrongCheck + "\n"},
        CheckCase{"stdin_crlf_and_no_final_newline",
                  {"check"},
                  "A123456789\r\nA123456789",
                  0,
                  kTaipei + "\n" + kTaipei + "\n"},
        CheckCase{
            "empty_lines_stay_aligned", {"check"}, "\nA123456789\n\n", 0, "\n" + kTaipei + "\n\n"},
        CheckCase{
            "last_line_crlf_without_lf",
            {"check"},
            "A1\nA123456789\r",
            1,
            "您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入....\n" + kTaipei + "\n"},
        CheckCase{"a_line_longer_than_a_read_on_two_threads",
                  {"check", "--jobs", "2"},
                  std::string(100000, '1') + "\r\nA123456789\n",
                  1,
                  "您输入的“" + std::string(100000, '1') +
                      "”是错误或程式不支援的的身分证字号！请重新输入....\n" + kTaipei + "\n"},
        CheckCase{"spaces_not_trimmed",
                  {"check"},
                  " A123456789\n",
                  1,
                  "您输入的“ A123456789”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{"chinese_counts_two_bytes",
                  {"check", "五个中文字"},
                  "",
                  1,
                  "第一码应该是英文字母，第二码应该是男性(1)或女性(2)，第3-9码应该是数字(0)~(9)，"
                  "才是正确的台湾身分证字号。\n"},
        CheckCase{"emoji_becomes_question_mark",
                  {"check", "A😀"},
                  "",
                  1,
                  "您输入的“A?”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{"line_breaks_in_arguments_become_spaces",
                  {"check", "A1\nB", "\r\n", "A\r"},
                  "",
                  1,
                  "您输入的“A1 B”是错误或程式不支援的的身分证字号！请重新输入....\n"
                  "您输入的“  ”是错误或程式不支援的的身分证字号！请重新输入....\n"
                  "您输入的“A ”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{
            "carriage_return_inside_a_line_becomes_a_space",
            {"check"},
            "A1\r2\r\nA123456789\n",
            1,
            "您输入的“A1 2”是错误或程式不支援的的身分证字号！请重新输入....\n" + kTaipei + "\n"},
        CheckCase{"double_dash_ends_options", {"check", "--", "A123456789"}, "", 0, kTaipei + "\n"},
        CheckCase{"empty_stdin", {"check"}, "", 0, ""},
        CheckCase{"hong_kong_and_korea",
                  {"check", "A1234563", "AB9876543", "0001011000002"},
                  "",
                  0,
                  kHongKong8 + "\n" + kHongKong9 + "\n" + kKorea + "\n"},
        CheckCase{"hong_kong_lower_case_raised", {"check", "ab9876543"}, "", 0, kHongKong9 + "\n"},
        CheckCase{"korea_wrong_check_digit",
                  {"check"},
                  "0001011000003\n",
                  1,
                  "最后一码检查码应该是(2)，才是正确的韩国身分证字号。\n"},
        CheckCase{"json_argument",
                  {"check", "--json", "a1234563"},
                  "",
                  0,
                  R"({"input":"a1234563","jurisdiction":"hk","valid":true,"faults":[],)"
                  R"("report":"“A1234563”是香港身分证字号。"})"
                  "\n"},
        CheckCase{"json_after_numbers",
                  {"check", "A1", "--json"},
                  "",
                  1,
                  R"({"input":"A1","jurisdiction":null,"valid":false,"faults":[{"code":"length",)"
                  R"("message":"您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入...."}],)"
                  R"("report":"您输入的“A1”是错误或程式不支援的的身分证字号！请重新输入...."})"
                  "\n"},
        CheckCase{"json_after_double_dash_is_a_number",
                  {"check", "--", "--json"},
                  "",
                  1,
                  "您输入的“--JSON”是错误或程式不支援的的身分证字号！请重新输入....\n"},
        CheckCase{"json_stdin_keeps_lines_aligned",
                  {"check", "--json"},
                  "\r\nA1234563\r\n",
                  0,
                  R"({"input":"","jurisdiction":null,"valid":null,"faults":[],"report":""})"
                  "\n"
                  R"({"input":"A1234563","jurisdiction":"hk","valid":true,"faults":[],)"
                  R"("report":"“A1234563”是香港身分证字号。"})"
                  "\n"},
        CheckCase{"json_escapes_what_it_quotes",
                  {"check", "--json"},
                  "\"\t\\\xff\n",
                  1,
                  R"({"input":"\"\t\\�","jurisdiction":null,"valid":false,)"
                  R"("faults":[{"code":"length","message":"您输入的“\"\t\\?”是错误或程式不支援的的)"
                  R"(身分证字号！请重新输入...."}],"report":"您输入的“\"\t\\?”是错误或程式不支援的)"
                  R"(的身分证字号！请重新输入...."})"
                  "\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Random lines: valid numbers of every kind, one-character slips of them, and
// junk of every length the rules take: letters, quotes, controls, Chinese,
// bytes that are not UTF-8.
std::vector<std::string> RandomLines() {
  std::mt19937 random(20261209);
  const auto below = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  std::vector<std::string> numbers = {"710000190501010010", "2612311000008", "110105491231002"};
  SeedRandom(5);
  for (int jurisdiction = 0; jurisdiction < kWindowRowCount; ++jurisdiction)
    for (int n = 0; n < 100; ++n) numbers.push_back(*MakeNumberText(jurisdiction, {}));
  const std::vector<std::string> pieces = {"0",    "1",    "7",        "9",  "A",  "X",
                                           "z",    "\r",   "\"",       "\\", "\t", "\x7f",
                                           "\x01", "\xff", "\xb0\xa1", "中", "😀"};
  std::vector<std::string> lines;
  for (const auto& number : numbers) {
    lines.push_back(number);
    std::string slip = number;
    slip.replace(below(slip.size()), 1, pieces[below(pieces.size())]);
    lines.push_back(slip);
  }
  for (int n = 0; n < 3000; ++n) {
    std::string line;
    for (std::size_t length = below(22); line.size() < length;)
      line += pieces[below(pieces.size())];
    lines.push_back(line);
  }
  return lines;
}

// The command writes its reports in UTF-8 without converting them; for any
// line they must be what the window's GBK report gives converted, plain and
// as JSON.
TEST(CheckOutput, IsTheGbkReportConverted) {
  const ScopedToday today({2026, 6, 15});
  std::string input, plain, json;
  for (std::string line : RandomLines()) {
    input += line + '\n';
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string number = line;
    for (char& c : number)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const auto report = CheckNumberText(Utf8ToGbk(number));
    const std::string text = report ? GbkToUtf8(report->text) : "";
    std::string oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), '\r', ' ');
    plain += oneLine + '\n';
    // The fields as a check's Json() writes them, the report quoted by JsonString.
    const std::string object = Check(line).Json();
    const std::string fields = object.substr(0, object.rfind(",\"report\":"));
    json += (report ? fields + ",\"report\":" + JsonString(text) + '}' : object) + '\n';
  }
  EXPECT_EQ(RunWith({"check"}, input).out, plain);
  EXPECT_EQ(RunWith({"check", "--json"}, input).out, json);
  EXPECT_EQ(RunWith({"check"}, input).out, plain);  // nothing stays from the run before
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* named;  // what the message must name
};

class UsageErrors : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitTwoWithOneLineNamingTheArgument) {
  const auto& row = GetParam();
  const auto outcome = RunWith(row.args);
  EXPECT_EQ(outcome.status, kExitUsage);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find(row.named), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line";
}

INSTANTIATE_TEST_SUITE_P(
    , UsageErrors,
    testing::Values(
        UsageCase{"no_command", {}, "missing command"},
        UsageCase{"unknown_command", {"verify"}, "'verify'"},
        UsageCase{"unknown_check_option", {"check", "--fast"}, "'--fast'"},
        UsageCase{"unknown_rules", {"check", "--rules", "modern"}, "'modern'"},
        UsageCase{"no_threads", {"check", "--jobs", "0"}, "from 1 to 64"},
        UsageCase{"make_without_jurisdiction", {"make"}, "jurisdiction"},
        UsageCase{"unknown_jurisdiction", {"make", "jp"}, "'jp'"},
        UsageCase{"second_jurisdiction", {"make", "tw", "cn"}, "'cn'"},
        UsageCase{"bad_count", {"make", "tw", "--count", "ten"}, "'ten'"},
        UsageCase{"missing_value", {"make", "tw", "--seed"}, "'--seed'"},
        UsageCase{"option_of_other_command", {"make", "tw", "--length", "9"}, "'--length'"},
        UsageCase{"twice", {"make", "tw", "--sex", "male", "--sex=female"}, "'--sex'"},
        UsageCase{"length_empty", {"make", "hk", "--length="}, "--length"},
        UsageCase{"unique_beyond_hong_kong_8_prints_no_header",
                  {"make", "hk", "--length", "8", "--unique", "--csv", "--count", "26000001"},
                  "only 26000000 "},
        UsageCase{
            "age_and_birth", {"make", "kr", "--age", "1-2", "--birth", "2000-01-01"}, "--age"},
        UsageCase{"invalid_and_unique", {"make", "tw", "--invalid", "any", "--unique"}, "--unique"},
        UsageCase{"unknown_scan_jurisdiction", {"scan", "--only", "tw,jp"}, "'tw,jp'"},
        UsageCase{"mask_without_key", {"mask", "-"}, "--key-file"},
        UsageCase{"mask_keeps_an_unknown_field", {"mask", "--redact", "--keep", "age"}, "'age'"},
        UsageCase{
            "mask_in_place_of_standard_input", {"mask", "--redact", "--in-place"}, "--in-place"},
        UsageCase{"csv_and_json", {"check", "--csv", "--json"}, "--json"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HelpCommand, DescribesEveryCommand) {
  const auto outcome = RunWith({"--help"});
  EXPECT_EQ(outcome.status, 0);
  for (const char* word :
       {"check",    "make",      "tw",       "hk",      "kr",     "--count",   "--seed",
        "--sex",    "--region",  "--length", "--birth", "yymmdd", "--json",    "cn15",
        "--unique", "--invalid", "--age",    "--csv",   "CRLF",   "--version", "--jobs"})
    EXPECT_NE(outcome.out.find(word), std::string::npos) << word;
  EXPECT_EQ(RunWith({"help"}).out, outcome.out);
  EXPECT_EQ(RunWith({"--version"}).out.rfind("kesmal-cli ", 0), 0u);
}

struct HelpCase {
  std::vector<std::string> args;
  const char* shown;
  const char* left_out;
};

class CommandHelp : public testing::TestWithParam<HelpCase> {};

TEST_P(CommandHelp, ShowsThatCommandAlone) {
  const auto outcome = RunWith(GetParam().args);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.out.find(GetParam().shown), std::string::npos) << outcome.out;
  EXPECT_EQ(outcome.out.find(GetParam().left_out), std::string::npos) << outcome.out;
}

INSTANTIATE_TEST_SUITE_P(
    , CommandHelp,
    testing::Values(HelpCase{{"check", "--help"}, "--jobs", "--unique"},
                    HelpCase{{"check", "-h"}, "--rules", "kesmal-cli make"},
                    HelpCase{{"make", "--help"}, "make cn15", "--jobs"},
                    HelpCase{{"make", "tw", "--help"}, "--region LETTER", "make hk"},
                    HelpCase{{"help", "make", "kr"}, "yymmdd", "make cn"},
                    HelpCase{{"scan", "--help"}, "--near-misses", "--keep"},
                    HelpCase{{"mask", "--help"}, "--keep", "--jobs"}));

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::set<std::size_t> LengthsOf(const std::vector<std::string>& numbers) {
  std::set<std::size_t> lengths;
  for (const auto& number : numbers) lengths.insert(number.size());
  return lengths;
}

TEST(MakeCommand, TakesBothSpellingsAndKeepsNothingFromTheRunBefore) {
  const auto spaced = RunWith({"make", "hk", "--count", "200", "--seed", "42", "--length", "8"});
  EXPECT_EQ(spaced.status, kExitValid);
  EXPECT_EQ(Lines(spaced.out).size(), 200u);
  EXPECT_EQ(RunWith({"make", "hk", "--count=200", "--seed=42", "--length=8"}).out, spaced.out);
  // Each run parses afresh: no option stays from the run before.
  EXPECT_EQ(LengthsOf(Lines(RunWith({"make", "hk", "--count", "200"}).out)),
            (std::set<std::size_t>{8, 9}));
}

TEST(MakeCommand, JsonIsWhatCheckJsonSaysOfTheSameNumbers) {
  const ScopedToday today({2026, 6, 15});
  for (const char* jurisdiction : {"tw", "hk", "cn", "kr", "cn15"}) {
    const auto plain = RunWith({"make", jurisdiction, "--count", "50", "--seed", "11"});
    const auto json = RunWith({"make", jurisdiction, "--json", "--count", "50", "--seed", "11"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, RunWith({"check", "--json"}, plain.out).out) << jurisdiction;
    EXPECT_EQ(RunWith({"make", jurisdiction, "--csv", "--count", "50", "--seed", "11"}).out,
              RunWith({"check", "--csv"}, plain.out).out)
        << jurisdiction;
    EXPECT_EQ(Lines(json.out).size(), 50u);
  }
}

TEST(MakeCommand, JsonCarriesTheFixedFields) {
  const ScopedToday today({2026, 6, 15});
  const auto made = RunWith({"make", "cn", "--region", "110105", "--birth", "1985-05-03", "--sex",
                             "female", "--count", "20", "--json"});
  for (const auto& line : Lines(made.out)) {
    EXPECT_EQ(line.rfind(R"({"input":"11010519850503)", 0), 0u) << line;
    for (const char* field :
         {R"("jurisdiction":"cn","valid":true,"faults":[],"birthplace":"北京市朝阳区",)"
          R"("region_code":"110105","birth_date":"1985-05-03","not_yet_born":false,)"
          R"("record_age":false,"sex":"female","report":"“11010519850503)"})
      EXPECT_NE(line.find(field), std::string::npos) << line;
  }
}

#ifdef KESMAL_CLI_PATH
long PeakKilobytesOfChildren() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss;
}

TEST(CheckMainland, ExamplesOfBothFormsAreValid) {
  const auto outcome = RunWith({"check", "11010519491231002X", "110105491231002"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out,
            "“11010519491231002X”是一位于“西元 1949 年 12 月 31 "
            "日”出生在“北京市朝阳区”的中国“女性”身分证字号。\n"
            "“110105491231002”是一位于“西元 1949 年 12 月 31 "
            "日”出生在“北京市朝阳区”的中国“女性”旧身分证字号，"
            "目前应升码为“11010519491231002X”。\n");
}

// Runs the command line with its standard output as `sink` sets it up in
// the child (SIGPIPE ignored), and gives its exit status and standard error.
Outcome RunBinary(const std::vector<std::string>& args, const std::function<void()>& sink) {
  int errPipe[2];
  if (pipe(errPipe) != 0) return {-1, {}, {}};
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGPIPE, SIG_IGN);
    sink();
    dup2(errPipe[1], STDERR_FILENO);
    close(errPipe[0]);
    close(errPipe[1]);
    std::vector<char*> argv{const_cast<char*>(KESMAL_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(KESMAL_CLI_PATH, argv.data());
    _exit(127);
  }
  close(errPipe[1]);
  std::string err;
  char buffer[4096];
  for (ssize_t got; (got = read(errPipe[0], buffer, sizeof buffer)) > 0;)
    err.append(buffer, static_cast<std::size_t>(got));
  close(errPipe[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), {}, err};
}

// The library names its fields; the command line words the refusal with its
// options, as it always has.
TEST(MaskRefusals, AKeepSetTooSmallIsWordedWithTheOptions) {
  char folder[] = "/tmp/kesmal_cli_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string key = std::string(folder) + "/key";
  ASSERT_EQ(RunWith({"mask", "--new-key", key}).status, 0);
  const auto outcome = RunWith({"mask", "--key-file", key, "--keep", "region,birth-date,sex"});
  EXPECT_EQ(outcome.status, kExitUsage);
  EXPECT_EQ(outcome.err,
            "kesmal-cli: --keep region,birth-date,sex leaves 500 numbers for cn, fewer than the "
            "1,000,000 a pseudonym needs; use --only or keep fewer fields\n");
  std::filesystem::remove_all(folder);
}

// Every command checks its writes: into a full device, a closed standard
// output, a pipe whose reader has left. The failure is named, the exit status
// is 2, and mask sums up no success.
TEST(WriteFailures, AreNamedAndExitTwo) {
  char folder[] = "/tmp/kesmal_cli_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string input = std::string(folder) + "/numbers.txt";
  const std::string key = std::string(folder) + "/key";
  std::ofstream(input) << "A123456789 11010519491231002X\n";
  ASSERT_EQ(RunWith({"mask", "--new-key", key}).status, 0);
  const std::vector<std::vector<std::string>> commands{
      {"check", "A123456789"}, {"make", "tw", "--count", "3"},     {"scan", input},
      {"scan", "-c", input},   {"mask", "--key-file", key, input}, {"mask", "--redact", input}};
  struct Sink {
    const char* name;
    const char* error;
    std::function<void()> setUp;
  };
  const std::vector<Sink> sinks{
      {"full", "No space left on device", [] { dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO); }},
      {"closed", "Bad file descriptor", [] { close(STDOUT_FILENO); }},
      {"reader_gone", "Broken pipe", [] {
         int ends[2];
         if (pipe(ends) != 0) _exit(126);
         close(ends[0]);
         dup2(ends[1], STDOUT_FILENO);
       }}};
  for (const auto& command : commands) {
    for (const Sink& sink : sinks) {
      const Outcome outcome = RunBinary(command, sink.setUp);
      EXPECT_EQ(outcome.status, 2) << command[0] << " into " << sink.name;
      EXPECT_NE(outcome.err.find(std::string("kesmal-cli: standard output: ") + sink.error),
                std::string::npos)
          << command[0] << " into " << sink.name << ": " << outcome.err;
      EXPECT_EQ(outcome.err.find("masked"), std::string::npos) << outcome.err;
      EXPECT_EQ(outcome.err.find("redacted"), std::string::npos) << outcome.err;
    }
  }
  // Rewriting in place writes nothing to a closed standard output.
  EXPECT_EQ(
      RunBinary({"mask", "--redact", "--in-place", input}, [] { close(STDOUT_FILENO); }).status, 0);
  std::system((std::string("rm -rf ") + folder).c_str());
}

// Standard input closed is an input that cannot be read: named, exit 2, the
// other files still scanned.
TEST(ClosedStandardInput, IsNamedAndTheFilesStillRead) {
  char folder[] = "/tmp/kesmal_cli_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string input = std::string(folder) + "/numbers.txt";
  std::ofstream(input) << "A123456789\n";
  const std::string out = std::string(folder) + "/out";
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"scan", input, "-"}, {"check"}, {"mask", "--redact"}}) {
    const Outcome outcome = RunBinary(command, [&] {
      close(STDIN_FILENO);
      dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    });
    EXPECT_EQ(outcome.status, 2) << command[0];
    EXPECT_NE(outcome.err.find("(standard input): Bad file descriptor"), std::string::npos)
        << outcome.err;
    std::stringstream written;
    written << std::ifstream(out).rdbuf();
    if (command[0] == "scan") {
      EXPECT_NE(written.str().find("A123456789"), std::string::npos);
    }
  }
  std::system((std::string("rm -rf ") + folder).c_str());
}

// A signal that ends an in-place run removes its temporary file and leaves
// the file as it was.
TEST(MaskCommandBinary, ASignalInPlaceLeavesTheFileAndNoTemporaryFile) {
  char folder[] = "/tmp/kesmal_cli_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string input = std::string(folder) + "/numbers.txt";
  std::string numbers;
  while (numbers.size() < 24 * 1024 * 1024) numbers += "A123456789 11010519491231002X\n";
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    std::ofstream(input) << numbers;
    const pid_t child = fork();
    if (child == 0) {
      execl(KESMAL_CLI_PATH, KESMAL_CLI_PATH, "mask", "--redact", "--in-place", input.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto temporaries = [&] {
      int count = 0;
      for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().find(".kesmal-") != std::string::npos;
      return count;
    };
    for (int wait = 0; wait < 5000 && temporaries() == 0; ++wait) usleep(1000);
    ASSERT_EQ(temporaries(), 1) << "no temporary file to interrupt";
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(temporaries(), 0) << "signal " << signal;
    std::stringstream kept;
    kept << std::ifstream(input).rdbuf();
    EXPECT_TRUE(kept.str() == numbers) << "signal " << signal;
  }
  std::filesystem::remove_all(folder);
}

// AddressSanitizer holds freed blocks in a quarantine of up to 256 MB, which
// would look like growth; without it, what stays is what is really held.
#ifdef __SANITIZE_ADDRESS__
constexpr const char* kAllocatorOptions = "ASAN_OPTIONS=quarantine_size_mb=0 ";
#else
constexpr const char* kAllocatorOptions = "";
#endif

TEST(CheckCommandBinary, StreamsInConstantMemory) {
  const std::string cli = KESMAL_CLI_PATH;
  const auto run = [&](int lines) {
    const std::string command = "yes A123456789 | head -n " + std::to_string(lines) + " | " +
                                kAllocatorOptions + cli + " check > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  };
  run(1000);
  const long small = PeakKilobytesOfChildren();
  run(2000000);
  const long large = PeakKilobytesOfChildren();
  EXPECT_LT(large, small + 2048) << "peak memory grew with the input";
}
#endif

}  // namespace
}  // namespace kesmal::cli
