// The command line's output, byte for byte, against files written by an
// earlier build: check in every mode and rule set, make for every
// jurisdiction and option with fixed seeds, scan in every mode. Any change of
// output fails here. With KESMAL_WRITE_GOLDEN=1 the files are written again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "rules/date_phrase.h"

namespace kesmal::cli {
namespace {

const std::string kGolden = KESMAL_GOLDEN_DIR;

struct GoldenCase {
  const char* name;
  std::vector<std::string> args;
  const char* input = "";  // a file of the folder read as standard input
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// What a run writes: standard output, its exit status, standard error.
std::string Transcript(const GoldenCase& row) {
  const ScopedToday today({2026, 6, 15});
  std::istringstream in(*row.input ? ReadFile(kGolden + "/" + row.input) : "");
  std::ostringstream out, err;
  const int status = Run(row.args, in, out, err);
  return out.str() + "-- exit " + std::to_string(status) + "\n" + err.str();
}

class Golden : public testing::TestWithParam<GoldenCase> {
 protected:
  // Paths in scan's output are relative to the folder of the inputs.
  void SetUp() override { ASSERT_EQ(chdir(kGolden.c_str()), 0); }
};

TEST_P(Golden, OutputIsUnchanged) {
  const auto& row = GetParam();
  const std::string path = kGolden + "/" + row.name + ".out";
  const std::string transcript = Transcript(row);
  if (std::getenv("KESMAL_WRITE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << transcript;
    return;
  }
  // Compared line by line first, so that a failure shows where it starts.
  std::istringstream got(transcript), want(ReadFile(path));
  std::string gotLine, wantLine;
  for (int line = 1; std::getline(want, wantLine); ++line) {
    std::getline(got, gotLine);
    ASSERT_EQ(gotLine, wantLine) << row.name << ".out line " << line;
  }
  EXPECT_EQ(transcript, ReadFile(path));
}

using Args = std::vector<std::string>;

// The check of one mixed input in every mode, under both rule sets.
std::vector<GoldenCase> CheckCases() {
  std::vector<GoldenCase> cases;
  const std::pair<const char*, Args> modes[] = {
      {"plain", {}}, {"json", {"--json"}}, {"csv", {"--csv"}}};
  const std::pair<const char*, Args> rules[] = {
      {"", {}}, {"_classic", {"--rules", "classic"}}, {"_current", {"--rules", "current"}}};
  static std::vector<std::string> names;
  names.reserve(32);
  for (const auto& [mode, modeArgs] : modes)
    for (const auto& [rule, ruleArgs] : rules) {
      for (const bool jobs : {false, true}) {
        names.push_back(std::string("check_") + mode + rule + (jobs ? "_jobs" : ""));
        Args args{"check"};
        args.insert(args.end(), modeArgs.begin(), modeArgs.end());
        args.insert(args.end(), ruleArgs.begin(), ruleArgs.end());
        if (jobs) args.insert(args.end(), {"--jobs", "3"});
        cases.push_back({names.back().c_str(), args, "mixed.txt"});
      }
    }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Check, Golden, testing::ValuesIn(CheckCases()),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    CheckArguments, Golden,
    testing::Values(
        GoldenCase{"check_arguments", {"check", "A123456789", "", "AB9876543", "0001011000003"}},
        GoldenCase{"check_arguments_json",
                   {"check", "--json", "--rules", "current", "E900000001", "A123456(3)"}},
        GoldenCase{"check_arguments_csv", {"check", "--csv", "110199850101123", "x\"y,z"}},
        GoldenCase{"check_bad_rules", {"check", "--rules", "newest", "A123456789"}},
        GoldenCase{"check_bad_jobs", {"check", "--jobs", "0"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Make, Golden,
    testing::Values(
        GoldenCase{"make_tw", {"make", "tw", "--seed", "1", "--count", "20"}},
        GoldenCase{"make_tw_blocks", {"make", "tw", "--seed", "2", "--count", "4200"}},
        GoldenCase{
            "make_tw_fields",
            {"make", "tw", "--seed", "3", "--count", "8", "--sex", "female", "--region", "b"}},
        GoldenCase{"make_tw_unique",
                   {"make", "tw", "--seed", "4", "--count", "8", "--unique", "--region", "Z"}},
        GoldenCase{"make_tw_invalid_any",
                   {"make", "tw", "--seed", "5", "--count", "30", "--invalid", "any"}},
        GoldenCase{"make_tw_invalid_letter",
                   {"make", "tw", "--seed", "5", "--count", "6", "--invalid", "letter"}},
        GoldenCase{"make_tw_invalid_sex_digit",
                   {"make", "tw", "--seed", "5", "--count", "6", "--invalid", "sex_digit"}},
        GoldenCase{"make_tw_json", {"make", "tw", "--seed", "6", "--count", "4", "--json"}},
        GoldenCase{"make_tw_csv", {"make", "tw", "--seed", "6", "--count", "4", "--csv"}},
        GoldenCase{"make_hk", {"make", "hk", "--seed", "1", "--count", "20"}},
        GoldenCase{"make_hk_8", {"make", "hk", "--seed", "2", "--count", "8", "--length", "8"}},
        GoldenCase{"make_hk_9", {"make", "hk", "--seed", "2", "--count", "8", "--length", "9"}},
        GoldenCase{"make_hk_unique",
                   {"make", "hk", "--seed", "3", "--count", "8", "--unique", "--length", "9"}},
        GoldenCase{"make_hk_invalid_any",
                   {"make", "hk", "--seed", "4", "--count", "20", "--invalid", "any"}},
        GoldenCase{"make_hk_json", {"make", "hk", "--seed", "5", "--count", "3", "--json"}},
        GoldenCase{"make_cn", {"make", "cn", "--seed", "1", "--count", "20"}},
        GoldenCase{"make_cn_fields",
                   {"make", "cn", "--seed", "2", "--count", "8", "--region", "110105", "--birth",
                    "1990-02-28", "--sex", "male"}},
        GoldenCase{
            "make_cn_range",
            {"make", "cn", "--seed", "3", "--count", "8", "--birth", "1980-01-01..1989-12-31"}},
        GoldenCase{"make_cn_open_range",
                   {"make", "cn", "--seed", "3", "--count", "8", "--birth", "..1901-01-01"}},
        GoldenCase{"make_cn_age", {"make", "cn", "--seed", "4", "--count", "8", "--age", "0-150"}},
        GoldenCase{"make_cn_unique",
                   {"make", "cn", "--seed", "5", "--count", "8", "--unique", "--region", "110101",
                    "--birth", "1990-01-01", "--sex", "female"}},
        GoldenCase{"make_cn_invalid_any",
                   {"make", "cn", "--seed", "6", "--count", "20", "--invalid", "any"}},
        GoldenCase{"make_cn_invalid_birth_date",
                   {"make", "cn", "--seed", "6", "--count", "6", "--invalid", "birth_date"}},
        GoldenCase{"make_cn_csv", {"make", "cn", "--seed", "7", "--count", "3", "--csv"}},
        GoldenCase{"make_kr", {"make", "kr", "--seed", "1", "--count", "20"}},
        GoldenCase{"make_kr_fields",
                   {"make", "kr", "--seed", "2", "--count", "8", "--birth", "2001-03-04", "--sex",
                    "female"}},
        GoldenCase{"make_kr_age", {"make", "kr", "--seed", "3", "--count", "8", "--age", "20-30"}},
        GoldenCase{"make_kr_invalid_any",
                   {"make", "kr", "--seed", "4", "--count", "20", "--invalid", "any"}},
        GoldenCase{"make_kr_json", {"make", "kr", "--seed", "5", "--count", "3", "--json"}},
        GoldenCase{"make_cn15", {"make", "cn15", "--seed", "1", "--count", "20"}},
        GoldenCase{"make_cn15_fields",
                   {"make", "cn15", "--seed", "2", "--count", "8", "--region", "659001", "--birth",
                    "1950-01-01..1959-12-31", "--sex", "male"}},
        GoldenCase{"make_cn15_unique", {"make", "cn15", "--seed", "3", "--count", "8", "--unique"}},
        GoldenCase{"make_cn15_invalid_any",
                   {"make", "cn15", "--seed", "4", "--count", "20", "--invalid", "any"}},
        GoldenCase{"make_cn15_json", {"make", "cn15", "--seed", "5", "--count", "3", "--json"}},
        // Refusals, each one line on standard error.
        GoldenCase{"make_no_jurisdiction", {"make"}},
        GoldenCase{"make_unknown_jurisdiction", {"make", "mx"}},
        GoldenCase{"make_length_for_cn", {"make", "cn", "--length", "8"}},
        GoldenCase{"make_region_for_hk", {"make", "hk", "--region", "A"}},
        GoldenCase{"make_bad_sex", {"make", "tw", "--sex", "other"}},
        GoldenCase{"make_bad_region", {"make", "cn", "--region", "999999"}},
        GoldenCase{"make_bad_length", {"make", "hk", "--length", "7"}},
        GoldenCase{"make_bad_count", {"make", "tw", "--count", "-1"}},
        GoldenCase{"make_bad_seed", {"make", "tw", "--seed", "4294967296"}},
        GoldenCase{"make_bad_invalid", {"make", "tw", "--invalid", "nonsense"}},
        GoldenCase{"make_fault_of_others", {"make", "hk", "--invalid", "sex_digit"}},
        GoldenCase{"make_empty_range", {"make", "cn", "--birth", "2000-01-01..1999-01-01"}},
        GoldenCase{"make_bad_age", {"make", "cn", "--age", "10-151"}},
        GoldenCase{"make_age_and_birth", {"make", "kr", "--age", "1-2", "--birth", "2001-01-01"}},
        GoldenCase{"make_korea_century", {"make", "kr", "--birth", "1900-01-01..1950-01-01"}},
        GoldenCase{"make_cn15_outside", {"make", "cn15", "--birth", "2001-01-01"}},
        GoldenCase{"make_unique_too_many",
                   {"make", "cn", "--region", "110101", "--birth", "1990-01-01", "--sex", "male",
                    "--unique", "--count", "501"}},
        GoldenCase{"make_invalid_and_unique", {"make", "tw", "--invalid", "any", "--unique"}}),
    [](const auto& info) { return std::string(info.param.name); });

// scan over a text of every form, alone and beside other files.
INSTANTIATE_TEST_SUITE_P(
    Scan, Golden,
    testing::Values(
        GoldenCase{"scan_stdin", {"scan"}, "text.txt"},
        GoldenCase{"scan_files", {"scan", "text.txt", "none.txt", "one.txt"}},
        GoldenCase{"scan_dash", {"scan", "one.txt", "-"}, "text.txt"},
        GoldenCase{"scan_json", {"scan", "--json", "text.txt", "one.txt"}},
        GoldenCase{"scan_json_stdin", {"scan", "--json"}, "text.txt"},
        GoldenCase{"scan_csv", {"scan", "--csv", "text.txt", "one.txt"}},
        GoldenCase{"scan_count", {"scan", "-c", "text.txt", "none.txt", "one.txt"}},
        GoldenCase{"scan_count_stdin", {"scan", "--count"}, "text.txt"},
        GoldenCase{"scan_files_with_matches", {"scan", "-l", "none.txt", "text.txt", "one.txt"}},
        GoldenCase{"scan_files_with_matches_none", {"scan", "-l", "none.txt"}},
        GoldenCase{"scan_only", {"scan", "--only", "tw,hk", "text.txt"}},
        GoldenCase{"scan_only_json", {"scan", "--json", "--only", "cn15,kr", "text.txt"}},
        GoldenCase{"scan_near_misses", {"scan", "--near-misses", "text.txt"}},
        GoldenCase{"scan_near_misses_json", {"scan", "--json", "--near-misses", "text.txt"}},
        GoldenCase{"scan_implausible", {"scan", "--implausible", "text.txt"}},
        GoldenCase{"scan_implausible_json", {"scan", "--json", "--implausible", "text.txt"}},
        GoldenCase{"scan_implausible_csv",
                   {"scan", "--csv", "--implausible", "--near-misses", "text.txt"}},
        GoldenCase{"scan_current", {"scan", "--rules", "current", "--json", "text.txt"}},
        GoldenCase{"scan_current_csv", {"scan", "--rules", "current", "--csv", "text.txt"}},
        GoldenCase{"scan_jobs", {"scan", "--jobs", "2", "--near-misses", "text.txt", "one.txt"}},
        GoldenCase{
            "scan_jobs_json", {"scan", "--jobs", "3", "--json", "--implausible"}, "text.txt"},
        GoldenCase{"scan_missing_file", {"scan", "text.txt", "missing.txt"}},
        GoldenCase{"scan_bad_only", {"scan", "--only", "tw,mx", "text.txt"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kesmal::cli
