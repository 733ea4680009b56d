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
IdReport CheckKoreaId(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule KoreaIdRule;  // the same check in two steps

std::string MakeKoreaId(const std::optional<KoreaMakeSettings>& settings);

}  // namespace kesmal
