#include "rules/china.h"

#include "data/regions.h"
#include "rules/ascii.h"
#include "rules/layout_china.h"
#include "rules/place_names.h"
#include "rules/random_source.h"
#include "rules/report_text.h"

namespace kesmal {
namespace {

// 2^(18-p) mod 11 for positions 1 to 17.
constexpr int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
constexpr char kCheckByRemainder[12] = "10X98765432";

int Field(std::string_view number, std::size_t from, std::size_t count) {
  int value = 0;
  for (std::size_t i = from; i < from + count; ++i) value = value * 10 + DigitValue(number[i]);
  return value;
}

HolderSex SexOfDigit(char sexDigit) {
  return DigitValue(sexDigit) % 2 == 1 ? HolderSex::Male : HolderSex::Female;
}

std::optional<Birthday> ReadDate(int year, int month, int day) {
  return ReadBirthday(static_cast<std::int16_t>(year), static_cast<std::int16_t>(month),
                      static_cast<std::int16_t>(day));
}

// Both mainland forms name the holder alike and differ only in their ending.
void WriteChinaSentence(const IdAnalysis& id, ReportWriter& out) {
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是一位于")});
  WriteBirthdayPhrase(*id.birthday, out);
  out.Put({KESMAL_TEXT("出生在“"), id.birthplace ? *id.birthplace : KESMAL_TEXT("未知出生地"),
           KESMAL_TEXT("”的中国“"), SexWord(*id.sex), KESMAL_TEXT("”")});
}

CivilDate DrawBirthDate() {
  const int year = Today().year - 6 - RandomDraw() % 80;
  const int month = RandomDraw() % 12 + 1;
  const int day = RandomBelow(DaysOfMonth(year, month)) + 1;
  return {year, month, day};
}

char DrawSexDigit(int sex) {
  switch (sex) {
    case 0: return static_cast<char>('0' + RandomDraw() % 5 * 2 + 1);
    case 1: return static_cast<char>('0' + (RandomDraw() % 5 * 2 + 2) % 10);
    default: return static_cast<char>('0' + RandomDraw() % 10);
  }
}

// The row the panel chose, when it chose one that exists.
std::optional<int> ChosenRow(const std::optional<ChinaMakeSettings>& settings) {
  if (!settings || settings->SubLocal < 0) return std::nullopt;
  const int row = CountyRowAt(settings->Local, settings->SubLocal);
  return row >= 0 ? std::optional<int>(row) : std::nullopt;
}

// What both mainland forms tell of a valid number's holder.
void NameHolder(IdAnalysis& id, std::string_view number, const Birthday& birthday, char sexDigit) {
  id.birthday = birthday;
  id.birthplace = MainlandPlaceName(Field(number, 0, 2), Field(number, 2, 4));
  id.regionCode = std::string(number.substr(0, 6));
  id.sex = SexOfDigit(sexDigit);
}

}  // namespace

char ChinaCheckCode(std::string_view number) {
  int sum = 0;
  for (int p = 0; p < 17; ++p) sum += DigitValue(number[p]) * kWeights[p];
  return kCheckByRemainder[sum % 11];
}

namespace {

void AnalyseChinaId(std::string_view number, IdAnalysis& id) {
  id.Restart(Jurisdiction::China, number);
  if (!AllDigits(number.substr(0, 17)))
    return id.AddFault(FaultCode::Digits, KESMAL_TEXT("第1-17码应该是数字(0)~(9)，"));

  const int year = Field(number, 6, 4);
  const auto birthday = ReadDate(year, Field(number, 10, 2), Field(number, 12, 2));
  // The phrase takes a year below 100 as two-digit; written as four digits it is no date.
  if (!birthday || year < 100)
    return id.AddFault(FaultCode::BirthDate,
                       KESMAL_TEXT("第7-14码的出生日期应该是正确的日期格式，"));

  const char expected = ChinaCheckCode(number);
  if (number[17] != expected) return id.AddCheckCodeFault(expected);

  NameHolder(id, number, *birthday, number[16]);
}

// The home of a residence permit's holder, by its region code; none for any other code.
std::optional<Text> PermitHome(std::string_view regionCode) {
  if (regionCode == "810000") return KESMAL_TEXT("香港");
  if (regionCode == "820000") return KESMAL_TEXT("澳门");
  if (regionCode == "830000") return KESMAL_TEXT("台湾");
  return std::nullopt;
}

void ChinaReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的中国身分证字号。"));
  if (id.kind != IdKind::ResidencePermit) {
    WriteChinaSentence(id, out);
    return out.Put({KESMAL_TEXT("身分证字号。")});
  }
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是一位于")});
  WriteBirthdayPhrase(*id.birthday, out);
  out.Put({KESMAL_TEXT("出生的“"), *PermitHome(*id.regionCode), KESMAL_TEXT("”居民的中国“"),
           SexWord(*id.sex), KESMAL_TEXT("”居住证字号。")});
}

void AnalyseChinaIdOrPermit(std::string_view number, IdAnalysis& id) {
  AnalyseChinaId(number, id);
  if (id.Valid())
    id.kind = PermitHome(*id.regionCode) ? IdKind::ResidencePermit : IdKind::IdentityCard;
}

}  // namespace

const CheckRule ChinaIdRule{AnalyseChinaId, ChinaReportText};

const CheckRule ChinaIdOrPermitRule{AnalyseChinaIdOrPermit, ChinaReportText};

IdReport CheckChinaId(std::string_view number, Encoding encoding) {
  return ReportFrom(ChinaIdRule, number, encoding);
}

std::string MakeChinaId(const std::optional<ChinaMakeSettings>& settings) {
  const auto chosen = ChosenRow(settings);
  const int row = chosen ? *chosen : RandomDraw() % CountyRowCount();
  ChinaFields fields;
  fields.region = static_cast<std::uint32_t>(RegionCodeOfRow(row));
  fields.birth = settings && settings->BirthDate ? *settings->BirthDate : DrawBirthDate();
  const auto sequence = static_cast<std::uint32_t>(RandomBelow(100));
  const int sexDigit = DigitValue(DrawSexDigit(settings ? settings->Sex : -1));
  fields.sex = sexDigit % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  fields.serial = sequence * 5 + static_cast<std::uint32_t>(sexDigit / 2);
  std::string number;
  WriteChina(fields, number);
  return number;
}

std::string UpgradeChinaId(std::string_view number) {
  std::string upgraded = std::string(number.substr(0, 6)) + "19" + std::string(number.substr(6, 9));
  upgraded += ChinaCheckCode(upgraded);
  return upgraded;
}

namespace {

void AnalyseChinaOldId(std::string_view number, IdAnalysis& id) {
  id.Restart(Jurisdiction::ChinaOld, number);
  if (!AllDigits(number.substr(0, 15)))
    return id.AddFault(FaultCode::Digits, KESMAL_TEXT("应该全部输入数字(0)~(9)，"));

  const auto birthday =
      ReadDate(1900 + Field(number, 6, 2), Field(number, 8, 2), Field(number, 10, 2));
  if (!birthday)
    return id.AddFault(FaultCode::BirthDate,
                       KESMAL_TEXT("第7-12码的出生日期应该是正确的日期格式，"));

  NameHolder(id, number, *birthday, number[14]);
  id.upgrade = UpgradeChinaId(number);
}

void ChinaOldReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的中国旧身分证字号。"));
  WriteChinaSentence(id, out);
  out.Put({KESMAL_TEXT("旧身分证字号，目前应升码为“"), Ascii(*id.upgrade), KESMAL_TEXT("”。")});
}

}  // namespace

const CheckRule ChinaOldIdRule{AnalyseChinaOldId, ChinaOldReportText};

IdReport CheckChinaOldId(std::string_view number, Encoding encoding) {
  return ReportFrom(ChinaOldIdRule, number, encoding);
}

}  // namespace kesmal
