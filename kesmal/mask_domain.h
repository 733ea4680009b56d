#pragma once
// The sets pseudonyms are drawn from. A number's domain is every valid number
// of its form that shares its kept fields and its birth set; its fields, read
// as the digits of a mixed radix, give its index there:
//   index = ((place * births + birth) * sexes + sex) * serials + serial,
// where a kept field, or one the form lacks, has a single value. The tweak
// names the form, the kept fields, the birth set and the kept values, so no
// two domains share one.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kesmal/pseudonym.h"

namespace kesmal {

// The first byte of the tweak: never renumber them.
enum class MaskForm : std::uint8_t {
  TaiwanId = 1,
  TaiwanResidentDigit,   // second character 8 or 9
  TaiwanResidentLetter,  // second character A to D
  HongKong8,
  HongKong9,
  ChinaListed,  // region code in the tables
  ChinaUnlistedRegionClassic,
  ChinaUnlistedProvinceClassic,
  ChinaUnlistedRegionCurrent,  // provinces 81 to 83 count as listed
  ChinaUnlistedProvinceCurrent,
  ChinaPermit,  // 810000, 820000, 830000
  ChinaOldListed,
  ChinaOldUnlisted,
  KoreaClassic,
  KoreaIdVerified,  // born before 2020-10-01
  KoreaIdRandom,    // born from then on: the last six digits are random
  KoreaForeignVerified,
  KoreaForeignRandom,
};

struct MaskDomain {
  MaskForm form;
  KeepSet keep;                        // the kept fields the form has
  std::array<std::uint64_t, 4> radix;  // place, birth, sex, serial
  std::uint32_t place;                 // kept: the letter or code; else the rank before the first
  std::int64_t firstDay;               // of the birth set, as DayNumber counts
  int sex;                             // kept: 0 male, 1 female
  std::array<std::uint8_t, 12> tweak;
  std::size_t tweakLength;
  // For a domain of the numbers whose check character has this value (0 to
  // 9, 10 the letter), -1 for every number.
  int fixedCheck = -1;
  // Some day holds a plausible number of it: not so for the mainland's
  // unlisted provinces, the old form's unlisted regions and births before
  // 1900 (past any record age from 2016 on) or after 2103 (the end of a birth
  // set, far enough ahead that order numbers of any year are not taken for
  // people's). Every number of a domain shares it, whatever today is.
  bool everPlausible;

  std::uint64_t Count() const { return radix[0] * radix[1] * radix[2] * radix[3]; }
  std::span<const std::uint8_t> Tweak() const { return {tweak.data(), tweakLength}; }
};

struct LocatedNumber {
  MaskDomain domain;
  std::uint64_t index;
};

// The numbers a text masker replaces: every valid number of a domain that
// some day holds a plausible number, and with --implausible every valid one.
inline bool InMaskedSet(const MaskDomain& domain, bool implausible) {
  return implausible || domain.everPlausible;
}

// The letter a check character of the form may be ('X', 'A'), or 0; the
// modulus its check characters count in (11 with the letter, else 10).
char CheckLetter(MaskForm form);
inline int CheckModulus(MaskForm form) { return CheckLetter(form) ? 11 : 10; }
// Whether the form's numbers end in a check character (Korea's random
// numbers and the old mainland form do not).
bool HasCheck(MaskForm form);

// None for a text that is no valid number of the rules.
std::optional<LocatedNumber> LocateNumber(std::string_view number, RuleSet rules, KeepSet keep);

// The number at an index below the domain's count; false when a domain of a
// fixed check character has no number there.
bool WriteNumberAt(const MaskDomain& domain, std::uint64_t index, std::string& out);

// The numbers of a domain whose check character has the value `check` (10:
// the letter), which a number of it has: a domain of a tenth of the count,
// its serial without the digit that the check character then decides (the
// mainland's sixteenth digit, Hong Kong's last), where ten indexes in eleven
// are numbers. The tweak's second byte has 128 added. None for a form whose
// check character is never a letter, or when a tenth of the count is below
// the minimum.
std::optional<LocatedNumber> WithFixedCheck(const LocatedNumber& located, int check);

std::span<const MaskForm> FormsOf(Jurisdiction jurisdiction, RuleSet rules);
// "tw", "cn residence permits", ...
std::string_view FormNumbers(MaskForm form);
// The smallest domain over every number of the form.
std::uint64_t SmallestCount(MaskForm form, KeepSet keep);

}  // namespace kesmal
