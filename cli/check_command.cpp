#include "cli/check_command.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <stop_token>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "cli/json_lines.h"
#include "rules/gbk_codec.h"

namespace kesmal::cli {
namespace {

// What a byte of an input asks for before it is checked.
enum ByteNeed : unsigned char { kRaise = 1, kConvert = 2, kLineBreak = 4 };

constexpr std::array<unsigned char, 256> kByteNeeds = [] {
  std::array<unsigned char, 256> needs{};
  for (int c = 'a'; c <= 'z'; ++c) needs[c] = kRaise;
  for (int c = 0x80; c < 0x100; ++c) needs[c] = kConvert;
  needs['\r'] = needs['\n'] = kLineBreak;
  return needs;
}();

// An input as the check command treats it: a-z raised to capitals, the UTF-8
// converted to GBK. `lineBreak` tells whether it holds a CR or LF.
std::string_view NumberText(std::string_view utf8Line, bool& lineBreak) {
  unsigned needs = 0;
  for (char c : utf8Line) needs |= kByteNeeds[static_cast<unsigned char>(c)];
  lineBreak = needs & kLineBreak;
  // GBK keeps ASCII as it is; most lines need no change at all.
  if (!(needs & (kRaise | kConvert))) return utf8Line;
  thread_local std::string text;  // keeps its storage from line to line
  text.assign(utf8Line);
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (needs & kConvert) text = Utf8ToGbk(text);
  return text;
}

constexpr std::size_t kOutputBlock = 64 * 1024;

enum class Output { Plain, Json, Csv };

// Checks one input and appends its report, plain, as JSON or as a CSV row, in
// UTF-8 written straight into out; `report` is the batch's, its buffers used
// again line after line. Returns false when the number is not valid; an empty
// line is neither. Only the rejection message echoes the input, so only an
// input holding a line break can give a plain report holding one; it becomes
// a space, and every input keeps its one output line.
bool AppendCheck(std::string_view utf8Line, Output output, std::optional<RuleSet> rules,
                 IdReport& report, std::string& out) {
  bool lineBreak = false;
  const std::string_view number = NumberText(utf8Line, lineBreak);
  const RuleSet ruleSet = rules.value_or(RuleSet::Classic);
  if (output != Output::Plain) {
    const IdReport* checked =
        CheckNumberText(number, ruleSet, Encoding::Utf8, report) ? &report : nullptr;
    if (output == Output::Json)
      AppendCheckJson(utf8Line, checked, out, rules);
    else
      AppendCheckCsv(utf8Line, checked, out, rules);
    return !checked || checked->valid;
  }
  if (number.empty()) return true;
  const CheckRule& rule = RuleFor(number, ruleSet);
  const IdAnalysis id = rule.analyse(number);
  const std::size_t start = out.size();
  ReportWriter writer(Encoding::Utf8, out);
  rule.write(id, writer);
  if (lineBreak)
    for (std::size_t i = start; i < out.size(); ++i)
      if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  return id.Valid();
}

// One line in, one line out, in the request's output; the report's buffers
// are used again line after line.
class LineChecker {
 public:
  explicit LineChecker(const CheckRequest& request)
      : output_(request.json  ? Output::Json
                : request.csv ? Output::Csv
                              : Output::Plain),
        rules_(request.rules) {}

  // Returns false when the number is not valid.
  bool Check(std::string_view line, std::string& out) {
    const bool valid = AppendCheck(line, output_, rules_, report_, out);
    out += output_ == Output::Csv ? "\r\n" : "\n";
    return valid;
  }

 private:
  Output output_;
  std::optional<RuleSet> rules_;
  IdReport report_;
};

// Checks lines each ended by a line feed; false when any is not valid.
bool CheckBlock(std::string_view lines, LineChecker& checker, std::string& out) {
  bool allValid = true;
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    allValid &= checker.Check(lines.substr(0, end), out);
    lines.remove_prefix(end + 1);
  }
  return allValid;
}

// Blocks of lines are checked on `jobs` threads, each taking the next block in
// turn while the main thread reads, and their answers are written in input
// order. Every thread holds one block and its answers at most, its buffers
// used again block after block, so memory stays flat however long the input.
class BlockPipeline {
 public:
  BlockPipeline(const CheckRequest& request, std::ostream& out) : out_(out) {
    for (unsigned i = 0; i < request.jobs; ++i) {
      auto& worker = *workers_.emplace_back(std::make_unique<Worker>(request));
      worker.thread = std::jthread([this, &worker](std::stop_token stop) { Run(worker, stop); });
    }
  }

  void Add(std::string_view line) {
    lines_ += line;
    lines_ += '\n';
    if (++count_ == kBlockLines) Start();
  }
  // Writes every answer so far, as before a read that may wait.
  void Drain() {
    Start();
    for (std::size_t i = 0; i < workers_.size(); ++i)  // the oldest block first
      Collect(*workers_[(next_ + i) % workers_.size()]);
    out_.flush();
  }
  bool AllValid() const { return allValid_; }

 private:
  static constexpr std::size_t kBlockLines = 4096;

  struct Worker {
    explicit Worker(const CheckRequest& request) : checker(request) {}
    LineChecker checker;
    std::string lines;
    std::string answers;
    bool allValid = true;
    bool busy = false;       // checking its block
    bool unwritten = false;  // holds answers not yet written
    std::jthread thread;     // last, so that it stops before the rest goes
  };

  void Run(Worker& worker, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [&] { return worker.busy; })) {
      lock.unlock();
      worker.answers.clear();
      worker.allValid = CheckBlock(worker.lines, worker.checker, worker.answers);
      lock.lock();
      worker.busy = false;
      changed_.notify_all();
    }
  }

  // Hands the lines read so far to the next thread in turn, once it has
  // finished its last block and that block's answers are written.
  void Start() {
    if (count_ == 0) return;
    Worker& worker = *workers_[next_];
    Collect(worker);
    {
      const std::lock_guard lock(mutex_);
      std::swap(worker.lines, lines_);
      worker.busy = worker.unwritten = true;
    }
    changed_.notify_all();
    lines_.clear();
    count_ = 0;
    next_ = (next_ + 1) % workers_.size();
  }

  void Collect(Worker& worker) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !worker.busy; });
    }
    if (!worker.unwritten) return;
    out_.write(worker.answers.data(), static_cast<std::streamsize>(worker.answers.size()));
    allValid_ &= worker.allValid;
    worker.unwritten = false;
  }

  std::ostream& out_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<std::unique_ptr<Worker>> workers_;  // after what their threads use
  std::size_t next_ = 0;                          // the thread the next block goes to
  std::string lines_;
  std::size_t count_ = 0;
  bool allValid_ = true;
};

// Standard input line by line, a line end being LF or CRLF, read in large
// pieces of whatever has arrived. Before a read that may wait, the callback
// writes every answer so far, so a script that feeds one line at a time gets
// each answer.
class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(*in.rdbuf()) {}

  // The next line, valid until the next call; none at the end.
  template <typename BeforeWait>
  std::optional<std::string_view> Next(BeforeWait beforeWait) {
    for (;;) {
      const std::string_view held(buffer_.data() + start_, end_ - start_);
      const std::size_t lineEnd = held.find('\n');
      if (lineEnd != std::string_view::npos) {
        start_ += lineEnd + 1;
        return WithoutCr(held.substr(0, lineEnd));
      }
      if (ended_) {
        start_ = end_;
        return held.empty() ? std::nullopt : std::optional(WithoutCr(held));
      }
      Fill(beforeWait);
    }
  }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;

  static std::string_view WithoutCr(std::string_view line) {
    return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
  }

  // Reads no more than has arrived, so that it waits only when nothing has.
  template <typename BeforeWait>
  void Fill(BeforeWait beforeWait) {
    buffer_.erase(0, start_);
    end_ -= start_;
    start_ = 0;
    if (buffer_.size() - end_ < kPiece) buffer_.resize(end_ + kPiece);
    std::streamsize arrived = in_.in_avail();
    if (arrived <= 0) {
      beforeWait();
      ended_ = in_.sgetc() == std::char_traits<char>::eof();  // waits for at least one byte
      arrived = ended_ ? 0 : in_.in_avail();
    }
    const auto room = static_cast<std::streamsize>(buffer_.size() - end_);
    end_ += static_cast<std::size_t>(in_.sgetn(buffer_.data() + end_, std::min(arrived, room)));
  }

  std::streambuf& in_;
  std::string buffer_;
  std::size_t start_ = 0;  // of the first line not yet given
  std::size_t end_ = 0;    // of what was read
  bool ended_ = false;
};

bool CheckInBlocks(const CheckRequest& request, std::istream& in, std::ostream& out) {
  BlockPipeline pipeline(request, out);
  LineReader reader(in);
  while (const auto line = reader.Next([&] { pipeline.Drain(); })) pipeline.Add(*line);
  pipeline.Drain();
  return pipeline.AllValid();
}

// Reports gather in one block and go out when it is full.
bool CheckOneByOne(const CheckRequest& request, std::istream& in, std::ostream& out) {
  LineChecker checker(request);
  bool allValid = true;
  std::string pending;
  const auto writePending = [&] {
    out.write(pending.data(), static_cast<std::streamsize>(pending.size()));
    pending.clear();
  };
  const auto checkOne = [&](std::string_view line) {
    allValid &= checker.Check(line, pending);
    if (pending.size() >= kOutputBlock) writePending();
  };
  if (!request.numbers.empty()) {
    for (const auto& number : request.numbers) checkOne(number);
  } else {
    LineReader reader(in);
    while (const auto line = reader.Next([&] { writePending(), out.flush(); })) checkOne(*line);
  }
  writePending();
  out.flush();
  return allValid;
}

}  // namespace

std::optional<IdReport> CheckInput(std::string_view utf8Line, RuleSet rules) {
  bool lineBreak = false;
  return CheckNumberText(NumberText(utf8Line, lineBreak), rules, Encoding::Utf8);
}

bool CheckLine(std::string_view utf8Line, std::string& utf8Report) {
  utf8Report.clear();
  IdReport unused;
  return AppendCheck(utf8Line, Output::Plain, std::nullopt, unused, utf8Report);
}

int RunCheck(const CheckRequest& request, std::istream& in, std::ostream& out) {
  if (request.csv) out << CsvHeader(request.rules) << "\r\n";
  const bool allValid = request.jobs > 1 && request.numbers.empty()
                            ? CheckInBlocks(request, in, out)
                            : CheckOneByOne(request, in, out);
  return allValid ? kExitValid : kExitInvalid;
}

}  // namespace kesmal::cli
