#include "rules/layout_china.h"

#include "rules/china.h"

namespace kesmal {
namespace {

// The date's fields as written, or false when they make no calendar date.
bool ReadDate(int year, std::uint32_t month, std::uint32_t day, CivilDate& date) {
  if (day < 1 || day > static_cast<std::uint32_t>(DaysOfMonth(year, static_cast<int>(month))))
    return false;
  date = {year, static_cast<int>(month), static_cast<int>(day)};
  return true;
}

// The sequence and the sex digit from `at`.
void ReadSequence(std::string_view number, std::size_t at, ChinaFields& fields) {
  const int sexDigit = DigitValue(number[at + 2]);
  fields.sex = sexDigit % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  fields.serial = DigitsAt(number, at, 2) * 5 + static_cast<std::uint32_t>(sexDigit / 2);
}

void AppendSequence(const ChinaFields& fields, std::string& out) {
  AppendDigits(out, fields.serial / 5, 2);
  AppendDigits(out, fields.serial % 5 * 2 + (fields.sex == HolderSex::Male ? 1 : 0), 1);
}

}  // namespace

std::optional<ChinaFields> ReadChina(std::string_view number) {
  if (number.size() != 18 || !AllDigits(number.substr(0, 17))) return std::nullopt;
  if (number[17] != ChinaCheckCode(number)) return std::nullopt;
  ChinaFields fields;
  fields.region = DigitsAt(number, 0, 6);
  if (!ReadDate(static_cast<int>(DigitsAt(number, 6, 4)), DigitsAt(number, 10, 2),
                DigitsAt(number, 12, 2), fields.birth))
    return std::nullopt;
  ReadSequence(number, 14, fields);
  return fields;
}

std::optional<ChinaFields> ReadChinaOld(std::string_view number) {
  if (number.size() != 15 || !AllDigits(number)) return std::nullopt;
  ChinaFields fields;
  fields.region = DigitsAt(number, 0, 6);
  if (!ReadDate(1900 + static_cast<int>(DigitsAt(number, 6, 2)), DigitsAt(number, 8, 2),
                DigitsAt(number, 10, 2), fields.birth))
    return std::nullopt;
  ReadSequence(number, 12, fields);
  return fields;
}

void WriteChina(const ChinaFields& fields, std::string& out) {
  const std::size_t start = out.size();
  const CivilDate& date = fields.birth;
  AppendDigits(out, fields.region, 6);
  AppendDigits(out, static_cast<std::uint64_t>(date.year), 4);
  AppendDigits(out, static_cast<std::uint64_t>(date.month * 100 + date.day), 4);
  AppendSequence(fields, out);
  out += ChinaCheckCode(std::string_view(out).substr(start));
}

void WriteChinaOld(const ChinaFields& fields, std::string& out) {
  const CivilDate& date = fields.birth;
  AppendDigits(out, fields.region, 6);
  AppendDigits(out, static_cast<std::uint64_t>(date.year % 100), 2);
  AppendDigits(out, static_cast<std::uint64_t>(date.month * 100 + date.day), 4);
  AppendSequence(fields, out);
}

}  // namespace kesmal
