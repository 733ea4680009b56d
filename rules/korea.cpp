#include "rules/korea.h"

#include <array>
#include <tuple>

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

bool OnOrAfter(const CivilDate& date, const CivilDate& from) {
  return std::tie(date.year, date.month, date.day) >= std::tie(from.year, from.month, from.day);
}

// A non-digit never passes as a random check digit.
void CompareCheckDigit(IdAnalysis& id, const Birthday& birthday, const KoreaRules& rules) {
  const char expected = KoreaCheckCode(id.number);
  const bool random = rules.randomSince && OnOrAfter(birthday.date, *rules.randomSince);
  id.checkCodeVerified = !random;
  if (id.number[12] != expected && (!random || !IsDigit(id.number[12])))
    id.AddCheckCodeFault(expected);
}

IdAnalysis AnalyseKoreaId(std::string_view number, const KoreaRules& rules) {
  IdAnalysis id{Jurisdiction::Korea, number};
  if (!AllDigits(number.substr(0, 12))) {
    id.AddFault(FaultCode::Digits, "第1-12码应该是数字(0)~(9)，");
    return id;
  }
  const auto seventh = rules.readSeventh(number[6]);
  const std::int16_t year = TwoDigitsAt(number, 0);
  const auto birthday = ReadBirthday(
      seventh && seventh->century ? static_cast<std::int16_t>(*seventh->century + year) : year,
      TwoDigitsAt(number, 2), TwoDigitsAt(number, 4));
  if (!birthday) id.AddFault(FaultCode::BirthDate, "第1-6码的出生日期应该是正确的日期格式，");
  if (!seventh) id.AddFault(FaultCode::SexDigit, rules.seventhFault);
  if (rules.placeCodeCounts && TwoDigitsAt(number, 7) > 96)
    id.AddFault(FaultCode::PlaceCode, "第8-9码的出生地代码应该是(00)~(96)，");
  if (id.Valid()) CompareCheckDigit(id, *birthday, rules);
  if (!id.Valid()) return id;

  id.birthday = birthday;
  id.sex = seventh->sex;
  id.kind = seventh->kind;
  return id;
}

std::string KoreaReportText(const IdAnalysis& id) {
  if (!id.Valid()) return id.FaultSentences("才是正确的韩国身分证字号。");
  return Joined({"“", id.number, "”是一位于", BirthdayPhrase(*id.birthday), "出生的韩国“",
                 SexWord(*id.sex),
                 id.kind == IdKind::ForeignResident ? "”外国人登录证字号" : "”身分证字号",
                 id.checkCodeVerified == false ? "(检查码无法验证)。" : "。"});
}

std::optional<KoreaSeventhDigit> ReadSexDigit(char c) {
  if (c == '1') return KoreaSeventhDigit{HolderSex::Male, IdKind::IdentityCard, std::nullopt};
  if (c == '2') return KoreaSeventhDigit{HolderSex::Female, IdKind::IdentityCard, std::nullopt};
  return std::nullopt;
}

}  // namespace

IdReport CheckKoreaId(std::string_view number, const KoreaRules& rules) {
  return ReportFrom(AnalyseKoreaId(number, rules), KoreaReportText);
}

IdReport CheckKoreaId(std::string_view number) {
  return CheckKoreaId(number, {ReadSexDigit, "第7码应该是男性(1)或女性(2)，", false, std::nullopt});
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
