#pragma once
// The outcome of one check. Each checker first reads the number into an
// IdAnalysis (its faults, or the facts a valid number carries) and then writes
// the report from it, so the single line of GBK text the report area shows and
// the fields scripts read always agree.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/date_phrase.h"

namespace kesmal {

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

struct Fault {
  FaultCode code;
  std::string sentence;  // as the report prints it, ending in "，"
  char expected = '\0';  // the right check character, for CheckCode
};

struct IdAnalysis {
  IdAnalysis() = default;
  IdAnalysis(std::optional<Jurisdiction> jurisdiction, std::string_view number)
      : jurisdiction(jurisdiction), number(number) {}

  std::optional<Jurisdiction> jurisdiction;  // none for a length no rule takes
  std::string number;
  std::vector<Fault> faults;  // in the order the report lists them

  // The facts a valid number's report names; left empty when there are faults.
  std::optional<std::string> birthplace;  // none for an unknown mainland region
  std::optional<std::string> regionCode;  // mainland: the first six digits
  std::optional<Birthday> birthday;
  std::optional<HolderSex> sex;
  std::optional<std::string> upgrade;  // old mainland form: the 18-character number
  std::optional<IdKind> kind;
  // Korea: false when the check digit binds no number, as since October 2020.
  std::optional<bool> checkCodeVerified;

  bool Valid() const { return faults.empty(); }
  void AddFault(FaultCode code, std::string_view sentence);
  // "最后一码检查码应该是(c)，"
  void AddCheckCodeFault(char expected);
  // The fault sentences joined, as a failed report starts, then the ending.
  std::string FaultSentences(std::string_view ending = {}) const;
};

struct IdReport {
  std::string text;
  bool valid = false;
  IdAnalysis analysis;  // what the text was written from
};

// The pieces in one string sized once: a batch writes a report for every line.
std::string Joined(std::initializer_list<std::string_view> pieces);

// "男性" or "女性".
const char* SexWord(HolderSex sex);

// The report of an analysis, written by the given jurisdiction's text.
IdReport ReportFrom(IdAnalysis analysis, std::string (*text)(const IdAnalysis&));

}  // namespace kesmal
