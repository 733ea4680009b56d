#include "rules/date_phrase.h"

#include <ctime>

#include "rules/id_report.h"

namespace kesmal {
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

CivilDate Today() { return pinnedToday ? *pinnedToday : LocalToday(); }

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

std::string BirthdayPhrase(const Birthday& birthday) {
  const CivilDate& date = birthday.date;
  std::string phrase =
      Joined({"“西元 ", std::to_string(date.year), " 年 ", std::to_string(date.month), " 月 ",
              std::to_string(date.day), " 日”"});
  if (birthday.notYetBorn) phrase += "(尚未出生)";
  if (birthday.recordAge) phrase += "(破世界纪录的人瑞)";
  return phrase;
}

std::string DescribeBirthday(std::int16_t year, std::int16_t month, std::int16_t day) {
  const auto birthday = ReadBirthday(year, month, day);
  return birthday ? BirthdayPhrase(*birthday) : std::string();
}

}  // namespace kesmal
