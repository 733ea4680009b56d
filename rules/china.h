#pragma once
// Mainland resident identity numbers, 18 characters: region code (6), birth
// date yyyymmdd (8), sequence (2), sex digit (odd male, even female), and a
// check character 0-9 or X by ISO 7064 MOD 11-2. Valid: 11010519491231002X.
// The old 15-digit form has a two-digit year of the 1900s and no check
// character; its upgrade inserts "19" and appends one.
#include <optional>
#include <string>
#include <string_view>

#include "rules/date_phrase.h"
#include "rules/id_report.h"

namespace kesmal {

struct ChinaMakeSettings {
  int Local = -1;     // province index, -1 while none is chosen
  int SubLocal = -1;  // position in that province's county list, -1 while empty
  std::optional<CivilDate>
      BirthDate;  // the window always gives one; scripts may leave it to chance
  int Sex = -1;   // 0 man, 1 woman, -1 any
};

// Reads the first 17 characters, all digits.
char ChinaCheckCode(std::string_view number);

// The number has exactly 18 characters.
IdReport CheckChinaId(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule ChinaIdRule;  // the same check in two steps
// As ChinaIdRule, but the codes 810000, 820000 and 830000 are no unknown
// birthplace: they make the residence permit of a Hong Kong, Macao or Taiwan
// resident.
extern const CheckRule ChinaIdOrPermitRule;

std::string MakeChinaId(const std::optional<ChinaMakeSettings>& settings);

// 15 digits in, the 18-character number out.
std::string UpgradeChinaId(std::string_view number);

// The number has exactly 15 characters.
IdReport CheckChinaOldId(std::string_view number, Encoding encoding = Encoding::Gbk);
extern const CheckRule ChinaOldIdRule;  // the same check in two steps

}  // namespace kesmal
