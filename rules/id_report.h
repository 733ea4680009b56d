#pragma once
// The outcome of one check. Each checker first reads the number into an
// IdAnalysis (its faults, or the facts a valid number carries) and then writes
// the report from it, so the single line of GBK text the report area shows and
// the fields scripts read always agree.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rules/date_phrase.h"
#include "rules/text.h"

namespace kesmal {

class ReportWriter;  // rules/report_text.h

enum class HolderSex { Male, Female };

// ChinaOld is the 15-digit mainland form.
enum class Jurisdiction { Taiwan, HongKong, China, ChinaOld, Korea };

// What a valid number is; the window's rules know only identity cards.
enum class IdKind { IdentityCard, ResidentCertificate, ForeignResident, ResidencePermit };

// Stable names of the faults a check can find; scripts match on them, so
// existing values keep their meaning.
enum class FaultCode {
  Length,     // no rule takes a number of this length
  Letter,     // a letter position holds something else
  SexDigit,   // the sex position holds neither of its two digits
  Digits,     // a digit position holds something else
  BirthDate,  // the date positions are no calendar date
  CheckCode,  // the check character is not the one computed
  Bracket,    // a printed check character is not alone inside its brackets
  PlaceCode,  // the Korean place code is above 96
};

// The sentence as the report prints it, ending in "，": fixed text in both
// encodings, or text of its own in GBK (the rejection message, which echoes
// the input).
struct Fault {
  // Made in place in a list of faults, by every compiler the fuzz build uses too.
  Fault(FaultCode code, Text fixed, std::string ownText = {}, char expected = '\0')
      : code(code), fixed(fixed), ownText(std::move(ownText)), expected(expected) {}

  FaultCode code;
  Text fixed{std::string_view{}};
  std::string ownText;
  char expected = '\0';  // the right check character, for CheckCode

  Text Sentence() const { return fixed.utf8.data() ? fixed : Text(ownText); }
};

struct IdAnalysis {
  std::optional<Jurisdiction> jurisdiction;  // none for a length no rule takes
  std::string number;
  std::vector<Fault> faults;  // in the order the report lists them

  // The facts a valid number's report names; left empty when there are faults.
  std::optional<Text> birthplace;         // none for an unknown mainland region
  std::optional<std::string> regionCode;  // mainland: the first six digits
  std::optional<Birthday> birthday;
  std::optional<HolderSex> sex;
  std::optional<std::string> upgrade;  // old mainland form: the 18-character number
  std::optional<IdKind> kind;
  // Korea: false when the check digit binds no number, as since October 2020.
  std::optional<bool> checkCodeVerified;
  // The buffer of the last rejection message, which Restart keeps for the next.
  std::string spareText;

  bool Valid() const { return faults.empty(); }
  // Starts over for another number, keeping the buffers a batch would
  // otherwise allocate afresh for every line.
  void Restart(std::optional<Jurisdiction> of, std::string_view text);
  void AddFault(FaultCode code, const Text& sentence);
  // "最后一码检查码应该是(c)，"
  void AddCheckCodeFault(char expected);
  // The fault sentences joined, as a failed report starts, then the ending.
  void WriteFaults(ReportWriter& out, const Text& ending) const;
  std::string FaultSentences(std::string_view ending = {}) const;
};

// A jurisdiction's report text of an analysis.
using ReportText = void (*)(const IdAnalysis&, ReportWriter&);

// A check in its two steps: read the number into an analysis, restarted for
// it, then write the report from what was read. The command line takes them
// one by one, to write each report in UTF-8 straight into its output.
struct CheckRule {
  void (*analyse)(std::string_view number, IdAnalysis& id);
  ReportText write;
};

// The analysis of a rule's check in an analysis of its own.
IdAnalysis Analyse(const CheckRule& rule, std::string_view number);

struct IdReport {
  IdReport() = default;
  // The report of a rule's check, its text written in the encoding. The
  // analysis is made in its place: moving one costs a sixth of a short check.
  IdReport(const CheckRule& rule, std::string_view number, Encoding encoding);

  std::string text;
  bool valid = false;
  IdAnalysis analysis;                // what the text was written from
  Encoding encoding = Encoding::Gbk;  // of the text
};

// "男性" or "女性".
Text SexWord(HolderSex sex);

// The report of a rule's check, its text written in the encoding.
IdReport ReportFrom(const CheckRule& rule, std::string_view number, Encoding encoding);

// The same into a report whose text buffer a batch reuses from line to line.
void ReportInto(const CheckRule& rule, std::string_view number, Encoding encoding,
                IdReport& report);

}  // namespace kesmal
