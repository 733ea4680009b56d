#pragma once
// Every valid number a set of fixed fields allows, one index each: the free
// fields form a mixed radix, so a run can draw indexes at random, or walk a
// keyed permutation of them and never make the same number twice. Beside the
// window's generators, whose draws stay as they are, this serves the
// command-line companion: birth ranges, unique runs and the old mainland form.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "rules/date_phrase.h"
#include "rules/id_report.h"

namespace kesmal {

// Both ends inclusive.
struct DateRange {
  CivilDate first;
  CivilDate last;
};

struct FixedFields {
  Jurisdiction form = Jurisdiction::Taiwan;
  std::optional<int> letterRow;     // Taiwan: a row of TaiwanLetterTable
  std::optional<int> length;        // Hong Kong: 8 or 9; none takes both
  std::optional<int> regionRow;     // mainland forms: a row of CountyTable
  std::optional<HolderSex> sex;     // all but Hong Kong
  std::optional<DateRange> births;  // mainland forms and Korea; none for DefaultBirths
};

class NumberSpace {
 public:
  explicit NumberSpace(const FixedFields& fixed);
  std::uint64_t Size() const { return size_; }
  // The number at an index below Size(), check character included.
  std::string At(std::uint64_t index) const;

 private:
  FixedFields fixed_;
  std::int64_t firstDay_ = 0;
  std::uint64_t days_ = 1;
  std::uint64_t size_ = 0;
};

// Uniform over 0 .. size-1 (size above 0), from three draws of the random source.
std::uint64_t RandomIndex(std::uint64_t size);

// A bijection of 0 .. size-1 chosen by the key: a balanced Feistel network
// over the smallest even power of two that holds size, walked until it lands
// below size. Constant memory, whatever the size.
class KeyedPermutation {
 public:
  KeyedPermutation(std::uint64_t size, std::uint64_t key);
  std::uint64_t operator()(std::uint64_t index) const;

 private:
  std::uint64_t Encrypt(std::uint64_t value) const;
  std::uint64_t size_;
  int halfBits_;
  std::uint64_t halfMask_;
  std::array<std::uint64_t, 4> roundKeys_;
};

// Days since 1970-01-01 of a date, and back.
std::int64_t DayNumber(const CivilDate& date);
CivilDate DateOfDayNumber(std::int64_t day);

// The births a form draws from when none are given: the mainland as its
// generator does (85 to 6 years before this year), Korea the hundred years
// its check reads (by today's year), the old mainland form 1900 to 1999.
DateRange DefaultBirths(Jurisdiction form);

// The births a form can hold that its check reads as written: the mainland
// from the oldest age on record to today, Korea the hundred years up to this
// one, the old mainland form 1900 to 1999.
DateRange BirthLimits(Jurisdiction form);

// Born on these days, one is MIN to MAX whole years old today (a birthday on
// 29 February counts on 28 February in common years). None when min > max.
std::optional<DateRange> BirthsOfAges(int minAge, int maxAge);

}  // namespace kesmal
