#include "rules/number_space.h"

#include <algorithm>
#include <vector>

#include "data/regions.h"
#include "rules/layout_china.h"
#include "rules/layout_hong_kong.h"
#include "rules/layout_korea.h"
#include "rules/layout_taiwan.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

constexpr std::uint64_t kHongKongShort = 26ULL * 1000000;
constexpr std::uint64_t kHongKongLong = 26ULL * 26 * 1000000;

// Some codes stand in more than one row; a number is made of the code, so
// each counts once.
const std::vector<int>& DistinctRegionCodes() {
  static const std::vector<int> codes = [] {
    std::vector<int> distinct;
    for (int row = 0; row < CountyRowCount(); ++row)
      if (FindRowByCode(RegionCodeOfRow(row)) == row) distinct.push_back(RegionCodeOfRow(row));
    return distinct;
  }();
  return codes;
}

// Takes one field's value off the low end of the index.
std::uint64_t Pull(std::uint64_t& index, std::uint64_t radix) {
  const std::uint64_t value = index % radix;
  index /= radix;
  return value;
}

HolderSex SexOf(std::uint64_t& index, const std::optional<HolderSex>& sex) {
  return sex ? *sex : (Pull(index, 2) == 0 ? HolderSex::Male : HolderSex::Female);
}

// The mainland sequence and sex digit: three digits free, or two and which
// of the sex's five digits.
void PullSequence(std::uint64_t& index, const std::optional<HolderSex>& sex, ChinaFields& fields) {
  if (sex) {
    fields.sex = *sex;
    const std::uint64_t sequence = Pull(index, 100);
    fields.serial = static_cast<std::uint32_t>(sequence * 5 + Pull(index, 5));
    return;
  }
  const auto digits = static_cast<std::uint32_t>(Pull(index, 1000));
  fields.sex = digits % 2 == 1 ? HolderSex::Male : HolderSex::Female;
  fields.serial = digits / 10 * 5 + digits % 10 / 2;
}

int RegionCode(std::uint64_t& index, const std::optional<int>& row) {
  if (row) return RegionCodeOfRow(*row);
  const auto& codes = DistinctRegionCodes();
  return codes[Pull(index, codes.size())];
}

std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

CivilDate YearsBefore(const CivilDate& date, int years) {
  const int year = date.year - years;
  return {year, date.month, std::min(date.day, DaysOfMonth(year, date.month))};
}

}  // namespace

std::int64_t DayNumber(const CivilDate& date) {
  const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear =
      (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CivilDate DateOfDayNumber(std::int64_t day) {
  day += 719468;
  const std::int64_t era = (day >= 0 ? day : day - 146096) / 146097;
  const std::int64_t dayOfEra = day - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1)};
}

DateRange DefaultBirths(Jurisdiction form) {
  const int year = Today().year;
  switch (form) {
    case Jurisdiction::China: return {{year - 85, 1, 1}, {year - 6, 12, 31}};
    case Jurisdiction::Korea: return {{year - 99, 1, 1}, {year, 12, 31}};
    default: return {{1900, 1, 1}, {1999, 12, 31}};
  }
}

DateRange BirthLimits(Jurisdiction form) {
  const CivilDate today = Today();
  switch (form) {
    // Past 116 years of age (counted by years) the report remarks a record.
    case Jurisdiction::China: return {{today.year - 115, 1, 1}, today};
    case Jurisdiction::Korea: return {{today.year - 99, 1, 1}, today};
    default: return DefaultBirths(form);
  }
}

std::optional<DateRange> BirthsOfAges(int minAge, int maxAge) {
  if (minAge > maxAge || minAge < 0) return std::nullopt;
  const CivilDate today = Today();
  const CivilDate first = DateOfDayNumber(DayNumber(YearsBefore(today, maxAge + 1)) + 1);
  return DateRange{first, YearsBefore(today, minAge)};
}

NumberSpace::NumberSpace(const FixedFields& fixed) : fixed_(fixed) {
  const DateRange births = fixed.births ? *fixed.births : DefaultBirths(fixed.form);
  firstDay_ = DayNumber(births.first);
  days_ =
      static_cast<std::uint64_t>(std::max<std::int64_t>(0, DayNumber(births.last) - firstDay_ + 1));
  const std::uint64_t sexes = fixed.sex ? 1 : 2;
  switch (fixed.form) {
    case Jurisdiction::Taiwan: size_ = (fixed.letterRow ? 1 : 26) * sexes * 10000000; break;
    case Jurisdiction::HongKong:
      size_ = fixed.length ? (*fixed.length == 8 ? kHongKongShort : kHongKongLong)
                           : kHongKongShort + kHongKongLong;
      break;
    case Jurisdiction::Korea: size_ = days_ * sexes * 100000; break;
    default: {
      const std::uint64_t regions = fixed.regionRow ? 1 : DistinctRegionCodes().size();
      size_ = regions * days_ * (fixed.sex ? 500 : 1000);
    }
  }
}

std::string NumberSpace::At(std::uint64_t index) const {
  std::string number;
  number.reserve(18);
  switch (fixed_.form) {
    case Jurisdiction::Taiwan: {
      TaiwanFields fields;
      fields.letter = fixed_.letterRow ? *fixed_.letterRow : static_cast<int>(Pull(index, 26));
      fields.sex = SexOf(index, fixed_.sex);
      fields.serial = static_cast<std::uint32_t>(Pull(index, 10000000));
      WriteTaiwan(fields, number);
      return number;
    }
    case Jurisdiction::HongKong: {
      const bool shortForm = fixed_.length ? *fixed_.length == 8 : index < kHongKongShort;
      if (!fixed_.length && !shortForm) index -= kHongKongShort;
      HongKongFields fields{!shortForm};
      // The first letter is drawn first.
      fields.letters = static_cast<std::uint32_t>(Pull(index, 26));
      if (!shortForm)
        fields.letters = fields.letters * 26 + static_cast<std::uint32_t>(Pull(index, 26));
      fields.serial = static_cast<std::uint32_t>(Pull(index, 1000000));
      WriteHongKong(fields, number);
      return number;
    }
    case Jurisdiction::Korea: {
      KoreaFields fields;
      fields.birth = DateOfDayNumber(firstDay_ + static_cast<std::int64_t>(Pull(index, days_)));
      fields.sex = SexOf(index, fixed_.sex);
      fields.serial = static_cast<std::uint32_t>(Pull(index, 100000));
      WriteKorea(fields, RuleSet::Classic, number);
      return number;
    }
    default: {
      ChinaFields fields;
      fields.region = static_cast<std::uint32_t>(RegionCode(index, fixed_.regionRow));
      fields.birth = DateOfDayNumber(firstDay_ + static_cast<std::int64_t>(Pull(index, days_)));
      PullSequence(index, fixed_.sex, fields);
      if (fixed_.form == Jurisdiction::ChinaOld)
        WriteChinaOld(fields, number);
      else
        WriteChina(fields, number);
      return number;
    }
  }
}

std::uint64_t RandomIndex(std::uint64_t size) {
  std::uint64_t wide = 0;
  for (int draw = 0; draw < 3; ++draw) wide = wide << 31 ^ static_cast<std::uint64_t>(RandomDraw());
  return wide % size;
}

KeyedPermutation::KeyedPermutation(std::uint64_t size, std::uint64_t key) : size_(size) {
  int bits = 2;
  while (bits < 64 && (1ULL << bits) < size) bits += 2;
  halfBits_ = bits / 2;
  halfMask_ = (1ULL << halfBits_) - 1;
  for (auto& roundKey : roundKeys_) roundKey = key = Mix(key + 0x9E3779B97F4A7C15ULL);
}

std::uint64_t KeyedPermutation::Encrypt(std::uint64_t value) const {
  std::uint64_t left = value >> halfBits_, right = value & halfMask_;
  for (const std::uint64_t roundKey : roundKeys_) {
    const std::uint64_t next = left ^ (Mix(right ^ roundKey) & halfMask_);
    left = right;
    right = next;
  }
  return left << halfBits_ | right;
}

std::uint64_t KeyedPermutation::operator()(std::uint64_t index) const {
  // Every value below size lies on a cycle of the network that returns to
  // it, so walking on from one lands below size again, never on another's.
  std::uint64_t value = Encrypt(index);
  while (value >= size_) value = Encrypt(value);
  return value;
}

}  // namespace kesmal
