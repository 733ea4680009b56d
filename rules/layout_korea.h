#pragma once
// Where a Korean number of 13 digits keeps its fields: the birth date yymmdd
// (0-5), the seventh digit (6), five serial digits (7-11; today's rules read
// the first two as a place code, 00 to 96) and the check digit (12). The
// window's rules read the seventh digit as the sex alone (1 male, 2 female)
// and the number carries no century; today's read it as century, sex and
// whether the holder is a foreign resident (9, 0: 1800s; 1, 2, 5, 6: 1900s;
// 3, 4, 7, 8: 2000s; odd male; 5 to 8 foreign), and from births on
// 2020-10-01 the last six digits are random, the check digit's place among them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/current.h"
#include "rules/date_phrase.h"
#include "rules/layout.h"

namespace kesmal {

struct KoreaFields {
  CivilDate birth{};  // under the window's rules counted as if in 2000 to 2099
  HolderSex sex = HolderSex::Male;
  bool foreign = false;  // today's rules only
  // The five serial digits; of a number that ends in random digits, the six.
  std::uint32_t serial = 0;
};

// Today's rules: the century of each seventh digit, the highest place code,
// and the first birth date whose numbers end in random digits.
inline constexpr int kKoreaCenturyOfSeventh[10] = {1800, 1900, 1900, 2000, 2000,
                                                   1900, 1900, 2000, 2000, 1800};
inline constexpr int kKoreaLastPlaceCode = 96;
inline constexpr CivilDate kKoreaRandomSince{2020, 10, 1};

inline constexpr FieldPositions kKoreaPositions{
    .region = {}, .province = {}, .birthDate = {0, 6}, .birthYear = {0, 2}, .sex = {6, 1}};

// Whether a number of the birth date ends in six random digits, with no check digit.
bool KoreaEndsInRandomDigits(const CivilDate& birth, RuleSet rules);

// None when the text is no number of the layout under the rules: not 13
// digits, a seventh digit the rules do not read, no calendar date, a place
// code above 96 (today's rules), or the wrong check digit where there is one.
std::optional<KoreaFields> ReadKorea(std::string_view number, RuleSet rules);

// Appends the number of the fields as the rules write it, check digit included
// where there is one. Today's rules write a foreign resident of the 1800s as
// no seventh digit can: '?'.
void WriteKorea(const KoreaFields& fields, RuleSet rules, std::string& out);

}  // namespace kesmal
