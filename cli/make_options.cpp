#include "cli/make_options.h"

#include <algorithm>
#include <cstdio>

#include "cli/json_lines.h"
#include "cli/options.h"
#include "data/regions.h"
#include "rules/ascii.h"
#include "rules/date_phrase.h"
#include "rules/invalid_numbers.h"
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

// A date, or a range FROM..TO with either end left out.
template <std::optional<CivilDate> (*ParseDay)(std::string_view)>
std::optional<BirthsOption> ParseBirths(std::string_view text) {
  const auto dots = text.find("..");
  if (dots == std::string_view::npos) {
    const auto date = ParseDay(text);
    if (!date) return std::nullopt;
    return BirthsOption{"--birth", std::string(text), date, date};
  }
  const auto end = [](std::string_view side) -> std::optional<std::optional<CivilDate>> {
    if (side.empty()) return std::optional<CivilDate>();
    const auto date = ParseDay(side);
    if (!date) return std::nullopt;
    return date;
  };
  const auto first = end(text.substr(0, dots));
  const auto last = end(text.substr(dots + 2));
  if (!first || !last) return std::nullopt;
  return BirthsOption{"--birth", std::string(text), *first, *last};
}

std::optional<BirthsOption> ParseAges(std::string_view text) {
  const auto dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto low = ParseWhole<int>(text.substr(0, dash));
  const auto high = ParseWhole<int>(text.substr(dash + 1));
  if (!low || !high || *high > 150) return std::nullopt;
  const auto births = BirthsOfAges(*low, *high);
  if (!births) return std::nullopt;
  return BirthsOption{"--age", std::string(text), births->first, births->last};
}

std::optional<InvalidOption> ParseInvalid(std::string_view text) {
  if (text == "any") return InvalidOption{"any", std::nullopt};
  for (const FaultCode code : {FaultCode::Letter, FaultCode::SexDigit, FaultCode::Digits,
                               FaultCode::BirthDate, FaultCode::CheckCode})
    if (text == FaultName(code)) return InvalidOption{std::string(text), code};
  return std::nullopt;
}

constexpr ValueType<HolderSex> kSex{"male|female", "male or female", ParseSex};
constexpr ValueType<int> kTaiwanLetter{"LETTER", "one letter A to Z", ParseTaiwanLetter};
constexpr ValueType<int> kHongKongLength{"8|9", "8 or 9", ParseHongKongLength};
constexpr ValueType<int> kRegionCode{"CODE", "the six-digit code of a listed region",
                                     ParseRegionRow};
constexpr ValueType<BirthsOption> kBirths{"YYYY-MM-DD|FROM..TO",
                                          "a calendar date YYYY-MM-DD or a range FROM..TO of them",
                                          ParseBirths<ParseDate>};
constexpr ValueType<BirthsOption> kChinaBirths{
    "YYYY-MM-DD|FROM..TO",
    "a calendar date YYYY-MM-DD from 0100-01-01 on, or a range FROM..TO of them",
    ParseBirths<ParseChinaDate>};
constexpr ValueType<BirthsOption> kAges{
    "MIN-MAX", "two whole numbers of years, MIN up to MAX (150)", ParseAges};
constexpr ValueType<InvalidOption> kInvalid{
    "FAULT", "letter, sex_digit, digits, birth_date, check_code or any", ParseInvalid};
constexpr ValueType<std::uint32_t> kSeed{"S", "0 to 4294967295", ParseWhole<std::uint32_t>};

// A single date fixes the window's field; a range or ages are drawn from.
template <typename Settings>
void DeclareBirths(CLI::App& command, MakeRequest& request, const ValueType<BirthsOption>& type,
                   Settings& (*fix)(MakeRequest&), const std::string& help) {
  const auto store = [&request, fix](const BirthsOption& births) {
    if (births.option == "--birth" && births.text.find("..") == std::string::npos)
      fix(request).BirthDate = births.first;
    else
      request.births = births;
  };
  CLI::Option* birth = Declare(command, "--birth", type, store, help);
  Declare(command, "--age", kAges, store,
          "draw the birth date so that the holder is MIN to MAX whole years old today")
      ->excludes(birth);
}

void DeclareRunOptions(CLI::App& command, MakeRequest& request) {
  const std::string group(kRunOptions);
  Declare(command, "--count", kWholeNumber, request.count, "how many numbers (default 1)")
      ->group(group);
  Declare(command, "--seed", kSeed, request.seed,
          "make the run reproducible; without it the clock seeds")
      ->group(group);
  CLI::Option* unique =
      command
          .add_flag("--unique", request.unique,
                    "no number twice in the run; when the other options leave fewer numbers "
                    "than --count, nothing is made")
          ->group(group);
  Declare(command, "--invalid", kInvalid, request.invalid,
          "make numbers the check rejects with exactly this fault (a code of check --json: "
          "letter, sex_digit, digits, birth_date, check_code, those the jurisdiction's check "
          "can report) and nothing else wrong; any draws one of them per number")
      ->group(group)
      ->excludes(unique);
  command
      .add_flag("--json", request.json,
                "print each number as check --json does, its input being the number made")
      ->group(group);
  command
      .add_flag("--csv", request.csv, "print each number as check --csv does, after its header row")
      ->group(group)
      ->excludes("--json");
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

void DeclareChinaRegion(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--region", kRegionCode,
      [&](int row) {
        auto& settings = Fix<ChinaMakeSettings>(request);
        settings.Local = ProvinceIndexOfRow(row);
        settings.SubLocal = row - ProvinceTable[settings.Local].First;
      },
      "fix the region by its six-digit code, e.g. 110105");
}

void DeclareChinaSex(CLI::App& command, MakeRequest& request) {
  Declare(
      command, "--sex", kSex,
      [&](HolderSex v) { Fix<ChinaMakeSettings>(request).Sex = v == HolderSex::Male ? 0 : 1; },
      "fix the sex digit");
}

void DeclareChina(CLI::App& command, MakeRequest& request) {
  DeclareChinaRegion(command, request);
  DeclareBirths(command, request, kChinaBirths, Fix<ChinaMakeSettings>,
                "fix the birth date, or draw it from a range (either end may be left out: "
                "from the oldest age on record, to today); without it the year is drawn from "
                "85 to 6 years before this one");
  DeclareChinaSex(command, request);
}

void DeclareKorea(CLI::App& command, MakeRequest& request) {
  DeclareBirths(command, request, kBirths, Fix<KoreaMakeSettings>,
                "fix the birth date, or draw it from a range (either end may be left out: from "
                "99 years before this year, to today); the number keeps it as yymmdd, so the "
                "check places the year in the century by today's year, and a range it would "
                "read in another century is refused");
  Declare(
      command, "--sex", kSex, [&](HolderSex v) { Fix<KoreaMakeSettings>(request).Sex = v; },
      "fix the sex digit");
}

void DeclareOldChina(CLI::App& command, MakeRequest& request) {
  DeclareChinaRegion(command, request);
  DeclareBirths(command, request, kBirths, Fix<ChinaMakeSettings>,
                "fix the birth date, or draw it from a range (either end may be left out), "
                "from 1900-01-01 to 1999-12-31, the years the form holds");
  DeclareChinaSex(command, request);
}

bool Within(const DateRange& range, const DateRange& limits) {
  return DayNumber(range.first) >= DayNumber(limits.first) &&
         DayNumber(range.last) <= DayNumber(limits.last);
}

// The range to draw from, its open ends the form's limits.
DateRange Resolve(const BirthsOption& births, Jurisdiction form) {
  const DateRange limits = BirthLimits(form);
  const DateRange range{births.first.value_or(limits.first), births.last.value_or(limits.last)};
  if (DayNumber(range.first) > DayNumber(range.last))
    throw UsageError{BadValue(births.option, births.text,
                              "a range that holds a day: " + IsoDate(range.first) + ".." +
                                  IsoDate(range.last) + " holds none")};
  const DateRange read = DefaultBirths(Jurisdiction::Korea);
  if (form == Jurisdiction::Korea && !Within(range, read))
    throw UsageError{births.option + " " + births.text + " reaches outside " + IsoDate(read.first) +
                     ".." + IsoDate(read.last) +
                     ": a Korea number keeps only yymmdd, and the check would read those births "
                     "in another century"};
  return range;
}

Jurisdiction FormOf(int jurisdiction) {
  constexpr Jurisdiction kForms[] = {Jurisdiction::Taiwan, Jurisdiction::HongKong,
                                     Jurisdiction::China, Jurisdiction::Korea,
                                     Jurisdiction::ChinaOld};
  return kForms[jurisdiction];
}

void RefuseFaultOfOthers(const InvalidOption& invalid, Jurisdiction form) {
  const auto faults = FaultsOf(form);
  if (!invalid.fault || std::ranges::find(faults, *invalid.fault) != faults.end()) return;
  std::string names;
  for (const FaultCode fault : faults)
    names += (names.empty() ? "" : ", ") + std::string(FaultName(fault));
  throw UsageError{
      BadValue("--invalid", invalid.text, "a fault this check reports: " + names + " or any")};
}

std::optional<CivilDate> SingleBirth(const MakeSettings& settings) {
  if (const auto* china = std::get_if<ChinaMakeSettings>(&settings)) return china->BirthDate;
  if (const auto* korea = std::get_if<KoreaMakeSettings>(&settings)) return korea->BirthDate;
  return std::nullopt;
}

void FixFields(FixedFields& fixed, const MakeSettings& settings) {
  if (const auto* taiwan = std::get_if<TaiwanMakeSettings>(&settings)) {
    fixed.letterRow = taiwan->Region;
    fixed.sex = taiwan->Sex;
  } else if (const auto* hongKong = std::get_if<HongKongMakeSettings>(&settings)) {
    fixed.length = hongKong->Length;
  } else if (const auto* china = std::get_if<ChinaMakeSettings>(&settings)) {
    if (china->SubLocal >= 0) fixed.regionRow = CountyRowAt(china->Local, china->SubLocal);
    if (china->Sex >= 0) fixed.sex = china->Sex == 0 ? HolderSex::Male : HolderSex::Female;
  } else if (const auto* korea = std::get_if<KoreaMakeSettings>(&settings)) {
    fixed.sex = korea->Sex;
  }
}

}  // namespace

std::optional<FixedFields> SpaceOf(const MakeRequest& request) {
  if (!request.unique && !request.births && !request.invalid && request.jurisdiction != kOldChina)
    return std::nullopt;
  FixedFields fixed;
  fixed.form = FormOf(request.jurisdiction);
  if (request.invalid) RefuseFaultOfOthers(*request.invalid, fixed.form);
  FixFields(fixed, request.settings);
  if (const auto single = SingleBirth(request.settings)) fixed.births = DateRange{*single, *single};
  if (request.births) fixed.births = Resolve(*request.births, fixed.form);
  const DateRange held = DefaultBirths(Jurisdiction::ChinaOld);
  if (fixed.form == Jurisdiction::ChinaOld && fixed.births && !Within(*fixed.births, held))
    throw UsageError{(request.births ? request.births->option + " " + request.births->text
                                     : "--birth " + IsoDate(fixed.births->first)) +
                     " reaches outside " + IsoDate(held.first) + ".." + IsoDate(held.last) +
                     ", the births the old mainland form holds"};
  return fixed;
}

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
      {"cn15", "mainland China, old 15-digit form, born 1900 to 1999", kOldChina, DeclareOldChina},
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
