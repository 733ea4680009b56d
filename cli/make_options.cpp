#include "cli/make_options.h"

#include "cli/options.h"
#include "data/regions.h"
#include "rules/ascii.h"
#include "rules/date_phrase.h"
#include "rules/taiwan.h"

namespace kesmal::cli {
namespace {

// The record of the jurisdiction, made when its first option is given.
template <typename Settings>
Settings& Fix(MakeRequest& request) {
  if (!std::holds_alternative<Settings>(request.settings)) request.settings = Settings{};
  return std::get<Settings>(request.settings);
}

std::optional<HolderSex> ParseSex(std::string_view text) {
  if (text == "male") return HolderSex::Male;
  if (text == "female") return HolderSex::Female;
  return std::nullopt;
}

std::optional<int> ParseTaiwanLetter(std::string_view text) {
  if (text.size() != 1) return std::nullopt;
  const char c = text[0];
  return TaiwanLetterRow(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
}

std::optional<int> ParseHongKongLength(std::string_view text) {
  if (text == "8") return 8;
  if (text == "9") return 9;
  return std::nullopt;
}

// Exactly YYYY-MM-DD, and a day that exists in that month.
std::optional<CivilDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = ParseWhole<int>(text.substr(0, 4));
  const auto month = ParseWhole<int>(text.substr(5, 2));
  const auto day = ParseWhole<int>(text.substr(8, 2));
  if (!year || !month || !day || text[0] == '-') return std::nullopt;
  const CivilDate date{*year, *month, *day};
  if (date.day < 1 || date.day > DaysOfMonth(date.year, date.month)) return std::nullopt;
  return date;
}

// Written with four digits, a year below 100 is no valid mainland birth date.
std::optional<CivilDate> ParseChinaDate(std::string_view text) {
  const auto date = ParseDate(text);
  if (date && date->year < 100) return std::nullopt;
  return date;
}

// A region is named by its six-digit code; the first row that has it wins.
std::optional<int> ParseRegionRow(std::string_view text) {
  if (text.size() != 6 || !AllDigits(text)) return std::nullopt;
  return FindRowByCode(*ParseWhole<int>(text));
}

constexpr ValueType<HolderSex> kSex{"male|female", "male or female", ParseSex};
constexpr ValueType<int> kTaiwanLetter{"LETTER", "one letter A to Z", ParseTaiwanLetter};
constexpr ValueType<int> kHongKongLength{"8|9", "8 or 9", ParseHongKongLength};
constexpr ValueType<CivilDate> kDate{"YYYY-MM-DD", "a calendar date YYYY-MM-DD", ParseDate};
constexpr ValueType<CivilDate> kChinaDate{
    "YYYY-MM-DD", "a calendar date YYYY-MM-DD from 0100-01-01 on", ParseChinaDate};
constexpr ValueType<int> kRegionCode{"CODE", "the six-digit code of a listed region",
                                     ParseRegionRow};
constexpr ValueType<std::uint32_t> kSeed{"S", "0 to 4294967295", ParseWhole<std::uint32_t>};

void DeclareRunOptions(CLI::App& command, MakeRequest& request) {
  const std::string group(kRunOptions);
  Declare(command, "--count", kWholeNumber, request.count, "how many numbers (default 1)")
      ->group(group);
  Declare(command, "--seed", kSeed, request.seed,
          "make the run reproducible; without it the clock seeds")
      ->group(group);
  command
      .add_flag("--json", request.json,
                "print each number as check --json does, its input being the number made")
      ->group(group);
}

void DeclareTaiwan(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--sex", kSex, [&](HolderSex v) { Fix<TaiwanMakeSettings>(request).Sex = v; },
      "fix the sex digit");
  Declare(
      command, "--region", kTaiwanLetter,
      [&](int row) { Fix<TaiwanMakeSettings>(request).Region = row; },
      "fix the region letter, A to Z");
}

void DeclareHongKong(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--length", kHongKongLength,
      [&](int length) { Fix<HongKongMakeSettings>(request).Length = length; },
      "fix the length: 8 (one letter) or 9 (two letters); without it each number's length is "
      "drawn");
}

void DeclareChina(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--region", kRegionCode,
      [&](int row) {
        auto& settings = Fix<ChinaMakeSettings>(request);
        settings.Local = ProvinceIndexOfRow(row);
        settings.SubLocal = row - ProvinceTable[settings.Local].First;
      },
      "fix the region by its six-digit code, e.g. 110105");
  Declare(
      command, "--birth", kChinaDate,
      [&](CivilDate date) { Fix<ChinaMakeSettings>(request).BirthDate = date; },
      "fix the birth date; without it the year is drawn from 85 to 6 years before this one");
  Declare(
      command, "--sex", kSex,
      [&](HolderSex v) { Fix<ChinaMakeSettings>(request).Sex = v == HolderSex::Male ? 0 : 1; },
      "fix the sex digit");
}

void DeclareKorea(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--birth", kDate,
      [&](CivilDate date) { Fix<KoreaMakeSettings>(request).BirthDate = date; },
      "fix the birth date; the number keeps it as yymmdd, so the check places the year in the "
      "century by today's year");
  Declare(
      command, "--sex", kSex, [&](HolderSex v) { Fix<KoreaMakeSettings>(request).Sex = v; },
      "fix the sex digit");
}

}  // namespace

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "bad value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

const std::vector<JurisdictionEntry>& Jurisdictions() {
  static const std::vector<JurisdictionEntry> entries{
      {"tw", "Taiwan", 0, DeclareTaiwan},
      {"hk", "Hong Kong", 1, DeclareHongKong},
      {"cn", "mainland China, 18 characters", 2, DeclareChina},
      {"kr", "Korea", 3, DeclareKorea},
  };
  return entries;
}

void DeclareMake(CLI::App& program, MakeRequest& request) {
  CLI::App* make = program.add_subcommand(
      "make",
      "Print N new valid numbers (default 1), one a line. Each option fixes only its own "
      "field; the rest is drawn at random.");
  for (const auto& entry : Jurisdictions()) {
    CLI::App* command = make->add_subcommand(std::string(entry.name), std::string(entry.title));
    command->allow_extras();
    command->parse_complete_callback(
        [&request, index = entry.index] { request.jurisdiction = index; });
    DeclareRunOptions(*command, request);
    entry.declare(*command, request);
  }
}

}  // namespace kesmal::cli
