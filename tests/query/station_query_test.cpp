#include "query/station_query.h"

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

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// 1043 and Z1 end in the 北京 group, G101 calls at 北京南 and then 北京西, K50 has a stop
// without a departure time before its last, K60 and Y9 such stops before a 北京-group stop,
// 1984/1985A a single stop with one, K999 is missing from the train list.
constexpr std::string_view kStops = R"(
"1043","西安","1","","21:25","0","0","","","","",
"1043","咸阳","2","21:50","21:52","25","25","5.5","-","-","-",
"1043","郑州","3","04:43","04:59","7:18","511","46","-","88/91/95","139/146",
"1043","北京西","4","14:25","","17:","1200","101","-","183/189/195","289/304",
"1984/1985A","长春","1","","06:10","0","0","","","","",
"G101","北京南","1","","07:00","0","0","","","","",
"G101","北京西","2","07:20","07:25","20","20","10","16","-","-",
"G101","保定","3","08:00","08:02","1:","140","64.5","103","-","-",
"G101","石家庄","4","08:40","","1:40","280","128.5","205.5","-","-",
"K50","北京","1","","08:00","0","0","","","","",
"K50","天津","2","09:30","","1:30","137","-","-","-","-",
"K50","唐山","3","11:00","","3:","260","-","-","-","-",
"K60","北京西","1","","10:00","0","0","","","","",
"K60","天津","2","11:00","","1:","137","-","-","-","-",
"K60","北京南","3","12:00","","2:","270","-","-","-","-",
"K7711","北京西","1","","08:17","0","0","","","","",
"K7711","密云","2","09:45","09:49","1:28","80","-","-","-","-",
"K7711","承德","3","12:47","","4:30","256","-","-","-","-",
"K999","北京","1","","05:00","0","0","","","","",
"K999","天津","2","06:30","","1:30","137","-","-","-","-",
"Y9","天津","1","","06:00","0","0","","","","",
"Y9","北京南","2","06:40","","40","120","-","-","-","-",
"Y9","北京西","3","07:10","","1:10","140","-","-","-","-",
"Z1","上海","1","","19:00","0","0","","","","",
"Z1","北京","2","07:00","","12:","1460","-","-","-","-",
)";

constexpr std::string_view kTrains = R"(
"1043","8","西安","北京","21:25","14:25","17:","1200","101","-","183/189/195","289/304",
"1984/1985A","8","长春","长春","06:10","","0","0","","","","",
"G101","2","北京","石家庄","07:00","08:40","1:40","280","128.5","205.5","-","-",
"K50","6","北京","唐山","08:00","11:00","3:","260","-","-","-","-",
"K60","6","北京","北京","10:00","12:00","2:","270","-","-","-","-",
"K7711","6","北京","承德","08:17","12:47","4:30","256","-","-","-","-",
"Y9","11","天津","北京","06:00","07:10","1:10","140","-","-","-","-",
"Z1","4","上海","北京","19:00","07:00","12:","1460","-","-","-","-",
)";

constexpr std::string_view kGroups = R"(
"北京","5",
"北京南","5",
"北京西","5",
)";

class StationQuery : public ::testing::Test {
 protected:
  std::vector<std::string> Find(std::string_view text) {
    EXPECT_TRUE(FindStationTrains(tables_.store, state_, text));
    return Sections(state_);
  }
  Tables tables_{kStops, kTrains, kGroups};
  QueryState state_;
};

TEST_F(StationQuery, WholeGroupOneRowPerTrain) {
  const std::vector<std::string> beijing = Find("北京");
  // Trains leaving run to their terminal (their first stop without departure); trains ending
  // here run from their first station as the train list names it; one row per train: G101
  // boards at the first of its two 北京 stations, and neither K60 (after its terminal) nor Y9
  // (after ending at 北京南) gets a second row from a later 北京-group stop; K999 has no
  // train-list record.
  EXPECT_THAT(
      beijing,
      ElementsAre("1043 西安#1 21:25 > 北京西#4 14:25", "G101 北京南#1 07:00 > 石家庄#4 08:40",
                  "K50 北京#1 08:00 > 天津#2 09:30", "K60 北京西#1 10:00 > 天津#2 11:00",
                  "K7711 北京西#1 08:17 > 承德#3 12:47", "Y9 天津#1 06:00 > 北京南#2 06:40",
                  "Z1 上海#1 19:00 > 北京#2 07:00"));
  // Any name of the group stands for all of it.
  EXPECT_EQ(Find("北京西"), beijing);
  EXPECT_EQ(state_.FromSpec.Group, 5);
}

TEST_F(StationQuery, LeavingRowRunsToTheTerminal) {
  Find("北京南");
  ASSERT_EQ(state_.ResultList.size(), 7u);
  EXPECT_EQ(RowText(state_.ResultList[1]),
            "G101|2|高速动车|北京|石家庄|1:40|280|128.5|205.5|-|-\n"
            "北京南|1|0|||||07:00|0\n"
            "石家庄|4|08:40|1:40|280|128.5|205.5|-|-\n"
            "3|280|1:40|128.5|205.5|-|-\n");  // from stop 1: stored, not rounded
}

TEST_F(StationQuery, EndingRowRunsFromTheFirstStation) {
  Find("北京");
  // Departure at the first station from the train list; the stop's fares as they are, since the
  // row starts where the train does.
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "1043|8|普快|西安|北京|17:|1200|101|-|183/189/195|289/304\n"
            "西安|1|0|||||21:25|0\n"
            "北京西|4|14:25|17:|1200|101|-|183/189/195|289/304\n"
            "3|1200|17:00|101|-|183/189/195|289/304\n");
  // A stop without departure before the last ends the train's row there, once, whether the
  // row ends at the station or leaves from it.
  EXPECT_THAT(Find("天津"),
              ElementsAre("K50 北京#1 08:00 > 天津#2 09:30", "K60 北京西#1 10:00 > 天津#2 11:00",
                          "Y9 天津#1 06:00 > 北京南#2 06:40"));
  EXPECT_THAT(Find("唐山"), ElementsAre("K50 北京#1 08:00 > 唐山#3 11:00"));
}

TEST_F(StationQuery, UngroupedStationMatchesItsNameOnly) {
  EXPECT_THAT(Find("咸阳"), ElementsAre("1043 咸阳#2 21:52 > 北京西#4 14:25"));
  EXPECT_EQ(state_.FromSpec.Group, 0);
  EXPECT_THAT(state_.FromSpec.Stations, IsEmpty());
  EXPECT_THAT(Find("郑州"), ElementsAre("1043 郑州#3 04:59 > 北京西#4 14:25"));
}

TEST_F(StationQuery, SingleStopWithDepartureBoardsAndAlightsThere) {
  EXPECT_THAT(Find("长春"), ElementsAre("1984/1985A 长春#1 06:10 > 长春#1 "));
  const TPub_GridResult& row = state_.ResultList[0];
  EXPECT_EQ(row.Stops, 0);
  EXPECT_EQ(row.SegDistance, 0);
  EXPECT_EQ(row.SegTime, "0:00");
}

TEST_F(StationQuery, SetsTheSpecsTheFiltersRead) {
  state_.ToSpec.Stations = {"上海"};
  state_.ToSpec.Group = 95;
  state_.TransferStation = "郑州";
  Find(" 北京 ");
  EXPECT_EQ(state_.QueryKind, StationTimetable);
  EXPECT_EQ(state_.FromSpec.Name, "北京");
  EXPECT_EQ(state_.FromSpec.City, "北京");
  EXPECT_THAT(state_.FromSpec.Stations, ElementsAre("北京", "北京南", "北京西"));
  EXPECT_EQ(state_.ToSpec.Name, "北京");
  // Only the name of the arrival side is this query's.
  EXPECT_THAT(state_.ToSpec.Stations, ElementsAre("上海"));
  EXPECT_EQ(state_.ToSpec.Group, 95);
  EXPECT_EQ(state_.TransferStation, "");
  EXPECT_EQ(state_.ResultList.size(), 7u);
}

TEST_F(StationQuery, DoesNothingWhileATableItReadsIsLoading) {
  Find("咸阳");
  for (std::atomic<bool>* flag :
       {&tables_.store.KMTrainReady, &tables_.store.KMListReady, &tables_.store.KMSMReady}) {
    *flag = false;
    EXPECT_FALSE(FindStationTrains(tables_.store, state_, "北京"));
    *flag = true;
  }
  EXPECT_THAT(Sections(state_), ElementsAre("1043 咸阳#2 21:52 > 北京西#4 14:25"));
  EXPECT_EQ(state_.FromSpec.Name, "咸阳");
}

TEST(StationTripCities, TheStationAsTypedOnBothSides) {
  EXPECT_EQ(StationTripCities(0, "北京西"), std::nullopt);
  // The station itself, not its city.
  EXPECT_EQ(StationTripCities(3, "北京西"), (TripCities{"北京西", "北京西"}));
}

}  // namespace
}  // namespace lanzhou::query
