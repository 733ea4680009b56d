#include "kesmal/scan_inputs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <istream>
#include <memory>
#include <ostream>

#include "kesmal/input_source.h"
#include "kesmal/ordered_work.h"
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

// The fields a finding adds before those of its number's check.
void AppendPlace(const Finding& finding, std::string& out, char separator) {
  AppendNumber(finding.line, out);
  out += separator;
  AppendNumber(finding.column, out);
  out += separator;
  AppendNumber(finding.offset, out);
  out += separator;
  AppendNumber(finding.length, out);
}

// What every record of one input is written with.
class FindingWriter {
 public:
  FindingWriter(const ScanRequest& request, std::optional<std::string_view> path, bool named)
      : request_(request), path_(path), named_(named) {}

  void Append(const Finding& finding, std::string& out) const {
    switch (request_.output) {
      case ScanOutput::Plain:
        if (named_) (out += Name()) += ':';
        AppendNumber(finding.line, out);
        out += ':';
        AppendNumber(finding.column, out);
        out += ':';
        (out += finding.text) += '\n';
        return;
      case ScanOutput::Json:
        AppendFindingJson(finding, path_, request_.namedRules, out);
        out += '\n';
        return;
      case ScanOutput::Csv:
        AppendFindingCsv(finding, path_, request_.namedRules, out);
        out += "\r\n"sv;
        return;
      case ScanOutput::Count:
      case ScanOutput::FilesWithMatches: return;
    }
  }

  // What follows the last record of the input.
  void AppendSummary(std::uint64_t findings, std::string& out) const {
    if (request_.output == ScanOutput::Count) {
      if (named_) (out += Name()) += ':';
      AppendNumber(findings, out);
      out += '\n';
    } else if (request_.output == ScanOutput::FilesWithMatches && findings > 0) {
      (out += Name()) += '\n';
    }
  }

 private:
  std::string_view Name() const { return path_ ? *path_ : kStandardInputName; }

  const ScanRequest& request_;
  std::optional<std::string_view> path_;
  bool named_;
};

constexpr std::size_t kPiece = 256 * 1024;
constexpr std::size_t kOutputBlock = 64 * 1024;

// Findings gather in one block of records and go out when it is full.
class RecordSink {
 public:
  RecordSink(const FindingWriter& writer, std::ostream& out) : writer_(writer), out_(out) {}
  void operator()(const Finding& finding) {
    writer_.Append(finding, records_);
    if (records_.size() >= kOutputBlock) Write();
  }
  void Write() {
    out_.write(records_.data(), static_cast<std::streamsize>(records_.size()));
    records_.clear();
  }

 private:
  const FindingWriter& writer_;
  std::ostream& out_;
  std::string records_;
};

// False after a read error, named on err.
bool ReadFailed(long got, std::string_view name, const ScanRequest& request, std::ostream& err) {
  if (got >= 0) return false;
  err << MessagePrefix(request.program) << name << ": " << std::strerror(errno) << '\n';
  return true;
}

// One input scanned piece after piece on this thread.
std::optional<std::uint64_t> ScanSerially(Source& source, std::string_view name,
                                          const ScanRequest& request, const FindingWriter& writer,
                                          std::ostream& out, std::ostream& err) {
  Scanner scanner(request.options);
  RecordSink records(writer, out);
  const bool firstOnly = request.output == ScanOutput::FilesWithMatches;
  const auto sink = [&](const Finding& finding) {
    records(finding);
    return !firstOnly;
  };
  std::string buffer(kPiece, '\0');
  for (;;) {
    const long got = source.Read(buffer.data(), buffer.size());
    if (ReadFailed(got, name, request, err)) return std::nullopt;
    if (got == 0 || scanner.Stopped()) break;
    scanner.Feed({buffer.data(), static_cast<std::size_t>(got)}, sink);
  }
  scanner.Finish(sink);
  records.Write();
  return scanner.FindingCount();
}

// Blocks of whole lines are scanned on `jobs` threads, each taking the next
// block in turn while this thread reads, and their records are written in
// input order. A line longer than a block is scanned here, alone.
class BlockScan {
 public:
  BlockScan(const ScanRequest& request, const FindingWriter& writer, std::ostream& out)
      : request_(request),
        writer_(writer),
        out_(out),
        work_(request.jobs, [&] { return Block(request.options, writer); }) {}

  std::optional<std::uint64_t> ScanInput(Source& source, std::string_view name, std::ostream& err) {
    std::string buffer(kPiece, '\0');
    for (;;) {
      const long got = source.Read(buffer.data(), buffer.size());
      if (ReadFailed(got, name, request_, err)) return Stop(), std::nullopt;
      if (got == 0) break;
      Take({buffer.data(), static_cast<std::size_t>(got)});
    }
    if (longLine_)
      EndLongLine();
    else
      Submit(pending_.size());
    Drain();
    return findings_;
  }

 private:
  static constexpr std::size_t kBlock = 1024 * 1024;

  struct Block {
    Block(const ScanOptions& options, const FindingWriter& writer)
        : options(&options), writer(&writer) {}
    void Work() {
      records.clear();
      Scanner scanner(*options, start);
      const auto sink = [&](const Finding& finding) { writer->Append(finding, records); };
      scanner.Feed(lines, sink);
      scanner.Finish(sink);
      findings = scanner.FindingCount();
    }
    const ScanOptions* options;
    const FindingWriter* writer;
    std::string lines;
    ScanStart start;
    std::string records;
    std::uint64_t findings = 0;
  };

  void Write(const Block& block) {
    out_.write(block.records.data(), static_cast<std::streamsize>(block.records.size()));
    findings_ += block.findings;
  }

  RecordSink& Records() {
    if (!direct_) direct_.emplace(writer_, out_);
    return *direct_;
  }

  void Take(std::string_view piece) {
    if (longLine_) {
      const std::size_t end = piece.find('\n');
      if (end == std::string_view::npos) {
        fedLong_ += piece.size();
        return longLine_->Feed(piece, Records());
      }
      longLine_->Feed(piece.substr(0, end + 1), Records());
      EndLongLine();
      start_ = {start_.offset + fedLong_ + end + 1, start_.line + 1};
      piece.remove_prefix(end + 1);
    }
    pending_ += piece;
    if (pending_.size() < kBlock) return;
    const std::size_t lastEnd = pending_.rfind('\n');
    if (lastEnd != std::string::npos) return Submit(lastEnd + 1);
    // No line end in a whole block: the line goes on here, on one scanner.
    Drain();
    longLine_.emplace(request_.options, start_);
    longLine_->Feed(pending_, Records());
    fedLong_ = pending_.size();
    pending_.clear();
  }

  void EndLongLine() {
    longLine_->Finish(Records());
    findings_ += longLine_->FindingCount();
    longLine_.reset();
    direct_->Write();
  }

  // Hands the first `size` bytes read, whole lines, to the next thread in turn.
  void Submit(std::size_t size) {
    if (size == 0) return;
    Block& block = work_.Next([this](Block& done) { Write(done); });
    block.lines.assign(pending_, 0, size);
    block.start = start_;
    work_.Start();
    const auto lines =
        std::count(pending_.begin(), pending_.begin() + static_cast<long>(size), '\n');
    start_.line += static_cast<std::uint64_t>(lines);
    start_.offset += size;
    pending_.erase(0, size);
  }

  // Writes every block's records, the oldest first.
  void Drain() {
    work_.Drain([this](Block& done) { Write(done); });
  }

  // After a read error: the blocks read are still written.
  void Stop() {
    Drain();
    longLine_.reset();
  }

  const ScanRequest& request_;
  const FindingWriter& writer_;
  std::ostream& out_;
  std::string pending_;  // read, not yet handed on
  ScanStart start_;      // of pending_, or of the long line
  std::optional<Scanner> longLine_;
  std::size_t fedLong_ = 0;  // of the long line, before the current piece
  std::optional<RecordSink> direct_;
  std::uint64_t findings_ = 0;
  OrderedWork<Block> work_;  // last, so that its threads stop first
};

std::optional<std::uint64_t> ScanOne(Source& source, std::string_view name,
                                     const ScanRequest& request, const FindingWriter& writer,
                                     std::ostream& out, std::ostream& err) {
  if (request.jobs <= 1 || request.output == ScanOutput::FilesWithMatches)
    return ScanSerially(source, name, request, writer, out, err);
  BlockScan blocks(request, writer, out);
  return blocks.ScanInput(source, name, err);
}

}  // namespace

void AppendFindingJson(const Finding& finding, std::optional<std::string_view> path,
                       std::optional<RuleSet> namedRules, std::string& out) {
  out += "{\"path\":"sv;
  if (path)
    out += JsonString(*path);
  else
    out += "null"sv;
  out += ",\"line\":"sv;
  AppendNumber(finding.line, out);
  out += ",\"column\":"sv;
  AppendNumber(finding.column, out);
  out += ",\"offset\":"sv;
  AppendNumber(finding.offset, out);
  out += ",\"length\":"sv;
  AppendNumber(finding.length, out);
  out += ",\"text\":"sv;
  out += JsonString(finding.text);
  out += ",\"plausible\":"sv;
  out += finding.plausible ? "true"sv : "false"sv;
  // The check's object follows, its opening brace the comma between them.
  const std::size_t brace = out.size();
  AppendCheckJson(finding.number, &finding.report, out, namedRules);
  out[brace] = ',';
}

void AppendFindingCsv(const Finding& finding, std::optional<std::string_view> path,
                      std::optional<RuleSet> namedRules, std::string& out) {
  if (path) AppendCsvField(*path, out);
  out += ',';
  AppendPlace(finding, out, ',');
  out += ',';
  // The text is letters, digits, brackets, hyphens and a space: nothing to quote.
  out += finding.text;
  out += finding.plausible ? ",true,"sv : ",false,"sv;
  AppendCheckCsv(finding.number, &finding.report, out, namedRules);
}

std::string FindingCsvHeader(std::optional<RuleSet> namedRules) {
  return "path,line,column,offset,length,text,plausible," + std::string(CsvHeader(namedRules));
}

int ScanInputs(const ScanRequest& request, std::istream& in, std::ostream& out, std::ostream& err) {
  std::vector<std::string> paths = request.paths;
  if (paths.empty()) paths.emplace_back("-");
  const bool named = !(paths.size() == 1 && paths[0] == "-");
  if (request.output == ScanOutput::Csv) out << FindingCsvHeader(request.namedRules) << "\r\n";
  bool found = false;
  bool failed = false;
  for (const std::string& path : paths) {
    const bool standardInput = path == "-";
    std::optional<Source> source = Source::Open(path, in);
    if (!source) {
      err << MessagePrefix(request.program) << path << ": " << std::strerror(errno) << '\n';
      failed = true;
      continue;
    }
    const std::string_view name = standardInput ? kStandardInputName : std::string_view(path);
    const FindingWriter writer(request, standardInput ? std::nullopt : std::optional(name), named);
    const auto findings = ScanOne(*source, name, request, writer, out, err);
    if (!findings) {
      failed = true;
      continue;
    }
    found |= *findings > 0;
    std::string summary;
    writer.AppendSummary(*findings, summary);
    out << summary;
  }
  out.flush();
  return failed ? 2 : found ? 0 : 1;
}

}  // namespace kesmal
