#include "rules/place_names.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "rules/gbk_codec.h"

namespace kesmal {
namespace {

struct BothNames {
  std::string gbk;
  std::string utf8;
};

// One slot a name; a slot is filled at most once for good, and two threads
// that fill it at once keep the first name stored.
template <std::size_t Slots>
class NameCache {
 public:
  template <typename MakeGbk>
  Text At(std::size_t slot, MakeGbk makeGbk) {
    const BothNames* names = slots_[slot].load(std::memory_order_acquire);
    if (!names) names = Fill(slot, makeGbk());
    return {names->gbk, names->utf8};
  }

 private:
  const BothNames* Fill(std::size_t slot, std::string gbk) {
    auto made = std::make_unique<BothNames>(BothNames{gbk, GbkToUtf8(gbk)});
    const BothNames* expected = nullptr;
    if (slots_[slot].compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
      return made.release();
    return expected;
  }

  std::atomic<const BothNames*> slots_[Slots] = {};
};

}  // namespace

Text TaiwanPlaceName(int letterRow) {
  static NameCache<std::tuple_size_v<decltype(TaiwanLetterTable)>> cache;
  const auto& name = TaiwanLetterTable[letterRow].Name;
  return cache.At(letterRow, [&] { return std::string(name, strnlen(name, sizeof name)); });
}

std::optional<Text> MainlandPlaceName(int province, int sub) {
  // A county's row, or after all counties its province's row when the county is unknown.
  static NameCache<kCountyRowCount + std::tuple_size_v<decltype(ProvinceTable)>> cache;
  const std::optional<int> provinceRow = FindProvince(province);
  if (!provinceRow) return std::nullopt;
  const std::optional<int> countyRow = FindCounty(province, sub);
  const auto slot =
      static_cast<std::size_t>(countyRow ? *countyRow : kCountyRowCount + *provinceRow);
  return cache.At(slot, [&] { return *RegionName(province, sub); });
}

}  // namespace kesmal
