#include "timetable/times.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

using namespace lanzhou::timetable;

// ---- TextToIntOrZero -------------------------------------------------------------------------

TEST(TextToIntOrZero, ReadsWholeDecimalIntegersOnly) {
  EXPECT_EQ(TextToIntOrZero("1611"), 1611);
  EXPECT_EQ(TextToIntOrZero("007"), 7);
  EXPECT_EQ(TextToIntOrZero("-5"), -5);
  EXPECT_EQ(TextToIntOrZero("+5"), 5);
  EXPECT_EQ(TextToIntOrZero(""), 0);
  EXPECT_EQ(TextToIntOrZero("+"), 0);
  EXPECT_EQ(TextToIntOrZero("+-5"), 0);
  EXPECT_EQ(TextToIntOrZero("12a"), 0);
  EXPECT_EQ(TextToIntOrZero(" 12"), 0);
  EXPECT_EQ(TextToIntOrZero("1.5"), 0);
  EXPECT_EQ(TextToIntOrZero("99999999999"), 0);  // beyond 32 bits
}

// ---- ElapsedToMinutes ------------------------------------------------------------------------

struct ElapsedCase {
  const char* text;
  int minutes;
};

class ElapsedToMinutesTest : public testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedToMinutesTest, ReadsTheTimetableForms) {
  EXPECT_EQ(ElapsedToMinutes(GetParam().text), GetParam().minutes) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    ElapsedToMinutes, ElapsedToMinutesTest,
    testing::Values(ElapsedCase{"0", 0}, ElapsedCase{"18", 18}, ElapsedCase{"1:7", 67},  // 60 + 7
                    ElapsedCase{"11:47", 707},                                           // 660 + 47
                    ElapsedCase{"23:", 1380},    // minutes missing after the colon
                    ElapsedCase{"37:43", 2263},  // hours beyond 24: 2220 + 43
                    ElapsedCase{":30", 30},      // hours missing
                    ElapsedCase{"2:130", 250},   // the whole rest counts as minutes
                    ElapsedCase{"", 0}, ElapsedCase{"ab", 0},
                    ElapsedCase{"x:5", 5},       // unreadable hours count as 0
                    ElapsedCase{"2:y", 120},     // unreadable minutes count as 0
                    ElapsedCase{"1:2:3", 60},    // "2:3" after the first colon is no number
                    ElapsedCase{"12345", 12345},     // five digits: beyond the quick reading
                    ElapsedCase{"00012:05", 725},    // so are five hour digits
                    ElapsedCase{"-01:05", -65}));    // and a sign

// The one-to-four-digit forms, read in one pass, against hours * 60 + minutes computed apart.
TEST(ElapsedToMinutes, ReadsEveryPlainFormAsHoursAndMinutes) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 20000; ++i) {
    const auto digits = [&](int count) {
      std::string text;
      for (int k = 0; k < count; ++k) text.push_back(static_cast<char>('0' + random() % 10));
      return text;
    };
    const std::string hours = digits(1 + static_cast<int>(random() % 4));
    const bool has_minutes = random() % 4 != 0;
    const std::string minutes = has_minutes ? digits(1 + static_cast<int>(random() % 4)) : "";
    const std::string text = has_minutes ? hours + ":" + minutes : hours;
    const int expected = has_minutes ? std::stoi(hours) * 60 + std::stoi(minutes) : std::stoi(hours);
    ASSERT_EQ(ElapsedToMinutes(text), expected) << text;
  }
}


// ---- Durations, day markers, unknown values ---------------------------------------------------

TEST(DurationText, HoursUnpaddedMinutesTwoDigits) {
  const struct {
    int minutes;
    const char* text;
  } cases[] = {{0, "0:00"},     {5, "0:05"},      {59, "0:59"},     {60, "1:00"},
               {128, "2:08"},   {600, "10:00"},   {1313, "21:53"},  {4320, "72:00"},
               {6005, "100:05"}, {-5, "-0:05"},   {-65, "-1:05"}};
  for (const auto& c : cases) EXPECT_EQ(DurationText(c.minutes), c.text) << c.minutes;
  // Every duration reads back to its minutes, which the sorts and speeds rely on.
  for (int minutes = -200; minutes <= 6000; ++minutes) {
    ASSERT_EQ(ElapsedToMinutes(DurationText(minutes)), minutes) << minutes;
  }
}

TEST(DurationText, StoredElapsedTextsShownAsDurations) {
  EXPECT_EQ(ElapsedDurationText("10:"), "10:00");
  EXPECT_EQ(ElapsedDurationText("1:7"), "1:07");
  EXPECT_EQ(ElapsedDurationText("18"), "0:18");
  EXPECT_EQ(ElapsedDurationText("37:43"), "37:43");
  EXPECT_EQ(ElapsedDurationText("72:0"), "72:00");
  EXPECT_EQ(ElapsedDurationText(""), "0:00");
}

TEST(SectionMinutes, RunFromTheDepartureAtTheBoardingStop) {
  const struct {
    const char *from_elapsed, *from_arrive, *from_depart, *to_elapsed;
    int minutes;
  } cases[] = {
      {"0", "", "07:00", "2:13", 133},           // boarding at the first stop: no dwell
      {"2:10", "23:28", "23:50", "23:44", 1272},  // 22 minutes standing, across midnight
      {"2:10", "23:58", "00:04", "3:10", 54},     // the dwell itself crosses midnight
      {"1:7", "08:00", "08:00", "23:", 1313},     // no dwell
      {"5:0", "12:00", "", "6:0", 60},            // no departure time: nothing to take off
      {"5:0", "12:00", "12:5", "6:0", 60},        // a departure that is no time of day
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SectionMinutes(c.from_elapsed, c.from_arrive, c.from_depart, c.to_elapsed),
              c.minutes)
        << c.from_elapsed << " " << c.from_arrive << " " << c.from_depart << " " << c.to_elapsed;
  }
  EXPECT_EQ(DwellMinutes("23:28", "23:50"), 22);
  EXPECT_EQ(DwellMinutes("23:58", "00:04"), 6);
  EXPECT_EQ(DwellMinutes("", "07:00"), 0);
}

TEST(NumbersShown, UnknownValuesAndDayMarkers) {
  EXPECT_EQ(DistanceText(0), "-");
  EXPECT_EQ(DistanceText(-3), "-");
  EXPECT_EQ(DistanceText(1463), "1463");
  EXPECT_EQ(SpeedText(0, 120), "-");
  EXPECT_EQ(SpeedText(100, 0), "-");
  EXPECT_EQ(SpeedText(1318, 268), "295");  // 295.07
  EXPECT_EQ(SpeedText(5, 2), "150");
  EXPECT_EQ(DayMarker(0), "");
  EXPECT_EQ(DayMarker(1), "+1天");
  EXPECT_EQ(DayMarker(3), "+3天");
  EXPECT_EQ(RunDayText(1), "当天");
  EXPECT_EQ(RunDayText(2), "第2天");
}

TEST(ClockMinutes, ReadsTypedTimesOfDayOnly) {
  const struct {
    const char* text;
    int minutes;
  } cases[] = {{"07:30", 450}, {"7:30", 450}, {" 21:00 ", 1260}, {"00:00", 0}, {"23:59", 1439},
               {"24:00", -1},  {"7:5", -1},   {"0730", -1},      {"", -1},     {":30", -1},
               {"123:00", -1}, {"12:60", -1}, {"1a:00", -1}};
  for (const auto& c : cases) EXPECT_EQ(ClockMinutes(c.text), c.minutes) << '"' << c.text << '"';
  EXPECT_EQ(StopClockMinutes(""), std::nullopt);
  EXPECT_EQ(StopClockMinutes("23:47"), 1427);
}

TEST(DayMarker, NothingOnTheFirstDayThenTheDaysAfterIt) {
  for (const auto& [day, marker] : {std::pair{-1, ""}, std::pair{0, ""}, std::pair{1, "+1天"},
                                    std::pair{2, "+2天"}, std::pair{12, "+12天"}}) {
    EXPECT_EQ(DayMarker(day), marker) << day;
  }
}

// ---- RoundHalfUp -----------------------------------------------------------------------------

TEST(RoundHalfUp, RoundsHalvesUp) {
  EXPECT_EQ(RoundHalfUp(2.5), 3);
  EXPECT_EQ(RoundHalfUp(2.49), 2);
  EXPECT_EQ(RoundHalfUp(0.0), 0);
  EXPECT_EQ(RoundHalfUp(0.5), 1);
  EXPECT_EQ(RoundHalfUp(3.0), 3);
  EXPECT_EQ(RoundHalfUp(78.52), 79);
  EXPECT_EQ(RoundHalfUp(115.315175), 115);
}

TEST(RoundHalfUp, NeverOverflowsOrThrows) {
  EXPECT_EQ(RoundHalfUp(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfUp(1e300), std::numeric_limits<int>::max());
}

// ---- AverageSpeed and SectionSpeed -----------------------------------------------------------

TEST(AverageSpeed, RoundsKilometresPerHour) {
  // 1611 km in 20 h 31 = 1231 min: 1611 * 60 / 1231 = 78.52 -> 79.
  EXPECT_EQ(AverageSpeed("1611", "20:31"), "79");
  EXPECT_EQ(AverageSpeed("100", "40"), "150");
  EXPECT_EQ(AverageSpeed("5", "2"), "150");
  EXPECT_EQ(AverageSpeed("1", "120"), "1");  // 0.5 rounds up
}

TEST(AverageSpeed, EmptyWhenDistanceOrTimeIsNotPositive) {
  EXPECT_EQ(AverageSpeed("0", "1:00"), "");
  EXPECT_EQ(AverageSpeed("100", "0"), "");
  EXPECT_EQ(AverageSpeed("100", ""), "");
  EXPECT_EQ(AverageSpeed("km", "1:00"), "");
  EXPECT_EQ(AverageSpeed("-5", "1:00"), "");
}

TEST(SectionSpeed, UsesTheDifferencesOfDistanceAndTime) {
  // 359 - 82 = 277 km in 3:59 - 1:00 = 179 min: 277 * 60 / 179 = 92.85 -> 93.
  EXPECT_EQ(SectionSpeed("82", "359", "1:00", "3:59"), "93");
  EXPECT_EQ(SectionSpeed("0", "1611", "0", "20:31"), "79");
}

TEST(SectionSpeed, EmptyWhenNotMovingForward) {
  EXPECT_EQ(SectionSpeed("100", "100", "1:00", "2:00"), "");  // equal distances
  EXPECT_EQ(SectionSpeed("100", "200", "2:00", "2:00"), "");  // no time passed
  EXPECT_EQ(SectionSpeed("100", "200", "3:00", "2:00"), "");  // arrival before departure
  EXPECT_EQ(SectionSpeed("200", "100", "1:00", "2:00"), "");  // distance backwards
  EXPECT_EQ(SectionSpeed("x", "y", "1:00", "2:00"), "");      // both unreadable: 0 - 0
  EXPECT_EQ(SectionSpeed("x", "60", "a", "1:00"), "60");      // unreadable start counts as 0
}
