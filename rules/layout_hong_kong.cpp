#include "rules/layout_hong_kong.h"

#include "rules/hong_kong.h"

namespace kesmal {

std::optional<HongKongFields> ReadHongKong(std::string_view number) {
  if (number.size() != 8 && number.size() != 9) return std::nullopt;
  const std::size_t letters = number.size() - 7;
  HongKongFields fields{letters == 2};
  for (std::size_t i = 0; i < letters; ++i) {
    if (!IsCapital(number[i])) return std::nullopt;
    fields.letters = fields.letters * 26 + static_cast<std::uint32_t>(number[i] - 'A');
  }
  if (!AllDigits(number.substr(letters, 6))) return std::nullopt;
  fields.serial = DigitsAt(number, letters, 6);
  if (number.back() != HongKongCheckCode(number)) return std::nullopt;
  return fields;
}

void WriteHongKong(const HongKongFields& fields, std::string& out) {
  const std::size_t start = out.size();
  if (fields.twoLetters) out += static_cast<char>('A' + fields.letters / 26);
  out += static_cast<char>('A' + fields.letters % 26);
  AppendDigits(out, fields.serial, 6);
  // The check character's place, filled in below: the text's length selects the form.
  out += '0';
  out.back() = HongKongCheckCode(std::string_view(out).substr(start));
}

}  // namespace kesmal
