#include "rules/taiwan.h"

#include "data/taiwan_letters.h"
#include "rules/ascii.h"
#include "rules/random_source.h"

namespace kesmal {

std::optional<int> TaiwanLetterRow(char letter) {
  for (int row = 0; row < static_cast<int>(TaiwanLetterTable.size()); ++row)
    if (static_cast<char>(TaiwanLetterTable[row].Letter & 0xFF) == letter) return row;
  return std::nullopt;
}

char TaiwanCheckCode(std::string_view number) {
  const int code = TaiwanLetterTable[*TaiwanLetterRow(number[0])].Code;
  int sum = code / 10 + code % 10 * 9;
  for (int i = 1; i <= 8; ++i) sum += DigitValue(number[i]) * (9 - i);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

namespace {

std::optional<TaiwanSecondCharacter> ReadSexDigit(char c) {
  if (c == '1') return TaiwanSecondCharacter{HolderSex::Male, IdKind::IdentityCard, c};
  if (c == '2') return TaiwanSecondCharacter{HolderSex::Female, IdKind::IdentityCard, c};
  return std::nullopt;
}

IdAnalysis AnalyseTaiwanId(std::string_view number, const TaiwanRules& rules) {
  IdAnalysis id{Jurisdiction::Taiwan, number};
  if (!IsCapital(number[0])) id.AddFault(FaultCode::Letter, "第一码应该是英文字母，");
  const auto second = rules.readSecond(number[1]);
  if (!second) id.AddFault(FaultCode::SexDigit, rules.secondFault);
  if (!AllDigits(number.substr(2, 7))) id.AddFault(FaultCode::Digits, "第3-9码应该是数字(0)~(9)，");
  if (id.Valid()) {
    std::string weighed(number);
    weighed[1] = second->checkDigit;
    const char expected = TaiwanCheckCode(weighed);
    if (number[9] != expected) id.AddCheckCodeFault(expected);
  }
  if (!id.Valid()) return id;

  id.birthplace = TaiwanLetterTable[*TaiwanLetterRow(number[0])].Name;
  id.sex = second->sex;
  id.kind = second->kind;
  return id;
}

// A resident certificate's letter names where it was registered, not a birthplace.
std::string TaiwanReportText(const IdAnalysis& id) {
  if (!id.Valid()) return id.FaultSentences("才是正确的台湾身分证字号。");
  const bool resident = id.kind == IdKind::ResidentCertificate;
  return Joined({"“", id.number, resident ? "”是登记地在“" : "”是出生地在“", *id.birthplace, "”的“",
                 SexWord(*id.sex), resident ? "”台湾居留证字号。" : "”台湾身分证字号。"});
}

}  // namespace

IdReport CheckTaiwanId(std::string_view number, const TaiwanRules& rules) {
  return ReportFrom(AnalyseTaiwanId(number, rules), TaiwanReportText);
}

IdReport CheckTaiwanId(std::string_view number) {
  return CheckTaiwanId(number, {ReadSexDigit, "第二码应该是男性(1)或女性(2)，"});
}

std::string MakeTaiwanId(const std::optional<TaiwanMakeSettings>& settings) {
  const bool regionGiven = settings && settings->Region && *settings->Region >= 0 &&
                           *settings->Region < static_cast<int>(TaiwanLetterTable.size());
  const int row = regionGiven ? *settings->Region : RandomDraw() % 26;
  std::string number(1, static_cast<char>(TaiwanLetterTable[row].Letter & 0xFF));

  number += SexDigitOneOrTwo(settings ? settings->Sex : std::nullopt);

  number += RandomDigits(0, 9999999, 7);
  number += TaiwanCheckCode(number);
  return number;
}

}  // namespace kesmal
