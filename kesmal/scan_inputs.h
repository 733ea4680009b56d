#pragma once
// Scans of whole inputs, files or a stream, and the records of their
// findings: as grep -Hno --column writes matches, as JSON Lines or CSV with
// every field of the number's check, or as counts or names of the inputs
// that hold any. Each input is read in pieces, in flat memory however long
// its lines; with several jobs its blocks of lines are scanned on as many
// threads, and the records still come in input order.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/scan.h"

namespace kesmal {

enum class ScanOutput {
  Plain,            // FILE:LINE:COLUMN:TEXT, without FILE: for standard input alone
  Json,             // one object per finding
  Csv,              // a header row, then one row per finding
  Count,            // the number of findings per input
  FilesWithMatches  // the names of the inputs with at least one
};

struct ScanRequest {
  std::vector<std::string> paths;  // none, or "-": standard input
  ScanOptions options;
  std::optional<RuleSet> namedRules;  // given, the records name the rules, as check's do
  ScanOutput output = ScanOutput::Plain;
  unsigned jobs = 1;  // threads scanning blocks of lines, 1 to 64
  // The caller's name before each message on err ("prog: path: error"); the
  // messages alone when empty.
  std::string program;
};

// "prog: " before a message on err, or nothing for a caller without a name.
inline std::string MessagePrefix(const std::string& program) {
  return program.empty() ? std::string() : program + ": ";
}

// The name of standard input in records, as grep calls it.
inline constexpr std::string_view kStandardInputName = "(standard input)";

// The JSON object and the CSV row of one finding, without a line end; `path`
// none for standard input.
void AppendFindingJson(const Finding& finding, std::optional<std::string_view> path,
                       std::optional<RuleSet> namedRules, std::string& out);
void AppendFindingCsv(const Finding& finding, std::optional<std::string_view> path,
                      std::optional<RuleSet> namedRules, std::string& out);
std::string FindingCsvHeader(std::optional<RuleSet> namedRules);

// Scans every input and writes the records to out. An input that cannot be
// read is named on err and the others are still scanned. Returns grep's exit
// status: 0 when anything was found, 1 when nothing, 2 after an error.
int ScanInputs(const ScanRequest& request, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kesmal
