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

// ---- RunningTime -----------------------------------------------------------------------------

struct RunningCase {
  const char* from;
  const char* to;
  const char* text;
};

class RunningTimeTest : public testing::TestWithParam<RunningCase> {};

TEST_P(RunningTimeTest, PadsHoursAndMinutes) {
  EXPECT_EQ(RunningTime(GetParam().from, GetParam().to), GetParam().text)
      << '"' << GetParam().from << "\" -> \"" << GetParam().to << '"';
}

INSTANTIATE_TEST_SUITE_P(
    RunningTime, RunningTimeTest,
    testing::Values(
        RunningCase{"18", "2:13", "01:55"},  // 133 - 18 = 115 = 1 h 55
        RunningCase{"1:7", "23:", "21:53"},  // 1380 - 67 = 1313 = 21 h 53
        RunningCase{"0", "0", "0"},          // identical texts: a single zero
        RunningCase{"5:20", "5:20", "0"},
        RunningCase{"1:0", "1:", "00:00"},   // different texts, same value
        RunningCase{"0", "10:", "10:00"},    // 600 minutes
        RunningCase{"0", "100:", "100:00"},  // 6000 minutes: hours keep all their digits
        RunningCase{"0", "123:5", "123:05"}, RunningCase{"0", "9", "00:09"},
        RunningCase{"0", "1:10", "01:10"}, RunningCase{"0", "9:59", "09:59"},
        RunningCase{"0", "2:130", "02:13"},  // only two characters of minutes are read here
        RunningCase{"", "1:", "01:00"},      // empty counts as 0
        RunningCase{"1:5", "0:0", "-01:05"}  // backwards: sign in front, not inside
        ));

// ---- MinutesToElapsed ------------------------------------------------------------------------

TEST(MinutesToElapsed, WritesHoursAndMinutesWithoutPadding) {
  EXPECT_EQ(MinutesToElapsed(0), "0:0");
  EXPECT_EQ(MinutesToElapsed(40), "0:40");
  EXPECT_EQ(MinutesToElapsed(125), "2:5");
  EXPECT_EQ(MinutesToElapsed(2263), "37:43");
  EXPECT_EQ(MinutesToElapsed(1380), "23:0");
  // Round trip through the reader for the forms it writes.
  for (int minutes : {0, 1, 59, 60, 61, 1439, 1440, 6000}) {
    EXPECT_EQ(ElapsedToMinutes(MinutesToElapsed(minutes)), minutes);
  }
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
