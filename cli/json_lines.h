#pragma once
// The --json rendering of checks: one JSON object a line, holding the same
// analysis the report was written from, for scripts that want the fields
// without reading the Chinese sentence.
#include <optional>
#include <string>
#include <string_view>

#include "rules/id_report.h"

namespace kesmal::cli {

// A quoted JSON string of any bytes: valid UTF-8 is kept, every ill-formed
// sequence becomes U+FFFD, and quotes, backslashes and control characters are
// escaped, so the result is valid JSON whatever came in.
std::string JsonString(std::string_view bytes);
void AppendJsonString(std::string_view bytes, std::string& out);

// The object for one input, without a line end. The input is the line as
// read; the report is the check's (its text in either encoding), or none for
// an empty line.
std::string CheckJson(std::string_view input, const std::optional<IdReport>& report);

// The same object appended to out, for a check taken in its two steps: the
// analysis (none for an empty line) and the writer of its report.
void AppendCheckJson(std::string_view input, const IdAnalysis* id, ReportText write,
                     std::string& out);

}  // namespace kesmal::cli
