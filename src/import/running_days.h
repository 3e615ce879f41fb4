#pragma once
// Running days of one train version in the crawl's compact notation, evaluated for one date.
//
//   ""                       every day
//   240615-0721|0801|05-09   dates and ranges; each date after the first replaces the tail of
//                            the date written before it (2, 4 or 6 digits: DD, MMDD, YYMMDD)
//   w567                     ISO weekdays (1 Monday .. 7 Sunday)
//   单 / 双                  odd / even number of days after the epoch (the epoch is day 0, even)
//   b0011                    a cycle of days written as a binary number: the last character is
//                            the epoch day, the one before it the next day, and so on, repeating
//   !x / 停x                 not x
//   x&y                      both
//
// `!`/`停` negates the one term it prefixes; `&` joins terms. The epoch is the first day of the
// timetable (2024-06-15 for the 240615 crawl).
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::import {

// A running-day text that does not follow the notation; what() says what is wrong.
class RunningDaysError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RunningDays {
 public:
  // Parses spec; throws RunningDaysError.
  explicit RunningDays(std::string_view spec);

  [[nodiscard]] bool RunsOn(std::chrono::sys_days day, std::chrono::sys_days epoch) const;
  // The latest date a date range of the text names (negated ones included), if any: where a
  // timetable's period ends.
  [[nodiscard]] std::optional<std::chrono::sys_days> LastNamedDay() const;

 private:
  enum class Kind { kDates, kWeekdays, kOdd, kEven, kCycle };
  struct Range {
    std::chrono::sys_days first;
    std::chrono::sys_days last;
  };
  struct Term {
    bool negated = false;
    Kind kind = Kind::kDates;
    unsigned weekdays = 0;  // bit d for ISO weekday d
    std::string cycle;      // '0'/'1', epoch day last
    std::vector<Range> ranges;
  };
  [[nodiscard]] static bool Holds(const Term& term, std::chrono::sys_days day,
                                  std::chrono::sys_days epoch);
  static Term ParseTerm(std::string_view text);
  static std::vector<Range> ParseDates(std::string_view text);

  std::vector<Term> terms_;  // all must hold; none: every day
};

// "YYYY-MM-DD" to a day (data::ParseIsoDate); throws RunningDaysError for anything else.
[[nodiscard]] std::chrono::sys_days ParseIsoDate(std::string_view text);

// The first day of the 240615 crawl, from which 单/双 and b... count.
inline constexpr std::chrono::sys_days kCrawlEpoch{
    std::chrono::year_month_day{std::chrono::year{2024}, std::chrono::June, std::chrono::day{15}}};

}  // namespace lanzhou::import
