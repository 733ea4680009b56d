#pragma once
// What every user of the region tables relies on, checked at compile time by
// data/region_tables.cpp.
#include <array>
#include <cstddef>

#include "data/regions.h"

namespace kesmal::region_invariants {

template <std::size_t P>
constexpr bool ProvinceCodesAreUnique(const std::array<ProvinceRecord, P>& provinces) {
  for (std::size_t i = 0; i < P; ++i)
    for (std::size_t j = i + 1; j < P; ++j)
      if (provinces[i].Code == provinces[j].Code) return false;
  return true;
}

// The blocks follow each other from row 0 to the last row, and a row carries
// its block's code and no other block's.
template <std::size_t P, std::size_t C>
constexpr bool BlocksCoverTheRowsInOrder(const std::array<ProvinceRecord, P>& provinces,
                                         const std::array<CountyRecord, C>& rows) {
  std::size_t next = 0;
  for (const ProvinceRecord& province : provinces) {
    if (province.First != next || province.Last < province.First || province.Last >= C)
      return false;
    for (std::size_t row = province.First; row <= province.Last; ++row)
      if (rows[row].Province != province.Code) return false;
    next = province.Last + 1u;
  }
  return next == C;
}

template <std::size_t C>
constexpr bool RowsAreOrderedByCode(const std::array<CountyRecord, C>& rows) {
  for (std::size_t i = 1; i < C; ++i) {
    const auto before = rows[i - 1].Province * 10000L + rows[i - 1].Sub;
    const auto after = rows[i].Province * 10000L + rows[i].Sub;
    if (before > after || rows[i].Sub > 9999) return false;
  }
  return C == 0 || rows[0].Sub <= 9999;
}

template <std::size_t C>
constexpr bool OnlySharedCodeIs(const std::array<CountyRecord, C>& rows, long code) {
  int shared = 0;
  for (std::size_t i = 1; i < C; ++i) {
    const auto before = rows[i - 1].Province * 10000L + rows[i - 1].Sub;
    const auto after = rows[i].Province * 10000L + rows[i].Sub;
    if (before == after) {
      if (after != code) return false;
      ++shared;
    }
  }
  return shared == 1;
}

template <typename Record, std::size_t N>
constexpr bool NamesAreFilledAndTerminated(const std::array<Record, N>& records) {
  for (const Record& record : records) {
    if (record.Name[0] == '\0') return false;
    if (record.Name[sizeof record.Name - 1] != '\0') return false;
  }
  return true;
}

}  // namespace kesmal::region_invariants
