#include "data/calendar.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace lanzhou::data {
namespace {

using std::chrono::days;

Date D(const char* iso) { return ParseIsoDate(iso); }

DaySet Days(std::initializer_list<int> list) {
  DaySet s;
  for (int d : list) s.set(static_cast<std::size_t>(d));
  return s;
}

TEST(Calendar, DatesAndPeriods) {
  EXPECT_EQ(IsoDateText(D("2024-06-15")), "2024-06-15");
  EXPECT_EQ(D("2024-03-01") - D("2024-02-28"), days{2});  // a leap year
  for (const char* bad : {"2024-6-15", "2024-02-30", "20240615", "2024-06-15x", "", "yyyy-mm-dd"}) {
    EXPECT_THROW((void)ParseIsoDate(bad), CalendarError) << bad;
  }
  const Period p = ParsePeriod("2024-06-15..2024-09-10");
  EXPECT_EQ(p.days, 88);
  EXPECT_EQ(p.Last(), D("2024-09-10"));
  EXPECT_EQ(p.Text(), "2024-06-15..2024-09-10");
  EXPECT_TRUE(p.Contains(D("2024-09-10")));
  EXPECT_FALSE(p.Contains(D("2024-09-11")));
  EXPECT_FALSE(p.Contains(D("2024-06-14")));
  EXPECT_EQ(ParsePeriod("2024-07-05").Text(), "2024-07-05");
  EXPECT_EQ(ParsePeriod("2024-07-05").days, 1);
  EXPECT_THROW((void)ParsePeriod("2024-09-10..2024-06-15"), CalendarError);
  EXPECT_THROW((void)ParsePeriod("2024-01-01..2026-01-01"), CalendarError);  // over 512 days
}

// A train leaving 哈尔滨 at 22:00 on day 3 only, calling at 北京 the next morning.
TEST(Calendar, TheRuleCountsFromTheDayTheTrainLeftItsFirstStop) {
  Calendar c(ParsePeriod("2024-07-01..2024-07-31"));
  c.Add("K1", Days({3}), {0, 0, 0, 1, 1, 1});  // stops: origin; 23:30/00:10; terminus
  c.Add("K1#2", Days({10, 11}), {0, 0, 0, 0});
  const int v = c.Find("K1");
  ASSERT_EQ(v, 0);
  EXPECT_EQ(c.Find("K1#2"), 1);
  EXPECT_EQ(c.Find("K9"), Calendar::kUnknown);
  struct Case {
    int stop;
    const char* date;
    bool calls;
  };
  const Case cases[] = {
      {1, "2024-07-04", true},  {1, "2024-07-05", false}, {1, "2024-07-03", false},
      {2, "2024-07-05", true},  {2, "2024-07-04", false},  // departs after midnight
      {3, "2024-07-05", true},  {3, "2024-07-04", false},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(c.CallsAt(v, k.stop, D(k.date)), k.calls) << k.stop << " " << k.date;
  }
  EXPECT_EQ(c.ArrivalDay(v, 2), 0);
  EXPECT_EQ(c.DepartureDay(v, 2), 1);
  EXPECT_EQ(c.ArrivalDay(v, 3), 1);
  EXPECT_EQ(c.ArrivalDay(v, 9), 0);  // no such stop
  // Outside the period nothing runs; an unknown train runs every day.
  EXPECT_FALSE(c.RunsOn(v, D("2024-08-04")));
  EXPECT_TRUE(c.RunsOn(Calendar::kUnknown, D("2030-01-01")));
  EXPECT_EQ(c.NextRunningDay(1, D("2024-07-05")), D("2024-07-11"));
  EXPECT_EQ(c.NextRunningDay(1, D("2024-07-12")), D("2024-07-12"));
  EXPECT_EQ(c.NextRunningDay(1, D("2024-07-13")), std::nullopt);
  EXPECT_THROW(c.Add("K1", Days({1}), {}), CalendarError);
}

TEST(Calendar, DefaultDayAndOneDayFiles) {
  const Calendar c(ParsePeriod("2024-07-01..2024-08-31"));
  EXPECT_EQ(c.DefaultDay(D("2024-07-20")), D("2024-07-20"));
  EXPECT_EQ(c.DefaultDay(D("2026-12-09")), D("2024-07-01"));
  EXPECT_EQ(c.DefaultDay(D("2024-06-30")), D("2024-07-01"));
  EXPECT_EQ(Calendar().DefaultDay(D("2026-12-09")), D("2026-12-09"));

  // A one-day file: its trains run every day, the day before included (a train that left
  // yesterday still calls today).
  const Calendar one = Calendar::Parse(Calendar::EveryDay(ParsePeriod("2024-07-05")).Text());
  EXPECT_FALSE(one.KnowsRunningDays());
  EXPECT_EQ(one.period()->Text(), "2024-07-05");
  EXPECT_TRUE(one.CallsOn(one.Find("G1"), 1, D("2024-07-05")));
}

// Any calendar read back from its text answers every question as the one written.
TEST(Calendar, TextRoundTripKeepsEveryAnswer) {
  std::mt19937 rng(20240615);
  for (int round = 0; round < 20; ++round) {
    const int length = 1 + static_cast<int>(rng() % 120);
    Calendar c(Period{D("2024-06-15"), length});
    const int versions = static_cast<int>(rng() % 30);
    std::vector<DaySet> patterns(4);
    for (DaySet& p : patterns) {
      for (int d = 0; d < length; ++d) {
        if (rng() % 3 != 0) p.set(static_cast<std::size_t>(d));
      }
    }
    for (int v = 0; v < versions; ++v) {
      std::vector<std::uint8_t> offsets(2 * (rng() % 6));
      for (std::uint8_t& o : offsets) o = static_cast<std::uint8_t>(rng() % 4);
      c.Add("T" + std::to_string(v), patterns[rng() % patterns.size()], offsets);
    }
    const Calendar back = Calendar::Parse(c.Text());
    ASSERT_EQ(back.Text(), c.Text());
    ASSERT_EQ(back.VersionCount(), versions);
    ASSERT_LE(back.DaySetCount(), 4);  // shared patterns are written once
    for (int v = 0; v < versions; ++v) {
      for (int d = -2; d < length + 2; ++d) {
        const Date day = D("2024-06-15") + days{d};
        ASSERT_EQ(back.RunsOn(v, day), c.RunsOn(v, day)) << round << " " << v << " " << d;
      }
      for (int s = 1; s <= 6; ++s) {
        ASSERT_EQ(back.ArrivalDay(v, s), c.ArrivalDay(v, s));
        ASSERT_EQ(back.DepartureDay(v, s), c.DepartureDay(v, s));
      }
    }
  }
}

TEST(Calendar, UnreadableTextsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"", "calendar without a period"},
      {"days: 1\n", "calendar line 1: days before the period"},
      {"period: 2024-07-01 3\ndays: f\n", "calendar line 2: bad day set"},  // day 3 of 3
      {"period: 2024-07-01 3\ndays: 7\ntrain: G1 1 00\n", "calendar line 3: no day set 1"},
      {"period: 2024-07-01 3\ndays: 7\ntrain: G1 0 0\n", "calendar line 3: day offsets"},
      {"period: 2024-07-01 3\ndays: 7\ntrain: G1 0 00\ntrain: G1 0 00\n",
       "calendar line 4: train G1 listed twice"},
      {"period: 2024-07-01 0\n", "calendar line 1: bad number of days"},
      {"period: 2024-07-01 3\nevery-day\ntrain: G1 0 00\n", "calendar line 3: train without"},
      {"period: 2024-07-01 3\nwhat\n", "calendar line 2: unknown line"},
  };
  for (const Case& k : cases) {
    try {
      (void)Calendar::Parse(k.text);
      ADD_FAILURE() << "accepted: " << k.text;
    } catch (const CalendarError& e) {
      EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos)
          << e.what() << " | " << k.text;
    }
  }
}

}  // namespace
}  // namespace lanzhou::data
