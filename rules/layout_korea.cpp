#include "rules/layout_korea.h"

#include <tuple>

#include "rules/korea.h"

namespace kesmal {
namespace {

char SeventhDigit(const KoreaFields& fields) {
  static constexpr char kIdentity[3][2] = {{'9', '0'}, {'1', '2'}, {'3', '4'}};
  static constexpr char kForeign[3][2] = {{'?', '?'}, {'5', '6'}, {'7', '8'}};
  const int century = fields.birth.year / 100 - 18;
  const int female = fields.sex == HolderSex::Female ? 1 : 0;
  return (fields.foreign ? kForeign : kIdentity)[century][female];
}

}  // namespace

bool KoreaEndsInRandomDigits(const CivilDate& birth, RuleSet rules) {
  return rules == RuleSet::Current &&
         std::tie(birth.year, birth.month, birth.day) >=
             std::tie(kKoreaRandomSince.year, kKoreaRandomSince.month, kKoreaRandomSince.day);
}

std::optional<KoreaFields> ReadKorea(std::string_view number, RuleSet rules) {
  if (number.size() != 13 || !AllDigits(number)) return std::nullopt;
  const int seventh = DigitValue(number[6]);
  const bool classic = rules == RuleSet::Classic;
  if (classic && seventh != 1 && seventh != 2) return std::nullopt;
  KoreaFields fields;
  const int year =
      (classic ? 2000 : kKoreaCenturyOfSeventh[seventh]) + static_cast<int>(DigitsAt(number, 0, 2));
  const auto month = static_cast<int>(DigitsAt(number, 2, 2));
  const auto day = static_cast<int>(DigitsAt(number, 4, 2));
  if (day < 1 || day > DaysOfMonth(year, month)) return std::nullopt;
  fields.birth = {year, month, day};
  fields.sex = seventh % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  fields.foreign = !classic && seventh >= 5 && seventh <= 8;
  if (KoreaEndsInRandomDigits(fields.birth, rules)) {
    fields.serial = DigitsAt(number, 7, 6);
    return fields;
  }
  fields.serial = DigitsAt(number, 7, 5);
  if (!classic && fields.serial / 1000 > kKoreaLastPlaceCode) return std::nullopt;
  if (number[12] != KoreaCheckCode(number)) return std::nullopt;
  return fields;
}

void WriteKorea(const KoreaFields& fields, RuleSet rules, std::string& out) {
  const std::size_t start = out.size();
  const CivilDate& date = fields.birth;
  AppendDigits(
      out, static_cast<std::uint64_t>(date.year % 100 * 10000 + date.month * 100 + date.day), 6);
  out += rules == RuleSet::Classic ? (fields.sex == HolderSex::Male ? '1' : '2')
                                   : SeventhDigit(fields);
  if (KoreaEndsInRandomDigits(date, rules)) return AppendDigits(out, fields.serial, 6);
  AppendDigits(out, fields.serial, 5);
  out += KoreaCheckCode(std::string_view(out).substr(start));
}

}  // namespace kesmal
