#pragma once
// The command-line companion: checks numbers from arguments or standard input
// and makes new ones, for scripts and batch work. Text in and out is UTF-8.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/current.h"
#include "rules/id_report.h"

namespace kesmal::cli {

inline constexpr int kExitValid = 0;
inline constexpr int kExitInvalid = 1;
inline constexpr int kExitUsage = 2;

// args excludes the program name.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

// An input as the check command treats it: a-z raised to capitals, the UTF-8
// converted to GBK and judged, the report's text written in UTF-8; none for an
// empty line.
std::optional<IdReport> CheckInput(std::string_view utf8Line, RuleSet rules = RuleSet::Classic);

// One input as the check command treats it: UTF-8 text with a-z raised to
// capitals, converted to GBK and judged; the report comes back in UTF-8, one
// line: a CR or LF in it (echoed from the input) becomes a space.
// Returns false when the number is not valid; an empty line is neither.
bool CheckLine(std::string_view utf8Line, std::string& utf8Report);

}  // namespace kesmal::cli
