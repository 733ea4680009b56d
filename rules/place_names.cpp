#include "rules/place_names.h"

#include <cstring>
#include <string>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "rules/gbk_codec.h"
#include "rules/text_cache.h"

namespace kesmal {
namespace {

BothTexts FromGbk(std::string gbk) {
  std::string utf8 = GbkToUtf8(gbk);
  return {std::move(gbk), std::move(utf8)};
}

}  // namespace

const Text& TaiwanPlaceName(int letterRow) {
  static TextCache<std::tuple_size_v<decltype(TaiwanLetterTable)>> cache;
  const auto& name = TaiwanLetterTable[letterRow].Name;
  return cache.At(letterRow,
                  [&] { return FromGbk(std::string(name, strnlen(name, sizeof name))); });
}

std::optional<Text> MainlandPlaceName(int province, int sub) {
  // A county's row, or after all counties its province's row when the county is unknown.
  static TextCache<kCountyRowCount + std::tuple_size_v<decltype(ProvinceTable)>> cache;
  const std::optional<int> provinceRow = FindProvince(province);
  if (!provinceRow) return std::nullopt;
  const std::optional<int> countyRow = FindCounty(province, sub);
  const auto slot =
      static_cast<std::size_t>(countyRow ? *countyRow : kCountyRowCount + *provinceRow);
  return cache.At(slot, [&] { return FromGbk(*RegionName(province, sub)); });
}

}  // namespace kesmal
