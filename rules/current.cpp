#include "rules/current.h"

#include "data/taiwan_letters.h"
#include "rules/china.h"
#include "rules/dispatch.h"
#include "rules/hong_kong.h"
#include "rules/korea.h"
#include "rules/taiwan.h"

namespace kesmal {
namespace {

// Since 2021 resident certificates take 8 and 9; before, a letter A to D,
// weighed in the check by the units digit of its letter code.
std::optional<TaiwanSecondCharacter> ReadTaiwanSecond(char c) {
  switch (c) {
    case '1': return TaiwanSecondCharacter{HolderSex::Male, IdKind::IdentityCard, c};
    case '2': return TaiwanSecondCharacter{HolderSex::Female, IdKind::IdentityCard, c};
    case '8': return TaiwanSecondCharacter{HolderSex::Male, IdKind::ResidentCertificate, c};
    case '9': return TaiwanSecondCharacter{HolderSex::Female, IdKind::ResidentCertificate, c};
  }
  if (c < 'A' || c > 'D') return std::nullopt;
  const HolderSex sex = (c - 'A') % 2 == 0 ? HolderSex::Male : HolderSex::Female;
  const int code = TaiwanLetterTable[*TaiwanLetterRow(c)].Code;
  return TaiwanSecondCharacter{sex, IdKind::ResidentCertificate,
                               static_cast<char>('0' + code % 10)};
}

constexpr TaiwanRules kTaiwanRules{ReadTaiwanSecond,
                                   "第二码应该是男性(1、8、A、C)或女性(2、9、B、D)，"};

// 9 and 0 were born in the 1800s, 1, 2, 5 and 6 in the 1900s, the rest in the
// 2000s; odd is male; 5 to 8 are foreign residents.
std::optional<KoreaSeventhDigit> ReadKoreaSeventh(char c) {
  constexpr int kCentury[10] = {1800, 1900, 1900, 2000, 2000, 1900, 1900, 2000, 2000, 1800};
  const int digit = c - '0';
  const HolderSex sex = digit % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  const IdKind kind = digit >= 5 && digit <= 8 ? IdKind::ForeignResident : IdKind::IdentityCard;
  return KoreaSeventhDigit{sex, kind, kCentury[digit]};
}

constexpr KoreaRules kKoreaRules{ReadKoreaSeventh, {}, true, CivilDate{2020, 10, 1}};

bool HasBracket(std::string_view number) {
  return number.find_first_of("()") != std::string_view::npos;
}

}  // namespace

std::optional<IdReport> CheckNumberTextCurrent(std::string_view number) {
  std::optional<IdReport> report;
  const std::size_t length = number.size();
  if ((length == 10 || length == 11) && HasBracket(number))
    report = CheckHongKongPrinted(number);
  else if (length == 10)
    report = CheckTaiwanId(number, kTaiwanRules);
  else if (length == 13)
    report = CheckKoreaId(number, kKoreaRules);
  else if (length == 18)
    report = CheckChinaIdOrPermit(number);
  else
    report = CheckNumberText(number);
  if (report && report->valid && !report->analysis.kind)
    report->analysis.kind = IdKind::IdentityCard;
  return report;
}

std::optional<IdReport> CheckNumberText(std::string_view number, RuleSet rules) {
  return rules == RuleSet::Current ? CheckNumberTextCurrent(number) : CheckNumberText(number);
}

}  // namespace kesmal
