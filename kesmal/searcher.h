#pragma once
// The one reader of inputs, files or standard input, for the scan and the
// masker alike: it reads each input in pieces, in flat memory however long
// its lines, scans them (line numbers, columns and offsets counted across
// pieces, a number found across two reads), and hands what it finds to a
// sink. With several jobs an input's blocks of lines are scanned on as many
// threads, and what the sink writes of them still comes in input order.
//
// A sink receives the findings and, if it asks, every byte of the input in
// order once no finding can start in it: the records of a scan are sinks, and
// so is the masker, which writes the bytes between the numbers it replaces.
// Nothing here writes a message: an input that cannot be read is reported to
// the caller, in the result and as it happens.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "kesmal/scan.h"

namespace kesmal {

// The name of standard input in records and messages, as grep calls it.
inline constexpr std::string_view kStandardInputName = "(standard input)";

// The inputs a request names: standard input ("-") when it names none.
std::vector<std::string> InputPaths(const std::vector<std::string>& paths);

// One input as the sinks see it.
struct InputName {
  std::string_view path;  // as given, "-" for standard input
  // Whether records name the input: there are other inputs than standard input alone.
  bool named = true;

  bool StandardInput() const { return path == "-"; }
  // The path, or kStandardInputName.
  std::string_view Name() const { return StandardInput() ? kStandardInputName : path; }
};

// Why an input was not searched or, masked in place, not rewritten.
enum class InputFault : std::uint8_t {
  Unreadable,            // it could not be opened or read (error)
  NotRegularFile,        // in place: anything but a regular file is left as it is
  OtherHardLinks,        // in place: the other names would keep the numbers (otherLinks)
  Busy,                  // in place: another run is rewriting it
  CannotWriteBeside,     // in place: the temporary file beside it (error)
  CannotKeepOwner,       // in place: its owner and group (error)
  CannotKeepMode,        // in place (error)
  CannotKeepAttributes,  // in place: its extended attributes (error)
  CannotReplace          // in place: the rename over it (error)
};

struct InputFailure {
  std::string path;  // as given, "-" for standard input
  InputFault fault;
  std::error_code error;         // what the system said, when it said anything
  std::uint64_t otherLinks = 0;  // for OtherHardLinks
};

// Called as each input fails, before the next is read.
using FailureCallback = std::function<void(const InputFailure&)>;

// What a search of several inputs found.
struct SearchResult {
  std::vector<std::uint64_t> findings;  // per input, in order; 0 for one that failed
  std::vector<InputFailure> failures;
  bool outputFailed = false;  // the output could not be written; the rest was not read

  bool Matched() const;
};

// Where a search writes: each call hands on the bytes of whole records.
class SearchOutput {
 public:
  virtual ~SearchOutput() = default;
  virtual void Write(std::string_view bytes) = 0;
  // Before a read that may wait: what was written goes out now.
  virtual void Flush() {}
  // After a write that failed: nothing more is written or read.
  virtual bool Failed() const { return false; }
};

// An output stream; once it fails, nothing more is written.
class StreamOutput : public SearchOutput {
 public:
  explicit StreamOutput(std::ostream& out) : out_(out) {}
  void Write(std::string_view bytes) override;
  void Flush() override;
  bool Failed() const override;

 private:
  std::ostream& out_;
};

// Appends to a string.
class StringOutput : public SearchOutput {
 public:
  explicit StringOutput(std::string* out = nullptr) : out_(out) {}
  void To(std::string& out) { out_ = &out; }
  void Write(std::string_view bytes) override { out_->append(bytes); }

 private:
  std::string* out_;
};

// What receives a search. The records go into `out`, which the searcher
// writes out in input order.
class SearchSink {
 public:
  virtual ~SearchSink() = default;

  // Before the first input (a header row).
  virtual void BeginSearch(std::string& /*out*/) {}
  // Before each input's first finding and bytes.
  virtual void BeginInput(const InputName& /*input*/) {}
  // One finding, whose views are valid during the call alone. False stops
  // the input's search: the sink needs no more. A sink that takes no bytes
  // may be called on several threads at once, each with its own `out`.
  virtual bool Found(const Finding& finding, std::string& out) = 0;
  // The input's bytes in order, each once, after every finding that starts
  // in them, for the sink to write straight out; only for a sink whose
  // TakesBytes is true.
  virtual void Passed(std::string_view /*bytes*/, SearchOutput& /*out*/) {}
  // After the input's last finding and bytes.
  virtual void EndInput(const InputName& /*input*/, std::uint64_t /*findings*/,
                        std::string& /*out*/) {}

  virtual bool TakesBytes() const { return false; }
  // Whether Found may stop an input's search; such a sink is called on one thread.
  virtual bool StopsEarly() const { return false; }
};

// One input searched on this thread, fed its bytes piece after piece: the
// scanner and the bytes still undecided (a finding may start in them), which
// are passed on once decided to a sink that takes bytes, with `passTo`, after
// the records before them.
class PieceSearch {
 public:
  PieceSearch(const ScanOptions& options, SearchSink& sink, ScanStart start = {},
              SearchOutput* passTo = nullptr);

  void Feed(std::string_view piece, std::string& out);
  // The input ends here.
  void Finish(std::string& out);

  bool Stopped() const { return scanner_.Stopped(); }
  std::uint64_t FindingCount() const { return scanner_.FindingCount(); }

  // A finding never starts further back than this from the last byte fed.
  static constexpr std::size_t kUndecided = Scanner::kBehind + Scanner::kAhead + 64;

 private:
  void Pass(std::uint64_t upTo, std::string_view piece, std::string& out);

  Scanner scanner_;
  SearchSink& sink_;
  SearchOutput* passTo_;     // when the sink takes bytes
  std::string held_;         // fed before the piece, not yet passed on
  std::uint64_t start_ = 0;  // the offset of held_
  std::uint64_t fed_ = 0;
};

struct SearchOptions {
  ScanOptions scan;
  unsigned jobs = 1;  // threads scanning blocks of lines, 1 to 64; a sink taking bytes uses one
  FailureCallback onFailure;
};

// Searches each input in turn (none: standard input) into the sink, its
// records written to out. An input that cannot be read is reported and the
// others are still searched.
SearchResult SearchInputs(const std::vector<std::string>& paths, const SearchOptions& options,
                          SearchSink& sink, std::istream& in, SearchOutput& out);

// What receives each line of a search by lines, as check reads standard
// input: one sink for each thread.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // One line, without its LF or CRLF, its record appended to out; false
  // marks the line (a number that is not valid).
  virtual bool Line(std::string_view line, std::string& out) = 0;
  // Before each block of lines: a checker reads today's date there, so that
  // a stream running past midnight judges its later lines by the new day.
  virtual void BeginBlock() {}
};

using MakeLineSink = std::function<std::unique_ptr<LineSink>()>;

// Hands every line of `in` (ended by LF or CRLF; a last line without one
// too) to a sink, in blocks of lines on `jobs` threads, and writes their
// records in input order, in flat memory however long the input. Before a
// read that may wait, every record so far is written and flushed, so that a
// script feeding one line at a time gets each answer. True when no line was
// marked. A stream that cannot be read throws std::ios_base::failure.
bool SearchLines(std::istream& in, unsigned jobs, const MakeLineSink& makeSink, SearchOutput& out);

}  // namespace kesmal
