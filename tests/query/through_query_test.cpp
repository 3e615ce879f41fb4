#include "query/through_query.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "query_test_tables.h"
#include "lanzhou_test_fixtures.h"

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// G1 boards at its origin 北京南 (the train list says 北京) and ends at 上海虹桥. K100 calls at two
// 北京 stations, 北京西 first. K200 runs the other way. 1112/1113 calls at 上海西, then 上海. D5
// leaves the 北京 group but never reaches 上海. K999 is missing from the train list.
constexpr std::string_view kStops = R"(
"1112/1113","郑州","1","","18:05","0","0","","","","",
"1112/1113","徐州","2","23:32","23:52","5:27","349","41.5","-","80/83/86","126/133",
"1112/1113","南京","3","05:02","05:14","10:57","697","76","-","140/145/150","221/232",
"1112/1113","上海西","4","09:05","09:07","15:","992","105.5","-","190/197/204","302/317",
"1112/1113","上海","5","09:25","","15:20","998","106","-","191/198/205","304/319",
"D5","北京南","1","","07:00","0","0","","","","",
"D5","天津","2","07:30","","30","120","54.5","65.5","-","-",
"G1","北京南","1","","09:00","0","0","","","","",
"G1","济南西","2","10:31","10:33","1:31","406","184.5","309.5","-","-",
"G1","南京南","3","12:35","12:37","3:35","1023","443.5","748.5","-","-",
"G1","上海虹桥","4","13:48","","4:48","1318","555","935","-","-",
"K100","北京西","1","","08:00","0","0","","","","",
"K100","天津","2","09:30","09:35","1:30","137","-","-","-","-",
"K100","北京","3","11:00","11:10","3:","274","-","-","-","-",
"K100","南京","4","20:00","20:10","12:","1150","-","-","-","-",
"K100","上海","5","23:00","","15:","1450","-","-","-","-",
"K200","上海","1","","07:00","0","0","","","","",
"K200","南京","2","10:00","10:05","3:","300","-","-","-","-",
"K200","北京","3","20:00","","13:","1450","-","-","-","-",
"K999","北京","1","","06:00","0","0","","","","",
"K999","上海","2","18:00","","12:","1460","-","-","-","-",
)";

constexpr std::string_view kTrains = R"(
"1112/1113","9","郑州","上海","18:05","09:25","15:20","998","106","-","191/198/205","304/319",
"D5","1","北京","天津","07:00","07:30","30","120","54.5","65.5","-","-",
"G1","2","北京","上海","09:00","13:48","4:48","1318","555","935","-","-",
"K100","6","北京","上海","08:00","23:00","15:","1450","-","-","-","-",
"K200","6","上海","北京","07:00","20:00","13:","1450","-","-","-","-",
)";

constexpr std::string_view kGroups = R"(
"北京","5",
"北京南","5",
"北京西","5",
"上海","95",
"上海西","95",
"上海虹桥","95",
)";

class ThroughQuery : public ::testing::Test {
 protected:
  Tables tables_{kStops, kTrains, kGroups};
  QueryState state_;
};

TEST_F(ThroughQuery, CityGroupsOnBothSidesListEveryTrainBetweenThem) {
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京", "上海"));
  // K200 meets 上海 before 北京 and K999 is not in the train list: no rows. K100 boards at its
  // first 北京 station, 北京西, not at 北京 further on.
  EXPECT_THAT(Sections(state_), ElementsAre("G1 北京南#1 09:00 > 上海虹桥#4 13:48",
                                            "K100 北京西#1 08:00 > 上海#5 23:00"));
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "G1|2|高速动车|北京|上海|4:48|1318|555|935|-|-\n"
            "北京南|1|0|||||09:00|0\n"
            "上海虹桥|4|13:48|4:48|1318|555|935|-|-\n"
            "3|1318|4:48|555|935|-|-\n");  // boards at stop 1: the stored fares
  EXPECT_EQ(state_.QueryKind, StationToStation);
  EXPECT_EQ(state_.FromSpec.Name, "北京");
  EXPECT_EQ(state_.ToSpec.City, "上海");
}

TEST_F(ThroughQuery, SectionInsideTheRunGetsItsOwnTimeAndFares) {
  // Ungrouped departure, grouped arrival: 济南西 by name, 上海 by its group.
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "济南西", "上海"));
  ASSERT_EQ(state_.ResultList.size(), 1u);
  // High-speed fares are differences of the stop fares, rounded half up (370.5 -> 371).
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "G1|2|高速动车|北京|上海|4:48|1318|555|935|-|-\n"
            "济南西|2|406|184.5|309.5|-|-|10:33|1:31\n"
            "上海虹桥|4|13:48|4:48|1318|555|935|-|-\n"
            "2|912|3:15|371|626||\n");
}

TEST_F(ThroughQuery, LaterStationOfTheArrivalGroupWins) {
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "郑州", "上海"));
  ASSERT_EQ(state_.ResultList.size(), 1u);
  // The train calls at 上海西 and then at 上海, both of the group: the row ends at 上海. Starting
  // at its origin with fares on sale, the row takes the stop's fares as they are.
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "1112/1113|9|空调普快|郑州|上海|15:20|998|106|-|191/198/205|304/319\n"
            "郑州|1|0|||||18:05|0\n"
            "上海|5|09:25|15:20|998|106|-|191/198/205|304/319\n"
            "4|998|15:20|106|-|191/198/205|304/319\n");
}

TEST_F(ThroughQuery, DirectionMatters) {
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "上海", "北京"));
  EXPECT_THAT(Sections(state_), ElementsAre("K200 上海#1 07:00 > 北京#3 20:00"));
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "南京", "北京"));
  EXPECT_THAT(Sections(state_), ElementsAre("K200 南京#2 10:05 > 北京#3 20:00"));
}

TEST_F(ThroughQuery, SameGroupOrNoGroupMatchesTheTypedNamesOnly) {
  // One group: exact names. K100 runs 北京西 -> 北京; G1 and D5 leave from 北京南, not typed.
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京西", "北京"));
  EXPECT_THAT(Sections(state_), ElementsAre("K100 北京西#1 08:00 > 北京#3 11:00"));
  EXPECT_THAT(state_.FromSpec.Stations, IsEmpty());
  // The other way round K100 meets the arrival first.
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京", "北京西"));
  EXPECT_THAT(state_.ResultList, IsEmpty());
  // Two ungrouped names (both group 0): exact as well.
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "天津", "南京"));
  EXPECT_THAT(Sections(state_), ElementsAre("K100 天津#2 09:35 > 南京#4 20:00"));
  // One grouped side mixes: the 北京 group by its stations, 天津 by name.
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京", "天津"));
  EXPECT_THAT(Sections(state_), ElementsAre("D5 北京南#1 07:00 > 天津#2 07:30",
                                            "K100 北京西#1 08:00 > 天津#2 09:30"));
}

TEST_F(ThroughQuery, EachQueryReplacesTheLastAndClearsTransferState) {
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京", "上海"));
  state_.TransferStation = "郑州";
  state_.QueryKind = TrainNumber;
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "徐州", "天津"));
  EXPECT_THAT(state_.ResultList, IsEmpty());
  EXPECT_EQ(state_.TransferStation, "");
  EXPECT_EQ(state_.QueryKind, StationToStation);
  EXPECT_EQ(ThroughTripCities(state_), std::nullopt);
}

TEST_F(ThroughQuery, DoesNothingWhileATableItReadsIsLoading) {
  ASSERT_TRUE(FindThroughTrains(tables_.store, state_, "北京", "上海"));
  const std::string first_row = RowText(state_.ResultList[0]);
  for (std::atomic<bool>* flag :
       {&tables_.store.KMTrainReady, &tables_.store.KMListReady, &tables_.store.KMSMReady}) {
    *flag = false;
    EXPECT_FALSE(FindThroughTrains(tables_.store, state_, "上海", "北京"));
    *flag = true;
  }
  ASSERT_EQ(state_.ResultList.size(), 2u);
  EXPECT_EQ(RowText(state_.ResultList[0]), first_row);
  EXPECT_EQ(state_.FromSpec.Name, "北京");
}

TEST_F(ThroughQuery, ArrivalDaysFromTheCalendarOrElseFromTheClocks) {
  // The calendar lists 1112/1113 with its stops' days (南京 on, day 1) and G1 as if it arrived
  // a day later than its clocks say, so which source answers shows; K100 is not listed.
  data::Calendar listed(data::ParsePeriod("2024-07-01..2024-07-31"));
  listed.Add("1112/1113", data::DaySet{}.set(), {0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
  listed.Add("G1", data::DaySet{}.set(), {0, 0, 0, 0, 0, 0, 1, 1});
  const data::Calendar none;
  struct Case {
    const char* from;
    const char* to;
    const data::Calendar* calendar;
    std::vector<int> days;  // per row, in the query's order
  };
  const std::vector<Case> cases = {
      {"郑州", "上海", &none, {1}},       // 18:05, 15:20 on the way: 09:25 the next day
      {"郑州", "上海", &listed, {1}},
      {"徐州", "南京", &none, {1}},       // leaves 23:52, arrives 05:02 after midnight
      // 1112/1113 boards after midnight and arrives that morning (day 1 to day 1); K100 too
      {"南京", "上海", &none, {0, 0}},
      {"南京", "上海", &listed, {0, 0}},
      {"北京", "上海", &none, {0, 0}},    // G1 and K100 within their day
      {"北京", "上海", &listed, {1, 0}},  // the calendar's days win for G1
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(FindThroughTrains(tables_.store, state_, c.from, c.to));
    MarkArrivalDays(*c.calendar, state_.ResultList);
    std::vector<int> days;
    for (const TPub_GridResult& row : state_.ResultList) days.push_back(row.ArriveDays);
    EXPECT_EQ(days, c.days) << c.from << "→" << c.to;
  }
}

TEST(TripCities, CitiesOfTheSetsAndThePanelCaptions) {
  QueryState state;
  state.FromSpec.City = "北京";
  state.ToSpec.City = "上海";
  EXPECT_EQ(ThroughTripCities(state), std::nullopt);
  state.ResultList.emplace_back();
  EXPECT_EQ(ThroughTripCities(state), (TripCities{"北京", "上海"}));

  EXPECT_EQ(TripCityCaptions({"北京", "上海"}), (PartnerCaptions{"北京", "上海", "北京-上海"}));
  EXPECT_EQ(TripCityCaptions({"长春", "长春"}), (PartnerCaptions{"长春", "长春", "长春"}));
}

// The shared fixture, loaded the way the program loads its tables.
TEST(ThroughQueryOnFixture, LoadedTablesAnswerLikeInlineOnes) {
  data::ResourceRegistry registry;
  registry.Register(lanzhou::testing::FixtureResources());
  data::TimetableStore store(registry);
  store.StartLoading();
  store.WaitUntilLoaded();
  ASSERT_TRUE(store.AllReady());
  QueryState state;
  ASSERT_TRUE(FindThroughTrains(store, state, "北京", "上海"));
  EXPECT_THAT(Sections(state), ElementsAre("G1 北京南#1 09:00 > 上海虹桥#4 13:48"));
  // Z98/Z95 calls at 武昌 and then 汉口: the later one of the 武汉 group.
  ASSERT_TRUE(FindThroughTrains(store, state, "广州", "武汉"));
  EXPECT_THAT(Sections(state), ElementsAre("Z98/Z95 广州#1 15:00 > 汉口#4 02:20"));
  ASSERT_TRUE(FindThroughTrains(store, state, "西安", "上海"));
  EXPECT_THAT(state.ResultList, IsEmpty());
}

}  // namespace
}  // namespace lanzhou::query
