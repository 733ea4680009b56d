#include "rules/korea.h"

#include <array>
#include <tuple>

#include "rules/ascii.h"
#include "rules/layout_korea.h"
#include "rules/random_source.h"
#include "rules/report_text.h"

namespace kesmal {
namespace {

constexpr std::array<int, 12> kWeights{2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5};

std::int16_t TwoDigitsAt(std::string_view number, std::size_t at) {
  return static_cast<std::int16_t>(DigitValue(number[at]) * 10 + DigitValue(number[at + 1]));
}

}  // namespace

char KoreaCheckCode(std::string_view number) {
  int sum = 0;
  for (std::size_t i = 0; i < kWeights.size(); ++i) sum += DigitValue(number[i]) * kWeights[i];
  return static_cast<char>('0' + (11 - sum % 11) % 10);
}

namespace {

// What the seventh digit tells: the holder's sex, the kind of number, and the
// century of the birth year (none: the date phrase places the two-digit year).
struct SeventhDigit {
  HolderSex sex;
  IdKind kind;
  std::optional<int> century;
};

struct KoreaRules {
  std::optional<SeventhDigit> (*readSeventh)(char);  // given a digit; none: the fault below
  Text seventhFault;
  bool placeCodeCounts;                  // digits 8-9 above 96 are a fault
  std::optional<CivilDate> randomSince;  // births from then on end in random digits
};

std::optional<SeventhDigit> ReadSexDigit(char c) {
  if (c == '1') return SeventhDigit{HolderSex::Male, IdKind::IdentityCard, std::nullopt};
  if (c == '2') return SeventhDigit{HolderSex::Female, IdKind::IdentityCard, std::nullopt};
  return std::nullopt;
}

// 9 and 0 were born in the 1800s, 1, 2, 5 and 6 in the 1900s, the rest in the
// 2000s; odd is male; 5 to 8 are foreign residents.
std::optional<SeventhDigit> ReadSeventhToday(char c) {
  const int digit = DigitValue(c);
  const HolderSex sex = digit % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  const IdKind kind = digit >= 5 && digit <= 8 ? IdKind::ForeignResident : IdKind::IdentityCard;
  return SeventhDigit{sex, kind, kKoreaCenturyOfSeventh[digit]};
}

bool OnOrAfter(const CivilDate& date, const CivilDate& from) {
  return std::tie(date.year, date.month, date.day) >= std::tie(from.year, from.month, from.day);
}

bool EndsInRandomDigits(const std::optional<Birthday>& birthday, const KoreaRules& rules) {
  return birthday && rules.randomSince && OnOrAfter(birthday->date, *rules.randomSince);
}

// A non-digit never passes as a random check digit.
void CompareCheckDigit(IdAnalysis& id, const Birthday& birthday, const KoreaRules& rules) {
  const char expected = KoreaCheckCode(id.number);
  const bool random = EndsInRandomDigits(birthday, rules);
  id.checkCodeVerified = !random;
  if (id.number[12] != expected && (!random || !IsDigit(id.number[12])))
    id.AddCheckCodeFault(expected);
}

void AnalyseKoreaId(std::string_view number, const KoreaRules& rules, IdAnalysis& id) {
  id.Restart(Jurisdiction::Korea, number);
  if (!AllDigits(number.substr(0, 12)))
    return id.AddFault(FaultCode::Digits, KESMAL_TEXT("第1-12码应该是数字(0)~(9)，"));
  const auto seventh = rules.readSeventh(number[6]);
  const std::int16_t year = TwoDigitsAt(number, 0);
  const auto birthday = ReadBirthday(
      seventh && seventh->century ? static_cast<std::int16_t>(*seventh->century + year) : year,
      TwoDigitsAt(number, 2), TwoDigitsAt(number, 4));
  if (!birthday)
    id.AddFault(FaultCode::BirthDate, KESMAL_TEXT("第1-6码的出生日期应该是正确的日期格式，"));
  if (!seventh) id.AddFault(FaultCode::SexDigit, rules.seventhFault);
  // Digits 8-9 of a number with random digits are no place code.
  if (rules.placeCodeCounts && !EndsInRandomDigits(birthday, rules) &&
      TwoDigitsAt(number, 7) > kKoreaLastPlaceCode)
    id.AddFault(FaultCode::PlaceCode, KESMAL_TEXT("第8-9码的出生地代码应该是(00)~(96)，"));
  if (id.Valid()) CompareCheckDigit(id, *birthday, rules);
  if (!id.Valid()) return;

  id.birthday = birthday;
  id.sex = seventh->sex;
  id.kind = seventh->kind;
}

void KoreaReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的韩国身分证字号。"));
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是一位于")});
  WriteBirthdayPhrase(*id.birthday, out);
  out.Put({KESMAL_TEXT("出生的韩国“"), SexWord(*id.sex),
           id.kind == IdKind::ForeignResident ? KESMAL_TEXT("”外国人登录证字号")
                                              : KESMAL_TEXT("”身分证字号"),
           id.checkCodeVerified == false ? KESMAL_TEXT("(检查码无法验证)。") : KESMAL_TEXT("。")});
}

}  // namespace

const CheckRule KoreaIdRule{
    [](std::string_view number, IdAnalysis& id) {
      AnalyseKoreaId(
          number, {ReadSexDigit, KESMAL_TEXT("第7码应该是男性(1)或女性(2)，"), false, std::nullopt},
          id);
    },
    KoreaReportText};

const CheckRule KoreaIdCurrentRule{
    [](std::string_view number, IdAnalysis& id) {
      AnalyseKoreaId(number, {ReadSeventhToday, KESMAL_TEXT(""), true, kKoreaRandomSince}, id);
    },
    KoreaReportText};

IdReport CheckKoreaId(std::string_view number, Encoding encoding) {
  return ReportFrom(KoreaIdRule, number, encoding);
}

std::string MakeKoreaId(const std::optional<KoreaMakeSettings>& settings) {
  KoreaFields fields;
  if (settings && settings->BirthDate) {
    fields.birth = *settings->BirthDate;
  } else {
    const int year = RandomDraw() % 100;
    const int month = RandomDraw() % 12 + 1;
    // The leap rule applied to the two-digit year makes 00 and every multiple
    // of 4 a leap year, which is how the check reads them in either century.
    const int day = RandomBelow(DaysOfMonth(year, month)) + 1;
    fields.birth = {year, month, day};
  }
  fields.sex = SexDigitOneOrTwo(settings ? settings->Sex : std::nullopt) == '1' ? HolderSex::Male
                                                                                : HolderSex::Female;
  fields.serial = static_cast<std::uint32_t>(RandomBelow(100000));
  std::string number;
  WriteKorea(fields, RuleSet::Classic, number);
  return number;
}

}  // namespace kesmal
