#include "import/running_days.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace lanzhou::import {
namespace {

using std::chrono::days;
using std::chrono::sys_days;

sys_days Day(const char* iso) {
  return ParseIsoDate(iso);
}

struct Case {
  const char* spec;
  const char* day;
  bool runs;
};

// 2024-06-15 (the epoch) is a Saturday; 2024-07-05 a Friday, 20 days later.
TEST(RunningDays, EveryFormOnChosenDays) {
  const Case cases[] = {
      {"", "2024-07-05", true},
      {"", "2023-01-01", true},
      // A date, a range, tails of 2 and 4 digits replacing the end of the date before them.
      {"240705", "2024-07-05", true},
      {"240705", "2024-07-06", false},
      {"240615-0721", "2024-06-15", true},
      {"240615-0721", "2024-07-21", true},
      {"240615-0721", "2024-07-22", false},
      {"240715-16", "2024-07-16", true},
      {"240715-16", "2024-07-17", false},
      {"240701|05-09", "2024-07-05", true},  // "05" follows 240701: 240705..240709
      {"240701|05-09", "2024-07-04", false},
      {"240701-03|0801|03", "2024-08-03", true},  // "03" follows 240801
      {"240701-03|0801|03", "2024-07-02", true},
      {"240701-03|0801|03", "2024-08-02", false},
      {"241230-250102", "2025-01-01", true},  // a full date as the tail
      // Negation, both marks, of a date and of a range.
      {"!240705", "2024-07-05", false},
      {"!240705", "2024-07-06", true},
      {"停240704-06", "2024-07-05", false},
      {"停240704-06", "2024-07-07", true},
      {"!!240705", "2024-07-05", true},
      // ISO weekdays: Friday is 5, Sunday 7.
      {"w5", "2024-07-05", true},
      {"w1234", "2024-07-05", false},
      {"w67", "2024-07-07", true},
      {"w67", "2024-07-08", false},
      // Odd and even days after the epoch; the epoch itself is day 0, even.
      {"双", "2024-06-15", true},
      {"单", "2024-06-15", false},
      {"单", "2024-06-16", true},
      {"双", "2024-07-05", true},  // day 20
      {"单", "2024-07-06", true},  // day 21
      {"单", "2024-06-14", true},  // day -1, before the epoch
      // Cycles: the last character is the epoch day, the one before it the day after.
      {"b0001", "2024-06-15", true},
      {"b0001", "2024-06-16", false},
      {"b0001", "2024-06-19", true},  // day 4
      {"b0001", "2024-07-05", true},  // day 20
      {"b0010", "2024-06-16", true},
      {"b01111", "2024-07-05", true},   // day 20 = 0 mod 5
      {"b01111", "2024-07-09", false},  // day 24 = 4 mod 5
      {"b011", "2024-07-05", false},    // day 20 = 2 mod 3, the first character
      {"b10", "2024-06-14", true},      // day -1 = 1 mod 2
      // Terms joined by &, negation binding to its own term.
      {"w5&240701-10", "2024-07-05", true},
      {"w5&240701-10", "2024-07-12", false},
      {"单&240706-28", "2024-07-07", false},
      {"单&240706-28", "2024-07-08", true},  // day 23
      {"双&240705-0828", "2024-07-05", true},
      {"b0001&240705-0802", "2024-07-05", true},
      {"b0001&240705-0802", "2024-08-06", false},  // day 52 runs by the cycle, after the range
      {"w5&!240705", "2024-07-05", false},
      {"w5&!240705", "2024-07-12", true},
      {"!w5&240701-31", "2024-07-05", false},
      {"!w5&240701-31", "2024-07-06", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunningDays(c.spec).RunsOn(Day(c.day), kCrawlEpoch), c.runs)
        << c.spec << " on " << c.day;
  }
}

TEST(RunningDays, TheEpochIsAParameter) {
  const sys_days epoch = Day("2024-01-10");
  EXPECT_TRUE(RunningDays("双").RunsOn(Day("2024-01-10"), epoch));
  EXPECT_TRUE(RunningDays("b01").RunsOn(Day("2024-01-10"), epoch));
  EXPECT_FALSE(RunningDays("b01").RunsOn(Day("2024-01-11"), epoch));
}

TEST(RunningDays, RefusesWhatIsNotTheNotation) {
  const char* bad[] = {"2407", "240732",       "240231",  "240705-", "240705-7", "240710-05",
                       "w",    "w8",           "w0",      "b",       "b012",     "&",
                       "w5&",  "&w5",          "x240705", "单单",    "240705|",  "240705||06",
                       "!",    "240705-06-07", "24070a"};
  for (const char* spec : bad) {
    EXPECT_THROW(RunningDays{spec}, RunningDaysError) << spec;
  }
}

TEST(RunningDays, IsoDates) {
  EXPECT_EQ(ParseIsoDate("2024-07-05") - kCrawlEpoch, days{20});
  for (const char* bad : {"2024-7-05", "2024-02-30", "20240705", "2024-07-05x", ""}) {
    EXPECT_THROW((void)ParseIsoDate(bad), RunningDaysError) << bad;
  }
}

// Date lists written the way the crawl writes them (each date shortened to the tail that
// differs from the date before it) mean exactly the days they list: random lists against a
// set of days.
TEST(RunningDays, ShortenedDateListsMeanTheirDays) {
  std::mt19937 random(20240615);
  const sys_days first = Day("2024-05-01");
  auto yymmdd = [](sys_days d) {
    const std::chrono::year_month_day ymd{d};
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02u%02u", int(ymd.year()) % 100, unsigned(ymd.month()),
                  unsigned(ymd.day()));
    return std::string(text);
  };
  auto tail = [](const std::string& previous, const std::string& date) {
    std::size_t keep = 0;  // whole two-digit parts shared with the date before
    while (keep < 6 && previous.compare(keep, 2, date, keep, 2) == 0) keep += 2;
    return date.substr(std::min<std::size_t>(keep, 4));
  };
  for (int round = 0; round < 300; ++round) {
    std::set<sys_days> days_in;
    std::string spec, previous;
    sys_days at = first + days{int(random() % 40)};
    const int pieces = 1 + int(random() % 6);
    for (int p = 0; p < pieces; ++p) {
      const sys_days end = at + days{int(random() % 50)};
      for (sys_days d = at; d <= end; d += days{1}) days_in.insert(d);
      const std::string a = yymmdd(at);
      spec += (p == 0 ? a : "|" + tail(previous, a));
      previous = a;
      if (end != at || random() % 2 == 0) {
        const std::string b = yymmdd(end);
        spec += "-" + tail(previous, b);
        previous = b;
      }
      at = end + days{2 + int(random() % 40)};
    }
    const RunningDays dates(spec);
    const RunningDays negated("!" + spec);
    for (sys_days d = first - days{3}; d <= at + days{3}; d += days{1}) {
      const bool listed = days_in.contains(d);
      ASSERT_EQ(dates.RunsOn(d, kCrawlEpoch), listed) << spec << " day " << yymmdd(d);
      ASSERT_EQ(negated.RunsOn(d, kCrawlEpoch), !listed) << spec << " day " << yymmdd(d);
    }
  }
}

}  // namespace
}  // namespace lanzhou::import
