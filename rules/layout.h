#pragma once
// What every kind of number shares in its layout: fixed-width decimal fields,
// read from and written into its text, and where the fields a masker may keep
// stand. Each kind's own layout lives in its module (layout_taiwan.h,
// layout_hong_kong.h, layout_china.h, layout_korea.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/ascii.h"
#include "rules/current.h"
#include "rules/id_report.h"

namespace kesmal {

// The decimal value of `count` digits from `from`, which must be digits.
constexpr std::uint32_t DigitsAt(std::string_view text, std::size_t from, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = from; i < from + count; ++i)
    value = value * 10 + static_cast<std::uint32_t>(DigitValue(text[i]));
  return value;
}

// The value's last `width` digits, leading zeros kept.
inline void AppendDigits(std::string& out, std::uint64_t value, int width) {
  const std::size_t end = out.size() + static_cast<std::size_t>(width);
  out.resize(end);
  for (std::size_t i = end; i > end - static_cast<std::size_t>(width); --i, value /= 10)
    out[i - 1] = static_cast<char>('0' + value % 10);
}

// Characters from..from+count-1 of the number; count 0 where the kind has no such field.
struct FieldSpan {
  std::uint8_t from = 0;
  std::uint8_t count = 0;
};

// Where a kind's numbers write the fields that can be kept apart from the rest.
struct FieldPositions {
  FieldSpan region;     // the Taiwan letter, the mainland region code
  FieldSpan province;   // the mainland code's first two digits
  FieldSpan birthDate;  // as the number writes it, year included
  FieldSpan birthYear;  // as the number writes it
  FieldSpan sex;        // the character that tells the sex
};

// The kind whose numbers have that many characters, that many of them letters
// before the digits, or none: Hong Kong one letter of 8 or two of 9, Taiwan
// one letter of 10 (today's resident certificates two), Korea 13 digits, the
// mainland 15 or 18 (the check character X counts as a digit).
constexpr std::optional<Jurisdiction> KindOfShape(std::size_t length, int letters, RuleSet rules) {
  switch (length) {
    case 8: return letters == 1 ? std::optional(Jurisdiction::HongKong) : std::nullopt;
    case 9: return letters == 2 ? std::optional(Jurisdiction::HongKong) : std::nullopt;
    case 10:
      return letters == 1 || (letters == 2 && rules == RuleSet::Current)
                 ? std::optional(Jurisdiction::Taiwan)
                 : std::nullopt;
    case 13: return letters == 0 ? std::optional(Jurisdiction::Korea) : std::nullopt;
    case 15: return letters == 0 ? std::optional(Jurisdiction::ChinaOld) : std::nullopt;
    case 18: return letters == 0 ? std::optional(Jurisdiction::China) : std::nullopt;
    default: return std::nullopt;
  }
}

// Each kind's, as its layout module gives them.
const FieldPositions& PositionsOf(Jurisdiction jurisdiction);

// The letter a kind's check character may be besides 0 to 9 (the mainland's
// X, Hong Kong's A), or 0: its check characters then count modulo 10.
char CheckLetterOf(Jurisdiction jurisdiction);

}  // namespace kesmal
