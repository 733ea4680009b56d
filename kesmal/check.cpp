#include "kesmal/check.h"

#include <algorithm>
#include <array>
#include <istream>
#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

#include "kesmal/byte_scan.h"
#include "kesmal/record_writer.h"
#include "kesmal/records.h"
#include "kesmal/searcher.h"
#include "rules/current.h"
#include "rules/gbk_codec.h"
#include "rules/report_text.h"

namespace kesmal {
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
// converted to GBK, into `converted` when it needs a change. `lineBreak` tells
// whether it holds a CR or LF.
std::string_view NumberText(std::string_view utf8Line, bool& lineBreak, std::string& converted) {
  constexpr auto kNeedsCare = [](auto c) {
    return ((c >= 'a') & (c <= 'z')) | (c >= 0x80) | (c == '\r') | (c == '\n');
  };
  lineBreak = false;
  if (HoldsNone(utf8Line, kNeedsCare)) return utf8Line;  // most lines
  unsigned needs = 0;
  for (char c : utf8Line) needs |= kByteNeeds[static_cast<unsigned char>(c)];
  lineBreak = needs & kLineBreak;
  // GBK keeps ASCII as it is; most lines need no change at all.
  if (!(needs & (kRaise | kConvert))) return utf8Line;
  converted.assign(utf8Line);
  for (char& c : converted)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (needs & kConvert) converted = Utf8ToGbk(converted);
  return converted;
}

constexpr std::size_t kOutputBlock = 64 * 1024;

// The checker of one thread, for the lines of a stream; each block's lines
// are judged against the date read when it starts.
class LineChecker : public LineSink {
 public:
  explicit LineChecker(const CheckOptions& options) : checker_(options.output, options.rules) {}
  bool Line(std::string_view line, std::string& out) override { return checker_.Append(line, out); }
  void BeginBlock() override { checker_.ReadToday(); }

 private:
  Checker checker_;
};

// Records gather in one block and go out when it is full.
class PendingRecords {
 public:
  PendingRecords(const CheckOptions& options, std::ostream& out)
      : checker_(options.output, options.rules), out_(out) {}
  PendingRecords(const PendingRecords&) = delete;
  PendingRecords& operator=(const PendingRecords&) = delete;

  void Check(std::string_view text) {
    allValid_ &= checker_.Append(text, pending_);
    WriteIfFull();
  }
  void Write() {
    out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
  }
  bool AllValid() const { return allValid_; }

 private:
  void WriteIfFull() {
    if (pending_.size() >= kOutputBlock) Write();
  }

  Checker checker_;
  std::ostream& out_;
  std::string pending_;
  bool allValid_ = true;
};

// The report of one input as the check command writes it, in UTF-8; none for
// an empty text. Bytes that are not UTF-8 are judged as the GBK they convert to.
std::optional<IdReport> CheckInput(std::string_view utf8, RuleSet rules) {
  bool lineBreak = false;
  std::string converted;
  return CheckNumberText(NumberText(utf8, lineBreak, converted), rules, Encoding::Utf8);
}

}  // namespace

CheckResult::CheckResult(std::string_view utf8, std::optional<RuleSet> rules)
    : input_(utf8), rules_(rules), report_(CheckInput(utf8, rules.value_or(RuleSet::Classic))) {}

std::string_view CheckResult::Report() const {
  return report_ ? std::string_view(report_->text) : std::string_view();
}

std::string CheckResult::Json() const {
  std::string json;
  AppendCheckJson(input_, Details(), json, rules_);
  return json;
}

std::string CheckResult::Csv() const {
  std::string row;
  AppendCheckCsv(input_, Details(), row, rules_);
  return row;
}

CheckResult Check(std::string_view utf8, std::optional<RuleSet> rules) {
  return CheckResult(utf8, rules);
}

std::optional<Jurisdiction> ValidJurisdiction(std::string_view utf8, RuleSet rules) {
  thread_local std::string raised;
  thread_local IdAnalysis id;
  bool ascii = true, lower = false;
  for (const char c : utf8) {
    ascii &= static_cast<unsigned char>(c) < 0x80 && c != '\r' && c != '\n';
    lower |= c >= 'a' && c <= 'z';
  }
  if (!ascii) {
    const CheckResult checked(utf8, rules);
    return checked.Valid() ? checked.Details()->analysis.jurisdiction : std::nullopt;
  }
  if (utf8.empty()) return std::nullopt;
  if (lower) {
    raised.assign(utf8);
    for (char& c : raised)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    utf8 = raised;
  }
  RuleFor(utf8, rules).analyse(utf8, id);
  return id.Valid() ? id.jurisdiction : std::nullopt;
}

Checker::Checker(Output output, std::optional<RuleSet> rules)
    : output_(output), rules_(rules), ruleSet_(rules.value_or(RuleSet::Classic)), today_(Today()) {}

bool Checker::Append(std::string_view utf8, std::string& out) {
  bool valid = true;
  if (output_ == Output::Plain) {
    bool lineBreak = false;
    const std::string_view number = NumberText(utf8, lineBreak, converted_);
    valid = AppendReport(number, lineBreak, out);
  } else {
    valid = AppendRecord(utf8, out);
  }
  if (output_ == Output::Csv)
    out += "\r\n";
  else
    out += '\n';
  return valid;
}

// Only the rejection message echoes the input, so only an input holding a
// line break can give a plain report holding one; it becomes a space, and
// every input keeps its one output line.
bool Checker::AppendReport(std::string_view number, bool lineBreak, std::string& out) {
  if (number.empty()) return true;
  const TodayOnThisThread today(today_);
  const CheckRule& rule = RuleFor(number, ruleSet_);
  rule.analyse(number, id_);
  const std::size_t start = out.size();
  ReportWriter writer(Encoding::Utf8, out);
  rule.write(id_, writer);
  if (lineBreak)
    for (std::size_t i = start; i < out.size(); ++i)
      if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  return id_.Valid();
}

// The report is written once, and the record holds it.
[[gnu::always_inline]] inline const IdAnalysis* Checker::ReadInline(std::string_view utf8) {
  bool lineBreak = false;
  const std::string_view number = NumberText(utf8, lineBreak, converted_);
  if (number.empty()) return nullptr;
  const TodayOnThisThread today(today_);
  const CheckRule& rule = RuleFor(number, ruleSet_);
  rule.analyse(number, id_);
  report_.clear();
  ReportWriter writer(Encoding::Utf8, report_);
  rule.write(id_, writer);
  NameDefaultKind(id_, ruleSet_);
  return &id_;
}

const IdAnalysis* Checker::Read(std::string_view utf8) { return ReadInline(utf8); }

bool Checker::AppendRecord(std::string_view utf8, std::string& out) {
  const IdAnalysis* id = ReadInline(utf8);
  if (output_ == Output::Json)
    AppendJsonRecord(utf8, id, report_, rules_, room_, scratch_, out);
  else
    AppendCsvRecord(utf8, id, report_, rules_, room_, scratch_, out);
  return !id || id->Valid();
}

void WriteHeader(const CheckOptions& options, std::ostream& out) {
  if (options.output == Output::Csv) out << CsvHeader(options.rules) << "\r\n";
}

bool CheckTexts(const std::vector<std::string>& texts, const CheckOptions& options,
                std::ostream& out) {
  PendingRecords records(options, out);
  for (const auto& text : texts) records.Check(text);
  records.Write();
  out.flush();
  return records.AllValid();
}

bool CheckLines(std::istream& in, const CheckOptions& options, std::ostream& out) {
  StreamOutput output(out);
  const bool allValid = SearchLines(
      in, options.jobs, [&] { return std::make_unique<LineChecker>(options); }, output);
  out.flush();
  return allValid;
}

bool CheckLine(std::string_view utf8, std::string& utf8Report) {
  utf8Report.clear();
  Checker checker(Output::Plain, std::nullopt);
  const bool valid = checker.Append(utf8, utf8Report);
  utf8Report.pop_back();  // the line end
  return valid;
}

}  // namespace kesmal
