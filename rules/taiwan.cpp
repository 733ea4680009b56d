#include "rules/taiwan.h"

#include <array>
#include <cstdint>

#include "data/taiwan_letters.h"
#include "rules/ascii.h"
#include "rules/layout_taiwan.h"
#include "rules/place_names.h"
#include "rules/random_source.h"
#include "rules/report_text.h"
#include "rules/text_cache.h"

namespace kesmal {

std::optional<int> TaiwanLetterRow(char letter) {
  if (!IsCapital(letter)) return std::nullopt;
  return letter - 'A';
}

namespace {

// Each letter's share of the check sum, its code's digits weighed by 1 and 9,
// worked out once rather than in every check.
std::array<std::uint8_t, 26> LetterShares() {
  std::array<std::uint8_t, 26> shares{};
  for (std::size_t row = 0; row < shares.size(); ++row) {
    const int code = TaiwanLetterTable[row].Code;
    shares[row] = static_cast<std::uint8_t>(code / 10 + code % 10 * 9);
  }
  return shares;
}

const std::array<std::uint8_t, 26> kLetterShares = LetterShares();

// The check code with `second` weighed in place of the second character.
char CheckCodeWith(std::string_view number, char second) {
  int sum = kLetterShares[*TaiwanLetterRow(number[0])] + DigitValue(second) * 8;
  for (int i = 2; i <= 8; ++i) sum += DigitValue(number[i]) * (9 - i);
  // The digit that brings the sum to a multiple of 10: 9 is -1 modulo 10.
  return static_cast<char>('0' + sum * 9 % 10);
}

}  // namespace

char TaiwanCheckCode(std::string_view number) { return CheckCodeWith(number, number[1]); }

char TaiwanResidentCheckCode(std::string_view number) {
  if (!IsCapital(number[1])) return TaiwanCheckCode(number);
  return CheckCodeWith(number,
                       static_cast<char>('0' + TaiwanLetterTable[number[1] - 'A'].Code % 10));
}

namespace {

// What the second character tells: the holder's sex, the kind of number, and
// the digit weighed by 8 in the check; none when it means nothing.
struct SecondCharacter {
  HolderSex sex;
  IdKind kind;
  char checkDigit;
};
using SecondReader = std::optional<SecondCharacter> (*)(char);

std::optional<SecondCharacter> ReadSexDigit(char c) {
  if (c == '1') return SecondCharacter{HolderSex::Male, IdKind::IdentityCard, c};
  if (c == '2') return SecondCharacter{HolderSex::Female, IdKind::IdentityCard, c};
  return std::nullopt;
}

// Since 2021 resident certificates take 8 and 9; before, a letter A to D,
// weighed in the check by the units digit of its letter code.
std::optional<SecondCharacter> ReadSecondToday(char c) {
  if (c == '8') return SecondCharacter{HolderSex::Male, IdKind::ResidentCertificate, c};
  if (c == '9') return SecondCharacter{HolderSex::Female, IdKind::ResidentCertificate, c};
  if (c < 'A' || c > 'D') return ReadSexDigit(c);
  const HolderSex sex = (c - 'A') % 2 == 0 ? HolderSex::Male : HolderSex::Female;
  const int code = TaiwanLetterTable[*TaiwanLetterRow(c)].Code;
  return SecondCharacter{sex, IdKind::ResidentCertificate, static_cast<char>('0' + code % 10)};
}

// The reader is a template argument so that it is inlined: a call returns its
// small optional through memory, and reading it back waits for the stores.
template <SecondReader read>
void AnalyseTaiwanId(std::string_view number, const Text& secondFault, IdAnalysis& id) {
  id.Restart(Jurisdiction::Taiwan, number);
  if (!IsCapital(number[0])) id.AddFault(FaultCode::Letter, KESMAL_TEXT("第一码应该是英文字母，"));
  const auto second = read(number[1]);
  if (!second) id.AddFault(FaultCode::SexDigit, secondFault);
  if (!AllDigits(number.substr(2, 7)))
    id.AddFault(FaultCode::Digits, KESMAL_TEXT("第3-9码应该是数字(0)~(9)，"));
  if (id.Valid()) {
    const char expected = CheckCodeWith(number, second->checkDigit);
    if (number[9] != expected) id.AddCheckCodeFault(expected);
  }
  if (!id.Valid()) return;

  id.birthplace = TaiwanPlaceName(*TaiwanLetterRow(number[0]));
  id.sex = second->sex;
  id.kind = second->kind;
}

// A resident certificate's letter names where it was registered, not a birthplace.
std::string ValidEnding(const IdAnalysis& id, Encoding encoding) {
  std::string ending;
  ReportWriter out(encoding, ending);
  const bool resident = id.kind == IdKind::ResidentCertificate;
  out.Put({resident ? KESMAL_TEXT("”是登记地在“") : KESMAL_TEXT("”是出生地在“"), *id.birthplace,
           KESMAL_TEXT("”的“"), SexWord(*id.sex),
           resident ? KESMAL_TEXT("”台湾居留证字号。") : KESMAL_TEXT("”台湾身分证字号。")});
  return ending;
}

// What follows the number in a valid report depends only on the letter, the
// sex and the kind, so each of those endings is written once per process.
const Text& CachedValidEnding(const IdAnalysis& id) {
  static TextCache<std::tuple_size_v<decltype(TaiwanLetterTable)> * 4> cache;
  const int kinds =
      (id.sex == HolderSex::Female ? 2 : 0) + (id.kind == IdKind::ResidentCertificate ? 1 : 0);
  const auto slot = static_cast<std::size_t>(*TaiwanLetterRow(id.number[0]) * 4 + kinds);
  return cache.At(slot, [&] {
    return BothTexts{ValidEnding(id, Encoding::Gbk), ValidEnding(id, Encoding::Utf8)};
  });
}

void TaiwanReportText(const IdAnalysis& id, ReportWriter& out) {
  if (!id.Valid()) return id.WriteFaults(out, KESMAL_TEXT("才是正确的台湾身分证字号。"));
  out.Put({KESMAL_TEXT("“"), Ascii(id.number), CachedValidEnding(id)});
}

}  // namespace

const CheckRule TaiwanIdRule{[](std::string_view number, IdAnalysis& id) {
                               AnalyseTaiwanId<ReadSexDigit>(
                                   number, KESMAL_TEXT("第二码应该是男性(1)或女性(2)，"), id);
                             },
                             TaiwanReportText};

const CheckRule TaiwanIdCurrentRule{
    [](std::string_view number, IdAnalysis& id) {
      AnalyseTaiwanId<ReadSecondToday>(
          number, KESMAL_TEXT("第二码应该是男性(1、8、A、C)或女性(2、9、B、D)，"), id);
    },
    TaiwanReportText};

IdReport CheckTaiwanId(std::string_view number, Encoding encoding) {
  return ReportFrom(TaiwanIdRule, number, encoding);
}

std::string MakeTaiwanId(const std::optional<TaiwanMakeSettings>& settings) {
  const bool regionGiven = settings && settings->Region && *settings->Region >= 0 &&
                           *settings->Region < static_cast<int>(TaiwanLetterTable.size());
  TaiwanFields fields;
  fields.letter = regionGiven ? *settings->Region : RandomDraw() % 26;
  fields.sex = SexDigitOneOrTwo(settings ? settings->Sex : std::nullopt) == '1' ? HolderSex::Male
                                                                                : HolderSex::Female;
  fields.serial = static_cast<std::uint32_t>(RandomBelow(10000000));
  std::string number;
  WriteTaiwan(fields, number);
  return number;
}

}  // namespace kesmal
