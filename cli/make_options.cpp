#include "cli/make_options.h"

#include <cctype>

#include "rules/taiwan.h"

namespace kesmal::cli {
namespace {

using Result = std::variant<MakeSettings, std::string>;

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "bad value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

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

}  // namespace

const std::vector<JurisdictionEntry>& Jurisdictions() {
  static const std::vector<JurisdictionEntry> entries{
      {"tw", "Taiwan", 0,
       {{"--sex", "male|female", "fix the sex digit"},
        {"--region", "LETTER", "fix the region letter, A to Z"}}},
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
    default: return MakeSettings{};
  }
}

}  // namespace kesmal::cli
