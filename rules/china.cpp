#include "rules/china.h"

#include "data/regions.h"
#include "rules/ascii.h"
#include "rules/random_source.h"

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

std::string Birthplace(int province, int sub) {
  const auto name = RegionName(province, sub);
  return "“" + (name ? *name : std::string("未知出生地")) + "”";
}

const char* SexPhrase(char sexDigit) {
  return DigitValue(sexDigit) % 2 == 1 ? "“男性”" : "“女性”";
}

std::string Date(const CivilDate& date) {
  return RandomDigits(date.year, date.year, 4) + RandomDigits(date.month, date.month, 2) +
         RandomDigits(date.day, date.day, 2);
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
  if (settings->Local < 0 || settings->Local >= static_cast<int>(ProvinceTable.size()))
    return std::nullopt;
  const auto& province = ProvinceTable[settings->Local];
  if (settings->SubLocal > province.Last - province.First) return std::nullopt;
  return CountyRowAt(settings->Local, settings->SubLocal);
}

}  // namespace

char ChinaCheckCode(std::string_view number) {
  int sum = 0;
  for (int p = 0; p < 17; ++p) sum += DigitValue(number[p]) * kWeights[p];
  return kCheckByRemainder[sum % 11];
}

IdReport CheckChinaId(std::string_view number) {
  const auto failed = [](const char* complaint) {
    return IdReport{std::string(complaint) + "才是正确的中国身分证字号。", false};
  };
  if (!AllDigits(number.substr(0, 17))) return failed("第1-17码应该是数字(0)~(9)，");

  const int year = Field(number, 6, 4);
  const std::string datePhrase = DescribeBirthday(
      static_cast<std::int16_t>(year), static_cast<std::int16_t>(Field(number, 10, 2)),
      static_cast<std::int16_t>(Field(number, 12, 2)));
  // The phrase takes a year below 100 as two-digit; written as four digits it is no date.
  if (datePhrase.empty() || year < 100) return failed("第7-14码的出生日期应该是正确的日期格式，");

  const std::string birthplace = Birthplace(Field(number, 0, 2), Field(number, 2, 4));
  const char expected = ChinaCheckCode(number);
  if (number[17] != expected)
    return failed(("最后一码检查码应该是(" + std::string(1, expected) + ")，").c_str());

  return {"“" + std::string(number) + "”是一位于" + datePhrase + "出生在" + birthplace + "的中国" +
              SexPhrase(number[16]) + "身分证字号。",
          true};
}

std::string MakeChinaId(const std::optional<ChinaMakeSettings>& settings) {
  const auto chosen = ChosenRow(settings);
  const int row = chosen ? *chosen : RandomDraw() % CountyRowCount();
  const auto& county = CountyTable[row];
  std::string number =
      RandomDigits(county.Province, county.Province, 2) + RandomDigits(county.Sub, county.Sub, 4);

  number += Date(settings && settings->BirthDate ? *settings->BirthDate : DrawBirthDate());
  number += RandomDigits(0, 99, 2);
  number += DrawSexDigit(settings ? settings->Sex : -1);
  number += ChinaCheckCode(number);
  return number;
}

std::string UpgradeChinaId(std::string_view number) {
  std::string upgraded = std::string(number.substr(0, 6)) + "19" + std::string(number.substr(6, 9));
  upgraded += ChinaCheckCode(upgraded);
  return upgraded;
}

IdReport CheckChinaOldId(std::string_view number) {
  const auto failed = [](const char* complaint) {
    return IdReport{std::string(complaint) + "才是正确的中国旧身分证字号。", false};
  };
  if (!AllDigits(number.substr(0, 15))) return failed("应该全部输入数字(0)~(9)，");

  const std::string datePhrase = DescribeBirthday(
      static_cast<std::int16_t>(1900 + Field(number, 6, 2)),
      static_cast<std::int16_t>(Field(number, 8, 2)), static_cast<std::int16_t>(Field(number, 10, 2)));
  if (datePhrase.empty()) return failed("第7-12码的出生日期应该是正确的日期格式，");

  const std::string birthplace = Birthplace(Field(number, 0, 2), Field(number, 2, 4));
  return {"“" + std::string(number) + "”是一位于" + datePhrase + "出生在" + birthplace + "的中国" +
              SexPhrase(number[14]) + "旧身分证字号，目前应升码为“" + UpgradeChinaId(number) + "”。",
          true};
}

}  // namespace kesmal
