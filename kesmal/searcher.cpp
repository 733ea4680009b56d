#include "kesmal/searcher.h"

#include <algorithm>
#include <cerrno>
#include <ostream>

#include "kesmal/input_source.h"
#include "kesmal/line_reader.h"
#include "kesmal/ordered_work.h"

namespace kesmal {

std::vector<std::string> InputPaths(const std::vector<std::string>& paths) {
  if (paths.empty()) return {"-"};
  return paths;
}

// A loop: the WebAssembly build's libc++ has no ranges::any_of.
bool SearchResult::Matched() const {
  for (const std::uint64_t count : findings)
    if (count > 0) return true;
  return false;
}

void StreamOutput::Write(std::string_view bytes) {
  if (out_) out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void StreamOutput::Flush() { out_.flush(); }

bool StreamOutput::Failed() const { return !out_; }

PieceSearch::PieceSearch(const ScanOptions& options, SearchSink& sink, ScanStart start,
                         SearchOutput* passTo)
    : scanner_(options, start),
      sink_(sink),
      passTo_(sink.TakesBytes() ? passTo : nullptr),
      start_(start.offset),
      fed_(start.offset) {}

void PieceSearch::Feed(std::string_view piece, std::string& out) {
  scanner_.Feed(piece, [&](const Finding& finding) { return sink_.Found(finding, out); });
  fed_ += piece.size();
  if (passTo_) Pass(fed_ > start_ + kUndecided ? fed_ - kUndecided : start_, piece, out);
}

void PieceSearch::Finish(std::string& out) {
  scanner_.Finish([&](const Finding& finding) { return sink_.Found(finding, out); });
  if (passTo_) Pass(fed_, {}, out);
}

// Passes on the bytes before `upTo`, the bytes held and then the piece just
// fed, and holds the rest.
void PieceSearch::Pass(std::uint64_t upTo, std::string_view piece, std::string& records) {
  if (!records.empty()) {
    passTo_->Write(records);
    records.clear();
  }
  SearchOutput& out = *passTo_;
  const std::uint64_t pieceStart = fed_ - piece.size();
  if (upTo <= pieceStart) {
    const std::size_t passed = upTo - start_;
    if (passed > 0) sink_.Passed(std::string_view(held_).substr(0, passed), out);
    held_.erase(0, passed);
    held_ += piece;
  } else {
    if (!held_.empty()) sink_.Passed(held_, out);
    sink_.Passed(piece.substr(0, upTo - pieceStart), out);
    held_.assign(piece.substr(upTo - pieceStart));
  }
  start_ = upTo;
}

namespace {

constexpr std::size_t kPiece = 256 * 1024;
constexpr std::size_t kOutputBlock = 64 * 1024;

// Records gather in one block and go out when it is full.
class RecordBlock {
 public:
  explicit RecordBlock(SearchOutput& out) : out_(out) {}
  ~RecordBlock() { Write(); }
  RecordBlock(const RecordBlock&) = delete;
  RecordBlock& operator=(const RecordBlock&) = delete;

  std::string& Records() { return records_; }
  void WriteIfFull() {
    if (records_.size() >= kOutputBlock) Write();
  }
  void Write() {
    if (!records_.empty()) out_.Write(records_);
    records_.clear();
  }
  // Records written elsewhere, after these.
  void Write(std::string_view records) {
    Write();
    if (!records.empty()) out_.Write(records);
  }

 private:
  SearchOutput& out_;
  std::string records_;
};

std::error_code LastError() { return {errno, std::generic_category()}; }

// One input read piece after piece and searched on this thread.
std::optional<std::error_code> SearchSerially(Source& source, const ScanOptions& options,
                                              SearchSink& sink, SearchOutput& out,
                                              RecordBlock& records, std::uint64_t& findings) {
  PieceSearch search(options, sink, {}, &out);
  std::string buffer(kPiece, '\0');
  for (;;) {
    const long got = source.Read(buffer.data(), buffer.size());
    if (got < 0) return LastError();
    if (got == 0 || search.Stopped()) break;
    search.Feed({buffer.data(), static_cast<std::size_t>(got)}, records.Records());
    records.WriteIfFull();
  }
  search.Finish(records.Records());
  findings = search.FindingCount();
  return std::nullopt;
}

// Blocks of whole lines are searched on `jobs` threads, each taking the next
// block in turn while this thread reads, and their records are written in
// input order. A line longer than a block is searched here, alone.
class BlockSearch {
 public:
  BlockSearch(const SearchOptions& options, SearchSink& sink, RecordBlock& records)
      : options_(options.scan),
        sink_(sink),
        records_(records),
        work_(options.jobs, [&] { return Block(options.scan, sink); }) {}

  std::optional<std::error_code> Search(Source& source, std::uint64_t& findings) {
    std::string buffer(kPiece, '\0');
    for (;;) {
      const long got = source.Read(buffer.data(), buffer.size());
      if (got < 0) {
        const std::error_code error = LastError();
        Drain();  // the blocks read are still written
        return error;
      }
      if (got == 0) break;
      Take({buffer.data(), static_cast<std::size_t>(got)});
    }
    if (longLine_)
      EndLongLine();
    else
      Submit(pending_.size());
    Drain();
    findings = findings_;
    return std::nullopt;
  }

 private:
  static constexpr std::size_t kBlock = 1024 * 1024;

  struct Block {
    Block(const ScanOptions& options, SearchSink& sink) : options(&options), sink(&sink) {}
    void Work() {
      records.clear();
      PieceSearch search(*options, *sink, start);
      search.Feed(lines, records);
      search.Finish(records);
      findings = search.FindingCount();
    }
    const ScanOptions* options;
    SearchSink* sink;
    std::string lines;
    ScanStart start;
    std::string records;
    std::uint64_t findings = 0;
  };

  void Write(const Block& block) {
    records_.Write(block.records);
    findings_ += block.findings;
  }

  void Take(std::string_view piece) {
    if (longLine_) {
      const std::size_t end = piece.find('\n');
      if (end == std::string_view::npos) {
        fedLong_ += piece.size();
        longLine_->Feed(piece, records_.Records());
        return records_.WriteIfFull();
      }
      longLine_->Feed(piece.substr(0, end + 1), records_.Records());
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
    longLine_.emplace(options_, sink_, start_);
    longLine_->Feed(pending_, records_.Records());
    records_.WriteIfFull();
    fedLong_ = pending_.size();
    pending_.clear();
  }

  void EndLongLine() {
    longLine_->Finish(records_.Records());
    findings_ += longLine_->FindingCount();
    longLine_.reset();
    records_.Write();
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

  const ScanOptions& options_;
  SearchSink& sink_;
  RecordBlock& records_;
  std::string pending_;  // read, not yet handed on
  ScanStart start_;      // of pending_, or of the long line
  std::optional<PieceSearch> longLine_;
  std::size_t fedLong_ = 0;  // of the long line, before the current piece
  std::uint64_t findings_ = 0;
  OrderedWork<Block> work_;  // last, so that its threads stop first
};

// Lines each ended by LF, a CR before it left out, to the sink; false when
// the sink marked any.
template <typename AfterLine>
bool SearchBlock(std::string_view lines, LineSink& sink, std::string& out, AfterLine afterLine) {
  sink.BeginBlock();
  bool unmarked = true;
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    std::string_view line = lines.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    unmarked &= sink.Line(line, out);
    afterLine();
    lines.remove_prefix(end + 1);
  }
  return unmarked;
}

// Blocks of lines go to `jobs` threads, each taking the next block in turn
// while this thread reads, and their records are written in input order.
// Every thread holds one block and its records at most, its buffers used
// again block after block, so memory stays flat however long the input.
class LineBlocks {
 public:
  LineBlocks(unsigned jobs, const MakeLineSink& makeSink, SearchOutput& out)
      : out_(out), work_(jobs, [&] { return Block(makeSink()); }) {}

  // Hands the lines to the next thread in turn, once it has finished its last
  // block and that block's records are written.
  void Add(std::string_view lines) {
    work_.Next([this](Block& done) { Write(done); }).lines.assign(lines);  // read once started
    work_.Start();
  }
  // Writes every record so far, as before a read that may wait.
  void Drain() {
    work_.Drain([this](Block& done) { Write(done); });
    out_.Flush();
  }
  bool Unmarked() const { return unmarked_; }

 private:
  struct Block {
    explicit Block(std::unique_ptr<LineSink> made) : sink(std::move(made)) {}
    void Work() {
      records.clear();
      unmarked = SearchBlock(lines, *sink, records, [] {});
    }
    std::unique_ptr<LineSink> sink;
    std::string lines;
    std::string records;
    bool unmarked = true;
  };

  void Write(const Block& block) {
    if (!block.records.empty()) out_.Write(block.records);
    unmarked_ &= block.unmarked;
  }

  SearchOutput& out_;
  bool unmarked_ = true;
  OrderedWork<Block> work_;  // last, so that its threads stop first
};

}  // namespace

bool SearchLines(std::istream& in, unsigned jobs, const MakeLineSink& makeSink, SearchOutput& out) {
  BlockReader reader(in);
  if (jobs > 1) {
    LineBlocks blocks(jobs, makeSink, out);
    while (const auto lines = reader.Next([&] { blocks.Drain(); })) blocks.Add(*lines);
    blocks.Drain();
    return blocks.Unmarked();
  }
  const std::unique_ptr<LineSink> sink = makeSink();
  RecordBlock records(out);
  bool unmarked = true;
  while (const auto lines = reader.Next([&] { records.Write(), out.Flush(); }))
    unmarked &= SearchBlock(*lines, *sink, records.Records(), [&] { records.WriteIfFull(); });
  records.Write();
  return unmarked;
}

std::optional<std::error_code> SearchSource(Source& source, const InputName& input,
                                            const SearchOptions& options, SearchSink& sink,
                                            SearchOutput& out, std::uint64_t& findings) {
  RecordBlock records(out);
  sink.BeginInput(input);
  std::optional<std::error_code> error;
  if (options.jobs <= 1 || sink.TakesBytes() || sink.StopsEarly()) {
    error = SearchSerially(source, options.scan, sink, out, records, findings);
  } else {
    BlockSearch blocks(options, sink, records);
    error = blocks.Search(source, findings);
  }
  if (!error) sink.EndInput(input, findings, records.Records());
  return error;
}

SearchResult SearchInputs(const std::vector<std::string>& paths, const SearchOptions& options,
                          SearchSink& sink, std::istream& in, SearchOutput& out) {
  const std::vector<std::string> inputs = InputPaths(paths);
  const bool named = !(inputs.size() == 1 && inputs[0] == "-");
  SearchResult result;
  {
    std::string head;
    sink.BeginSearch(head);
    if (!head.empty()) out.Write(head);
  }
  const auto fail = [&](const std::string& path, std::error_code error) {
    result.findings.push_back(0);
    result.failures.push_back({path, InputFault::Unreadable, error});
    if (options.onFailure) options.onFailure(result.failures.back());
  };
  for (const std::string& path : inputs) {
    std::optional<Source> source = Source::Open(path, in);
    if (!source) {
      fail(path, LastError());
    } else {
      std::uint64_t findings = 0;
      if (const auto error = SearchSource(*source, {path, named}, options, sink, out, findings))
        fail(path, *error);
      else
        result.findings.push_back(findings);
    }
    if (out.Failed()) {
      result.outputFailed = true;
      break;
    }
  }
  return result;
}

}  // namespace kesmal
