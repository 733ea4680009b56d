#include "kesmal/scan_inputs.h"

#include <charconv>
#include <ostream>

#include "kesmal/record_writer.h"
#include "kesmal/records.h"

namespace kesmal {
namespace {

using namespace std::string_view_literals;

void AppendNumber(std::uint64_t value, std::string& out) {
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

}  // namespace

void AppendFindingJson(const Finding& finding, std::optional<std::string_view> path,
                       std::optional<RuleSet> namedRules, std::string& out) {
  std::string room, scratch;
  AppendFindingJsonRecord(finding, path, namedRules, room, scratch, out);
}

void AppendFindingCsv(const Finding& finding, std::optional<std::string_view> path,
                      std::optional<RuleSet> namedRules, std::string& out) {
  std::string room, scratch;
  AppendFindingCsvRecord(finding, path, namedRules, room, scratch, out);
}

std::string FindingCsvHeader(std::optional<RuleSet> namedRules) {
  return "path,line,column,offset,length,text,plausible," + std::string(CsvHeader(namedRules));
}

bool PlainRecords::Found(const Finding& finding, std::string& out) {
  if (input_.named) (out += input_.Name()) += ':';
  AppendNumber(finding.line, out);
  out += ':';
  AppendNumber(finding.column, out);
  out += ':';
  (out += finding.text) += '\n';
  return true;
}

namespace {

std::optional<std::string_view> PathOf(const InputName& input) {
  if (input.StandardInput()) return std::nullopt;
  return input.path;
}

// Records come from several threads at once, each with its own buffers,
// which serve finding after finding.
struct RecordBuffers {
  std::string room;     // one record, written whole before it is appended
  std::string scratch;  // text converted from GBK
};
thread_local RecordBuffers threadRecords;

}  // namespace

bool JsonRecords::Found(const Finding& finding, std::string& out) {
  AppendFindingJsonRecord(finding, PathOf(input_), rules_, threadRecords.room,
                          threadRecords.scratch, out);
  out += '\n';
  return true;
}

void CsvRecords::BeginSearch(std::string& out) { (out += FindingCsvHeader(rules_)) += "\r\n"sv; }

bool CsvRecords::Found(const Finding& finding, std::string& out) {
  AppendFindingCsvRecord(finding, PathOf(input_), rules_, threadRecords.room, threadRecords.scratch,
                         out);
  out += "\r\n"sv;
  return true;
}

void CountRecords::EndInput(const InputName& input, std::uint64_t findings, std::string& out) {
  if (input.named) (out += input.Name()) += ':';
  AppendNumber(findings, out);
  out += '\n';
}

void FilesWithMatches::EndInput(const InputName& input, std::uint64_t findings, std::string& out) {
  if (findings > 0) (out += input.Name()) += '\n';
}

std::unique_ptr<SearchSink> RecordsOf(ScanOutput output, std::optional<RuleSet> namedRules) {
  switch (output) {
    case ScanOutput::Plain: return std::make_unique<PlainRecords>();
    case ScanOutput::Json: return std::make_unique<JsonRecords>(namedRules);
    case ScanOutput::Csv: return std::make_unique<CsvRecords>(namedRules);
    case ScanOutput::Count: return std::make_unique<CountRecords>();
    case ScanOutput::FilesWithMatches: return std::make_unique<FilesWithMatches>();
  }
  return nullptr;
}

SearchResult ScanInputs(const ScanRequest& request, std::istream& in, std::ostream& out) {
  const std::unique_ptr<SearchSink> records = RecordsOf(request.output, request.namedRules);
  StreamOutput output(out);
  const SearchResult result = SearchInputs(
      request.paths, {request.options, request.jobs, request.onFailure}, *records, in, output);
  out.flush();
  return result;
}

}  // namespace kesmal
