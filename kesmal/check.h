#pragma once
// Checks of UTF-8 text: one number at a time, or every line of a stream in
// blocks on several threads. A check raises a-z to capitals, converts the
// text to the rules' GBK, judges it by its length (and under today's rules by
// its brackets), and gives the report and every field back in UTF-8.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/fields.h"
#include "kesmal/records.h"
#include "rules/date_phrase.h"
#include "rules/id_report.h"
#include "rules/rule_set.h"

namespace kesmal {

// One input's check, holding what each rendering needs.
class CheckResult {
 public:
  // `rules` none: the classic rules, not named in the records.
  CheckResult(std::string_view utf8, std::optional<RuleSet> rules);

  // False for an empty input as for an invalid number.
  bool Valid() const { return report_ && report_->valid; }
  bool Empty() const { return !report_; }
  // The one-line report in UTF-8; empty for an empty input.
  std::string_view Report() const;
  // The check's analysis and its report in UTF-8; none for an empty input.
  const IdReport* Details() const { return report_ ? &*report_ : nullptr; }
  std::string_view Input() const { return input_; }
  std::optional<RuleSet> Rules() const { return rules_; }

  // The check's JSON object and CSV row, without a line end.
  std::string Json() const;
  std::string Csv() const;

  // Hands every field to the sink, in the JSON object's order (see fields.h).
  template <typename Sink>
  void Visit(Sink& sink) const {
    VisitCheckFields(input_, Details(), sink, rules_);
  }

 private:
  std::string input_;
  std::optional<RuleSet> rules_;
  std::optional<IdReport> report_;
};

// The check of one UTF-8 text. Any bytes are taken; the records are valid
// UTF-8 whatever came in.
CheckResult Check(std::string_view utf8, std::optional<RuleSet> rules = std::nullopt);

// The jurisdiction of a valid number, judged without writing its report;
// none for an empty text or a number that is not valid. As Check judges: a-z
// raised to capitals, other bytes than ASCII converted to the rules' GBK.
// For filters over many texts (a column, a form field).
std::optional<Jurisdiction> ValidJurisdiction(std::string_view utf8,
                                              RuleSet rules = RuleSet::Classic);

enum class Output { Plain, Json, Csv };

// A batch's checker: one input in, one record out, in UTF-8 written straight
// into the output, its buffers used again line after line. Plain records are
// the report on one line: a CR or LF echoed from the input becomes a space.
// Today's date is read once, when the checker is made, and again only when
// asked: every check of a batch judges birth dates against the same day.
class Checker {
 public:
  // `rules` none: the classic rules, not named in the records.
  Checker(Output output, std::optional<RuleSet> rules);
  // A checker whose inputs go to sinks (Visit) alone.
  explicit Checker(std::optional<RuleSet> rules) : Checker(Output::Json, rules) {}

  // Appends the record of one input and its line end (CRLF for CSV) to out.
  // Returns false when the number is not valid; an empty input is neither.
  bool Append(std::string_view utf8, std::string& out);

  // Hands every field of the check of one input to the sink, in the JSON
  // object's order (see fields.h). Returns as Append does.
  template <typename Sink>
  bool Visit(std::string_view utf8, Sink& sink) {
    const IdAnalysis* id = Read(utf8);
    VisitCheckFields(utf8, id, report_, sink, rules_, scratch_);
    return !id || id->Valid();
  }

  // Reads today's date again, for a checker that outlives a day.
  void ReadToday() { today_ = Today(); }

 private:
  // The analysis of the input with its report in report_; none when empty.
  const IdAnalysis* Read(std::string_view utf8);
  const IdAnalysis* ReadInline(std::string_view utf8);  // the same, inlined in the batch's loop
  bool AppendReport(std::string_view number, bool lineBreak, std::string& out);
  bool AppendRecord(std::string_view utf8, std::string& out);

  Output output_;
  std::optional<RuleSet> rules_;
  RuleSet ruleSet_;
  CivilDate today_;
  std::string converted_;  // the input raised to capitals or converted to GBK
  std::string report_;     // the report of a record, in UTF-8
  IdAnalysis id_;          // of the last input, its buffers reused
  std::string room_;       // one record, written whole before it is appended
  std::string scratch_;    // text of the rules converted from GBK
};

struct CheckOptions {
  Output output = Output::Plain;
  std::optional<RuleSet> rules;  // none: classic, and the records do not name them
  unsigned jobs = 1;             // threads checking blocks of lines, 1 to 64
};

// The CSV header row and its line end when the output is CSV, else nothing.
void WriteHeader(const CheckOptions& options, std::ostream& out);

// Checks each text and writes its record; true when every number is valid.
bool CheckTexts(const std::vector<std::string>& texts, const CheckOptions& options,
                std::ostream& out);

// Checks every line of `in` (ended by LF or CRLF) and writes its record, in
// input order, in flat memory however long the input. Before a read that may
// wait, every record so far is written and flushed, so that a script feeding
// one line at a time gets each answer. True when every number is valid.
bool CheckLines(std::istream& in, const CheckOptions& options, std::ostream& out);

// The plain report of one input into utf8Report (cleared first); false when
// the number is not valid, true for an empty input.
bool CheckLine(std::string_view utf8, std::string& utf8Report);

}  // namespace kesmal
