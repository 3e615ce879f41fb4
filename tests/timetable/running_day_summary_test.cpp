#include "timetable/running_day_summary.h"

#include <gtest/gtest.h>

#include <functional>

namespace lanzhou::timetable {
namespace {

using data::Date;
using data::DaySet;
using data::Period;

// The set of the period's days for which `runs` holds.
DaySet SetOf(const Period& p, const std::function<bool(Date)>& runs) {
  DaySet s;
  for (int d = 0; d < p.days; ++d) {
    if (runs(p.first + std::chrono::days{d})) s.set(static_cast<std::size_t>(d));
  }
  return s;
}

unsigned Dom(Date d) { return static_cast<unsigned>(std::chrono::year_month_day{d}.day()); }
unsigned Iso(Date d) { return std::chrono::weekday{d}.iso_encoding(); }

TEST(RunningDaySummary, ReadsAsATravellerWouldSay) {
  const Period p = data::ParsePeriod("2024-06-15..2024-09-10");  // the 2024 crawl's period
  const Date jul22 = data::ParseIsoDate("2024-07-22");
  const Date jul10 = data::ParseIsoDate("2024-07-10");
  const Date aug25 = data::ParseIsoDate("2024-08-25");
  struct Case {
    std::function<bool(Date)> runs;
    const char* summary;
  };
  const Case cases[] = {
      {[](Date) { return true; }, "每日"},
      {[](Date) { return false; }, "停运"},
      {[](Date d) { return Dom(d) % 2 == 1; }, "单日"},
      {[](Date d) { return Dom(d) % 2 == 0; }, "双日"},
      {[&](Date d) { return (d - p.first).count() % 2 == 0; }, "隔日"},  // across 31-day months
      {[](Date d) { return Iso(d) == 5 || Iso(d) == 7; }, "周五、周日"},
      {[](Date d) { return Iso(d) == 6; }, "周六"},
      {[&](Date d) { return d < jul22; }, "7月22日起停运"},
      {[&](Date d) { return d >= jul22; }, "7月22日起开行"},
      {[&](Date d) { return d >= jul10 && d <= aug25; }, "7月10日–8月25日"},
      {[&](Date d) { return d >= jul10 && d <= aug25 && Iso(d) == 5; }, "周五（7月12日–8月23日）"},
      {[&](Date d) { return d < jul22 && (Iso(d) == 5 || Iso(d) == 7); },
       "周五、周日，7月22日起停运"},
      {[&](Date d) { return d == jul10 || d == jul22 || (d > aug25 && d < aug25 + std::chrono::days{3}); },
       "7月10日、7月22日、8月26日–8月27日"},
      {[&](Date d) { return Dom(d) % 7 == 0 || Dom(d) == 1; }, "不定期（共14天）"},
  };
  for (const Case& c : cases) EXPECT_EQ(RunningDaySummary(SetOf(p, c.runs), p), c.summary);
}

TEST(RunningDaySummary, DatesAndTheNotRunningAnswer) {
  EXPECT_EQ(MonthDayText(data::ParseIsoDate("2024-07-06")), "7月6日");
  EXPECT_EQ(MonthDayText(data::ParseIsoDate("2024-12-31")), "12月31日");
  EXPECT_EQ(NotRunningText("G1234", data::ParseIsoDate("2024-07-06")), "G1234 在 7月6日 不开行");
}

}  // namespace
}  // namespace lanzhou::timetable
