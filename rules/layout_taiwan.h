#pragma once
// Where a Taiwan number of 10 characters keeps its fields: the region letter
// (0), the second character (1), seven serial digits (2-8) and the check
// digit (9). The second character is the sex digit of an identity card (1
// male, 2 female), or of a resident certificate: 8 or 9 since 2021, before
// that a letter A to D (A, C male; B, D female).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/id_report.h"
#include "rules/layout.h"

namespace kesmal {

enum class TaiwanSecond : std::uint8_t {
  SexDigit,       // 1, 2: an identity card
  ResidentDigit,  // 8, 9
  ResidentLetter  // A to D
};

struct TaiwanFields {
  int letter = 0;  // 0 for A to 25 for Z
  TaiwanSecond second = TaiwanSecond::SexDigit;
  HolderSex sex = HolderSex::Male;
  int letterPair = 0;        // ResidentLetter: 0 for A or B, 1 for C or D
  std::uint32_t serial = 0;  // the seven serial digits
};

inline constexpr FieldPositions kTaiwanPositions{
    .region = {0, 1}, .province = {}, .birthDate = {}, .birthYear = {}, .sex = {1, 1}};

// None when the text is no number of the layout: not a capital, a second
// character of no kind, not seven digits, or the wrong check digit.
std::optional<TaiwanFields> ReadTaiwan(std::string_view number);

// Appends the number of the fields, check digit included.
void WriteTaiwan(const TaiwanFields& fields, std::string& out);

}  // namespace kesmal
