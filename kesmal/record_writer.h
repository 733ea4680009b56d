#pragma once
// The JSON and CSV writers of check records, inside the library: a batch's
// Checker, a check's CheckResult and the scan's sinks write through them.
#include <optional>
#include <string>
#include <string_view>

#include "kesmal/scan.h"
#include "rules/current.h"
#include "rules/id_report.h"

namespace kesmal {

// The record of a check's analysis and its report in UTF-8 (no analysis for
// an empty line), appended to out. The record is written whole into `room`
// first; `scratch` holds text converted from GBK. A batch keeps both buffers
// from line to line.
void AppendJsonRecord(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                      std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                      std::string& out);
void AppendCsvRecord(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                     std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                     std::string& out);

// The same of a report written in UTF-8, or null for an empty line.
void AppendCheckJson(std::string_view input, const IdReport* report, std::string& out,
                     std::optional<RuleSet> rules = std::nullopt);
void AppendCheckCsv(std::string_view input, const IdReport* report, std::string& out,
                    std::optional<RuleSet> rules = std::nullopt);

// The record of a scan's finding, `path` none for standard input; its place
// first, then its number's check, through the same writers.
void AppendFindingJsonRecord(const Finding& finding, std::optional<std::string_view> path,
                             std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                             std::string& out);
void AppendFindingCsvRecord(const Finding& finding, std::optional<std::string_view> path,
                            std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                            std::string& out);

}  // namespace kesmal
