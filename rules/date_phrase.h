#pragma once
// Birth dates read from a number, and the Chinese phrase the mainland and Korea
// reports print for them: “西元 1985 年 5 月 3 日”, with a remark for a birth
// after today and one for an age past any record.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "rules/text.h"

namespace kesmal {

class ReportWriter;  // rules/report_text.h

struct CivilDate {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Days of January to December in a common year; users raise February in a copy.
inline constexpr std::array<int, 12> DaysInMonth{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeapYear(int year);

// Days of the month in that year, or 0 for a month outside 1 to 12.
int DaysOfMonth(int year, int month);

// The local calendar date, read afresh on every call unless pinned.
CivilDate Today();

// Fixes what Today() answers, so reports do not depend on the real date.
void PinToday(std::optional<CivilDate> date);

// Pins today for its lifetime and restores the previous pin afterwards.
class ScopedToday {
 public:
  explicit ScopedToday(CivilDate date);
  ~ScopedToday();
  ScopedToday(const ScopedToday&) = delete;
  ScopedToday& operator=(const ScopedToday&) = delete;

 private:
  std::optional<CivilDate> previous_;
};

namespace detail {
extern thread_local constinit const CivilDate* todayOnThisThread;
}  // namespace detail

// While it lives, Today() on this thread answers the date without reading the
// clock, unless a date is pinned: a batch of checks reads the clock once.
class TodayOnThisThread {
 public:
  // Inline: a batch makes one for every check.
  explicit TodayOnThisThread(const CivilDate& date) : previous_(detail::todayOnThisThread) {
    detail::todayOnThisThread = &date;
  }
  ~TodayOnThisThread() { detail::todayOnThisThread = previous_; }
  TodayOnThisThread(const TodayOnThisThread&) = delete;
  TodayOnThisThread& operator=(const TodayOnThisThread&) = delete;

 private:
  const CivilDate* previous_;
};

// A birth date read from a number, with its year placed in a century, and the
// two remarks the phrase makes about it.
struct Birthday {
  CivilDate date;
  bool notYetBorn = false;  // after today
  bool recordAge = false;   // older than anyone on record
  friend bool operator==(const Birthday&, const Birthday&) = default;
};

// A year of 0 to 99 is placed in a century by today's two-digit year.
// None when the date is not a calendar date.
std::optional<Birthday> ReadBirthday(std::int16_t year, std::int16_t month, std::int16_t day);

// “西元 1985 年 5 月 3 日”, followed by the remarks that apply.
void WriteBirthdayPhrase(const Birthday& birthday, ReportWriter& out);
std::string BirthdayPhrase(const Birthday& birthday);

// ReadBirthday's phrase, or the empty string when the date is not a calendar date.
std::string DescribeBirthday(std::int16_t year, std::int16_t month, std::int16_t day);

}  // namespace kesmal
