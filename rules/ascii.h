#pragma once
// Byte tests of identity-number characters. Never the locale's isdigit: a
// character of a number is one byte, and only ASCII digits and capitals count.
#include <string_view>

namespace kesmal {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }
constexpr int DigitValue(char c) { return c - '0'; }

constexpr bool AllDigits(std::string_view text) {
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

}  // namespace kesmal
