#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "kesmal/pseudonym.h"
#include "rules/ascii.h"
#include "rules/china.h"
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
  for (int i = 0; i < kNumbersPerKind; ++i) {
    const std::string number = row.make();
    const auto original = CheckNumberText(number, row.rules);
    ASSERT_TRUE(original->valid) << "the test made " << number;
    const std::string pseudonym = mask.Pseudonym(number);
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

}  // namespace
}  // namespace kesmal
