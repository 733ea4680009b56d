#include "rules/taiwan.h"

#include "data/taiwan_letters.h"
#include "rules/ascii.h"
#include "rules/place_names.h"
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

// What the second character tells: the holder's sex, the kind of number, and
// the digit weighed by 8 in the check; none when it means nothing.
struct SecondCharacter {
  HolderSex sex;
  IdKind kind;
  char checkDigit;
};
using SecondReader = std::optional<SecondCharacter> (*)(char);

std::optional<SecondCharacter> ReadSexDigit(char c) {
  if (c == '1') return SecondCharacter{HolderSex::Male, IdKind::IdentityCard, c};
  if (c == '2') return SecondCharacter{HolderSex::Female, IdKind::IdentityCard, c};
  return std::nullopt;
}

// Since 2021 resident certificates take 8 and 9; before, a letter A to D,
// weighed in the check by the units digit of its letter code.
std::optional<SecondCharacter> ReadSecondToday(char c) {
  if (c == '8') return SecondCharacter{HolderSex::Male, IdKind::ResidentCertificate, c};
  if (c == '9') return SecondCharacter{HolderSex::Female, IdKind::ResidentCertificate, c};
  if (c < 'A' || c > 'D') return ReadSexDigit(c);
  const HolderSex sex = (c - 'A') % 2 == 0 ? HolderSex::Male : HolderSex::Female;
  const int code = TaiwanLetterTable[*TaiwanLetterRow(c)].Code;
  return SecondCharacter{sex, IdKind::ResidentCertificate, static_cast<char>('0' + code % 10)};
}

IdAnalysis AnalyseTaiwanId(std::string_view number, SecondReader read, Text secondFault) {
  IdAnalysis id{Jurisdiction::Taiwan, number};
  if (!IsCapital(number[0])) id.AddFault(FaultCode::Letter, KESMAL_TEXT("第一码应该是英文字母，"));
  const auto second = read(number[1]);
  if (!second) id.AddFault(FaultCode::SexDigit, secondFault);
  if (!AllDigits(number.substr(2, 7)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第3-9码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    std::string weighed(number);
    weighed[1] = second->checkDigit;
    const char expected = TaiwanCheckCode(weighed);
    if (number[9] != expected) id.AddCheckCodeFault(expected);
  }
  if (!id.Valid()) return id;

  id.birthplace = TaiwanPlaceName(*TaiwanLetterRow(number[0]));
  id.sex = second->sex;
  id.kind = second->kind;
  return id;
}

// A resident certificate's letter names where it was registered, not a birthplace.
void TaiwanReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的台湾身分证字号。"));
  const bool resident = id.kind == IdKind::ResidentCertificate;
  out.Put({KESMAL_TEXT("“"), Ascii(id.number),
           resident ? KESMAL_TEXT("”是登记地在“") : KESMAL_TEXT("”是出生地在“"), *id.birthplace,
           KESMAL_TEXT("”的“"), SexWord(*id.sex),
           resident ? KESMAL_TEXT("”台湾居留证字号。") : KESMAL_TEXT("”台湾身分证字号。")});
}

}  // namespace

const CheckRule TaiwanIdRule{
    [](std::string_view number) {
      return AnalyseTaiwanId(number, ReadSexDigit, KESMAL_TEXT("第二码应该是男性(1)或女性(2)，"));
    },
    TaiwanReportText};

const CheckRule TaiwanIdCurrentRule{
    [](std::string_view number) {
      return AnalyseTaiwanId(number, ReadSecondToday,
                             KESMAL_TEXT("第二码应该是男性(1、8、A、C)或女性(2、9、B、D)，"));
    },
    TaiwanReportText};

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
