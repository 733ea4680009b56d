#pragma once
// The --json and --csv renderings of checks: one JSON object a line, or one
// CSV row, holding the same analysis the report was written from, for scripts
// that want the fields without reading the Chinese sentence.
#include <optional>
#include <string>
#include <string_view>

#include "kesmal/fields.h"
#include "rules/current.h"
#include "rules/id_report.h"

namespace kesmal {

// A quoted JSON string of any bytes: valid UTF-8 is kept, every ill-formed
// sequence becomes U+FFFD, and quotes, backslashes and control characters are
// escaped, so the result is valid JSON whatever came in.
std::string JsonString(std::string_view bytes);

// The object for one input, without a line end. The report is the check's,
// or none for an empty line.
std::string CheckJson(std::string_view input, const std::optional<IdReport>& report,
                      std::optional<RuleSet> rules = std::nullopt);

// The same, appended to out (a batch writes one for every line); the report
// is null for an empty line.
void AppendCheckJson(std::string_view input, const IdReport* report, std::string& out,
                     std::optional<RuleSet> rules = std::nullopt);

// The JSON and CSV records of a batch, written from a check's analysis and its
// report in UTF-8 (no analysis for an empty line) and appended to out; the
// buffers are kept from line to line.
class RecordWriter {
 public:
  void AppendJson(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                  std::optional<RuleSet> rules, std::string& out);
  void AppendCsv(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                 std::optional<RuleSet> rules, std::string& out);
  // A scan's finding (kesmal/fields.h), `path` none for standard input.
  void AppendFindingJson(const Finding& finding, std::optional<std::string_view> path,
                         std::optional<RuleSet> rules, std::string& out);
  void AppendFindingCsv(const Finding& finding, std::optional<std::string_view> path,
                        std::optional<RuleSet> rules, std::string& out);

 private:
  std::string room_;           // one record, written whole before it is appended
  std::string scratch_;        // text converted from GBK
  std::string reportScratch_;  // a report converted from GBK
};

// The header row of --csv, and the row of one input, both without a line end:
// input, jurisdiction, valid, faults (codes joined by ";"), birthplace,
// region_code, birth_date, sex, upgrade, report; with a rule set named, also
// rules, kind and check_code_verified, after the report so that the columns
// scripts already read keep their places. Any input gives one well-formed
// RFC 4180 row of UTF-8, ill-formed bytes becoming U+FFFD.
std::string_view CsvHeader(std::optional<RuleSet> rules = std::nullopt);
std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report,
                     std::optional<RuleSet> rules = std::nullopt);
void AppendCheckCsv(std::string_view input, const IdReport* report, std::string& out,
                    std::optional<RuleSet> rules = std::nullopt);

// One CSV field of any bytes, appended: quoted when it holds a comma, quote,
// CR or LF, its quotes doubled, ill-formed UTF-8 becoming U+FFFD.
void AppendCsvField(std::string_view bytes, std::string& row);

// The bytes with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);

}  // namespace kesmal
