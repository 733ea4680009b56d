#include "rules/invalid_numbers.h"

#include "rules/dispatch.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Where a fault lives in a number of a given length, and what may replace it.
struct FaultField {
  std::size_t length;
  FaultCode code;
  std::size_t from, to;   // positions, the last exclusive
  bool whole;             // every position of the field, or one of them
  std::string_view with;  // the characters drawn for it
};

constexpr FaultField kFields[] = {
    {10, FaultCode::Letter, 0, 1, false, kDigits},
    {10, FaultCode::SexDigit, 1, 2, false, kDigits},
    {10, FaultCode::Digits, 2, 9, false, kCapitals},
    {10, FaultCode::CheckCode, 9, 10, false, kDigits},
    {8, FaultCode::Letter, 0, 1, false, kDigits},
    {8, FaultCode::Digits, 1, 7, false, kCapitals},
    {8, FaultCode::CheckCode, 7, 8, false, "0123456789A"},
    {9, FaultCode::Letter, 0, 2, false, kDigits},
    {9, FaultCode::Digits, 2, 8, false, kCapitals},
    {9, FaultCode::CheckCode, 8, 9, false, "0123456789A"},
    {13, FaultCode::Digits, 0, 12, false, kCapitals},
    {13, FaultCode::BirthDate, 2, 6, true, kDigits},
    {13, FaultCode::SexDigit, 6, 7, false, kDigits},
    {13, FaultCode::CheckCode, 12, 13, false, kDigits},
    {18, FaultCode::Digits, 0, 17, false, kCapitals},
    {18, FaultCode::BirthDate, 10, 14, true, kDigits},
    {18, FaultCode::CheckCode, 17, 18, false, "0123456789X"},
    {15, FaultCode::Digits, 0, 15, false, kCapitals},
    {15, FaultCode::BirthDate, 8, 12, true, kDigits},
};

std::size_t LengthOf(Jurisdiction form) {
  switch (form) {
    case Jurisdiction::Taiwan: return 10;
    case Jurisdiction::HongKong: return 8;
    case Jurisdiction::China: return 18;
    case Jurisdiction::ChinaOld: return 15;
    case Jurisdiction::Korea: return 13;
  }
  return 0;
}

char Draw(std::string_view from) {
  return from[RandomBelow(static_cast<std::int32_t>(from.size()))];
}

bool FailsWithOnly(const std::string& number, FaultCode fault) {
  const auto report = CheckNumberText(number);
  const auto& faults = report->analysis.faults;
  return faults.size() == 1 && faults[0].code == fault;
}

}  // namespace

std::vector<FaultCode> FaultsOf(Jurisdiction form) {
  std::vector<FaultCode> faults;
  for (const FaultField& field : kFields)
    if (field.length == LengthOf(form)) faults.push_back(field.code);
  return faults;
}

std::string SpoilNumber(std::string_view valid, FaultCode fault) {
  for (const FaultField& field : kFields) {
    if (field.length != valid.size() || field.code != fault) continue;
    const auto span = static_cast<std::int32_t>(field.to - field.from);
    for (;;) {
      std::string number(valid);
      if (field.whole)
        for (std::size_t i = field.from; i < field.to; ++i) number[i] = Draw(field.with);
      else
        number[field.from + RandomBelow(span)] = Draw(field.with);
      if (FailsWithOnly(number, fault)) return number;
    }
  }
  return std::string(valid);
}

}  // namespace kesmal
