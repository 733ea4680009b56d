#pragma once
// Taiwan identity numbers, 10 characters: a region letter, a sex digit
// (1 male, 2 female), seven serial digits and a check digit. The check digit
// weighs the letter's two code digits by 1 and 9 and the next eight characters
// by 8 down to 1. Valid: A123456789 (台北市, male).
#include <optional>
#include <string>
#include <string_view>

#include "rules/id_report.h"

namespace kesmal {

struct TaiwanMakeSettings {
  std::optional<int> Region;  // a row of TaiwanLetterTable
  std::optional<HolderSex> Sex;
};

// Reads the first nine characters: a capital letter, then eight digits.
char TaiwanCheckCode(std::string_view number);
// As TaiwanCheckCode, but a second character A to D weighed by the units
// digit of its letter code, as the older resident certificates are.
char TaiwanResidentCheckCode(std::string_view number);

// The number has exactly 10 characters.
IdReport CheckTaiwanId(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule TaiwanIdRule;  // the same check in two steps
// Today's check: resident certificates too, second character 8 or 9 (since
// 2021) or A to D (older; the check weighs the letter by the units digit of
// its code). Valid: A800000014, AB12345677.
extern const CheckRule TaiwanIdCurrentRule;

std::string MakeTaiwanId(const std::optional<TaiwanMakeSettings>& settings);

// The table row of a capital letter, or none.
std::optional<int> TaiwanLetterRow(char letter);

}  // namespace kesmal
