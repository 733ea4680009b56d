#pragma once
// The options of `make`, per jurisdiction: which ones it takes, and how their
// values become the settings record. Each option fixes only its own field.
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "rules/dispatch.h"

namespace kesmal::cli {

struct OptionHelp {
  std::string_view name;   // "--sex"
  std::string_view value;  // "male|female"
  std::string_view help;
};

struct JurisdictionEntry {
  std::string_view name;  // "tw"
  std::string_view title;
  int index;  // the row of the window's list
  std::vector<OptionHelp> options;
};

const std::vector<JurisdictionEntry>& Jurisdictions();
const JurisdictionEntry* FindJurisdiction(std::string_view name);

using OptionValues = std::map<std::string, std::string, std::less<>>;

// "bad value 'V' for --option (expected ...)", the message of every malformed value.
std::string BadValue(std::string_view option, std::string_view value, std::string_view expected);

// The settings for the given option values, or an error message naming the
// bad value.
std::variant<MakeSettings, std::string> BuildSettings(const JurisdictionEntry& entry,
                                                      const OptionValues& values);

}  // namespace kesmal::cli
