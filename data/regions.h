#pragma once
// Mainland region codes: two digits for the province-level unit, two for the
// prefecture and two for the county (110100, 460001). ProvinceTable holds the
// 31 province-level units; CountyTable their prefecture- and county-level rows,
// each province's rows one block from First to Last. Names are GBK, NUL-padded.
// The tables are generated (data/region_tables.cpp, by data/regions/generate.py).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kesmal {

struct ProvinceRecord {
  std::uint16_t Code;  // 11 to 65
  char Name[18];
  std::uint16_t First;  // CountyTable index of the unit's first row
  std::uint16_t Last;   // and of its last row, inclusive
};

struct CountyRecord {
  std::uint16_t Province;  // a ProvinceTable Code
  std::uint16_t Sub;       // the last four digits of the code, 0100 stored as 100
  char Name[32];
};

inline constexpr int kCountyRowCount = 3557;

extern const std::array<ProvinceRecord, 31> ProvinceTable;
extern const std::array<CountyRecord, kCountyRowCount> CountyTable;

// Lookups take the first match in table order, as the tables were always read:
// the code 130638 names 雄县, and the 安国市 row after it is reached only by
// position. Out-of-range indexes give -1, an empty list or text, or none.
int CountyRowCount();
std::vector<std::string> ProvinceNames();
std::vector<std::string> CountyNames(int province);
int CountyRowAt(int province, int position);
int RegionCodeOfRow(int row);
std::string RegionCodeTextOfRow(int row);
std::optional<int> FindProvince(int code);
std::optional<int> FindCounty(int province, int sub);
// The province's name followed by the row's, or the province's name alone when
// no row has the code; none when no province has the first two digits.
std::optional<std::string> RegionName(int province, int sub);
std::optional<int> FindRowByCode(int code6);
int ProvinceIndexOfRow(int row);

}  // namespace kesmal
