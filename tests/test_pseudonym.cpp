#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "kesmal/pseudonym.h"
#include "rules/ascii.h"
#include "rules/china.h"
#include "rules/current.h"
#include "rules/hong_kong.h"
#include "rules/korea.h"
#include "rules/number_space.h"
#include "rules/random_source.h"
#include "rules/taiwan.h"

namespace kesmal {
namespace {

using enum KeptField;

constexpr CivilDate kToday{2026, 6, 15};
constexpr MaskKey kKey{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                       17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
constexpr MaskKey kOtherKey{32, 31, 30};

// Sanitizer and debug builds run a tenth of the numbers.
#ifdef NDEBUG
constexpr int kNumbersPerKind = 100000;
#else
constexpr int kNumbersPerKind = 10000;
#endif

std::string RandomText(std::string_view alphabet, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) text += alphabet[RandomBelow(static_cast<int>(alphabet.size()))];
  return text;
}

std::string Digits(int count) { return RandomText("0123456789", count); }
std::string Letter() { return RandomText("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1); }

CivilDate DateBetween(CivilDate first, CivilDate last) {
  const std::int64_t day = DayNumber(first);
  return DateOfDayNumber(day + RandomBelow(static_cast<int>(DayNumber(last) - day + 1)));
}

std::string DateText(const CivilDate& date, int yearDigits) {
  const int year = yearDigits == 4 ? date.year : date.year % 100;
  return RandomDigits(year, year, yearDigits) + RandomDigits(date.month, date.month, 2) +
         RandomDigits(date.day, date.day, 2);
}

std::string PermitProvince() { return std::string(1, '8') += RandomText("123", 1); }

bool Listed(int code) { return FindRowByCode(code).has_value(); }

// A code drawn until it is of the kind wanted.
std::string CodeWhere(bool (*wanted)(int)) {
  for (;;)
    if (const int code = RandomBelow(1000000); wanted(code)) return RandomDigits(code, code, 6);
}

std::string ChinaWith(std::string code, CivilDate first, CivilDate last) {
  std::string number = code + DateText(DateBetween(first, last), 4) + Digits(3);
  return number += ChinaCheckCode(number);
}

std::string TaiwanResidentLetter() {
  std::string number = Letter() + RandomText("ABCD", 1) + Digits(7);
  std::string weighed = number;
  weighed[1] = static_cast<char>('0' + TaiwanLetterTable[*TaiwanLetterRow(number[1])].Code % 10);
  return number += TaiwanCheckCode(weighed);
}

// Today's seventh digit for a century, a sex (0 male) and a foreign resident.
char Seventh(int year, int sex, bool foreign) {
  const char* digits = foreign ? "??5678" : "901234";
  return digits[(year / 100 - 18) * 2 + sex];
}

std::string KoreaCurrent(CivilDate first, CivilDate last, bool foreign) {
  const CivilDate date = DateBetween(first, last);
  std::string number = DateText(date, 2) + Seventh(date.year, RandomBelow(2), foreign);
  if (DayNumber(date) >= DayNumber({2020, 10, 1})) return number + Digits(6);
  number += RandomDigits(0, 96, 2) + Digits(3);
  return number += KoreaCheckCode(number);
}

struct KindCase {
  const char* name;
  RuleSet rules;
  std::string (*make)();
  KeepSet keep;
  std::optional<DateRange> births = std::nullopt;  // where every pseudonym's birth lies
};

bool ProvinceListed(std::string_view number, RuleSet rules) {
  const int province = std::stoi(std::string(number.substr(0, 2)));
  return FindProvince(province) || (rules == RuleSet::Current && province >= 81 && province <= 83);
}

// What a pseudonym must share with its number besides the kept fields.
std::string FormOf(std::string_view number, const IdAnalysis& id, RuleSet rules) {
  std::string form = std::to_string(number.size()) + ":" +
                     std::to_string(id.kind ? static_cast<int>(*id.kind) : -1) + ":" +
                     std::to_string(id.checkCodeVerified.value_or(true));
  if (number.size() == 10) form += IsDigit(number[1]) ? ":digit" : ":letter";
  if (id.regionCode) form += Listed(std::stoi(*id.regionCode)) ? ":listed" : ":unlisted";
  if (number.size() == 18) form += ProvinceListed(number, rules) ? ":province" : ":other";
  return form;
}

// The values of the kept fields that the number has, as text.
std::string KeptValues(const IdAnalysis& id, std::string_view number, KeepSet keep) {
  std::string values;
  if (keep.Has(Sex) && id.sex) values += *id.sex == HolderSex::Male ? "male " : "female ";
  if (keep.Has(BirthDate) && id.birthday) values += DateText(id.birthday->date, 4) + " ";
  if (keep.Has(BirthYear) && id.birthday) values += std::to_string(id.birthday->date.year) + " ";
  if (keep.Has(Region) && id.jurisdiction == Jurisdiction::Taiwan) values += number.substr(0, 1);
  if (keep.Has(Region) && id.regionCode) values += *id.regionCode;
  if (keep.Has(Province) && id.regionCode) values += id.regionCode->substr(0, 2);
  return values;
}

class Kinds : public testing::TestWithParam<KindCase> {};

TEST_P(Kinds, PseudonymsAreValidOfTheSameFormKeepTheFieldsAndReverse) {
  const auto& row = GetParam();
  const ScopedToday today(kToday);
  SeedRandom(20261209);
  Pseudonymizer mask(kKey, row.rules, row.keep);
  Pseudonymizer unmask(kKey, row.rules, row.keep, MaskDirection::Reverse);
  Pseudonymizer otherKey(kOtherKey, row.rules, row.keep);
  int sameUnderBothKeys = 0;
  std::vector<std::string> numbers, pseudonyms;
  for (int i = 0; i < kNumbersPerKind; ++i) {
    const std::string& number = numbers.emplace_back(row.make());
    const auto original = CheckNumberText(number, row.rules);
    ASSERT_TRUE(original->valid) << "the test made " << number;
    const std::string& pseudonym = pseudonyms.emplace_back(mask.Pseudonym(number));
    const auto report = CheckNumberText(pseudonym, row.rules);
    ASSERT_TRUE(report->valid) << number << " became " << pseudonym;
    ASSERT_EQ(FormOf(pseudonym, report->analysis, row.rules),
              FormOf(number, original->analysis, row.rules))
        << number << " became " << pseudonym;
    ASSERT_EQ(KeptValues(report->analysis, pseudonym, row.keep),
              KeptValues(original->analysis, number, row.keep))
        << number << " became " << pseudonym;
    if (row.births) {
      const std::int64_t day = DayNumber(report->analysis.birthday->date);
      ASSERT_GE(day, DayNumber(row.births->first)) << pseudonym;
      ASSERT_LE(day, DayNumber(row.births->last)) << pseudonym;
    }
    ASSERT_EQ(unmask.Pseudonym(pseudonym), number);
    sameUnderBothKeys += otherKey.Pseudonym(number) == pseudonym;
  }
  EXPECT_LE(sameUnderBothKeys, kNumbersPerKind / 10000);
  // Many at once, their AES blocks together, as one by one.
  std::vector<std::string_view> views(numbers.begin(), numbers.end());
  std::vector<std::string> together(numbers.size());
  mask.PseudonymsInto(views, together);
  EXPECT_TRUE(together == pseudonyms);
}

constexpr DateRange kBlock1930{{1930, 1, 1}, {2019, 12, 31}};
constexpr DateRange kKoreaRandomFirst{{2020, 10, 1}, {2025, 12, 31}};

INSTANTIATE_TEST_SUITE_P(
    , Kinds,
    testing::Values(
        KindCase{"tw_keeping_region_and_sex",
                 RuleSet::Classic,
                 [] { return MakeTaiwanId({}); },
                 {Region, Sex}},
        KindCase{"tw_resident_8_9_keeping_sex",
                 RuleSet::Current,
                 [] {
                   std::string number = Letter() + RandomText("89", 1) + Digits(7);
                   return number += TaiwanCheckCode(number);
                 },
                 {Sex}},
        KindCase{
            "tw_resident_a_to_d_keeping_region", RuleSet::Current, TaiwanResidentLetter, {Region}},
        KindCase{
            "hk_8", RuleSet::Classic, [] { return MakeHongKongId(HongKongMakeSettings{8}); }, {}},
        KindCase{"hk_9_whose_fields_do_not_apply",
                 RuleSet::Current,
                 [] { return MakeHongKongId(HongKongMakeSettings{9}); },
                 {Region, Sex, BirthDate}},
        KindCase{"cn_keeping_province_and_birth_year",
                 RuleSet::Classic,
                 [] { return MakeChinaId({}); },
                 {Province, BirthYear}},
        KindCase{"cn_current_keeping_region_and_sex",
                 RuleSet::Current,
                 [] { return MakeChinaId({}); },
                 {Region, Sex}},
        KindCase{"cn_unlisted_region_keeping_birth_year_and_sex",
                 RuleSet::Classic,
                 [] {
                   return ChinaWith(CodeWhere([](int code) {
                                      return !Listed(code) &&
                                             FindProvince(code / 10000).has_value();
                                    }),
                                    kBlock1930.first, kBlock1930.last);
                 },
                 {BirthYear, Sex},
                 kBlock1930},
        KindCase{"cn_unlisted_province_current_keeping_province",
                 RuleSet::Current,
                 [] {
                   return ChinaWith(CodeWhere([](int code) {
                                      return !FindProvince(code / 10000) &&
                                             (code < 810000 || code >= 840000);
                                    }),
                                    {100, 1, 1}, {9999, 12, 31});
                 },
                 {Province}},
        KindCase{"cn_unlisted_province_classic_counts_81_to_83",
                 RuleSet::Classic,
                 [] {
                   return ChinaWith(PermitProvince() + Digits(4), {1930, 1, 1}, {2019, 12, 31});
                 },
                 {},
                 kBlock1930},
        KindCase{"cn_residence_permit_keeping_region_and_sex",
                 RuleSet::Current,
                 [] {
                   return ChinaWith(PermitProvince() + "0000", {2020, 1, 1}, {2025, 12, 31});
                 },
                 {Region, Sex},
                 DateRange{{2020, 1, 1}, {2025, 12, 31}}},
        KindCase{"cn15_keeping_birth_year_and_sex",
                 RuleSet::Classic,
                 [] {
                   const int row = RandomBelow(CountyRowCount());
                   return RegionCodeTextOfRow(row) +
                          DateText(DateBetween({1900, 1, 1}, {1999, 12, 31}), 2) + Digits(3);
                 },
                 {BirthYear, Sex}},
        KindCase{"cn15_unlisted_region_keeping_region",
                 RuleSet::Current,
                 [] {
                   return CodeWhere([](int code) { return !Listed(code); }) +
                          DateText(DateBetween({1930, 1, 1}, {1999, 12, 31}), 2) + Digits(3);
                 },
                 {Region},
                 DateRange{{1930, 1, 1}, {1999, 12, 31}}},
        KindCase{"kr_keeping_birth_year_and_sex",
                 RuleSet::Classic,
                 [] { return MakeKoreaId({}); },
                 {BirthYear, Sex}},
        KindCase{"kr_current_since_1800_keeping_sex",
                 RuleSet::Current,
                 [] {
                   return KoreaCurrent({1800, 1, 1}, {2020, 9, 30}, false);
                 },
                 {Sex}},
        KindCase{"kr_current_foreign_keeping_birth_year",
                 RuleSet::Current,
                 [] { return KoreaCurrent(kBlock1930.first, kBlock1930.last, true); },
                 {BirthYear},
                 kBlock1930},
        KindCase{
            "kr_current_from_october_2020_keeping_birth_date_and_sex",
            RuleSet::Current,
            [] { return KoreaCurrent(kKoreaRandomFirst.first, kKoreaRandomFirst.last, false); },
            {BirthDate, Sex}},
        KindCase{"kr_current_foreign_from_october_2020",
                 RuleSet::Current,
                 [] { return KoreaCurrent(kKoreaRandomFirst.first, kKoreaRandomFirst.last, true); },
                 {},
                 kKoreaRandomFirst}),
    [](const auto& info) { return std::string(info.param.name); });

// A pseudonym is made of every valid number and of nothing else: over
// one-character changes of valid numbers of every kind, the pseudonymizer
// refuses exactly what the check judges invalid.
TEST(Refusals, AgreeWithTheCheck) {
  const ScopedToday today(kToday);
  SeedRandom(7);
  std::string (*const makers[])() = {
      [] { return MakeTaiwanId({}); },
      TaiwanResidentLetter,
      [] { return MakeHongKongId(HongKongMakeSettings{8}); },
      [] { return MakeHongKongId(HongKongMakeSettings{9}); },
      [] { return MakeKoreaId({}); },
      [] {
        return KoreaCurrent({1800, 1, 1}, {2099, 12, 31}, RandomBelow(2) == 1);
      },
      [] { return MakeChinaId({}); },
      [] {
        return ChinaWith(PermitProvince() + "0000", {1930, 1, 1}, {2019, 12, 31});
      },
      [] { return MakeChinaId({}).erase(6, 2).erase(15); }};
  for (const RuleSet rules : {RuleSet::Classic, RuleSet::Current}) {
    Pseudonymizer mask(kKey, rules, {});
    for (int i = 0; i < kNumbersPerKind; ++i) {
      std::string number = makers[RandomBelow(std::size(makers))]();
      number[RandomBelow(static_cast<int>(number.size()))] = RandomText("0123456789ABCDXZx", 1)[0];
      const bool valid = CheckNumberText(number, rules)->valid;
      bool masked = true;
      try {
        mask.Pseudonym(number);
      } catch (const MaskError&) {
        masked = false;
      }
      ASSERT_EQ(masked, valid) << number;
    }
  }
}

std::string WithChinaCheck(std::string body) { return body += ChinaCheckCode(body); }
std::string WithKoreaCheck(std::string body) { return body += KoreaCheckCode(body); }

struct EdgeCase {
  const char* name;
  RuleSet rules;
  std::string number;
  bool valid;
};

class Edges : public testing::TestWithParam<EdgeCase> {};

TEST_P(Edges, AreMaskedExactlyWhenValid) {
  const auto& row = GetParam();
  ASSERT_EQ(CheckNumberText(row.number, row.rules)->valid, row.valid);
  Pseudonymizer mask(kKey, row.rules, {});
  if (row.valid) {
    EXPECT_TRUE(CheckNumberText(mask.Pseudonym(row.number), row.rules)->valid);
  } else {
    EXPECT_THROW(mask.Pseudonym(row.number), MaskError);
  }
}

INSTANTIATE_TEST_SUITE_P(, Edges,
                         testing::Values(EdgeCase{"cn_year_below_100", RuleSet::Classic,
                                                  WithChinaCheck("11010500991231002"), false},
                                         EdgeCase{"cn15_29_february_1900", RuleSet::Classic,
                                                  "110105000229002", false},
                                         EdgeCase{"kr_current_29_february_1900", RuleSet::Current,
                                                  WithKoreaCheck("000229100000"), false},
                                         EdgeCase{"kr_current_place_code_97", RuleSet::Current,
                                                  WithKoreaCheck("850101197000"), false},
                                         EdgeCase{"kr_current_place_code_97_from_october_2020",
                                                  RuleSet::Current, "2010013970001", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The construction as the README states it, worked by hand on FF1's own
// permutation, so that the code and its description cannot drift apart.
TEST(DocumentedConstruction, TaiwanWithNothingKept) {
  Ff1 ff1(kKey);
  const std::vector<std::uint8_t> tweak{1, 0, 0, 0};  // form, kept fields, birth block
  // A123456789: letter A (0), male (0), serial 2345678.
  const std::uint64_t index =
      ff1.EncipherIndex((0 * 2 + 0) * 10000000 + 2345678, 26 * 2 * 10000000, tweak);
  std::string expected =
      std::string(1, static_cast<char>('A' + index / 20000000)) +
      static_cast<char>('1' + index / 10000000 % 2) +
      RandomDigits(static_cast<int>(index % 10000000), static_cast<int>(index % 10000000), 7);
  expected += TaiwanCheckCode(expected);
  EXPECT_EQ(Pseudonymizer(kKey, RuleSet::Classic, {}).Pseudonym("A123456789"), expected);
}

TEST(DocumentedConstruction, MainlandKeepingRegionAndSex) {
  Ff1 ff1(kKey);
  // Form 6, kept fields region (8) and sex (1), and 128 for the numbers whose
  // check character is X; birth block 2 (1930-2019), region 110105 in three
  // bytes, female (2).
  const std::vector<std::uint8_t> tweak{6, 128 + 9, 0, 2, 0x01, 0xAE, 0x19, 2};
  const std::int64_t firstDay = DayNumber({1930, 1, 1});
  const std::uint64_t births = static_cast<std::uint64_t>(DayNumber({2019, 12, 31}) - firstDay + 1);
  // 11010519491231002X: sequence 00, sex digit 2. Without the sixteenth digit,
  // which X decides, the serial is 0 * 5 + 2 / 2 of 50.
  const auto birth = static_cast<std::uint64_t>(DayNumber({1949, 12, 31}) - firstDay);
  std::uint64_t index = birth * 50 + 1;
  std::string expected;
  while (expected.empty()) {
    index = ff1.EncipherIndex(index, births * 50, tweak);
    const CivilDate date = DateOfDayNumber(firstDay + static_cast<std::int64_t>(index / 50));
    const int serial = static_cast<int>(index % 50);
    for (char sixteenth = '0'; sixteenth <= '9'; ++sixteenth) {
      std::string number = "110105" + DateText(date, 4) + static_cast<char>('0' + serial / 5) +
                           sixteenth + static_cast<char>('0' + serial % 5 * 2);
      if (ChinaCheckCode(number) == 'X') expected = number + 'X';
    }
  }
  EXPECT_EQ(Pseudonymizer(kKey, RuleSet::Classic, {Region, Sex}).Pseudonym("11010519491231002X"),
            expected);
  // The region holds the province: keeping both is keeping the region.
  EXPECT_EQ(Pseudonymizer(kKey, RuleSet::Classic, {Region, Province, Sex})
                .Pseudonym("11010519491231002X"),
            expected);
}

struct DomainCase {
  const char* name;
  Jurisdiction jurisdiction;
  RuleSet rules;
  KeepSet keep;
  std::string_view numbers;
  std::uint64_t count;
};

class SmallestDomains : public testing::TestWithParam<DomainCase> {};

TEST_P(SmallestDomains, AreCountedOverEveryKindBirthSetAndProvince) {
  const auto& row = GetParam();
  const SmallestDomain smallest = SmallestDomainOf(row.jurisdiction, row.rules, row.keep);
  EXPECT_EQ(smallest.numbers, row.numbers);
  EXPECT_EQ(smallest.count, row.count);
  const Jurisdiction only[] = {row.jurisdiction};
  if (row.count < kPseudonymMinimum) {
    EXPECT_THROW(RequireLargeDomains(only, row.rules, row.keep), MaskError);
  } else {
    EXPECT_NO_THROW(RequireLargeDomains(only, row.rules, row.keep));
  }
}

constexpr RuleSet kClassic = RuleSet::Classic, kCurrent = RuleSet::Current;
using Where = Jurisdiction;

INSTANTIATE_TEST_SUITE_P(
    , SmallestDomains,
    testing::Values(
        DomainCase{
            "cn_region_date_sex", Where::China, kClassic, {Region, BirthDate, Sex}, "cn", 500},
        DomainCase{"cn_province_date_in_its_smallest",
                   Where::China,
                   kClassic,
                   {Province, BirthDate},
                   "cn",
                   20 * 1000},
        DomainCase{"cn_region_year", Where::China, kClassic, {Region, BirthYear}, "cn", 365000},
        DomainCase{"cn_region_sex_in_6_years_without_a_leap_day",
                   Where::China,
                   kClassic,
                   {Region, Sex},
                   "cn",
                   2190 * 500},
        DomainCase{"cn_current_year_sex_in_3_permit_codes",
                   Where::China,
                   kCurrent,
                   {BirthYear, Sex},
                   "cn residence permits",
                   3 * 365 * 500},
        DomainCase{"cn15_region_sex_in_1900_to_1929",
                   Where::ChinaOld,
                   kClassic,
                   {Region, Sex},
                   "cn15",
                   10957 * 500},
        DomainCase{"kr_date_sex", Where::Korea, kClassic, {BirthDate, Sex}, "kr", 100000},
        DomainCase{"kr_current_date_sex_with_place_codes_to_96",
                   Where::Korea,
                   kCurrent,
                   {BirthDate, Sex},
                   "kr",
                   97000},
        DomainCase{"kr_current_year_sex_in_2020_to_september",
                   Where::Korea,
                   kCurrent,
                   {BirthYear, Sex},
                   "kr",
                   274 * 97000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmallDomainRefusal, NamesTheKeepSetTheCountAndTheWayOut) {
  const Jurisdiction both[] = {Jurisdiction::HongKong, Jurisdiction::China};
  try {
    RequireLargeDomains(both, RuleSet::Classic, {Sex, BirthDate, Region});
    FAIL() << "no refusal";
  } catch (const MaskError& error) {
    EXPECT_STREQ(error.what(),
                 "keep region,birth-date,sex leaves 500 numbers for cn, fewer than the 1,000,000 a "
                 "pseudonym needs; keep fewer fields or look for fewer jurisdictions");
  }
  // Without the check before, the number itself is refused.
  Pseudonymizer mask(kKey, RuleSet::Classic, {Sex, BirthDate, Region});
  EXPECT_THROW(mask.Pseudonym("11010519491231002X"), MaskError);
}

struct KeyFileCase {
  const char* name;
  std::string content;
  mode_t mode;
  bool accepted;
};

std::string KeyBytes() {
  std::string bytes;
  for (int i = 0; i < 32; ++i) bytes += static_cast<char>(i);
  return bytes;
}

std::string KeyHex() {
  std::string hex;
  for (int i = 0; i < 32; ++i) hex += RandomDigits(i / 16, i / 16, 1) + "0123456789abcdef"[i % 16];
  return hex;
}

std::string WithCapitals(std::string hex) {
  for (char& c : hex) c = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
  return hex;
}

std::string TempPath(std::string_view name) {
  const std::string path =
      testing::TempDir() + "kesmal-key-" + std::to_string(getpid()) + "-" + std::string(name);
  std::filesystem::remove(path);
  return path;
}

class KeyFiles : public testing::TestWithParam<KeyFileCase> {};

TEST_P(KeyFiles, AreReadOnlyWhenPrivateAndOfAKeysLength) {
  const auto& row = GetParam();
  const std::string path = TempPath(row.name);
  std::ofstream(path, std::ios::binary) << row.content;
  ASSERT_EQ(chmod(path.c_str(), row.mode), 0);
  if (row.accepted) {
    const MaskKey key = ReadKeyFile(path);
    EXPECT_EQ(std::string(key.begin(), key.end()), KeyBytes());
  } else {
    EXPECT_THROW(ReadKeyFile(path), MaskError);
  }
  std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(
    , KeyFiles,
    testing::Values(
        KeyFileCase{"raw_bytes", KeyBytes(), 0600, true},
        KeyFileCase{"hex_and_a_line_end_read_only", KeyHex() + "\n", 0400, true},
        KeyFileCase{"hex_capitals_and_a_crlf", WithCapitals(KeyHex()) + "\r\n", 0600, true},
        KeyFileCase{"hex_a_crlf_and_more", KeyHex() + "\r\nx", 0600, false},
        KeyFileCase{"readable_by_its_group", KeyBytes(), 0640, false},
        KeyFileCase{"readable_by_others", KeyHex(), 0604, false},
        KeyFileCase{"raw_bytes_and_a_line_end", KeyBytes() + "\n", 0600, false},
        KeyFileCase{"hex_with_a_letter_past_f", KeyHex().replace(7, 1, "g"), 0600, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NewKeyFile, IsPrivateRandomAndNeverOverwritesAFile) {
  const std::string path = TempPath("new"), second = TempPath("second");
  WriteNewKeyFile(path);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const MaskKey key = ReadKeyFile(path);
  EXPECT_THROW(WriteNewKeyFile(path), MaskError);
  EXPECT_EQ(ReadKeyFile(path), key);
  WriteNewKeyFile(second);
  EXPECT_NE(ReadKeyFile(second), key);
  std::filesystem::remove(path);
  std::filesystem::remove(second);
}

}  // namespace
}  // namespace kesmal
