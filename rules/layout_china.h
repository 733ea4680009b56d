#pragma once
// Where a mainland number keeps its fields. 18 characters: the region code
// (0-5, its first two digits the province), the birth date yyyymmdd (6-13),
// two sequence digits (14-15), the sex digit (16, odd male, even female) and
// the check character (17, 0-9 or X). The old form of 15 digits: the region
// code (0-5), the birth date yymmdd of the 1900s (6-11), two sequence digits
// (12-13), the sex digit (14), and no check character.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/date_phrase.h"
#include "rules/id_report.h"
#include "rules/layout.h"

namespace kesmal {

struct ChinaFields {
  std::uint32_t region = 0;  // the six-digit code
  CivilDate birth{};
  HolderSex sex = HolderSex::Male;
  // 0 to 499: the sequence digits times 5 plus the half of the sex digit,
  // which with the sex gives the three digits.
  std::uint32_t serial = 0;
};

inline constexpr char kChinaCheckLetter = 'X';  // the check value 10

inline constexpr FieldPositions kChinaPositions{
    .region = {0, 6}, .province = {0, 2}, .birthDate = {6, 8}, .birthYear = {6, 4}, .sex = {16, 1}};
inline constexpr FieldPositions kChinaOldPositions{
    .region = {0, 6}, .province = {0, 2}, .birthDate = {6, 6}, .birthYear = {6, 2}, .sex = {14, 1}};

// The region code and the province of a number of either form whose first
// six characters are digits.
constexpr int RegionCodeAt(std::string_view number) {
  return static_cast<int>(DigitsAt(number, 0, 6));
}
constexpr int ProvinceAt(std::string_view number) {
  return static_cast<int>(DigitsAt(number, 0, 2));
}

// None when the text is no number of the layout: not 18 characters, 17
// digits, the check character, and a calendar date.
std::optional<ChinaFields> ReadChina(std::string_view number);
// None when the text is no old number: not 15 digits with a calendar date.
std::optional<ChinaFields> ReadChinaOld(std::string_view number);

// Append the number of the fields, the 18-character one with its check
// character; the old one writes the year's last two digits.
void WriteChina(const ChinaFields& fields, std::string& out);
void WriteChinaOld(const ChinaFields& fields, std::string& out);

}  // namespace kesmal
