#pragma once
// The JSON and CSV renderings of checks: one JSON object a line, or one
// CSV row, holding the same analysis the report was written from, for scripts
// that want the fields without reading the Chinese sentence. A check's object
// and row come from CheckResult::Json() and Csv(), a batch's from Checker.
#include <optional>
#include <string>
#include <string_view>

#include "kesmal/fields.h"
#include "rules/rule_set.h"

namespace kesmal {

// A quoted JSON string of any bytes: valid UTF-8 is kept, every ill-formed
// sequence becomes U+FFFD, and quotes, backslashes and control characters are
// escaped, so the result is valid JSON whatever came in.
std::string JsonString(std::string_view bytes);

// The header row of a check's CSV, without a line end. Its columns, and those of
// every row: input, jurisdiction, valid, faults (codes joined by ";"), birthplace,
// region_code, birth_date, sex, upgrade, report; with a rule set named, also
// rules, kind and check_code_verified, after the report so that the columns
// scripts already read keep their places. Any input gives one well-formed
// RFC 4180 row of UTF-8, ill-formed bytes becoming U+FFFD.
std::string_view CsvHeader(std::optional<RuleSet> rules = std::nullopt);

// One CSV field of any bytes, appended: quoted when it holds a comma, quote,
// CR or LF, its quotes doubled, ill-formed UTF-8 becoming U+FFFD.
void AppendCsvField(std::string_view bytes, std::string& row);

// The bytes with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);

}  // namespace kesmal
