#include "data/regions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kesmal {
namespace {

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

bool IsProvinceIndex(int province) {
  return province >= 0 && province < static_cast<int>(ProvinceTable.size());
}

bool IsRow(int row) { return row >= 0 && row < kCountyRowCount; }

}  // namespace

int CountyRowCount() { return kCountyRowCount; }

std::vector<std::string> ProvinceNames() {
  std::vector<std::string> names;
  names.reserve(ProvinceTable.size());
  for (const ProvinceRecord& province : ProvinceTable) names.push_back(FieldText(province.Name));
  return names;
}

std::vector<std::string> CountyNames(int province) {
  std::vector<std::string> names;
  if (!IsProvinceIndex(province)) return names;
  const ProvinceRecord& record = ProvinceTable[province];
  names.reserve(record.Last - record.First + 1);
  for (int row = record.First; row <= record.Last; ++row)
    names.push_back(FieldText(CountyTable[row].Name));
  return names;
}

int CountyRowAt(int province, int position) {
  if (!IsProvinceIndex(province)) return -1;
  const ProvinceRecord& record = ProvinceTable[province];
  if (position < 0 || position > record.Last - record.First) return -1;
  return record.First + position;
}

int RegionCodeOfRow(int row) {
  if (!IsRow(row)) return -1;
  return CountyTable[row].Province * 10000 + CountyTable[row].Sub;
}

std::string RegionCodeTextOfRow(int row) {
  if (!IsRow(row)) return {};
  std::string text = std::to_string(RegionCodeOfRow(row));
  return text.insert(0, 6 - std::min<std::size_t>(text.size(), 6), '0');
}

std::optional<int> FindProvince(int code) {
  const auto found = std::ranges::find_if(
      ProvinceTable, [code](const ProvinceRecord& record) { return record.Code == code; });
  if (found == ProvinceTable.end()) return std::nullopt;
  return static_cast<int>(found - ProvinceTable.begin());
}

namespace {

// The rows' Province and Sub as one key each, in table order: 14 KB, which
// stay in the processor's nearest cache while the 128 KB of records would not.
const std::array<std::uint32_t, kCountyRowCount>& CountyKeys() {
  static const auto keys = [] {
    std::array<std::uint32_t, kCountyRowCount> made{};
    for (int row = 0; row < kCountyRowCount; ++row)
      made[row] = std::uint32_t{CountyTable[row].Province} << 16 | CountyTable[row].Sub;
    return made;
  }();
  return keys;
}

}  // namespace

// The first row in table order with both values. The rows are ordered by
// Province and then Sub (asserted where the table is defined), so that row is
// where a binary search for the pair lands; a mainland check runs this once.
std::optional<int> FindCounty(int province, int sub) {
  if (province < 0 || province > 0xFFFF || sub < 0 || sub > 0xFFFF) return std::nullopt;
  const auto& keys = CountyKeys();
  const std::uint32_t key =
      static_cast<std::uint32_t>(province) << 16 | static_cast<std::uint32_t>(sub);
  const auto found = std::lower_bound(keys.begin(), keys.end(), key);
  if (found == keys.end() || *found != key) return std::nullopt;
  return static_cast<int>(found - keys.begin());
}

std::optional<std::string> RegionName(int province, int sub) {
  const std::optional<int> record = FindProvince(province);
  if (!record) return std::nullopt;
  const auto& provinceName = ProvinceTable[*record].Name;
  std::string name;
  name.reserve(sizeof provinceName + sizeof CountyRecord::Name);
  name.append(provinceName, strnlen(provinceName, sizeof provinceName));
  if (const std::optional<int> row = FindCounty(province, sub)) {
    const auto& countyName = CountyTable[*row].Name;
    name.append(countyName, strnlen(countyName, sizeof countyName));
  }
  return name;
}

std::optional<int> FindRowByCode(int code6) {
  if (code6 < 0 || code6 > 999999) return std::nullopt;
  return FindCounty(code6 / 10000, code6 % 10000);
}

int ProvinceIndexOfRow(int row) {
  if (!IsRow(row)) return -1;
  const auto found = std::ranges::find_if(
      ProvinceTable, [row](const ProvinceRecord& record) { return row <= record.Last; });
  return static_cast<int>(found - ProvinceTable.begin());
}

}  // namespace kesmal
