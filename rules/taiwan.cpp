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

IdAnalysis AnalyseTaiwanId(std::string_view number) {
  IdAnalysis id{Jurisdiction::Taiwan, number};
  if (!IsCapital(number[0])) id.AddFault(FaultCode::Letter, KESMAL_TEXT("第一码应该是英文字母，"));
  if (number[1] != '1' && number[1] != '2')
    id.AddFault(FaultCode::SexDigit, KESMAL_TEXT("第二码应该是男性(1)或女性(2)，"));
  if (!AllDigits(number.substr(2, 7)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第3-9码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    const char expected = TaiwanCheckCode(number);
    if (number[9] != expected) id.AddCheckCodeFault(expected);
  }
  if (!id.Valid()) return id;

  id.birthplace = TaiwanLetterTable[*TaiwanLetterRow(number[0])].Name;
  id.sex = number[1] == '1' ? HolderSex::Male : HolderSex::Female;
  return id;
}

void TaiwanReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的台湾身分证字号。"));
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是出生地在“"), *id.birthplace,
           KESMAL_TEXT("”的“"), SexWord(*id.sex), KESMAL_TEXT("”台湾身分证字号。")});
}

}  // namespace

const CheckRule TaiwanIdRule{AnalyseTaiwanId, TaiwanReportText};

IdReport CheckTaiwanId(std::string_view number, Encoding encoding) {
  return ReportFrom(TaiwanIdRule, number, encoding);
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
