#include "journey/journey.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journey_test_timetable.h"

namespace lanzhou::journey::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr std::int32_t H = 60;
constexpr std::int32_t D = 1440;

// A train from a list of (station, arrive, depart), distances 100 km a stop.
SpecTrain Train(std::string id, std::vector<std::tuple<std::string, int, int>> stops) {
  SpecTrain t{std::move(id), {}};
  int km = 0;
  for (auto& [station, a, d] : stops) {
    t.stops.push_back({station, a, d, km, km == 0 ? "" : std::to_string(km / 10)});
    km += 100;
  }
  return t;
}

struct Case {
  const char* name;
  SpecTimetable timetable;
  Request request;
  std::vector<std::string> expected;
};

Request Between(std::vector<std::string> from, std::vector<std::string> to) {
  Request r;
  r.from = std::move(from);
  r.to = std::move(to);
  return r;
}

template <class F>
Request With(Request r, F change) {
  change(r);
  return r;
}

std::vector<Case> Cases() {
  const SpecTimetable exact_change{{
      Train("T1", {{"甲", -1, 8 * H}, {"丙", 10 * H, -1}}),
      Train("T2", {{"丙", -1, 10 * H + 30}, {"乙", 12 * H, -1}}),
      Train("T3", {{"丙", -1, 10 * H + 29}, {"乙", 11 * H, -1}}),
  }};
  const SpecTimetable city_change{{
                                      Train("T1", {{"甲", -1, 8 * H}, {"丙", 10 * H, -1}}),
                                      Train("T2", {{"丙东", -1, 11 * H + 29}, {"乙", 13 * H, -1}}),
                                      Train("T3", {{"丙东", -1, 11 * H + 30}, {"乙", 14 * H, -1}}),
                                  },
                                  {{"丙", 7}, {"丙东", 7}}};
  const SpecTimetable midnight{{
      Train("T1", {{"甲", -1, 22 * H}, {"丙", 23 * H + 50, -1}}),
      Train("T2", {{"丙", -1, 30}, {"乙", 2 * H, -1}}),
  }};
  const SpecTimetable three_days{{
      Train("K9", {{"甲", -1, 10 * H},
                   {"丙", 2 * D + 9 * H, 2 * D + 9 * H + 10},
                   {"乙", 2 * D + 12 * H, -1}}),
  }};
  const SpecTimetable long_wait{{
      Train("T1", {{"甲", -1, 8 * H}, {"丙", 9 * H, -1}}),
      Train("T2", {{"丙", -1, 22 * H}, {"乙", 23 * H, -1}}),
  }};
  const SpecTimetable apart{{
      Train("T1", {{"甲", -1, 8 * H}, {"丙", 9 * H, -1}}),
      Train("T2", {{"乙", -1, 10 * H}, {"丁", 11 * H, -1}}),
      Train("T3", {{"丙", -1, 10 * H}, {"甲", 11 * H, -1}}),
  }};
  const SpecTimetable shuttle{{
                                  Train("S1", {{"甲东", -1, 8 * H}, {"甲西", 8 * H + 30, -1}}),
                                  Train("T2", {{"甲西", -1, 9 * H}, {"乙", 10 * H, -1}}),
                              },
                              {{"甲东", 3}, {"甲西", 3}}};
  const SpecTimetable through_wins{{
      Train("T1", {{"甲", -1, 8 * H}, {"乙", 12 * H, -1}}),
      Train("T2", {{"甲", -1, 8 * H}, {"丙", 9 * H, -1}}),
      Train("T3", {{"丙", -1, 9 * H + 30}, {"乙", 12 * H + 30, -1}}),
      Train("T4", {{"甲", -1, 8 * H + 30}, {"丙", 9 * H + 20, -1}}),
      Train("T5", {{"丙", -1, 9 * H + 50}, {"乙", 11 * H, -1}}),
  }};
  const SpecTimetable two_changes{{
      Train("T1", {{"甲", -1, 6 * H}, {"丙", 7 * H, -1}}),
      Train("T2", {{"丙", -1, 7 * H + 30}, {"丁", 8 * H, -1}}),
      Train("T3", {{"丁", -1, 8 * H + 30}, {"乙", 9 * H, -1}}),
      Train("T4", {{"甲", -1, 5 * H}, {"乙", 20 * H, -1}}),
  }};
  // F reaches 丙 first but departs later; S, earlier and slower, is the only one whose wait for
  // T stays within an hour.
  const SpecTimetable later_arrival_catches{{
      Train("F", {{"甲", -1, 9 * H}, {"丙", 10 * H, -1}}),
      Train("S", {{"甲", -1, 8 * H}, {"丙", 11 * H, -1}}),
      Train("T", {{"丙", -1, 11 * H + 30}, {"乙", 12 * H, -1}}),
  }};
  const Request plain = Between({"甲"}, {"乙"});
  return {
      {"change at exactly the minimum, not a minute less",
       exact_change,
       plain,
       {"08:00 12:00 1 | T1 甲 08:00 丙 10:00 | wait 30 T2 丙 10:30 乙 12:00"}},
      {"a shorter minimum lets the tighter change through",
       exact_change,
       With(plain, [](Request& r) { r.min_change = 29; }),
       {"08:00 11:00 1 | T1 甲 08:00 丙 10:00 | wait 29 T3 丙 10:29 乙 11:00"}},
      {"change of station within the city needs its own minimum",
       city_change,
       plain,
       {"08:00 14:00 1 | T1 甲 08:00 丙 10:00 | wait 90 city T3 丙东 11:30 乙 14:00"}},
      {"connection across midnight",
       midnight,
       plain,
       {"22:00 02:00+1 1 | T1 甲 22:00 丙 23:50 | wait 40 T2 丙 00:30+1 乙 02:00+1"}},
      {"a train running three days",
       three_days,
       plain,
       {"10:00 12:00+2 0 | K9 甲 10:00 乙 12:00+2"}},
      {"a wait over the limit is no connection", long_wait, plain, {}},
      {"a longer limit lets it through",
       long_wait,
       With(plain, [](Request& r) { r.max_wait = 13 * H; }),
       {"08:00 23:00 1 | T1 甲 08:00 丙 09:00 | wait 780 T2 丙 22:00 乙 23:00"}},
      {"no limit at all",
       long_wait,
       With(plain, [](Request& r) { r.max_wait = 0; }),
       {"08:00 23:00 1 | T1 甲 08:00 丙 09:00 | wait 780 T2 丙 22:00 乙 23:00"}},
      {"no journey between the two", apart, plain, {}},
      {"a later arrival catches what an earlier one would wait too long for",
       later_arrival_catches,
       With(plain, [](Request& r) { r.max_wait = 60; }),
       {"08:00 12:00 1 | S 甲 08:00 丙 11:00 | wait 30 T 丙 11:30 乙 12:00"}},
      {"no shuttle inside the departure city",
       shuttle,
       With(Between({"甲东", "甲西"}, {"乙"}), [](Request& r) { r.before = 8 * H + 30; }),
       {}},
      {"the departure city's train itself is fine",
       shuttle,
       Between({"甲东", "甲西"}, {"乙"}),
       {"09:00 10:00 0 | T2 甲西 09:00 乙 10:00"}},
      {"a through train beats a slower change; a later faster change stays",
       through_wins,
       plain,
       {"08:00 12:00 0 | T1 甲 08:00 乙 12:00",
        "08:30 11:00 1 | T4 甲 08:30 丙 09:20 | wait 30 T5 丙 09:50 乙 11:00"}},
      {"two changes beat a slow through train",
       two_changes,
       plain,
       {"05:00 20:00 0 | T4 甲 05:00 乙 20:00",
        "06:00 09:00 2 | T1 甲 06:00 丙 07:00 | wait 30 T2 丙 07:30 丁 08:00 | wait 30 T3 丁 08:30 "
        "乙 09:00"}},
      {"at most one change leaves the through train",
       two_changes,
       With(plain, [](Request& r) { r.max_changes = 1; }),
       {"05:00 20:00 0 | T4 甲 05:00 乙 20:00"}},
      {"the window keeps departures inside it",
       through_wins,
       With(plain, [](Request& r) { r.after = 8 * H + 1; }),
       {"08:30 11:00 1 | T4 甲 08:30 丙 09:20 | wait 30 T5 丙 09:50 乙 11:00"}},
      {"a window over midnight",
       midnight,
       With(plain,
            [](Request& r) {
              r.after = 21 * H;
              r.before = 1 * H;
            }),
       {"22:00 02:00+1 1 | T1 甲 22:00 丙 23:50 | wait 40 T2 丙 00:30+1 乙 02:00+1"}},
  };
}

TEST(JourneyPlanner, FixtureCases) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const SpecTables t(c.timetable);
    EXPECT_THAT(JourneyLines(FindJourneys(t.network, c.request)), ElementsAreArray(c.expected));
  }
}

TEST(JourneyPlanner, LegDetailsDistancesAndFares) {
  // Fares from the first station: T1 甲 0, 丙 10 (100 km); T5 丙 0, 乙 10. K8 sells no hard seat.
  const SpecTimetable timetable{{
      Train("T1", {{"甲", -1, 8 * H}, {"丁", 9 * H, 9 * H + 5}, {"丙", 10 * H, -1}}),
      Train("T5", {{"丙", -1, 10 * H + 40}, {"乙", 11 * H, -1}}),
  }};
  const SpecTables t(timetable);
  const auto journeys = FindJourneys(t.network, Between({"甲"}, {"乙"}));
  ASSERT_EQ(journeys.size(), 1u);
  const Journey& j = journeys[0];
  EXPECT_EQ(j.Minutes(), 3 * H);
  EXPECT_EQ(j.distance, 300);
  EXPECT_EQ(j.fare, "30");
  ASSERT_EQ(j.legs.size(), 2u);
  EXPECT_EQ(j.legs[0].from_no, 1);
  EXPECT_EQ(j.legs[0].to_no, 3);
  EXPECT_EQ(j.legs[0].fare, "20");
  EXPECT_EQ(j.legs[1].fare, "10");
  EXPECT_EQ(j.legs[1].distance, 100);
  EXPECT_EQ(TrainChainText(j), "T1 → T5");
}

TEST(JourneyPlanner, RefusedRequestsAndUnknownStations) {
  const SpecTables t({{Train("T1", {{"甲", -1, 8 * H}, {"乙", 9 * H, -1}})}});
  EXPECT_THAT(FindJourneys(t.network, Between({"甲"}, {"乙"})), ::testing::SizeIs(1));
  EXPECT_THAT(FindJourneys(t.network, Between({"甲"}, {"无此站"})), IsEmpty());
  for (auto change : std::vector<void (*)(Request&)>{
           [](Request& r) { r.max_changes = 3; }, [](Request& r) { r.after = 1440; },
           [](Request& r) { r.min_change = -1; }, [](Request& r) { r.max_wait = -5; }}) {
    const Request r = With(Between({"甲"}, {"乙"}), change);
    EXPECT_TRUE(CheckRequest(r).has_value());
    EXPECT_THAT(FindJourneys(t.network, r), IsEmpty());
  }
}

TEST(JourneyPlanner, SetEndpointsReadsCityGroups) {
  SpecTables t({{Train("T1", {{"北京西", -1, 8 * H}, {"上海", 9 * H, -1}})},
                {{"北京", 5}, {"北京西", 5}, {"上海", 8}, {"上海虹桥", 8}}});
  Request r;
  SetEndpoints(t.tables.store.KMSM, "北京", " 上海虹桥 ", r);
  EXPECT_THAT(r.from, ElementsAre("北京", "北京西"));
  EXPECT_THAT(r.to, ElementsAre("上海", "上海虹桥"));
  SetEndpoints(t.tables.store.KMSM, "北京", "北京西", r);  // one group: the names themselves
  EXPECT_THAT(r.from, ElementsAre("北京"));
  EXPECT_THAT(r.to, ElementsAre("北京西"));
}

TEST(JourneyPlanner, SortByColumnKeepsPlannerOrderOnTies) {
  const SpecTables t({{
      Train("A", {{"甲", -1, 8 * H}, {"乙", 11 * H + 20, -1}}),
      Train("B", {{"甲", -1, 9 * H}, {"丙", 9 * H + 30, -1}}),
      Train("C", {{"丙", -1, 10 * H}, {"乙", 11 * H, -1}}),
      Train("E", {{"甲", -1, 10 * H}, {"乙", 11 * H + 30, -1}}),
  }});
  auto journeys = FindJourneys(t.network, Between({"甲"}, {"乙"}));
  const auto chains = [&] {
    std::vector<std::string> out;
    for (const Journey& j : journeys) out.push_back(TrainChainText(j));
    return out;
  };
  EXPECT_THAT(chains(), ElementsAre("A", "B → C", "E"));
  SortJourneys(journeys, *SortKeyFromCaption("历时"));
  EXPECT_THAT(chains(), ElementsAre("E", "B → C", "A"));
  SortJourneys(journeys, *SortKeyFromCaption("到达"));
  EXPECT_THAT(chains(), ElementsAre("B → C", "A", "E"));
  SortJourneys(journeys, *SortKeyFromCaption("换乘"), true);
  EXPECT_THAT(chains(), ElementsAre("B → C", "A", "E"));
  SortJourneys(journeys, *SortKeyFromCaption("出发"), true);
  EXPECT_THAT(chains(), ElementsAre("E", "B → C", "A"));
  EXPECT_FALSE(SortKeyFromCaption("车次").has_value());
}

TEST(JourneyTexts, ClockDayAndDuration) {
  EXPECT_EQ(ClockText(1500), "01:00");
  EXPECT_EQ(DayOf(1500), 1);
  EXPECT_EQ(DayOf(1439), 0);
  EXPECT_EQ(DurationText(1534), "25:34");
  EXPECT_EQ(DurationText(5), "0:05");
}

}  // namespace
}  // namespace lanzhou::journey::test
