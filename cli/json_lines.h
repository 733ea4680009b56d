#pragma once
// The --json rendering of checks: one JSON object a line, holding the same
// analysis the report was written from, for scripts that want the fields
// without reading the Chinese sentence.
#include <optional>
#include <string>
#include <string_view>

#include "rules/current.h"
#include "rules/id_report.h"

namespace kesmal::cli {

// "letter", "check_code": the names scripts match on.
const char* FaultName(FaultCode code);

// YYYY-MM-DD.
std::string IsoDate(const CivilDate& date);

// A quoted JSON string of any bytes: valid UTF-8 is kept, every ill-formed
// sequence becomes U+FFFD, and quotes, backslashes and control characters are
// escaped, so the result is valid JSON whatever came in.
std::string JsonString(std::string_view bytes);

// Receives the fields of one check in the order of its JSON object. Text is
// UTF-8, except the input, which is the line as read and may be ill-formed.
class CheckFieldSink {
 public:
  virtual void Text(std::string_view key, std::string_view utf8) = 0;
  virtual void Bool(std::string_view key, bool value) = 0;
  virtual void Null(std::string_view key) = 0;
  // A list of objects, each opened and closed around its fields.
  virtual void BeginList(std::string_view key) = 0;
  virtual void BeginItem() = 0;
  virtual void EndItem() = 0;
  virtual void EndList() = 0;

 protected:
  ~CheckFieldSink() = default;
};

// The fields of the object for one input. The report is the check's (its
// text in either encoding), or none for an empty line.
void VisitCheckFields(std::string_view input, const std::optional<IdReport>& report,
                      CheckFieldSink& sink, std::optional<RuleSet> rules = std::nullopt);

// The object for one input, without a line end.
std::string CheckJson(std::string_view input, const std::optional<IdReport>& report,
                      std::optional<RuleSet> rules = std::nullopt);

// The header row of --csv, and the row of one input, both without a line end:
// input, jurisdiction, valid, faults (codes joined by ";"), birthplace,
// region_code, birth_date, sex, upgrade, report; with a rule set named, also
// rules, kind and check_code_verified, after the report so that the columns
// scripts already read keep their places. Any input gives one well-formed
// RFC 4180 row of UTF-8, ill-formed bytes becoming U+FFFD.
std::string_view CsvHeader(std::optional<RuleSet> rules = std::nullopt);
std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report,
                     std::optional<RuleSet> rules = std::nullopt);

// The bytes with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// The same, appended to out: a batch writes one for every line.
void AppendCheckJson(std::string_view input, const std::optional<IdReport>& report,
                     std::string& out, std::optional<RuleSet> rules = std::nullopt);

}  // namespace kesmal::cli
