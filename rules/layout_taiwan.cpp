#include "rules/layout_taiwan.h"

#include "rules/taiwan.h"

namespace kesmal {

std::optional<TaiwanFields> ReadTaiwan(std::string_view number) {
  if (number.size() != 10 || !IsCapital(number[0]) || !AllDigits(number.substr(2)))
    return std::nullopt;
  TaiwanFields fields;
  fields.letter = number[0] - 'A';
  fields.serial = DigitsAt(number, 2, 7);
  const char second = number[1];
  if (second == '1' || second == '2') {
    fields.sex = second == '1' ? HolderSex::Male : HolderSex::Female;
  } else if (second == '8' || second == '9') {
    fields.second = TaiwanSecond::ResidentDigit;
    fields.sex = second == '8' ? HolderSex::Male : HolderSex::Female;
  } else if (second >= 'A' && second <= 'D') {
    fields.second = TaiwanSecond::ResidentLetter;
    fields.sex = (second - 'A') % 2 == 0 ? HolderSex::Male : HolderSex::Female;
    fields.letterPair = (second - 'A') / 2;
  } else {
    return std::nullopt;
  }
  if (number[9] != TaiwanResidentCheckCode(number)) return std::nullopt;
  return fields;
}

void WriteTaiwan(const TaiwanFields& fields, std::string& out) {
  const std::size_t start = out.size();
  out += static_cast<char>('A' + fields.letter);
  const int female = fields.sex == HolderSex::Female ? 1 : 0;
  switch (fields.second) {
    case TaiwanSecond::SexDigit: out += static_cast<char>('1' + female); break;
    case TaiwanSecond::ResidentDigit: out += static_cast<char>('8' + female); break;
    case TaiwanSecond::ResidentLetter:
      out += static_cast<char>('A' + 2 * fields.letterPair + female);
      break;
  }
  AppendDigits(out, fields.serial, 7);
  out += TaiwanResidentCheckCode(std::string_view(out).substr(start));
}

}  // namespace kesmal
