#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "kesmal/scan_inputs.h"
#include "rules/date_phrase.h"

namespace kesmal {
namespace {

struct Outcome {
  SearchResult result;
  std::string out;
  std::vector<std::string> told;  // the inputs the callback was told of
};

Outcome ScanWith(ScanRequest request, const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  std::vector<std::string> told;
  request.onFailure = [&](const InputFailure& failure) { told.push_back(failure.path); };
  SearchResult result = ScanInputs(request, in, out);
  return {std::move(result), out.str(), std::move(told)};
}

ScanRequest RequestOf(ScanOutput output, std::vector<std::string> paths = {}, unsigned jobs = 1) {
  ScanRequest request;
  request.output = output;
  request.paths = std::move(paths);
  request.jobs = jobs;
  return request;
}

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    char name[] = "/tmp/kesmal_scan_XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string kTwoNumbers = "id A123456789, 0001011000002\nnone here\n身分證A123456789號\n";

struct RecordCase {
  const char* name;
  ScanOutput output;
  bool namedFile;        // else standard input alone
  std::string expected;  // FILE stands for the file's name
  JurisdictionSet only = JurisdictionSet::All();
  bool matched = true;
};

class Records : public testing::TestWithParam<RecordCase> {};

TEST_P(Records, AreWrittenAsGrepWritesThem) {
  const ScopedToday today({2026, 6, 15});
  const auto& row = GetParam();
  const TempFile file(kTwoNumbers);
  ScanRequest request =
      RequestOf(row.output, row.namedFile ? std::vector{file.Path()} : std::vector<std::string>{});
  request.options.only = row.only;
  const auto outcome = ScanWith(request, row.namedFile ? "" : kTwoNumbers);
  std::string expected = row.expected;
  for (std::size_t at; (at = expected.find("FILE")) != std::string::npos;)
    expected.replace(at, 4, file.Path());
  EXPECT_EQ(outcome.out, expected);
  EXPECT_EQ(outcome.result.Matched(), row.matched);
}

INSTANTIATE_TEST_SUITE_P(
    , Records,
    testing::Values(
        RecordCase{"plain_file", ScanOutput::Plain, true,
                   "FILE:1:4:A123456789\nFILE:1:16:0001011000002\nFILE:3:10:A123456789\n"},
        RecordCase{"plain_standard_input_alone", ScanOutput::Plain, false,
                   "1:4:A123456789\n1:16:0001011000002\n3:10:A123456789\n"},
        RecordCase{"count", ScanOutput::Count, true, "FILE:3\n"},
        RecordCase{"count_of_standard_input", ScanOutput::Count, false, "3\n"},
        RecordCase{"files_with_matches", ScanOutput::FilesWithMatches, false, "(standard input)\n"},
        RecordCase{"files_with_matches_leaves_out_an_input_without_one",
                   ScanOutput::FilesWithMatches, true, "",
                   JurisdictionSet::None().Add(Jurisdiction::HongKong), false},
        RecordCase{
            "json_names_the_place_then_the_check", ScanOutput::Json, false,
            R"({"path":null,"line":1,"column":16,"offset":15,"length":13,)"
            R"("text":"0001011000002","plausible":true,"input":"0001011000002",)"
            R"("jurisdiction":"kr","valid":true,"faults":[],"birth_date":"2000-01-01",)"
            R"("not_yet_born":false,"record_age":false,"sex":"male","report":)"
            R"("“0001011000002”是一位于“西元 2000 年 1 月 1 日”出生的韩国“男性”身分证字号。"})"
            "\n",
            JurisdictionSet::None().Add(Jurisdiction::Korea)}));

TEST(ScanInputs, AnUnreadableInputIsNamedAndTheOthersAreScanned) {
  const TempFile file(kTwoNumbers);
  const auto outcome = ScanWith(RequestOf(ScanOutput::Count, {"/no/such/file", file.Path()}), "");
  EXPECT_EQ(outcome.out, file.Path() + ":3\n");
  ASSERT_EQ(outcome.result.failures.size(), 1u);
  const InputFailure& failure = outcome.result.failures[0];
  EXPECT_EQ(failure.path, "/no/such/file");
  EXPECT_EQ(failure.fault, InputFault::Unreadable);
  EXPECT_EQ(failure.error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(outcome.told, std::vector<std::string>{"/no/such/file"});
  EXPECT_EQ(outcome.result.findings, (std::vector<std::uint64_t>{0, 3}));
  EXPECT_FALSE(ScanWith(RequestOf(ScanOutput::Count), "nothing\n").result.Matched());
}

// A path is any bytes: quoted in CSV and escaped in JSON, ill-formed UTF-8
// becoming U+FFFD, as an input's are.
TEST(ScanInputs, PathsOfAnyBytesKeepTheirRecordsWellFormed) {
  char folder[] = "/tmp/kesmal_scan_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/a,\"b\xff.txt";
  std::ofstream(path) << "A123456789\n";
  const std::string shown = std::string(folder) + "/a,\"b\xEF\xBF\xBD.txt";
  const auto json = ScanWith(RequestOf(ScanOutput::Json, {path}), "").out;
  EXPECT_EQ(json.substr(0, json.find(",\"line\"")),
            "{\"path\":\"" + std::string(folder) + "/a,\\\"b\xEF\xBF\xBD.txt\"");
  const auto csv = ScanWith(RequestOf(ScanOutput::Csv, {path}), "").out;
  const std::string row = csv.substr(csv.find("\r\n") + 2);
  EXPECT_EQ(row.substr(0, row.find(",1,1,0,10,A123456789,true,A123456789,")),
            "\"" + std::string(folder) + "/a,\"\"b\xEF\xBF\xBD.txt\"");
  std::remove(path.c_str());
  rmdir(folder);
}

// Lines of every length, a line longer than a block among them, numbers in
// some: blocks on several threads must give what one thread gives.
std::string ManyLines() {
  std::mt19937 random(7);
  std::string text;
  for (int line = 0; line < 60000; ++line) {
    const int length = line % 20000 == 7 ? 2500 * 1024 : static_cast<int>(random() % 90);
    for (int i = 0; i < length; ++i) {
      text += static_cast<char>(" abc0123456789-,("[random() % 17]);
      if (random() % 50000 == 0) text += " A123456789 ";
    }
    if (random() % 7 == 0) text += " 11010519491231002X";
    text += line % 3 ? "\n" : "\r\n";
  }
  return text + "A1234563";  // no line end at the end
}

TEST(ScanInputs, BlocksOnSeveralThreadsGiveWhatOneThreadGives) {
  const ScopedToday today({2026, 6, 15});
  const std::string text = ManyLines();
  for (const ScanOutput output : {ScanOutput::Json, ScanOutput::Count}) {
    const auto alone = ScanWith(RequestOf(output, {}, 1), text);
    ASSERT_GT(alone.out.size(), 1000u * (output == ScanOutput::Json));
    EXPECT_EQ(ScanWith(RequestOf(output, {}, 2), text).out, alone.out);
    EXPECT_EQ(ScanWith(RequestOf(output, {}, 5), text).out, alone.out);
  }
}

}  // namespace
}  // namespace kesmal
