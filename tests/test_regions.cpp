#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include "data/regions.h"
#include "utf8.h"

namespace kesmal {
namespace {

using test::Gbk;
using test::Utf8;

std::string RowName(int row) {
  const auto& field = CountyTable[row].Name;
  return Utf8(std::string(field, strnlen(field, sizeof field)));
}

std::optional<std::string> RegionNameUtf8(int code6) {
  const auto name = RegionName(code6 / 10000, code6 % 10000);
  if (!name) return std::nullopt;
  return Utf8(*name);
}

struct RegionNameCase {
  const char* name;
  int code;
  const char* region;  // nullptr: no province-level unit
};

class RegionNameOfCode : public testing::TestWithParam<RegionNameCase> {};

TEST_P(RegionNameOfCode, NamesTheBirthplace) {
  const auto& param = GetParam();
  const auto region = RegionNameUtf8(param.code);
  if (param.region == nullptr) {
    EXPECT_FALSE(region) << *region;
  } else {
    ASSERT_TRUE(region);
    EXPECT_EQ(*region, param.region);
  }
}

INSTANTIATE_TEST_SUITE_P(
    , RegionNameOfCode,
    testing::Values(
        RegionNameCase{"municipality_district_group", 110100, "北京市(市辖区)"},
        RegionNameCase{"unlisted_row_gives_the_province_alone", 110112, "北京市"},
        RegionNameCase{"province_code_alone", 110000, "北京市"},
        RegionNameCase{"beijing_district_at_its_own_code", 110121, "北京市通州区"},
        RegionNameCase{"beijing_last_county", 110291, "北京市延庆县"},
        RegionNameCase{"taiwan_is_not_listed", 710000, nullptr},
        RegionNameCase{"hong_kong_is_not_listed", 810000, nullptr},
        RegionNameCase{"macao_is_not_listed", 820000, nullptr},
        RegionNameCase{"all_zeros", 0, nullptr},
        RegionNameCase{"code_ten_is_not_a_province", 100100, nullptr},
        RegionNameCase{"code_ninety_nine", 990000, nullptr},
        RegionNameCase{"shared_code_names_the_earlier_row", 130638, "河北省雄县"},
        RegionNameCase{"code_left_by_the_moved_row", 130683, "河北省"},
        RegionNameCase{"city_district_group", 130101, "河北省石家庄市(市辖区)"},
        RegionNameCase{"prefecture_row_under_the_province_name", 130100, "河北省石家庄市"},
        RegionNameCase{"hainan_first_row", 460001, "海南省通什市"},
        RegionNameCase{"last_row", 659001, "新疆维吾尔自治区石河子市"},
        RegionNameCase{"municipality_county_level_city_group", 500300, "重庆市(市)"},
        RegionNameCase{"municipality_county_group", 500200, "重庆市(县)"},
        RegionNameCase{"old_and_new_forms_side_by_side_new", 310118, "上海市青浦区"},
        RegionNameCase{"old_and_new_forms_side_by_side_old", 310229, "上海市青浦县"},
        RegionNameCase{"directly_administered_group", 429000, "湖北省省直辖行政单位"},
        RegionNameCase{"directly_administered_forest_area", 429021, "湖北省神农架林区"},
        RegionNameCase{"longest_name", 533526, "云南省双江拉祜族佤族布朗族傣族自治县"},
        RegionNameCase{"longest_province_with_the_code_of_no_row", 659999, "新疆维吾尔自治区"}),
    [](const auto& info) { return std::string(info.param.name); });

// Each kind of row, and each irregular form the program has always shown.
struct RowNameCase {
  const char* name;
  int code;
  const char* row;
};

class RowNameForm : public testing::TestWithParam<RowNameCase> {};

TEST_P(RowNameForm, IsStoredInItsForm) {
  const auto row = FindRowByCode(GetParam().code);
  ASSERT_TRUE(row);
  EXPECT_EQ(RowName(*row), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    , RowNameForm,
    testing::Values(RowNameCase{"prefecture_city", 130100, "石家庄市"},
                    RowNameCase{"prefecture_district", 142300, "吕梁地区"},
                    RowNameCase{"autonomous_prefecture", 222400, "延边朝鲜族自治州"},
                    RowNameCase{"city_district_group", 130101, "石家庄市(市辖区)"},
                    RowNameCase{"city_district_at_02", 130102, "石家庄市长安区"},
                    RowNameCase{"city_district_at_07", 130107, "石家庄市井陉矿区"},
                    RowNameCase{"city_district_with_code_above_50", 445102, "潮州市湘桥区"},
                    RowNameCase{"county_under_a_city", 130121, "井陉县"},
                    RowNameCase{"county_level_city_under_a_city", 130181, "辛集市"},
                    RowNameCase{"county_level_city_at_01_under_a_district", 142301, "孝义市"},
                    RowNameCase{"county_level_city_at_02_under_a_district", 142302, "离石市"},
                    RowNameCase{"county_under_a_district", 142333, "交口县"},
                    RowNameCase{"county_level_city_under_the_province", 460002, "琼海市"},
                    RowNameCase{"hainan_city_district_group", 460101, "海口市(市辖区)"},
                    RowNameCase{"municipality_first_district", 110101, "东城区"},
                    RowNameCase{"municipality_district", 120102, "河东区"},
                    RowNameCase{"municipality_county_group", 310200, "(县)"},
                    RowNameCase{"municipality_district_group", 120100, "(市辖区)"},
                    RowNameCase{"municipality_county_level_city", 500381, "江津市"},
                    RowNameCase{"directly_administered_group", 659000, "省直辖行政单位"},
                    RowNameCase{"district_group_without_parentheses", 430801, "张家界市市辖区"},
                    RowNameCase{"first_district_at_01", 520201, "六盘水市钟山区"},
                    RowNameCase{"district_without_its_city", 520202, "盘县特区"},
                    RowNameCase{"district_after_it_carries_its_city", 520203, "六盘水市六枝特区"},
                    RowNameCase{"ideographic_space_qi", 140727, "祁　县"},
                    RowNameCase{"second_qi_is_plain", 142430, "祁县"},
                    RowNameCase{"ideographic_space_shou", 341521, "寿　县"},
                    RowNameCase{"second_shou_is_plain", 342422, "寿县"},
                    RowNameCase{"ideographic_space_jia", 610828, "佳　县"},
                    RowNameCase{"second_jia_is_plain", 612729, "佳县"},
                    RowNameCase{"county_level_mark", 232301, "绥化市(县级)"},
                    RowNameCase{"county_level_mark_liuan", 342401, "六安市(县级)"},
                    RowNameCase{"county_level_mark_full_width", 432501, "娄底市（县级）"},
                    RowNameCase{"county_level_mark_after_a_space", 152301, "通辽市 （县级）"},
                    RowNameCase{"prefecture_city_of_a_marked_name", 431300, "娄底市"},
                    RowNameCase{"longest_name_jishishan", 622927,
                                "积石山保安族东乡族撒拉族自治县"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CountyTable, LongestNamesFillThirtyBytes) {
  std::size_t longest = 0;
  for (const CountyRecord& row : CountyTable) longest = std::max(longest, strlen(row.Name));
  EXPECT_EQ(longest, 30u);
  EXPECT_EQ(strlen(CountyTable[*FindRowByCode(533526)].Name), 30u);
  EXPECT_EQ(strlen(CountyTable[*FindRowByCode(622927)].Name), 30u);
}

TEST(CountyTable, SharedCodeHoldsXiongxianThenAnguo) {
  const auto row = FindRowByCode(130638);
  ASSERT_TRUE(row);
  EXPECT_EQ(RowName(*row), "雄县");
  EXPECT_EQ(RowName(*row + 1), "安国市");
  EXPECT_EQ(RegionCodeOfRow(*row + 1), 130638);
  EXPECT_FALSE(FindRowByCode(130683));
  // The panel reaches 安国市 by its position in 河北省's list.
  const int hebei = *FindProvince(13);
  const int position = *row + 1 - ProvinceTable[hebei].First;
  EXPECT_EQ(Utf8(CountyNames(hebei)[position]), "安国市");
  EXPECT_EQ(CountyRowAt(hebei, position), *row + 1);
}

TEST(CountyTable, BeijingHasItsTwentyOneRows) {
  const std::vector<std::pair<int, const char*>> expected{
      {110100, "(市辖区)"}, {110101, "东城区"},   {110102, "西城区"}, {110103, "崇文区"},
      {110104, "宣武区"},   {110105, "朝阳区"},   {110106, "丰台区"}, {110107, "石景山区"},
      {110108, "海淀区"},   {110109, "门头沟区"}, {110111, "房山区"}, {110121, "通州区"},
      {110131, "顺义区"},   {110141, "昌平区"},   {110200, "(县)"},   {110221, "昌平县"},
      {110224, "大兴县"},   {110226, "平谷县"},   {110227, "怀柔县"}, {110228, "密云县"},
      {110291, "延庆县"}};
  const auto names = CountyNames(0);
  ASSERT_EQ(names.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(RegionCodeOfRow(CountyRowAt(0, static_cast<int>(i))), expected[i].first);
    EXPECT_EQ(Utf8(names[i]), expected[i].second);
  }
}

struct ProvinceCase {
  const char* name;
  int code;
  int rows;
};

// The province-level units in table order, with the number of their rows.
const ProvinceCase kProvinces[] = {
    {"北京市", 11, 21},
    {"天津市", 12, 20},
    {"河北省", 13, 195},
    {"山西省", 14, 152},
    {"内蒙古自治区", 15, 127},
    {"辽宁省", 21, 128},
    {"吉林省", 22, 77},
    {"黑龙江省", 23, 166},
    {"上海市", 31, 22},
    {"江苏省", 32, 135},
    {"浙江省", 33, 110},
    {"安徽省", 34, 153},
    {"福建省", 35, 113},
    {"江西省", 36, 121},
    {"山东省", 37, 173},
    {"河南省", 41, 192},
    {"湖北省", 42, 127},
    {"湖南省", 43, 155},
    {"广东省", 44, 162},
    {"广西壮族自治区", 45, 133},
    {"海南省", 46, 27},
    {"重庆市", 50, 43},
    {"四川省", 51, 227},
    {"贵州省", 52, 100},
    {"云南省", 53, 149},
    {"西藏自治区", 54, 86},
    {"陕西省", 61, 139},
    {"甘肃省", 62, 105},
    {"青海省", 63, 54},
    {"宁夏回族自治区", 64, 31},
    {"新疆维吾尔自治区", 65, 114},
};

TEST(ProvinceTable, ListsTheUnitsInOrderWithTheirRowCounts) {
  const auto names = ProvinceNames();
  ASSERT_EQ(names.size(), std::size(kProvinces));
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(kProvinces[i].name);
    const int index = static_cast<int>(i);
    EXPECT_EQ(Utf8(names[i]), kProvinces[i].name);
    EXPECT_EQ(ProvinceTable[i].Code, kProvinces[i].code);
    EXPECT_EQ(FindProvince(kProvinces[i].code), index);
    EXPECT_EQ(CountyNames(index).size(), static_cast<std::size_t>(kProvinces[i].rows));
  }
  EXPECT_EQ(Utf8(names[30]).size(), 24u) << "16 GBK bytes, the longest province name";
  EXPECT_EQ(names[30].size(), 16u);
}

TEST(ProvinceTable, RowCountsEqualThoseOfTheSourceList) {
  std::ifstream list(KESMAL_REGIONS_TSV);
  ASSERT_TRUE(list) << KESMAL_REGIONS_TSV;
  std::map<int, int> source;
  std::string line;
  std::getline(list, line);  // header
  while (std::getline(list, line))
    if (!line.empty()) ++source[std::stoi(line.substr(0, 2))];
  std::map<int, int> table;
  for (const ProvinceRecord& province : ProvinceTable)
    table[province.Code] = province.Last - province.First + 1;
  EXPECT_EQ(table, source);
}

TEST(RegionTables, InvariantsHold) {
  EXPECT_EQ(CountyRowCount(), static_cast<int>(CountyTable.size()));
  std::set<int> codes;
  int next = 0;
  for (std::size_t index = 0; index < ProvinceTable.size(); ++index) {
    const ProvinceRecord& province = ProvinceTable[index];
    EXPECT_TRUE(codes.insert(province.Code).second) << province.Code;
    EXPECT_EQ(province.First, next);
    EXPECT_LE(province.First, province.Last);
    EXPECT_GT(strlen(province.Name), 0u);
    EXPECT_EQ(province.Name[sizeof province.Name - 1], '\0');
    for (int row = province.First; row <= province.Last; ++row) {
      EXPECT_EQ(CountyTable[row].Province, province.Code) << row;
      EXPECT_EQ(ProvinceIndexOfRow(row), static_cast<int>(index)) << row;
    }
    next = province.Last + 1;
  }
  EXPECT_EQ(next, CountyRowCount());

  int shared = 0;
  for (int row = 0; row < CountyRowCount(); ++row) {
    const CountyRecord& record = CountyTable[row];
    EXPECT_GE(record.Sub, 1) << row;
    EXPECT_LE(record.Sub, 9999) << row;
    EXPECT_GT(strlen(record.Name), 0u) << row;
    EXPECT_EQ(record.Name[sizeof record.Name - 1], '\0') << row;
    EXPECT_EQ(RowName(row).find("\xEF\xBF\xBD"), std::string::npos) << row << " is not GBK";
    if (row > 0) {
      EXPECT_LE(RegionCodeOfRow(row - 1), RegionCodeOfRow(row)) << row;
      if (RegionCodeOfRow(row - 1) == RegionCodeOfRow(row)) ++shared;
    }
    // Every row but the later one of the shared code is found by its own code.
    const auto found = FindRowByCode(RegionCodeOfRow(row));
    ASSERT_TRUE(found) << row;
    EXPECT_EQ(*found, RegionCodeOfRow(row) == 130638 ? *FindRowByCode(130638) : row);
  }
  EXPECT_EQ(shared, 1);
}

struct CountyListCase {
  const char* name;
  int province;
  int rows;
  const char* first;
  const char* last;
};

class CountyList : public testing::TestWithParam<CountyListCase> {};

TEST_P(CountyList, RunsFromFirstToLast) {
  const auto& param = GetParam();
  const auto names = CountyNames(param.province);
  ASSERT_EQ(names.size(), static_cast<std::size_t>(param.rows));
  EXPECT_EQ(Utf8(names.front()), param.first);
  EXPECT_EQ(Utf8(names.back()), param.last);
  const ProvinceRecord& record = ProvinceTable[param.province];
  EXPECT_EQ(CountyRowAt(param.province, 0), record.First);
  EXPECT_EQ(CountyRowAt(param.province, param.rows - 1), record.Last);
}

INSTANTIATE_TEST_SUITE_P(, CountyList,
                         testing::Values(CountyListCase{"beijing", 0, 21, "(市辖区)", "延庆县"},
                                         CountyListCase{"hebei", 2, 195, "石家庄市", "深州市"},
                                         CountyListCase{"hainan_without_a_province_row", 20, 27,
                                                        "通什市", "三亚市(市辖区)"},
                                         CountyListCase{"chongqing", 21, 43, "(市辖区)", "南川市"},
                                         CountyListCase{"sichuan", 22, 227, "成都市", "雷波县"},
                                         CountyListCase{"ningxia", 29, 31, "银川市", "彭阳县"},
                                         CountyListCase{"xinjiang_ends_the_table", 30, 114,
                                                        "乌鲁木齐市", "石河子市"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CountyRowAt, LastPositionOfTheLastProvinceIsTheLastRow) {
  EXPECT_EQ(CountyRowAt(30, 113), CountyRowCount() - 1);
  EXPECT_EQ(RowName(CountyRowAt(30, 113)), "石河子市");
}

struct OutOfRangeCase {
  const char* name;
  int province;
  int position;
};

class PositionOutsideTheLists : public testing::TestWithParam<OutOfRangeCase> {};

TEST_P(PositionOutsideTheLists, GivesNoRow) {
  EXPECT_EQ(CountyRowAt(GetParam().province, GetParam().position), -1);
}

INSTANTIATE_TEST_SUITE_P(, PositionOutsideTheLists,
                         testing::Values(OutOfRangeCase{"negative_province", -1, 0},
                                         OutOfRangeCase{"province_after_the_last", 31, 0},
                                         OutOfRangeCase{"negative_position", 0, -1},
                                         OutOfRangeCase{"position_after_beijing", 0, 21},
                                         OutOfRangeCase{"position_after_the_last_row", 30, 114}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IndexOutsideTheTables, GivesNoNamesCodesOrProvince) {
  EXPECT_TRUE(CountyNames(-1).empty());
  EXPECT_TRUE(CountyNames(31).empty());
  for (int row : {-1, CountyRowCount()}) {
    EXPECT_EQ(RegionCodeOfRow(row), -1);
    EXPECT_EQ(RegionCodeTextOfRow(row), "");
    EXPECT_EQ(ProvinceIndexOfRow(row), -1);
  }
  EXPECT_FALSE(FindProvince(-11));
  EXPECT_FALSE(FindCounty(13, -1));
  EXPECT_FALSE(FindRowByCode(-130638));
  EXPECT_FALSE(FindRowByCode(1130638)) << "seven digits";
}

TEST(RegionCodeTextOfRow, WritesSixDigitsWithLeadingZeros) {
  EXPECT_EQ(RegionCodeTextOfRow(0), "110100");
  EXPECT_EQ(RegionCodeOfRow(0), 110100);
  const int hainan = ProvinceTable[*FindProvince(46)].First;
  EXPECT_EQ(RegionCodeTextOfRow(hainan), "460001");
  EXPECT_EQ(RegionCodeOfRow(hainan), 460001);
  EXPECT_EQ(RegionCodeTextOfRow(CountyRowCount() - 1), "659001");
  EXPECT_EQ(RegionCodeTextOfRow(*FindRowByCode(500300)), "500300");
}

TEST(FindProvince, KnowsOnlyTheThirtyOneCodes) {
  int found = 0;
  for (int code = 0; code <= 99; ++code)
    if (FindProvince(code)) ++found;
  EXPECT_EQ(found, 31);
  EXPECT_EQ(FindProvince(11), 0);
  EXPECT_EQ(FindProvince(65), 30);
  EXPECT_FALSE(FindProvince(71));
}

TEST(FindCounty, ComparesProvinceAndSubTogether) {
  EXPECT_EQ(FindCounty(11, 100), 0);
  EXPECT_FALSE(FindCounty(11, 9001)) << "659001's Sub under another province";
  EXPECT_EQ(FindCounty(65, 9001), CountyRowCount() - 1);
  EXPECT_FALSE(FindCounty(11, 0));
}

}  // namespace
}  // namespace kesmal

namespace kesmal {
namespace {

// FindCounty searches the ordered rows; it must find what a scan of every row
// in table order finds, the first row with the pair.
std::optional<int> ScanForCounty(int province, int sub) {
  for (int row = 0; row < CountyRowCount(); ++row)
    if (CountyTable[row].Province == province && CountyTable[row].Sub == sub) return row;
  return std::nullopt;
}

TEST(FindCounty, FindsWhatAScanInTableOrderFinds) {
  for (int row = 0; row < CountyRowCount(); ++row) {
    const int province = CountyTable[row].Province;
    const int sub = CountyTable[row].Sub;
    for (const int near : {sub - 1, sub, sub + 1})
      ASSERT_EQ(FindCounty(province, near), ScanForCounty(province, near))
          << province << ' ' << near;
  }
  for (const auto& [province, sub] : std::initializer_list<std::pair<int, int>>{
           {13, 638}, {0, 0}, {10, 0}, {11, 10100}, {12, -9900}, {-1, 100}, {99, 9999}, {66, 0}})
    EXPECT_EQ(FindCounty(province, sub), ScanForCounty(province, sub)) << province << ' ' << sub;
}

TEST(FindCounty, EveryCodeOfSixDigitsAgreesWithTheRows) {
  std::map<std::pair<int, int>, int> firstRow;
  for (int row = CountyRowCount() - 1; row >= 0; --row)
    firstRow[{CountyTable[row].Province, CountyTable[row].Sub}] = row;
  for (int province = 0; province <= 99; ++province)
    for (int sub = 0; sub <= 9999; ++sub) {
      const auto expected = firstRow.find({province, sub});
      const auto found = FindCounty(province, sub);
      if (expected == firstRow.end())
        ASSERT_FALSE(found) << province << ' ' << sub;
      else
        ASSERT_EQ(found, expected->second) << province << ' ' << sub;
    }
}

}  // namespace
}  // namespace kesmal
