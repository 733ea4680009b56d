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
  std::optional<CivilDate>
      BirthDate;  // the window always gives one; scripts may leave it to chance
  std::optional<HolderSex> Sex;
};

// Reads the first twelve characters, all digits.
char KoreaCheckCode(std::string_view number);

// The number has exactly 13 characters.
IdReport CheckKoreaId(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule KoreaIdRule;  // the same check in two steps
// Today's check: the seventh digit gives century and sex (9, 0: 1800s; 1, 2,
// 5, 6: 1900s; 3, 4, 7, 8: 2000s; odd male), 5 to 8 foreign residents; a
// place code (digits 8-9) above 96 is a fault; births from 2020-10-01 on end
// in random digits, so they have no place code and their check digit cannot
// be verified.
extern const CheckRule KoreaIdCurrentRule;

std::string MakeKoreaId(const std::optional<KoreaMakeSettings>& settings);

}  // namespace kesmal
