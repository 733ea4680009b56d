#pragma once
// Region letters of Taiwan identity numbers, A to Z, with the two-digit code
// each stands for in the check-digit sum and the place it names. The codes do
// not follow the alphabet: I, O, W, X, Y and Z count 34, 35, 32, 30, 31, 33.
// The rows do: row 0 is A, row 25 is Z.
#include <array>
#include <cstdint>

namespace kesmal {

struct TaiwanLetter {
  std::uint16_t Letter;  // only the low byte is compared
  std::uint16_t Code;
  char Name[8];  // GBK, three characters, NUL-terminated
};

extern const std::array<TaiwanLetter, 26> TaiwanLetterTable;

}  // namespace kesmal
