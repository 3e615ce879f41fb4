#include "cli/service_date.h"

#include <gtest/gtest.h>

namespace lanzhou::cli {
namespace {

TEST(ChooseDate, TodayInsideThePeriodElseItsFirstDay) {
  const data::Calendar summer(data::ParsePeriod("2024-07-01..2024-08-31"));
  const data::Date jul20 = data::ParseIsoDate("2024-07-20");
  DateChoice c = ChooseDate(std::nullopt, jul20, summer);
  EXPECT_EQ(c.date, jul20);
  EXPECT_EQ(c.notice, "lanzhou-query: no --date: answering for today, 2024-07-20");
  c = ChooseDate(std::nullopt, data::ParseIsoDate("2024-09-01"), summer);
  EXPECT_EQ(c.date, data::ParseIsoDate("2024-07-01"));
  EXPECT_EQ(c.notice, "lanzhou-query: no --date: answering for 2024-07-01, the first day of the "
                      "timetable's period 2024-07-01..2024-08-31 (today, 2024-09-01, lies outside it)");
  c = ChooseDate(std::string("2024-08-31"), jul20, summer);
  EXPECT_EQ(c.date, data::ParseIsoDate("2024-08-31"));
  EXPECT_FALSE(c.notice || c.refusal);
  // A one-day file: the day is its one day, and no notice (it changes no answer).
  const data::Calendar one = data::Calendar::EveryDay(data::ParsePeriod("2024-07-05"));
  c = ChooseDate(std::nullopt, jul20, one);
  EXPECT_EQ(c.date, data::ParseIsoDate("2024-07-05"));
  EXPECT_FALSE(c.notice);
  EXPECT_TRUE(ChooseDate(std::string("2024-07-06"), jul20, one).refusal);
  // Tables without a calendar: no date at all, unless one is given.
  EXPECT_FALSE(ChooseDate(std::nullopt, jul20, data::Calendar()).date);
  EXPECT_EQ(ChooseDate(std::string("2030-01-01"), jul20, data::Calendar()).date,
            data::ParseIsoDate("2030-01-01"));
}

}  // namespace
}  // namespace lanzhou::cli
