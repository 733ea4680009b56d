#include "cli/make_options.h"

#include <cctype>
#include <optional>

#include "data/regions.h"
#include "rules/date_phrase.h"
#include "rules/ascii.h"
#include "rules/taiwan.h"

namespace kesmal::cli {
namespace {

using Result = std::variant<MakeSettings, std::string>;

const std::string* Find(const OptionValues& values, std::string_view name) {
  const auto it = values.find(name);
  return it == values.end() ? nullptr : &it->second;
}

std::variant<HolderSex, std::string> ParseSex(const std::string& value) {
  if (value == "male") return HolderSex::Male;
  if (value == "female") return HolderSex::Female;
  return BadValue("--sex", value, "male or female");
}

Result TaiwanSettings(const OptionValues& values) {
  if (values.empty()) return MakeSettings{};
  TaiwanMakeSettings settings;
  if (const auto* sex = Find(values, "--sex")) {
    const auto parsed = ParseSex(*sex);
    if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
    settings.Sex = std::get<HolderSex>(parsed);
  }
  if (const auto* region = Find(values, "--region")) {
    const char letter = region->size() == 1 ? static_cast<char>(std::toupper(
                                                  static_cast<unsigned char>((*region)[0])))
                                            : '\0';
    settings.Region = TaiwanLetterRow(letter);
    if (!settings.Region) return BadValue("--region", *region, "one letter A to Z");
  }
  return MakeSettings{settings};
}

Result HongKongSettings(const OptionValues& values) {
  if (values.empty()) return MakeSettings{};
  HongKongMakeSettings settings;
  if (const auto* length = Find(values, "--length")) {
    if (*length == "8")
      settings.Length = 8;
    else if (*length == "9")
      settings.Length = 9;
    else
      return BadValue("--length", *length, "8 or 9");
  }
  return MakeSettings{settings};
}

// Exactly YYYY-MM-DD, and a day that exists in that month.
std::optional<CivilDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int fields[3] = {};
  const std::size_t starts[3] = {0, 5, 8};
  const std::size_t widths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f)
    for (std::size_t i = starts[f]; i < starts[f] + widths[f]; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (text[i] - '0');
    }
  const CivilDate date{fields[0], fields[1], fields[2]};
  if (date.day < 1 || date.day > DaysOfMonth(date.year, date.month)) return std::nullopt;
  return date;
}

Result KoreaSettings(const OptionValues& values) {
  if (values.empty()) return MakeSettings{};
  KoreaMakeSettings settings;
  if (const auto* birth = Find(values, "--birth")) {
    settings.BirthDate = ParseDate(*birth);
    if (!settings.BirthDate) return BadValue("--birth", *birth, "a calendar date YYYY-MM-DD");
  }
  if (const auto* sex = Find(values, "--sex")) {
    const auto parsed = ParseSex(*sex);
    if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
    settings.Sex = std::get<HolderSex>(parsed);
  }
  return MakeSettings{settings};
}

// A region is named by its six-digit code; the first row that has it wins.
std::optional<int> ParseRegionRow(std::string_view text) {
  if (text.size() != 6 || !AllDigits(text)) return std::nullopt;
  return FindRowByCode(std::stoi(std::string(text)));
}

Result ChinaSettings(const OptionValues& values) {
  if (values.empty()) return MakeSettings{};
  ChinaMakeSettings settings;
  if (const auto* region = Find(values, "--region")) {
    const auto row = ParseRegionRow(*region);
    if (!row) return BadValue("--region", *region, "the six-digit code of a listed region");
    settings.Local = ProvinceIndexOfRow(*row);
    settings.SubLocal = *row - ProvinceTable[settings.Local].First;
  }
  if (const auto* birth = Find(values, "--birth")) {
    // Written with four digits, a year below 100 is no valid birth date.
    settings.BirthDate = ParseDate(*birth);
    if (!settings.BirthDate || settings.BirthDate->year < 100)
      return BadValue("--birth", *birth, "a calendar date YYYY-MM-DD from 0100-01-01 on");
  }
  if (const auto* sex = Find(values, "--sex")) {
    const auto parsed = ParseSex(*sex);
    if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
    settings.Sex = std::get<HolderSex>(parsed) == HolderSex::Male ? 0 : 1;
  }
  return MakeSettings{settings};
}

}  // namespace

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "bad value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

const std::vector<JurisdictionEntry>& Jurisdictions() {
  static const std::vector<JurisdictionEntry> entries{
      {"tw", "Taiwan", 0,
       {{"--sex", "male|female", "fix the sex digit"},
        {"--region", "LETTER", "fix the region letter, A to Z"}}},
      {"hk", "Hong Kong", 1,
       {{"--length", "8|9", "fix the length: 8 (one letter) or 9 (two letters)"}}},
      {"cn", "mainland China, 18 characters", 2,
       {{"--region", "CODE", "fix the region by its six-digit code, e.g. 110105"},
        {"--birth", "YYYY-MM-DD", "fix the birth date"},
        {"--sex", "male|female", "fix the sex digit"}}},
      {"kr", "Korea", 3,
       {{"--birth", "YYYY-MM-DD", "fix the birth date; the number keeps it as yymmdd"},
        {"--sex", "male|female", "fix the sex digit"}}},
  };
  return entries;
}

const JurisdictionEntry* FindJurisdiction(std::string_view name) {
  for (const auto& entry : Jurisdictions())
    if (entry.name == name) return &entry;
  return nullptr;
}

Result BuildSettings(const JurisdictionEntry& entry, const OptionValues& values) {
  switch (entry.index) {
    case 0: return TaiwanSettings(values);
    case 1: return HongKongSettings(values);
    case 2: return ChinaSettings(values);
    case 3: return KoreaSettings(values);
    default: return MakeSettings{};
  }
}

}  // namespace kesmal::cli
