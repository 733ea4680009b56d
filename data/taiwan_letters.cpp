#include "data/taiwan_letters.h"

namespace kesmal {

constexpr std::array<TaiwanLetter, 26> TaiwanLetterTable{{
    {'A', 10, "台北市"}, {'B', 11, "台中市"}, {'C', 12, "基隆市"}, {'D', 13, "台南市"},
    {'E', 14, "高雄市"}, {'F', 15, "台北县"}, {'G', 16, "宜兰县"}, {'H', 17, "桃园县"},
    {'I', 34, "嘉义市"}, {'J', 18, "新竹县"}, {'K', 19, "苗栗县"}, {'L', 20, "台中县"},
    {'M', 21, "南投县"}, {'N', 22, "彰化县"}, {'O', 35, "新竹市"}, {'P', 23, "云林县"},
    {'Q', 24, "嘉义县"}, {'R', 25, "台南县"}, {'S', 26, "高雄县"}, {'T', 27, "屏东县"},
    {'U', 28, "花莲县"}, {'V', 29, "台东县"}, {'W', 32, "金门县"}, {'X', 30, "澎湖县"},
    {'Y', 31, "阳明山"}, {'Z', 33, "连江县"},
}};

constexpr bool InLetterOrder() {
  for (std::size_t row = 0; row < TaiwanLetterTable.size(); ++row)
    if (TaiwanLetterTable[row].Letter != 'A' + row) return false;
  return true;
}
static_assert(InLetterOrder(), "TaiwanLetterRow takes a letter's row from the alphabet");

}  // namespace kesmal
