#include "rules/date_phrase.h"

#include <charconv>
#include <ctime>
#include <iterator>

#include "rules/report_text.h"
#include "rules/text_cache.h"

namespace kesmal {

thread_local constinit const CivilDate* detail::todayOnThisThread = nullptr;

namespace {

std::optional<CivilDate> pinnedToday;

// The clock is read on every call; the calendar is worked out again only when
// the second has changed, which spares a batch of checks the time-zone rules.
CivilDate LocalToday() {
  thread_local std::time_t second = -1;
  thread_local CivilDate date;
  const std::time_t now = std::time(nullptr);
  if (now != second) {
    std::tm local{};
    localtime_r(&now, &local);
    date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    second = now;
  }
  return date;
}

int PlaceTwoDigitYear(int year, int todayYear) {
  if (year < 0 || year > 99) return year;
  return year > todayYear % 100 ? 1900 + year : 2000 + year;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysOfMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  auto days = DaysInMonth;
  if (IsLeapYear(year)) days[1] = 29;
  return days[month - 1];
}

CivilDate Today() {
  if (pinnedToday) return *pinnedToday;
  return detail::todayOnThisThread ? *detail::todayOnThisThread : LocalToday();
}

void PinToday(std::optional<CivilDate> date) { pinnedToday = date; }

ScopedToday::ScopedToday(CivilDate date) : previous_(pinnedToday) { pinnedToday = date; }

ScopedToday::~ScopedToday() { pinnedToday = previous_; }

std::optional<Birthday> ReadBirthday(std::int16_t yearAsWritten, std::int16_t month,
                                     std::int16_t day) {
  const CivilDate today = Today();
  const int year = PlaceTwoDigitYear(yearAsWritten, today.year);
  if (day < 1 || day > DaysOfMonth(year, month)) return std::nullopt;

  const long birth = year * 10000L + month * 100L + day;
  const long todayNumber = today.year * 10000L + today.month * 100L + today.day;
  return Birthday{{year, month, day}, birth > todayNumber, today.year - year + 1 > 116};
}

namespace {

Text Decimal(int value, char (&digits)[12]) {
  char* const end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
  return Ascii({digits, static_cast<std::size_t>(end - digits)});
}

void WriteYearPart(int year, ReportWriter& out) {
  char digits[12];
  out.Put({KESMAL_TEXT("“西元 "), Decimal(year, digits), KESMAL_TEXT(" 年 ")});
}

void WriteDayPart(int month, int day, ReportWriter& out) {
  char monthDigits[12], dayDigits[12];
  out.Put({Decimal(month, monthDigits), KESMAL_TEXT(" 月 "), Decimal(day, dayDigits),
           KESMAL_TEXT(" 日”")});
}

template <typename Write>
BothTexts WrittenInBoth(Write write) {
  BothTexts texts;
  ReportWriter gbk(Encoding::Gbk, texts.gbk), utf8(Encoding::Utf8, texts.utf8);
  write(gbk);
  write(utf8);
  return texts;
}

// A batch writes the same years and days again and again: each half of the
// phrase is written once per process.
constexpr int kCachedYears = 10000;

const Text& YearPart(int year) {
  static TextCache<kCachedYears> cache;
  return cache.At(static_cast<std::size_t>(year), [&] {
    return WrittenInBoth([&](ReportWriter& out) { WriteYearPart(year, out); });
  });
}

const Text& DayPart(int month, int day) {
  static TextCache<12 * 31> cache;
  return cache.At(static_cast<std::size_t>((month - 1) * 31 + day - 1), [&] {
    return WrittenInBoth([&](ReportWriter& out) { WriteDayPart(month, day, out); });
  });
}

}  // namespace

void WriteBirthdayPhrase(const Birthday& birthday, ReportWriter& out) {
  const CivilDate& date = birthday.date;
  const bool cached = date.year >= 0 && date.year < kCachedYears && date.month >= 1 &&
                      date.month <= 12 && date.day >= 1 && date.day <= 31;
  if (cached) {
    out.Put({YearPart(date.year), DayPart(date.month, date.day)});
  } else {
    WriteYearPart(date.year, out);
    WriteDayPart(date.month, date.day, out);
  }
  if (birthday.notYetBorn) out.Put({KESMAL_TEXT("(尚未出生)")});
  if (birthday.recordAge) out.Put({KESMAL_TEXT("(破世界纪录的人瑞)")});
}

std::string BirthdayPhrase(const Birthday& birthday) {
  std::string phrase;
  ReportWriter out(Encoding::Gbk, phrase);
  WriteBirthdayPhrase(birthday, out);
  return phrase;
}

std::string DescribeBirthday(std::int16_t year, std::int16_t month, std::int16_t day) {
  const auto birthday = ReadBirthday(year, month, day);
  return birthday ? BirthdayPhrase(*birthday) : std::string();
}

}  // namespace kesmal
