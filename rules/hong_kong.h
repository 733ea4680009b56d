#pragma once
// Hong Kong identity numbers, 8 characters (one letter, six digits, check
// character) or 9 (two letters, six digits, check character). The check
// character, 0-9 or A, makes the sum of the values weighed 9 down to 2 plus the
// check value a multiple of 11; a letter counts A=10 .. Z=35, and the absent
// first letter of the short form counts 58. Valid: A1234563, AB9876543.
#include <optional>
#include <string>
#include <string_view>

#include "rules/id_report.h"

namespace kesmal {

struct HongKongMakeSettings {
  int Length = 8;  // 8 or 9
};

// The text's length selects the form: 8 the one-letter form, otherwise the
// two-letter form. The last character, the check position, is never read.
char HongKongCheckCode(std::string_view number);

IdReport CheckHongKongId8(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule HongKongId8Rule;  // the same check in two steps
IdReport CheckHongKongId9(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule HongKongId9Rule;  // the same check in two steps
// The printed forms of 10 or 11 characters, A123456(3) and AB987654(3), judged
// as the forms without brackets; the report quotes the number as printed.
extern const CheckRule HongKongPrintedRule;

std::string MakeHongKongId(const std::optional<HongKongMakeSettings>& settings);

}  // namespace kesmal
