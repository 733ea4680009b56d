#pragma once
// Scans of whole inputs, files or a stream, and the records of their
// findings: as grep -Hno --column writes matches, as JSON Lines or CSV with
// every field of the number's check, or as counts or names of the inputs
// that hold any. Each input is read by the searcher (kesmal/searcher.h): in
// pieces, in flat memory however long its lines, and with several jobs in
// blocks of lines on as many threads, the records still in input order.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/scan.h"
#include "kesmal/searcher.h"

namespace kesmal {

enum class ScanOutput {
  Plain,            // FILE:LINE:COLUMN:TEXT, without FILE: for standard input alone
  Json,             // one object per finding
  Csv,              // a header row, then one row per finding
  Count,            // the number of findings per input
  FilesWithMatches  // the names of the inputs with at least one
};

// The records of a scan, each a sink of the searcher (kesmal/searcher.h).
// `namedRules` given, the records name the rules, as check's do.

// FILE:LINE:COLUMN:TEXT, as grep -Hno --column writes matches.
class PlainRecords : public SearchSink {
 public:
  void BeginInput(const InputName& input) override { input_ = input; }
  bool Found(const Finding& finding, std::string& out) override;

 private:
  InputName input_;
};

// One JSON object per finding: its place, then every field of its check.
class JsonRecords : public SearchSink {
 public:
  explicit JsonRecords(std::optional<RuleSet> namedRules) : rules_(namedRules) {}
  void BeginInput(const InputName& input) override { input_ = input; }
  bool Found(const Finding& finding, std::string& out) override;

 private:
  std::optional<RuleSet> rules_;
  InputName input_;
};

// A header row, then one row per finding with the same fields.
class CsvRecords : public SearchSink {
 public:
  explicit CsvRecords(std::optional<RuleSet> namedRules) : rules_(namedRules) {}
  void BeginSearch(std::string& out) override;
  void BeginInput(const InputName& input) override { input_ = input; }
  bool Found(const Finding& finding, std::string& out) override;

 private:
  std::optional<RuleSet> rules_;
  InputName input_;
};

// The number of findings per input.
class CountRecords : public SearchSink {
 public:
  bool Found(const Finding&, std::string&) override { return true; }
  void EndInput(const InputName& input, std::uint64_t findings, std::string& out) override;
};

// The names of the inputs with at least one finding; the first ends the input's search.
class FilesWithMatches : public SearchSink {
 public:
  bool Found(const Finding&, std::string&) override { return false; }
  void EndInput(const InputName& input, std::uint64_t findings, std::string& out) override;
  bool StopsEarly() const override { return true; }
};

// The sink writing records of the kind given.
std::unique_ptr<SearchSink> RecordsOf(ScanOutput output, std::optional<RuleSet> namedRules);

struct ScanRequest {
  std::vector<std::string> paths;  // none, or "-": standard input
  ScanOptions options;
  std::optional<RuleSet> namedRules;  // given, the records name the rules, as check's do
  ScanOutput output = ScanOutput::Plain;
  unsigned jobs = 1;          // threads scanning blocks of lines, 1 to 64
  FailureCallback onFailure;  // told of each input that cannot be read, as it fails
};

// The JSON object and the CSV row of one finding, without a line end; `path`
// none for standard input.
void AppendFindingJson(const Finding& finding, std::optional<std::string_view> path,
                       std::optional<RuleSet> namedRules, std::string& out);
void AppendFindingCsv(const Finding& finding, std::optional<std::string_view> path,
                      std::optional<RuleSet> namedRules, std::string& out);
std::string FindingCsvHeader(std::optional<RuleSet> namedRules);

// Scans every input and writes the records to out. An input that cannot be
// read is reported and the others are still scanned.
SearchResult ScanInputs(const ScanRequest& request, std::istream& in, std::ostream& out);

}  // namespace kesmal
