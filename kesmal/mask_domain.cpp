#include "kesmal/mask_domain.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "data/regions.h"
#include "rules/layout_china.h"
#include "rules/layout_hong_kong.h"
#include "rules/layout_korea.h"
#include "rules/layout_taiwan.h"
#include "rules/number_space.h"

namespace kesmal {
namespace {

using enum MaskForm;

constexpr std::uint32_t kCodes = 1000000;
constexpr std::uint64_t kTaiwanSerials = 10000000;

enum class Family { Taiwan, HongKong, China, Korea };

Family FamilyOf(MaskForm form) {
  if (form <= TaiwanResidentLetter) return Family::Taiwan;
  if (form <= HongKong9) return Family::HongKong;
  if (form <= ChinaOldUnlisted) return Family::China;
  return Family::Korea;
}

bool HasBirths(MaskForm form) {
  const Family family = FamilyOf(form);
  return family == Family::China || family == Family::Korea;
}

// Six-digit region codes, with rank and select: a code's place among them
// and the code at a place are both a few steps.
class CodeSet {
 public:
  using Words = std::array<std::uint64_t, kCodes / 64>;

  // `word(w)` gives the members among the codes 64w to 64w + 63, as bits.
  template <typename Word>
  explicit CodeSet(Word word) {
    for (std::size_t w = 0; w < words_.size(); ++w) words_[w] = word(w);
    for (std::size_t w = 0; w < words_.size(); ++w)
      before_[w + 1] = before_[w] + static_cast<std::uint32_t>(std::popcount(words_[w]));
  }

  std::uint32_t Size() const { return before_.back(); }

  // How many codes of the set lie below the code.
  std::uint32_t Rank(std::uint32_t code) const {
    if (code >= kCodes) return Size();
    const std::uint64_t below = (std::uint64_t{1} << (code % 64)) - 1;
    return before_[code / 64] +
           static_cast<std::uint32_t>(std::popcount(words_[code / 64] & below));
  }

  std::uint32_t Select(std::uint32_t rank) const {
    const auto word = static_cast<std::size_t>(
        std::upper_bound(before_.begin(), before_.end(), rank) - before_.begin() - 1);
    std::uint64_t bits = words_[word];
    for (std::uint32_t skip = rank - before_[word]; skip > 0; --skip) bits &= bits - 1;
    return static_cast<std::uint32_t>(word * 64 + std::countr_zero(bits));
  }

  std::uint32_t InProvince(std::uint32_t province) const {
    return Rank((province + 1) * 10000) - Rank(province * 10000);
  }

  std::uint32_t SmallestProvince() const {
    std::uint32_t smallest = Size();
    for (std::uint32_t province = 0; province < 100; ++province)
      if (const std::uint32_t count = InProvince(province); count > 0)
        smallest = std::min(smallest, count);
    return smallest;
  }

 private:
  std::array<std::uint64_t, kCodes / 64> words_{};
  std::array<std::uint32_t, kCodes / 64 + 1> before_{};
};

using Words = CodeSet::Words;

bool Has(const Words& words, std::uint32_t code) { return (words[code / 64] >> (code % 64)) & 1; }

void Set(Words& words, std::uint32_t code) { words[code / 64] |= std::uint64_t{1} << (code % 64); }

// The codes of the region tables.
const Words& ListedWords() {
  static const Words listed = [] {
    Words words{};
    for (int row = 0; row < CountyRowCount(); ++row)
      Set(words, static_cast<std::uint32_t>(RegionCodeOfRow(row)));
    return words;
  }();
  return listed;
}

bool Listed(std::uint32_t code) { return Has(ListedWords(), code); }

bool IsPermitCode(std::uint32_t code) { return code == 810000 || code == 820000 || code == 830000; }

// The provinces a plausible number may name; today's rules add the permits'.
bool ProvinceListed(std::uint32_t province, bool current) {
  static const std::array<bool, 100> listed = [] {
    std::array<bool, 100> provinces{};
    for (const ProvinceRecord& record : ProvinceTable) provinces[record.Code] = true;
    return provinces;
  }();
  return listed[province] || (current && province >= 81 && province <= 83);
}

// The codes of the listed provinces, and those of the permits.
const Words& ProvinceWords(bool current) {
  const auto make = [](bool withPermits) {
    Words words{};
    for (std::uint32_t code = 0; code < kCodes; code += 10000)
      if (ProvinceListed(code / 10000, withPermits))
        for (std::uint32_t c = code; c < code + 10000; ++c) Set(words, c);
    return words;
  };
  static const Words classic = make(false), current_ = make(true);
  return current ? current_ : classic;
}

const Words& PermitWords() {
  static const Words permits = [] {
    Words words{};
    for (const std::uint32_t code : {810000u, 820000u, 830000u}) Set(words, code);
    return words;
  }();
  return permits;
}

// Each set is made on first use, so a run builds only those its numbers need.
const CodeSet& CodesOf(MaskForm form) {
  const Words& listed = ListedWords();
  switch (form) {
    case ChinaUnlistedRegionClassic: {
      static const CodeSet codes(
          [&](std::size_t w) { return ~listed[w] & ProvinceWords(false)[w]; });
      return codes;
    }
    case ChinaUnlistedProvinceClassic: {
      static const CodeSet codes([](std::size_t w) { return ~ProvinceWords(false)[w]; });
      return codes;
    }
    case ChinaUnlistedRegionCurrent: {
      static const CodeSet codes(
          [&](std::size_t w) { return ~listed[w] & ProvinceWords(true)[w] & ~PermitWords()[w]; });
      return codes;
    }
    case ChinaUnlistedProvinceCurrent: {
      static const CodeSet codes([](std::size_t w) { return ~ProvinceWords(true)[w]; });
      return codes;
    }
    case ChinaPermit: {
      static const CodeSet codes([](std::size_t w) { return PermitWords()[w]; });
      return codes;
    }
    case ChinaOldUnlisted: {
      static const CodeSet codes([&](std::size_t w) { return ~listed[w]; });
      return codes;
    }
    default: {
      static const CodeSet codes([&](std::size_t w) { return listed[w]; });
      return codes;
    }
  }
}

MaskForm ChinaForm(std::uint32_t code, RuleSet rules) {
  const bool current = rules == RuleSet::Current;
  if (Listed(code)) return ChinaListed;
  if (current && IsPermitCode(code)) return ChinaPermit;
  if (ProvinceListed(code / 10000, current))
    return current ? ChinaUnlistedRegionCurrent : ChinaUnlistedRegionClassic;
  return current ? ChinaUnlistedProvinceCurrent : ChinaUnlistedProvinceClassic;
}

struct DayRange {
  std::int64_t first, last;
  std::uint64_t Days() const { return static_cast<std::uint64_t>(last - first + 1); }
};

std::int64_t Day(int year, int month, int day) { return DayNumber({year, month, day}); }

DayRange YearDays(int year) { return {Day(year, 1, 1), Day(year, 12, 31)}; }

DayRange Intersect(DayRange a, DayRange b) {
  return {std::max(a.first, b.first), std::min(a.last, b.last)};
}

// Korea's classic numbers carry no century: their dates are counted as if in
// 2000 to 2099, whose leap years are those the check reads. Today's Korean
// numbers end in random digits from October 2020, a kind of their own.
DayRange FormDays(MaskForm form) {
  switch (form) {
    case ChinaOldListed:
    case ChinaOldUnlisted: return {Day(1900, 1, 1), Day(1999, 12, 31)};
    case KoreaClassic: return {Day(2000, 1, 1), Day(2099, 12, 31)};
    case KoreaIdVerified: return {Day(1800, 1, 1), DayNumber(kKoreaRandomSince) - 1};
    case KoreaForeignVerified: return {Day(1900, 1, 1), DayNumber(kKoreaRandomSince) - 1};
    case KoreaIdRandom:
    case KoreaForeignRandom: return {DayNumber(kKoreaRandomSince), Day(2099, 12, 31)};
    default: return {Day(100, 1, 1), Day(9999, 12, 31)};
  }
}

// Fixed blocks of birth years, so that no set depends on today: to 1899,
// 1900-1929, 1930-2019, then six years each from 2020. Six years hold the
// million numbers a mainland region and sex need.
int BlockOfYear(int year) {
  if (year < 1900) return 0;
  if (year < 1930) return 1;
  if (year < 2020) return 2;
  return 3 + (year - 2020) / 6;
}

DayRange BlockDays(int block) {
  switch (block) {
    case 0: return {Day(100, 1, 1), Day(1899, 12, 31)};
    case 1: return {Day(1900, 1, 1), Day(1929, 12, 31)};
    case 2: return {Day(1930, 1, 1), Day(2019, 12, 31)};
    default: {
      const int first = 2020 + 6 * (block - 3);
      return {Day(first, 1, 1), Day(first + 5, 12, 31)};
    }
  }
}

int BirthBlock(MaskForm form, int year) { return form == KoreaClassic ? 0 : BlockOfYear(year); }

// Korea's classic numbers form one set: they carry no century.
DayRange BirthSet(MaskForm form, int year) {
  if (form == KoreaClassic) return FormDays(form);
  return Intersect(BlockDays(BlockOfYear(year)), FormDays(form));
}

KeepSet EffectiveKeep(MaskForm form, KeepSet keep) {
  using enum KeptField;
  switch (FamilyOf(form)) {
    case Family::Taiwan: {
      KeepSet kept;
      if (keep.Has(Sex)) kept = kept.With(Sex);
      if (keep.Has(Region)) kept = kept.With(Region);
      return kept;
    }
    case Family::HongKong: return {};
    case Family::Korea: keep = keep.Without(Region).Without(Province); break;
    case Family::China: break;
  }
  if (keep.Has(Region)) keep = keep.Without(Province);
  if (keep.Has(BirthDate)) keep = keep.Without(BirthYear);
  return keep;
}

std::uint64_t SerialRadix(MaskForm form) {
  switch (form) {
    case TaiwanId:
    case TaiwanResidentDigit: return kTaiwanSerials;
    case TaiwanResidentLetter: return 2 * kTaiwanSerials;  // which of the sex's two letters
    case HongKong8:
    case HongKong9: return 1000000;
    case KoreaClassic: return 100000;
    case KoreaIdVerified:
    case KoreaForeignVerified: return 97000;  // a place code up to 96, three digits
    case KoreaIdRandom:
    case KoreaForeignRandom: return 1000000;
    default: return 500;  // two digits, and which of the sex's five digits
  }
}

// What a number holds, field by field, as the domains count them.
struct Fields {
  MaskForm form;
  std::uint32_t place = 0;  // Taiwan: the letter from A; Hong Kong: the letters; mainland: the code
  std::int64_t day = 0;
  CivilDate date{};
  int sex = 0;  // 0 male, 1 female
  // Taiwan: the serial digits, plus 10^7 for a second letter C or D; the
  // mainland: the sequence times 5 plus the half of the sex digit.
  std::uint64_t serial = 0;
};

int SexValue(HolderSex sex) { return sex == HolderSex::Male ? 0 : 1; }
HolderSex SexOfValue(int sex) { return sex == 0 ? HolderSex::Male : HolderSex::Female; }

void SetDate(Fields& fields, const CivilDate& date) {
  fields.date = date;
  fields.day = DayNumber(date);
}

std::optional<Fields> ReadTaiwanFields(std::string_view number, RuleSet rules) {
  const auto read = ReadTaiwan(number);
  if (!read || (rules == RuleSet::Classic && read->second != TaiwanSecond::SexDigit))
    return std::nullopt;
  static constexpr MaskForm kForms[] = {TaiwanId, TaiwanResidentDigit, TaiwanResidentLetter};
  Fields fields{kForms[static_cast<int>(read->second)], static_cast<std::uint32_t>(read->letter)};
  fields.sex = SexValue(read->sex);
  fields.serial = read->serial + static_cast<std::uint64_t>(read->letterPair) * kTaiwanSerials;
  return fields;
}

std::optional<Fields> ReadHongKongFields(std::string_view number) {
  const auto read = ReadHongKong(number);
  if (!read) return std::nullopt;
  Fields fields{read->twoLetters ? HongKong9 : HongKong8, read->letters};
  fields.serial = read->serial;
  return fields;
}

std::optional<Fields> FieldsOfChina(const ChinaFields& read, MaskForm form) {
  Fields fields{form, read.region};
  SetDate(fields, read.birth);
  fields.sex = SexValue(read.sex);
  fields.serial = read.serial;
  return fields;
}

std::optional<Fields> ReadChinaFields(std::string_view number, RuleSet rules) {
  const auto read = ReadChina(number);
  if (!read || read->birth.year < 100) return std::nullopt;
  return FieldsOfChina(*read, ChinaForm(read->region, rules));
}

std::optional<Fields> ReadChinaOldFields(std::string_view number) {
  const auto read = ReadChinaOld(number);
  if (!read) return std::nullopt;
  return FieldsOfChina(*read, Listed(read->region) ? ChinaOldListed : ChinaOldUnlisted);
}

// Today's numbers born from October 2020 end in six random digits, the check
// digit among them: a kind of their own.
std::optional<Fields> ReadKoreaFields(std::string_view number, RuleSet rules) {
  const auto read = ReadKorea(number, rules);
  if (!read) return std::nullopt;
  Fields fields{KoreaClassic};
  if (rules == RuleSet::Current) {
    const bool random = KoreaEndsInRandomDigits(read->birth, rules);
    fields.form = random ? (read->foreign ? KoreaForeignRandom : KoreaIdRandom)
                         : (read->foreign ? KoreaForeignVerified : KoreaIdVerified);
  }
  SetDate(fields, read->birth);
  fields.sex = SexValue(read->sex);
  fields.serial = read->serial;
  return fields;
}

std::optional<Fields> ReadFields(std::string_view number, RuleSet rules) {
  switch (number.size()) {
    case 8:
    case 9: return ReadHongKongFields(number);
    case 10: return ReadTaiwanFields(number, rules);
    case 13: return ReadKoreaFields(number, rules);
    case 15: return ReadChinaOldFields(number);
    case 18: return ReadChinaFields(number, rules);
    default: return std::nullopt;
  }
}

void WriteFields(const Fields& fields, std::string& out) {
  out.clear();
  const HolderSex sex = SexOfValue(fields.sex);
  switch (FamilyOf(fields.form)) {
    case Family::Taiwan: {
      static constexpr TaiwanSecond kSeconds[] = {
          TaiwanSecond::SexDigit, TaiwanSecond::ResidentDigit, TaiwanSecond::ResidentLetter};
      const TaiwanSecond second =
          kSeconds[static_cast<int>(fields.form) - static_cast<int>(TaiwanId)];
      return WriteTaiwan({static_cast<int>(fields.place), second, sex,
                          static_cast<int>(fields.serial / kTaiwanSerials),
                          static_cast<std::uint32_t>(fields.serial % kTaiwanSerials)},
                         out);
    }
    case Family::HongKong:
      return WriteHongKong(
          {fields.form == HongKong9, fields.place, static_cast<std::uint32_t>(fields.serial)}, out);
    case Family::China: {
      const ChinaFields china{fields.place, fields.date, sex,
                              static_cast<std::uint32_t>(fields.serial)};
      const bool old = fields.form == ChinaOldListed || fields.form == ChinaOldUnlisted;
      return old ? WriteChinaOld(china, out) : WriteChina(china, out);
    }
    case Family::Korea: {
      const bool foreign = fields.form == KoreaForeignVerified || fields.form == KoreaForeignRandom;
      return WriteKorea({fields.date, sex, foreign, static_cast<std::uint32_t>(fields.serial)},
                        fields.form == KoreaClassic ? RuleSet::Classic : RuleSet::Current, out);
    }
  }
}

std::uint64_t UnkeptPlaces(MaskForm form) {
  switch (FamilyOf(form)) {
    case Family::Taiwan: return 26;
    case Family::HongKong: return form == HongKong8 ? 26 : 26 * 26;
    case Family::China: return CodesOf(form).Size();
    case Family::Korea: return 1;
  }
  return 1;
}

class TweakWriter {
 public:
  explicit TweakWriter(MaskDomain& domain) : domain_(domain) { domain_.tweakLength = 0; }
  void Put(std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
      domain_.tweak[domain_.tweakLength++] = static_cast<std::uint8_t>(value >> (8 * i));
  }

 private:
  MaskDomain& domain_;
};

// The kept values follow the form, the kept fields and the birth set's block:
// the region (Taiwan's letter in ASCII, a mainland code in three bytes) or the
// province, then the date as yyyymmdd or the year, then the sex (1 male, 2 female).
void WriteTweak(const Fields& fields, MaskDomain& domain) {
  using enum KeptField;
  TweakWriter tweak(domain);
  const KeepSet keep = domain.keep;
  tweak.Put(static_cast<std::uint8_t>(domain.form), 1);
  tweak.Put(keep.Bits(), 1);
  tweak.Put(HasBirths(domain.form)
                ? static_cast<std::uint64_t>(BirthBlock(domain.form, fields.date.year))
                : 0,
            2);
  const bool taiwan = FamilyOf(domain.form) == Family::Taiwan;
  if (keep.Has(Region)) tweak.Put(taiwan ? 'A' + fields.place : fields.place, taiwan ? 1 : 3);
  if (keep.Has(Province)) tweak.Put(fields.place / 10000, 1);
  CivilDate date = fields.date;
  if (domain.form == KoreaClassic) date.year -= 2000;
  if (keep.Has(BirthDate))
    tweak.Put(static_cast<std::uint64_t>(date.year * 10000 + date.month * 100 + date.day), 4);
  if (keep.Has(BirthYear)) tweak.Put(static_cast<std::uint64_t>(date.year), 2);
  if (keep.Has(Sex)) tweak.Put(static_cast<std::uint64_t>(fields.sex + 1), 1);
}

MaskDomain DomainOf(const Fields& fields, KeepSet keep) {
  using enum KeptField;
  MaskDomain domain{};
  domain.form = fields.form;
  domain.keep = EffectiveKeep(fields.form, keep);
  keep = domain.keep;

  domain.radix = {UnkeptPlaces(fields.form), 1, 2, SerialRadix(fields.form)};
  if (keep.Has(Region)) {
    domain.radix[0] = 1;
    domain.place = fields.place;
  } else if (keep.Has(Province)) {
    const CodeSet& codes = CodesOf(fields.form);
    const std::uint32_t province = fields.place / 10000;
    domain.place = codes.Rank(province * 10000);
    domain.radix[0] = codes.InProvince(province);
  }

  if (HasBirths(fields.form)) {
    DayRange births = BirthSet(fields.form, fields.date.year);
    if (keep.Has(BirthDate)) births = {fields.day, fields.day};
    if (keep.Has(BirthYear)) births = Intersect(births, YearDays(fields.date.year));
    domain.firstDay = births.first;
    domain.radix[1] = births.Days();
  }

  if (FamilyOf(fields.form) == Family::HongKong || keep.Has(Sex)) domain.radix[2] = 1;
  domain.sex = fields.sex;
  WriteTweak(fields, domain);
  switch (fields.form) {
    case ChinaUnlistedProvinceClassic:
    case ChinaUnlistedProvinceCurrent:
    case ChinaOldUnlisted: domain.everPlausible = false; break;
    case ChinaListed:
    case ChinaUnlistedRegionClassic:
    case ChinaUnlistedRegionCurrent:
    case ChinaPermit:  // the birth sets of 1900 to 2103, whole blocks
      domain.everPlausible = fields.date.year >= 1900 && fields.date.year <= 2103;
      break;
    default: domain.everPlausible = true;
  }
  return domain;
}

std::uint64_t PlaceDigit(const MaskDomain& domain, const Fields& fields) {
  if (domain.keep.Has(KeptField::Region) || FamilyOf(domain.form) == Family::Korea) return 0;
  if (FamilyOf(domain.form) != Family::China) return fields.place;
  return CodesOf(domain.form).Rank(fields.place) - domain.place;
}

std::uint32_t PlaceOfDigit(const MaskDomain& domain, std::uint64_t digit) {
  if (domain.keep.Has(KeptField::Region)) return domain.place;
  if (FamilyOf(domain.form) != Family::China) return static_cast<std::uint32_t>(digit);
  return CodesOf(domain.form).Select(domain.place + static_cast<std::uint32_t>(digit));
}

}  // namespace

std::optional<LocatedNumber> LocateNumber(std::string_view number, RuleSet rules, KeepSet keep) {
  const auto fields = ReadFields(number, rules);
  if (!fields) return std::nullopt;
  LocatedNumber located{DomainOf(*fields, keep), 0};
  const MaskDomain& domain = located.domain;
  const std::uint64_t sexDigit = domain.radix[2] == 1 ? 0 : static_cast<std::uint64_t>(fields->sex);
  const auto birthDigit = static_cast<std::uint64_t>(fields->day - domain.firstDay);
  const std::uint64_t placeAndBirth = PlaceDigit(domain, *fields) * domain.radix[1] + birthDigit;
  located.index = (placeAndBirth * domain.radix[2] + sexDigit) * domain.radix[3] + fields->serial;
  return located;
}

bool WriteNumberAt(const MaskDomain& domain, std::uint64_t index, std::string& out) {
  Fields fields{domain.form};
  fields.serial = index % domain.radix[3];
  if (domain.fixedCheck >= 0) {
    // The decided digit, 0 for now: the mainland's is the units of ss in
    // ss * 5 + g / 2, Hong Kong's the units of the serial.
    fields.serial = FamilyOf(domain.form) == Family::China
                        ? fields.serial / 5 * 50 + fields.serial % 5
                        : fields.serial * 10;
  }
  index /= domain.radix[3];
  fields.sex = domain.radix[2] == 1 ? domain.sex : static_cast<int>(index % 2);
  index /= domain.radix[2];
  fields.day = domain.firstDay + static_cast<std::int64_t>(index % domain.radix[1]);
  fields.date = DateOfDayNumber(fields.day);
  index /= domain.radix[1];
  fields.place = PlaceOfDigit(domain, index);
  WriteFields(fields, out);
  if (domain.fixedCheck < 0) return true;
  // The check character's value moves with the decided digit d: by 4d in the
  // mainland's weighted sum (whose remainder r gives the value 12 − r), by
  // 2d in Hong Kong's (whose remainder r gives 11 − r), both modulo 11. The
  // number is written again with the digit that gives the fixed value.
  const bool china = FamilyOf(domain.form) == Family::China;
  const char check = out.back();
  const int zero = check >= '0' && check <= '9' ? check - '0' : 10;
  const int inverse = china ? 3 : 6;  // of 4 and of 2, modulo 11
  const int digit = (inverse * (zero - domain.fixedCheck) % 11 + 11) % 11;
  if (digit == 10) return false;
  fields.serial +=
      china ? static_cast<std::uint64_t>(digit) * 5 : static_cast<std::uint64_t>(digit);
  WriteFields(fields, out);
  return true;
}

std::optional<LocatedNumber> WithFixedCheck(const LocatedNumber& located, int check) {
  const MaskDomain& domain = located.domain;
  if (!CheckLetter(domain.form) || domain.Count() / 10 < kPseudonymMinimum) return std::nullopt;
  LocatedNumber fixed = located;
  fixed.domain.radix[3] /= 10;
  fixed.domain.fixedCheck = check;
  fixed.domain.tweak[1] |= 0x80;
  const std::uint64_t serial = located.index % domain.radix[3];
  const std::uint64_t without =
      FamilyOf(domain.form) == Family::China ? serial / 50 * 5 + serial % 5 : serial / 10;
  fixed.index = located.index / domain.radix[3] * fixed.domain.radix[3] + without;
  return fixed;
}

char CheckLetter(MaskForm form) {
  switch (FamilyOf(form)) {
    case Family::HongKong: return kHongKongCheckLetter;
    case Family::China:
      return form == ChinaOldListed || form == ChinaOldUnlisted ? 0 : kChinaCheckLetter;
    default: return 0;
  }
}

bool HasCheck(MaskForm form) {
  return form != ChinaOldListed && form != ChinaOldUnlisted && form != KoreaIdRandom &&
         form != KoreaForeignRandom;
}

std::span<const MaskForm> FormsOf(Jurisdiction jurisdiction, RuleSet rules) {
  static constexpr MaskForm kTaiwan[] = {TaiwanId, TaiwanResidentDigit, TaiwanResidentLetter};
  static constexpr MaskForm kHongKong[] = {HongKong8, HongKong9};
  static constexpr MaskForm kChinaClassic[] = {ChinaListed, ChinaUnlistedRegionClassic,
                                               ChinaUnlistedProvinceClassic};
  static constexpr MaskForm kChinaCurrent[] = {ChinaListed, ChinaUnlistedRegionCurrent,
                                               ChinaUnlistedProvinceCurrent, ChinaPermit};
  static constexpr MaskForm kChinaOld[] = {ChinaOldListed, ChinaOldUnlisted};
  static constexpr MaskForm kKoreaClassic[] = {KoreaClassic};
  static constexpr MaskForm kKoreaCurrent[] = {KoreaIdVerified, KoreaIdRandom, KoreaForeignVerified,
                                               KoreaForeignRandom};
  const bool current = rules == RuleSet::Current;
  switch (jurisdiction) {
    case Jurisdiction::Taiwan: return current ? std::span(kTaiwan) : std::span(kTaiwan).first(1);
    case Jurisdiction::HongKong: return kHongKong;
    case Jurisdiction::China:
      return current ? std::span<const MaskForm>(kChinaCurrent) : kChinaClassic;
    case Jurisdiction::ChinaOld: return kChinaOld;
    case Jurisdiction::Korea:
      return current ? std::span<const MaskForm>(kKoreaCurrent) : kKoreaClassic;
  }
  return {};
}

std::string_view FormNumbers(MaskForm form) {
  switch (form) {
    case TaiwanId: return "tw";
    case TaiwanResidentDigit: return "tw resident certificates (8, 9)";
    case TaiwanResidentLetter: return "tw resident certificates (A to D)";
    case HongKong8: return "hk of 8 characters";
    case HongKong9: return "hk of 9 characters";
    case ChinaListed: return "cn";
    case ChinaUnlistedRegionClassic:
    case ChinaUnlistedRegionCurrent: return "cn of unlisted regions";
    case ChinaUnlistedProvinceClassic:
    case ChinaUnlistedProvinceCurrent: return "cn of unlisted provinces";
    case ChinaPermit: return "cn residence permits";
    case ChinaOldListed: return "cn15";
    case ChinaOldUnlisted: return "cn15 of unlisted regions";
    case KoreaClassic:
    case KoreaIdVerified: return "kr";
    case KoreaIdRandom: return "kr born from 2020-10-01";
    case KoreaForeignVerified: return "kr foreign residents";
    case KoreaForeignRandom: return "kr foreign residents born from 2020-10-01";
  }
  return {};
}

std::uint64_t SmallestCount(MaskForm form, KeepSet keep) {
  using enum KeptField;
  keep = EffectiveKeep(form, keep);
  std::uint64_t places = UnkeptPlaces(form);
  if (keep.Has(Region)) places = 1;
  if (keep.Has(Province)) places = CodesOf(form).SmallestProvince();

  std::uint64_t births = 1;
  if (HasBirths(form) && !keep.Has(BirthDate)) {
    const DayRange days = FormDays(form);
    births = days.Days();
    const int first = DateOfDayNumber(days.first).year, last = DateOfDayNumber(days.last).year;
    if (keep.Has(BirthYear)) {
      // A set holds whole years of the form's days: the shortest is at an end,
      // or a common year between them (any four years in a row hold one).
      for (const int year : {first, last})
        births = std::min(births, Intersect(YearDays(year), days).Days());
      for (int year = first + 1; year < last && year <= first + 4; ++year)
        births = std::min(births, YearDays(year).Days());
    } else {
      // Every year of a set gives the same set: one look a set.
      for (int year = first; year <= last;) {
        const DayRange set = BirthSet(form, year);
        births = std::min(births, set.Days());
        year = DateOfDayNumber(set.last).year + 1;
      }
    }
  }

  const bool sexes = FamilyOf(form) != Family::HongKong && !keep.Has(Sex);
  return places * births * (sexes ? 2 : 1) * SerialRadix(form);
}

}  // namespace kesmal
