#pragma once
// Korea resident registration numbers, 13 digits: birth date as yymmdd, a sex
// digit (1 male, 2 female), five serial digits and a check digit over the first
// twelve, weighed 2..9 then 2..5. The number carries no century: the date
// phrase places the two-digit year. Valid: 0001011000002.
#include <optional>
#include <string>
#include <string_view>

#include "rules/date_phrase.h"
#include "rules/id_report.h"

namespace kesmal {

struct KoreaMakeSettings {
  std::optional<CivilDate> BirthDate;  // the window always gives one; scripts may leave it to chance
  std::optional<HolderSex> Sex;
};

// Reads the first twelve characters, all digits.
char KoreaCheckCode(std::string_view number);

// The number has exactly 13 characters.
IdReport CheckKoreaId(std::string_view number);

// What the seventh digit tells: the holder's sex, the kind of number, and the
// century of the birth year (none: the date phrase places the two-digit year).
struct KoreaSeventhDigit {
  HolderSex sex;
  IdKind kind;
  std::optional<int> century;
};

struct KoreaRules {
  std::optional<KoreaSeventhDigit> (*readSeventh)(char);  // given a digit; none: the fault below
  std::string_view seventhFault;
  bool placeCodeCounts;                  // digits 8-9 above 96 are a fault
  std::optional<CivilDate> randomSince;  // births from then on end in random digits
};

IdReport CheckKoreaId(std::string_view number, const KoreaRules& rules);

std::string MakeKoreaId(const std::optional<KoreaMakeSettings>& settings);

}  // namespace kesmal
