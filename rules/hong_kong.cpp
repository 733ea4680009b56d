#include "rules/hong_kong.h"

#include "rules/ascii.h"
#include "rules/layout_hong_kong.h"
#include "rules/random_source.h"
#include "rules/report_text.h"

namespace kesmal {
namespace {

constexpr int LetterValue(char c) { return c - 55; }  // A=10 .. Z=35

// The short form's missing first letter; 58 * 9 leaves the same remainder
// modulo 11 as 36 * 9, the value other descriptions give it.
constexpr int kAbsentLetter = 58;

char RandomCapital() { return static_cast<char>('A' + RandomDraw() % 26); }

}  // namespace

char HongKongCheckCode(std::string_view number) {
  const bool oneLetter = number.size() == 8;
  const std::size_t digitsFrom = oneLetter ? 1 : 2;
  int sum = (oneLetter ? kAbsentLetter : LetterValue(number[0])) * 9 +
            LetterValue(number[digitsFrom - 1]) * 8;
  for (std::size_t i = 0; i < 6; ++i)
    sum += DigitValue(number[digitsFrom + i]) * static_cast<int>(7 - i);
  const int code = 11 - sum % 11;
  if (code == 10) return 'A';
  if (code == 11) return '0';
  return static_cast<char>('0' + code);
}

namespace {

void AnalyseHongKongId8(std::string_view number, IdAnalysis& id) {
  id.Restart(Jurisdiction::HongKong, number);
  if (!IsCapital(number[0])) id.AddFault(FaultCode::Letter, KESMAL_TEXT("第一码应该是英文字母，"));
  if (!AllDigits(number.substr(1, 6)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第2-7码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    const char expected = HongKongCheckCode(number);
    if (number[7] != expected) id.AddCheckCodeFault(expected);
  }
}

void AnalyseHongKongId9(std::string_view number, IdAnalysis& id) {
  id.Restart(Jurisdiction::HongKong, number);
  if (!IsCapital(number[0]) || !IsCapital(number[1]))
    id.AddFault(FaultCode::Letter, KESMAL_TEXT("第1-2码应该是英文字母，"));
  if (!AllDigits(number.substr(2, 6)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第3-8码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    const char expected = HongKongCheckCode(number);
    if (number[8] != expected) id.AddCheckCodeFault(expected);
  }
}

constexpr bool IsBracket(char c) { return c == '(' || c == ')'; }

// The check character alone between the last two brackets, and no other bracket.
bool Bracketed(std::string_view printed) {
  const std::size_t open = printed.size() - 3;
  for (std::size_t i = 0; i < open; ++i)
    if (IsBracket(printed[i])) return false;
  return printed[open] == '(' && !IsBracket(printed[open + 1]) && printed[open + 2] == ')';
}

void AnalyseHongKongPrinted(std::string_view printed, IdAnalysis& id) {
  const std::size_t open = printed.size() - 3;
  std::string compact(printed.substr(0, open));
  compact += printed[open + 1];
  if (compact.size() == 8)
    AnalyseHongKongId8(compact, id);
  else
    AnalyseHongKongId9(compact, id);
  id.number = printed;
  if (Bracketed(printed)) return;

  // Without its brackets the check character's place is unknown: no check sentence.
  if (!id.Valid() && id.faults.back().code == FaultCode::CheckCode) id.faults.pop_back();
  id.AddFault(FaultCode::Bracket, compact.size() == 8
                                      ? KESMAL_TEXT("第8码和第10码应该是括住检查码的括号，")
                                      : KESMAL_TEXT("第9码和第11码应该是括住检查码的括号，"));
}

void HongKongReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的香港身分证字号。"));
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), KESMAL_TEXT("”是香港身分证字号。")});
}

}  // namespace

const CheckRule HongKongId8Rule{AnalyseHongKongId8, HongKongReportText};

IdReport CheckHongKongId8(std::string_view number, Encoding encoding) {
  return ReportFrom(HongKongId8Rule, number, encoding);
}

const CheckRule HongKongId9Rule{AnalyseHongKongId9, HongKongReportText};

IdReport CheckHongKongId9(std::string_view number, Encoding encoding) {
  return ReportFrom(HongKongId9Rule, number, encoding);
}

const CheckRule HongKongPrintedRule{AnalyseHongKongPrinted, HongKongReportText};

std::string MakeHongKongId(const std::optional<HongKongMakeSettings>& settings) {
  // The would-be first letter is drawn for every number, so a fixed length
  // does not shift the draws that follow.
  const auto first = static_cast<std::uint32_t>(RandomCapital() - 'A');
  HongKongFields fields;
  fields.letters = static_cast<std::uint32_t>(RandomCapital() - 'A');
  fields.serial = static_cast<std::uint32_t>(RandomBelow(1000000));

  int length = 9;
  if (!settings || settings->Length != 9) {
    const int drawn = RandomDraw() % 2;  // drawn, and ignored, when the settings fix 8
    length = !settings && drawn == 0 ? 9 : 8;
  }
  fields.twoLetters = length == 9;
  if (fields.twoLetters) fields.letters += first * 26;
  std::string number;
  WriteHongKong(fields, number);
  return number;
}

}  // namespace kesmal
