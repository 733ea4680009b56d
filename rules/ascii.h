#pragma once
// Byte tests of identity-number characters. Never the locale's isdigit: a
// character of a number is one byte, and only ASCII digits and capitals count.
#include <charconv>
#include <optional>
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

// A whole number written in decimal and nothing else, or none.
template <typename Number>
std::optional<Number> ParseWhole(std::string_view text) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace kesmal
