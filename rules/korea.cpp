#include "rules/korea.h"

#include <array>

#include "rules/ascii.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

constexpr std::array<int, 12> kWeights{2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5};

std::int16_t TwoDigitsAt(std::string_view number, std::size_t at) {
  return static_cast<std::int16_t>(DigitValue(number[at]) * 10 + DigitValue(number[at + 1]));
}

std::string TwoDigits(int value) { return RandomDigits(value, value, 2); }

}  // namespace

char KoreaCheckCode(std::string_view number) {
  int sum = 0;
  for (std::size_t i = 0; i < kWeights.size(); ++i) sum += DigitValue(number[i]) * kWeights[i];
  return static_cast<char>('0' + (11 - sum % 11) % 10);
}

namespace {

IdAnalysis AnalyseKoreaId(std::string_view number) {
  IdAnalysis id{Jurisdiction::Korea, number};
  std::optional<Birthday> birthday;
  std::optional<HolderSex> sex;
  if (!AllDigits(number.substr(0, 12)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第1-12码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    birthday = ReadBirthday(TwoDigitsAt(number, 0), TwoDigitsAt(number, 2), TwoDigitsAt(number, 4));
    if (!birthday)
      id.AddFault(FaultCode::BirthDate, KESMAL_TEXT("第1-6码的出生日期应该是正确的日期格式，"));

    if (number[6] == '1')
      sex = HolderSex::Male;
    else if (number[6] == '2')
      sex = HolderSex::Female;
    else
      id.AddFault(FaultCode::SexDigit, KESMAL_TEXT("第7码应该是男性(1)或女性(2)，"));

    if (id.Valid()) {
      const char expected = KoreaCheckCode(number);
      if (number[12] != expected) id.AddCheckCodeFault(expected);
    }
  }
  if (!id.Valid()) return id;

  id.birthday = birthday;
  id.sex = sex;
  return id;
}

void KoreaReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的韩国身分证字号。"));
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是一位于")});
  WriteBirthdayPhrase(*id.birthday, out);
  out.Put({KESMAL_TEXT("出生的韩国“"), SexWord(*id.sex), KESMAL_TEXT("”身分证字号。")});
}

}  // namespace

const CheckRule KoreaIdRule{AnalyseKoreaId, KoreaReportText};

IdReport CheckKoreaId(std::string_view number, Encoding encoding) {
  return ReportFrom(KoreaIdRule, number, encoding);
}

std::string MakeKoreaId(const std::optional<KoreaMakeSettings>& settings) {
  std::string number;
  if (settings && settings->BirthDate) {
    const CivilDate& date = *settings->BirthDate;
    number = TwoDigits(date.year % 100) + TwoDigits(date.month) + TwoDigits(date.day);
  } else {
    const int year = RandomDraw() % 100;
    const int month = RandomDraw() % 12 + 1;
    // The leap rule applied to the two-digit year makes 00 and every multiple
    // of 4 a leap year, which is how the check reads them in either century.
    const int day = RandomBelow(DaysOfMonth(year, month)) + 1;
    number = TwoDigits(year) + TwoDigits(month) + TwoDigits(day);
  }

  number += SexDigitOneOrTwo(settings ? settings->Sex : std::nullopt);

  number += RandomDigits(0, 99999, 5);
  number += KoreaCheckCode(number);
  return number;
}

}  // namespace kesmal
