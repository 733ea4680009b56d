#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/make_options.h"
#include "kesmal/check.h"
#include "kesmal/make.h"
#include "rules/number_space.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

constexpr CivilDate kToday{2026, 6, 15};

// Options as `make` takes them, set in order; a flag's text is empty.
using Options = std::vector<std::pair<std::string, std::string>>;

// A request of the jurisdiction with the typed fields `fix` sets.
MakeRequest Typed(const char* jurisdiction, void (*fix)(MakeRequest&) = nullptr) {
  MakeRequest request;
  request.jurisdiction = jurisdiction;
  if (fix) fix(request);
  return request;
}

MakeRequest Request(MakeRequest request, const Options& options) {
  for (const auto& [option, text] : options) cli::SetMakeOption(request, option, text);
  return request;
}

std::vector<std::string> Drain(NumberStream stream) {
  std::vector<std::string> numbers;
  while (auto number = stream.Next()) numbers.push_back(std::move(*number));
  return numbers;
}

std::string Year(int year) { return std::to_string(year); }

// A mainland range left open at its start opens at the oldest age on record,
// 1 January 115 years back; the year before holds no day.
const std::string kOldestDay = Year(kToday.year - 115) + "-01-01";
const std::string kBeforeTheOldest = Year(kToday.year - 116) + "-12-31";

// A field the options leave to chance: at least `values` texts seen at `at`.
struct Drawn {
  std::size_t at, length, values;
};

struct MadeCase {
  const char* name;
  const char* jurisdiction;
  Options options = {};
  std::optional<std::uint64_t> count = std::nullopt;  // none: the request's default, one
  std::size_t fixedAt = 0;
  std::string fixed = "";  // every number carries it at fixedAt
  // As the check reads each number.
  std::optional<HolderSex> sex = std::nullopt;
  std::optional<DateRange> births = std::nullopt;
  std::set<std::size_t> lengths = {};  // empty: not looked at
  std::vector<Drawn> drawn = {};
  // Empty: every number valid; else each fails with one of these faults
  // alone, and each of them is seen.
  std::set<FaultCode> faults = {};
};

// A failure names the row rather than dump its bytes.
void PrintTo(const MadeCase& row, std::ostream* out) { *out << row.name; }

class MadeNumbers : public testing::TestWithParam<MadeCase> {};

TEST_P(MadeNumbers, CheckValidAndCarryTheFixedFieldsOnly) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  MakeRequest request = Request(Typed(row.jurisdiction), row.options);
  request.seed = 7;
  if (row.count) request.count = *row.count;
  std::vector<std::set<std::string>> seen(row.drawn.size());
  std::set<std::size_t> lengths;
  std::set<FaultCode> faults;
  std::uint64_t made = 0;
  for (const std::string& number : Make(request)) {
    ++made;
    const CheckResult checked = Check(number);
    ASSERT_FALSE(checked.Empty()) << number;
    const IdAnalysis& id = checked.Details()->analysis;
    if (!row.faults.empty()) {
      ASSERT_EQ(id.faults.size(), 1u) << number;
      ASSERT_TRUE(row.faults.contains(id.faults[0].code)) << number;
      faults.insert(id.faults[0].code);
      continue;
    }
    ASSERT_TRUE(checked.Valid()) << number;
    ASSERT_EQ(number.substr(row.fixedAt, row.fixed.size()), row.fixed) << number;
    if (row.sex) {
      ASSERT_EQ(id.sex, row.sex) << number;
    }
    if (row.births) {
      ASSERT_TRUE(id.birthday) << number;
      const auto day = DayNumber(id.birthday->date);
      ASSERT_TRUE(day >= DayNumber(row.births->first) && day <= DayNumber(row.births->last))
          << number;
    }
    lengths.insert(number.size());
    for (std::size_t i = 0; i < row.drawn.size(); ++i)
      seen[i].insert(number.substr(row.drawn[i].at, row.drawn[i].length));
  }
  EXPECT_EQ(made, row.count.value_or(1));
  EXPECT_EQ(faults, row.faults);
  if (!row.lengths.empty()) {
    EXPECT_EQ(lengths, row.lengths);
  }
  for (std::size_t i = 0; i < row.drawn.size(); ++i)
    EXPECT_GE(seen[i].size(), row.drawn[i].values) << "still drawn at " << row.drawn[i].at;
}

using F = FaultCode;
const auto kFemale = HolderSex::Female;
const auto kMale = HolderSex::Male;

INSTANTIATE_TEST_SUITE_P(
    , MadeNumbers,
    testing::Values(
        MadeCase{.name = "taiwan", .jurisdiction = "tw", .count = 1000},
        MadeCase{.name = "taiwan_sex_leaves_the_letter_drawn",
                 .jurisdiction = "tw",
                 .options = {{"--sex", "female"}},
                 .count = 300,
                 .sex = kFemale,
                 .drawn = {{0, 1, 21}}},
        MadeCase{.name = "taiwan_letter_in_lower_case_leaves_the_sex_drawn",
                 .jurisdiction = "tw",
                 .options = {{"--region", "i"}},
                 .count = 300,
                 .fixed = "I",
                 .drawn = {{1, 1, 2}}},
        MadeCase{.name = "none_for_count_0", .jurisdiction = "tw", .count = 0},
        MadeCase{.name = "taiwan_any_fault_draws_each",
                 .jurisdiction = "tw",
                 .options = {{"--invalid", "any"}},
                 .count = 200,
                 .faults = {F::Letter, F::SexDigit, F::Digits, F::CheckCode}},
        MadeCase{.name = "taiwan_one_fault_fixed",
                 .jurisdiction = "tw",
                 .options = {{"--invalid", "check_code"}, {"--region", "B"}},
                 .count = 50,
                 .fixed = "B",
                 .faults = {F::CheckCode}},
        MadeCase{.name = "hong_kong_any_fault_draws_each",
                 .jurisdiction = "hk",
                 .options = {{"--invalid", "any"}},
                 .count = 200,
                 .faults = {F::Letter, F::Digits, F::CheckCode}},
        MadeCase{.name = "hong_kong_draws_the_length",
                 .jurisdiction = "hk",
                 .count = 2000,
                 .lengths = {8, 9}},
        MadeCase{.name = "hong_kong_8",
                 .jurisdiction = "hk",
                 .options = {{"--length", "8"}},
                 .count = 500,
                 .lengths = {8}},
        MadeCase{.name = "hong_kong_9",
                 .jurisdiction = "hk",
                 .options = {{"--length", "9"}},
                 .count = 200,
                 .lengths = {9}},
        MadeCase{.name = "korea", .jurisdiction = "kr", .count = 2000},
        MadeCase{.name = "korea_any_fault_draws_each",
                 .jurisdiction = "kr",
                 .options = {{"--invalid", "any"}},
                 .count = 200,
                 .faults = {F::Digits, F::BirthDate, F::SexDigit, F::CheckCode}},
        MadeCase{.name = "korea_birth_and_sex_leave_the_serial_drawn",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "1985-05-03"}, {"--sex", "female"}},
                 .count = 200,
                 .fixed = "8505032",
                 .drawn = {{7, 5, 191}}},
        MadeCase{.name = "korea_sex_leaves_the_date_drawn",
                 .jurisdiction = "kr",
                 .options = {{"--sex", "male"}},
                 .count = 200,
                 .fixedAt = 6,
                 .fixed = "1",
                 .drawn = {{0, 6, 191}}},
        MadeCase{.name = "korea_leap_day_leaves_the_sex_drawn",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "2000-02-29"}},
                 .count = 200,
                 .fixed = "000229",
                 .drawn = {{6, 1, 2}}},
        MadeCase{.name = "korea_not_yet_born",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "2026-12-31"}, {"--sex", "female"}},
                 .count = 500},
        MadeCase{.name = "korea_birth_keeps_only_two_year_digits",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "1920-05-05"}},
                 .fixed = "200505"},
        MadeCase{.name = "korea_open_start_is_the_first_year_read",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "..2000-01-01"}},
                 .count = 1000,
                 .births = DateRange{{kToday.year - 99, 1, 1}, {2000, 1, 1}}},
        MadeCase{.name = "korea_one_day_range",
                 .jurisdiction = "kr",
                 .options = {{"--birth", "2000-01-01..2000-01-01"}},
                 .count = 100,
                 .births = DateRange{{2000, 1, 1}, {2000, 1, 1}}},
        MadeCase{.name = "mainland", .jurisdiction = "cn", .count = 2000},
        // 130638 is the one code two rows share.
        MadeCase{
            .name = "mainland_region_birth_and_sex",
            .jurisdiction = "cn",
            .options = {{"--region", "130638"}, {"--birth", "1990-01-01"}, {"--sex", "female"}},
            .count = 200,
            .fixed = "13063819900101",
            .sex = kFemale},
        MadeCase{.name = "mainland_sex_leaves_region_and_year_drawn",
                 .jurisdiction = "cn",
                 .options = {{"--sex", "male"}},
                 .count = 200,
                 .sex = kMale,
                 .drawn = {{0, 6, 151}, {6, 4, 41}}},
        MadeCase{.name = "mainland_any_fault_draws_each",
                 .jurisdiction = "cn",
                 .options = {{"--invalid", "any"}},
                 .count = 200,
                 .faults = {F::Digits, F::BirthDate, F::CheckCode}},
        MadeCase{.name = "old_mainland_any_fault_draws_each",
                 .jurisdiction = "cn15",
                 .options = {{"--invalid", "any"}},
                 .count = 200,
                 .faults = {F::Digits, F::BirthDate}},
        // Exactly as many as exist: serials 000 to 999, the men's half.
        MadeCase{.name = "mainland_unique_every_man_of_a_region_and_day",
                 .jurisdiction = "cn",
                 .options = {{"--region", "110101"},
                             {"--birth", "1990-01-01"},
                             {"--sex", "male"},
                             {"--unique", ""},
                             {"--count", "500"}},
                 .count = 500,
                 .fixed = "11010119900101",
                 .sex = kMale},
        MadeCase{.name = "mainland_ages_up_to_150",
                 .jurisdiction = "cn",
                 .options = {{"--age", "0-150"}},
                 .count = 300,
                 .births = DateRange{{kToday.year - 151, 6, 16}, kToday}},
        MadeCase{.name = "mainland_unique_men",
                 .jurisdiction = "cn",
                 .options = {{"--sex", "male"}, {"--unique", ""}},
                 .count = 1000,
                 .sex = kMale},
        MadeCase{.name = "mainland_women_of_a_range",
                 .jurisdiction = "cn",
                 .options = {{"--sex", "female"}, {"--birth", "1980-01-01..1989-12-31"}},
                 .count = 1000,
                 .sex = kFemale,
                 .births = DateRange{{1980, 1, 1}, {1989, 12, 31}}},
        MadeCase{.name = "mainland_open_start_is_the_oldest_day_on_record",
                 .jurisdiction = "cn",
                 .options = {{"--birth", ".." + kOldestDay}},
                 .count = 100,
                 .births = DateRange{{kToday.year - 115, 1, 1}, {kToday.year - 115, 1, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
  const char* name;
  const char* jurisdiction;
  Options options;
  std::string named;                    // what the message must name
  void (*fix)(MakeRequest&) = nullptr;  // typed fields, set before the options
};

void PrintTo(const RefusalCase& row, std::ostream* out) { *out << row.name; }

class RefusedRequests : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedRequests, RaiseOneLineNamingTheValue) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  try {
    Make(Request(Typed(row.jurisdiction, row.fix), row.options));
    ADD_FAILURE() << "made numbers";
  } catch (const RequestError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(row.named), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(message.find("kesmal-cli"), std::string::npos) << "the command line adds it";
    EXPECT_EQ(message.find("--"), std::string::npos) << "a field, not an option: " << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    , RefusedRequests,
    testing::Values(
        RefusalCase{"negative_count", "tw", {{"--count", "-1"}}, "'-1' for count"},
        RefusalCase{"seed_too_big", "tw", {{"--seed", "4294967296"}}, "'4294967296'"},
        RefusalCase{"bad_sex", "tw", {{"--sex", "m"}}, "'m'"},
        RefusalCase{"korea_bad_sex", "kr", {{"--sex", "boy"}}, "'boy'"},
        RefusalCase{"bad_region", "tw", {{"--region", "AB"}}, "'AB'"},
        RefusalCase{"region_digit", "tw", {{"--region", "1"}}, "'1'"},
        RefusalCase{"length_7", "hk", {{"--length", "7"}}, "'7'"},
        RefusalCase{"sex_for_hong_kong", "hk", {{"--sex", "male"}}, "sex does not apply to hk"},
        RefusalCase{"length_field_for_korea",
                    "kr",
                    {},
                    "length does not apply to kr",
                    [](MakeRequest& r) { r.length = 8; }},
        RefusalCase{"birth_30_february", "kr", {{"--birth", "2001-02-30"}}, "'2001-02-30'"},
        RefusalCase{
            "birth_29_february_common_year", "kr", {{"--birth", "2001-02-29"}}, "'2001-02-29'"},
        RefusalCase{"birth_without_leading_zeros", "kr", {{"--birth", "2001-2-3"}}, "'2001-2-3'"},
        RefusalCase{"birth_month_13", "kr", {{"--birth", "2001-13-01"}}, "'2001-13-01'"},
        RefusalCase{"birth_slashes", "kr", {{"--birth", "2001/02/03"}}, "'2001/02/03'"},
        RefusalCase{"birth_two_digit_year", "kr", {{"--birth", "01-02-03"}}, "'01-02-03'"},
        RefusalCase{"unknown_region_code", "cn", {{"--region", "710000"}}, "'710000'"},
        RefusalCase{"region_code_five_digits", "cn", {{"--region", "11010"}}, "'11010'"},
        RefusalCase{"region_code_not_digits", "cn", {{"--region", "11010x"}}, "'11010x'"},
        RefusalCase{
            "china_birth_year_below_100", "cn", {{"--birth", "0085-01-01"}}, "'0085-01-01'"},
        RefusalCase{"china_birth_invalid", "cn", {{"--birth", "1900-02-29"}}, "'1900-02-29'"},
        RefusalCase{
            "unique_beyond_taiwan_letter_and_sex",
            "tw",
            {{"--region", "A"}, {"--sex", "male"}, {"--unique", ""}, {"--count", "10000001"}},
            "only 10000000 "},
        RefusalCase{
            "unique_beyond_korea_day_and_sex",
            "kr",
            {{"--birth", "1990-01-01"}, {"--sex", "male"}, {"--unique", ""}, {"--count", "100001"}},
            "only 100000 "},
        RefusalCase{"unique_beyond_mainland_region_day_and_sex",
                    "cn",
                    {{"--region", "110105"},
                     {"--birth", "1990-01-01"},
                     {"--sex", "female"},
                     {"--unique", ""},
                     {"--count", "501"}},
                    "only 500 "},
        RefusalCase{"unique_beyond_old_mainland_region_and_day",
                    "cn15",
                    {{"--region", "110105"},
                     {"--birth", "1990-01-01"},
                     {"--unique", ""},
                     {"--count", "1001"}},
                    "only 1000 "},
        RefusalCase{"korea_range_read_in_another_century",
                    "kr",
                    {{"--birth", "1920-01-01..1930-01-01"}},
                    "another century"},
        RefusalCase{
            "old_mainland_birth_after_1999", "cn15", {{"--birth", "2000-01-01.."}}, "1999-12-31"},
        RefusalCase{"empty_birth_range",
                    "cn",
                    {{"--birth", "1990-01-02..1990-01-01"}},
                    "'1990-01-02..1990-01-01'"},
        RefusalCase{"mainland_open_start_ends_before_the_oldest_day_on_record",
                    "cn",
                    {{"--birth", ".." + kBeforeTheOldest}},
                    kOldestDay + ".." + kBeforeTheOldest + " holds none"},
        RefusalCase{"age_without_range", "cn", {{"--age", "30"}}, "'30'"},
        // The command line refuses these two pairs before the request sees them.
        RefusalCase{"age_and_birth",
                    "kr",
                    {{"--age", "1-2"}},
                    "age excludes birth",
                    [](MakeRequest& r) {
                      r.birth = CivilDate{2000, 1, 1};
                    }},
        RefusalCase{"invalid_and_unique",
                    "tw",
                    {},
                    "invalid excludes unique",
                    [](MakeRequest& r) {
                      r.unique = true;
                      r.invalid = InvalidFault{};
                    }},
        RefusalCase{"fault_hong_kong_cannot_have",
                    "hk",
                    {{"--invalid", "birth_date"}},
                    "letter, digits, check_code"},
        RefusalCase{"invalid_length", "tw", {{"--invalid", "length"}}, "'length'"}),
    [](const auto& info) { return std::string(info.param.name); });

struct CommandLineCase {
  const char* name;
  const char* jurisdiction;
  Options options;
};

void PrintTo(const CommandLineCase& row, std::ostream* out) { *out << row.name; }

class SameAsCommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(SameAsCommandLine, MakeGivesWhatKesmalCliMakePrints) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  std::vector<std::string> args = {"make", row.jurisdiction};
  for (const auto& [option, text] : row.options) {
    args.push_back(option);
    if (!text.empty()) args.push_back(text);
  }
  std::istringstream in;
  std::ostringstream out, err;
  ASSERT_EQ(cli::Run(args, in, out, err), cli::kExitValid) << err.str();
  std::vector<std::string> printed;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) printed.push_back(line);
  EXPECT_EQ(printed, Drain(Make(Request(Typed(row.jurisdiction), row.options))));
}

INSTANTIATE_TEST_SUITE_P(, SameAsCommandLine,
                         testing::Values(CommandLineCase{"mainland_unique_women_over_two_blocks",
                                                         "cn",
                                                         {{"--count", "5000"},
                                                          {"--seed", "42"},
                                                          {"--sex", "female"},
                                                          {"--birth", "1980-01-01..1989-12-31"},
                                                          {"--unique", ""}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each stream draws from its own source, and leaves the process's alone.
TEST(NumberStreams, ReadInTurnsEachGivesWhatItGivesAlone) {
  const ScopedToday today(kToday);
  const MakeRequest drawn = Typed("cn", [](MakeRequest& r) {
    r.count = 5000;
    r.seed = 1;
  });
  const MakeRequest walked = Typed("kr", [](MakeRequest& r) {
    r.count = 5000;
    r.seed = 2;
    r.unique = true;
  });
  NumberStream first = Make(drawn), second = Make(walked);
  SeedRandom(3);
  const std::int32_t outside = RandomDraw();
  SeedRandom(3);
  std::vector<std::string> fromFirst, fromSecond;
  for (std::uint64_t n = 0; n < 5000; ++n) {
    fromFirst.push_back(*first.Next());
    fromSecond.push_back(*second.Next());
  }
  EXPECT_EQ(RandomDraw(), outside);
  EXPECT_EQ(fromFirst, Drain(Make(drawn)));
  EXPECT_EQ(fromSecond, Drain(Make(walked)));
  MakeRequest reseeded = drawn;
  reseeded.seed = 4;
  EXPECT_NE(Drain(Make(reseeded)), fromFirst);
}

}  // namespace
}  // namespace kesmal
