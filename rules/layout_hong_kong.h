#pragma once
// Where a Hong Kong number keeps its fields: one letter (8 characters) or two
// (9), six serial digits, then the check character, 0-9 or A. It tells no
// birth date and no sex.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/layout.h"

namespace kesmal {

struct HongKongFields {
  bool twoLetters = false;
  std::uint32_t letters = 0;  // 0 for A (AA) to 25 for Z (675 for ZZ): the letters in base 26
  std::uint32_t serial = 0;   // the six serial digits
};

inline constexpr char kHongKongCheckLetter = 'A';  // the check value 10

inline constexpr FieldPositions kHongKongPositions{};

// None when the text is no number of the layout: not 8 or 9 characters, not
// capitals then six digits, or the wrong check character.
std::optional<HongKongFields> ReadHongKong(std::string_view number);

// Appends the number of the fields, check character included.
void WriteHongKong(const HongKongFields& fields, std::string& out);

}  // namespace kesmal
