#include "query/train_number_query.h"

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

// Numbers that share a beginning, joined numbers, lettered variants. 1984/1985A has a single stop
// with a departure time, 1984/1985B departs from its last stop too, K7430 has two stops without
// a departure time, D100 has no stops at all.
constexpr std::string_view kStops = R"(
"1112/1113","郑州","1","","18:05","0","0","","","","",
"1112/1113","开封","2","19:08","19:14","1:3","72","14","-","33/34/35","51/53",
"1112/1113","上海","3","09:25","","15:20","998","106","-","191/198/205","304/319",
"1984/1985A","长春","1","","06:10","0","0","","","","",
"1984/1985B","长春","1","","07:00","0","0","","","","",
"1984/1985B","四平","2","08:30","08:35","1:30","115","12","-","-","-",
"1984/1985B","辽中","3","11:00","11:05","4:","300","30","-","-","-",
"1986/1983","天津","1","","08:00","0","0","","","","",
"1986/1983","唐山","2","09:00","","1:","100","10","-","-","-",
"1986/1983A","天津","1","","08:00","0","0","","","","",
"1986/1983A","唐山","2","09:00","09:05","1:","100","10","-","-","-",
"1986/1983A","山海关","3","12:00","","4:","280","27","-","-","-",
"1986/1983B","天津","1","","08:30","0","0","","","","",
"1986/1983B","北京","2","10:00","","1:30","137","14","-","-","-",
"19860","北京","1","","06:00","0","0","","","","",
"19860","天津","2","08:00","","2:","137","14","-","-","-",
"D1","北京","1","","07:00","0","0","","","","",
"D1","沈阳北","2","11:25","","4:25","703","218","262","-","-",
"D10","北京南","1","","07:10","0","0","","","","",
"D10","天津","2","07:40","","30","120","54.5","65.5","-","-",
"K7430","北京","1","","08:17","0","0","","","","",
"K7430","密云","2","09:45","09:49","1:28","80","15.5","-","-","-",
"K7430","承德","3","12:47","","4:30","256","33.5","-","-","-",
"K7430","隆化","4","14:00","","23:","400","50","-","90/95/100","-",
"K7430/9999","北京","1","","09:00","0","0","","","","",
"K7430/9999","承德","2","13:30","","4:30","256","33.5","-","-","-",
"T97A","北京","1","","19:00","0","0","","","","",
"T97A","天津","2","20:30","","1:30","137","20","-","-","-",
)";

constexpr std::string_view kTrains = R"(
"1112/1113","9","郑州","上海","18:05","09:25","15:20","998","106","-","191/198/205","304/319",
"1984/1985A","8","长春","长春","06:10","","0","0","","","","",
"1984/1985B","8","长春","辽中","07:00","11:00","4:","300","30","-","-","-",
"1986/1983","11","天津","唐山","08:00","09:00","1:","100","10","-","-","-",
"1986/1983A","11","天津","山海关","08:00","12:00","4:","280","27","-","-","-",
"1986/1983B","11","天津","北京","08:30","10:00","1:30","137","14","-","-","-",
"19860","11","北京","天津","06:00","08:00","2:","137","14","-","-","-",
"D1","1","北京","沈阳北","07:00","11:25","4:25","703","218","262","-","-",
"D10","1","北京","天津","07:10","07:40","30","120","54.5","65.5","-","-",
"D100","1","北京","天津","08:10","08:40","30","120","54.5","65.5","-","-",
"K7430","6","北京","隆化","08:17","14:00","23:","400","50","-","90/95/100","-",
"K7430/9999","6","北京","承德","09:00","13:30","4:30","256","33.5","-","-","-",
"T97A","5","北京","天津","19:00","20:30","1:30","137","20","-","-","-",
)";

constexpr std::string_view kGroups = R"(
"北京","5",
"北京南","5",
)";

std::vector<std::string> Numbers(const QueryState& state) {
  std::vector<std::string> numbers;
  for (const TPub_GridResult& r : state.ResultList) numbers.push_back(r.TrainId);
  return numbers;
}

class TrainNumberQuery : public ::testing::Test {
 protected:
  std::vector<std::string> Find(std::string_view text) {
    EXPECT_TRUE(FindTrainNumber(tables_.store, state_, text));
    return Numbers(state_);
  }
  Tables tables_{kStops, kTrains, kGroups};
  QueryState state_;
};

TEST(TrainNumberKey, TrimsAndUpperCasesLatinLetters) {
  EXPECT_EQ(TrainNumberKey(" d1\t"), "D1");
  EXPECT_EQ(TrainNumberKey("t97a"), "T97A");
  EXPECT_EQ(TrainNumberKey("k 7430"), "K 7430");
  EXPECT_EQ(TrainNumberKey("1984/1985b"), "1984/1985B");
}

TEST_F(TrainNumberQuery, WholeNumberOrAnyOfJoinedNumbers) {
  EXPECT_THAT(Find("d1"), ElementsAre("D1"));
  EXPECT_THAT(Find("D10"), ElementsAre("D10"));
  EXPECT_THAT(Find("1112"), ElementsAre("1112/1113"));
  EXPECT_THAT(Find("1112/1113"), ElementsAre("1112/1113"));
  // A train that changes number is found by either: the second number, whole or as the tail
  // it replaces ("K7430/9999" would also be found by "9999").
  EXPECT_THAT(Find("1113"), ElementsAre("1112/1113"));
  EXPECT_THAT(Find("9999"), ElementsAre("K7430/9999"));
  EXPECT_THAT(Find("1111"), IsEmpty());
  // "1986/" begins three numbers; "19860" does not.
  EXPECT_THAT(Find("1986"), ElementsAre("1986/1983", "1986/1983A", "1986/1983B"));
  EXPECT_THAT(Find("1984/1985"), IsEmpty());
  EXPECT_THAT(Find("1984/1985A"), ElementsAre("1984/1985A"));
  EXPECT_THAT(Find("k7430"), ElementsAre("K7430", "K7430/9999"));
  EXPECT_THAT(Find("T97"), IsEmpty());
  EXPECT_THAT(Find("  t97a "), ElementsAre("T97A"));
  EXPECT_THAT(Find("K 7430"), IsEmpty());
}

TEST_F(TrainNumberQuery, RowCoversTheWholeRunFromTheTrainList) {
  EXPECT_THAT(Find("D1"), ElementsAre("D1"));
  // Departure and arrival from the train list's A_Time and D_Time; the first and last stations
  // as it names them; time, distance and fares as stored.
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "D1|1|动车组|北京|沈阳北|4:25|703|218|262|-|-\n"
            "北京|1|0|||||07:00|0\n"
            "沈阳北|2|11:25|4:25|703|218|262|-|-\n"
            "1|703|4:25|218|262|-|-\n");
  EXPECT_THAT(Find("1112"), ElementsAre("1112/1113"));
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "1112/1113|9|空调普快|郑州|上海|15:20|998|106|-|191/198/205|304/319\n"
            "郑州|1|0|||||18:05|0\n"
            "上海|3|09:25|15:20|998|106|-|191/198/205|304/319\n"
            "2|998|15:20|106|-|191/198/205|304/319\n");
}

TEST_F(TrainNumberQuery, StopCountEndsAtTheTerminalStop) {
  // The first stop without a departure time ends the run, not the last stop; the stored
  // elapsed time "23:" is shown as a duration.
  EXPECT_THAT(Find("K7430"), ElementsAre("K7430", "K7430/9999"));
  EXPECT_EQ(state_.ResultList[0].ToNo, 3);
  EXPECT_EQ(state_.ResultList[0].Stops, 2);
  EXPECT_EQ(state_.ResultList[0].SegTime, "23:00");
  EXPECT_EQ(state_.ResultList[0].SegDistance, 400);
  // Every stop departs: the last stop ends the run; a single stop gives 停站 0.
  EXPECT_THAT(Find("1984/1985A"), ElementsAre("1984/1985A"));
  EXPECT_EQ(RowText(state_.ResultList[0]),
            "1984/1985A|8|普快|长春|长春|0|0||||\n"
            "长春|1|0|||||06:10|0\n"
            "长春|1||0|0||||\n"
            "0|0|0:00||||\n");
  EXPECT_THAT(Find("1984/1985B"), ElementsAre("1984/1985B"));
  EXPECT_EQ(state_.ResultList[0].Stops, 2);
}

TEST_F(TrainNumberQuery, RowsNameTheStationsTheTrainReallyLeavesFromAndArrivesAt) {
  // 发站 and 到站 are the stops' own stations; 始发站 and 终到站 stay the train list's names.
  const struct {
    const char* train;
    const char* start;  // StartStation
    const char* from;   // FromStation
    const char* to;     // ToStation
    int last_no;
  } cases[] = {{"D10", "北京", "北京南", "天津", 2},
               {"K7430", "北京", "北京", "承德", 3},  // ends at its first stop without departure
               {"1986/1983B", "天津", "天津", "北京", 2},
               {"D100", "北京", "北京", "天津", 1}};  // no stops: the train list's names
  for (const auto& c : cases) {
    ASSERT_FALSE(Find(c.train).empty()) << c.train;
    const TPub_GridResult& row = state_.ResultList[0];
    EXPECT_EQ(row.StartStation, c.start) << c.train;
    EXPECT_EQ(row.FromStation, c.from) << c.train;
    EXPECT_EQ(row.ToStation, c.to) << c.train;
    EXPECT_EQ(row.FromNo, 1) << c.train;
    EXPECT_EQ(row.LastNo, c.last_no) << c.train;
    EXPECT_EQ(row.ToNo, c.last_no) << c.train;
  }
}

TEST_F(TrainNumberQuery, TerminalStopNoStaysWithinItsTrain) {
  data::MemTable& KMTrain = tables_.store.KMTrain;
  EXPECT_EQ(TerminalStopNo(KMTrain, "1112/1113"), 3);
  EXPECT_EQ(TerminalStopNo(KMTrain, "K7430"), 3);
  // The next train (1986/1983) has a stop without departure at its stop 2.
  EXPECT_EQ(TerminalStopNo(KMTrain, "1984/1985B"), 3);
  EXPECT_EQ(TerminalStopNo(KMTrain, "1984/1985A"), 1);
  EXPECT_EQ(TerminalStopNo(KMTrain, "T97A"), 2);
  // Not in the stop table, or only a leading part of a number: 1.
  EXPECT_EQ(TerminalStopNo(KMTrain, "D100"), 1);
  EXPECT_EQ(TerminalStopNo(KMTrain, "1112"), 1);
  EXPECT_THAT(Find("D100"), ElementsAre("D100"));
  EXPECT_EQ(state_.ResultList[0].Stops, 0);
}

TEST_F(TrainNumberQuery, LeavesTheStateAsTheFiltersExpect) {
  state_.FromSpec.Name = "北京";
  state_.ToSpec.Name = "上海";
  state_.TransferStation = "郑州";
  state_.ResultList.resize(5);
  EXPECT_THAT(Find("nothing"), IsEmpty());
  EXPECT_EQ(state_.QueryKind, TrainNumber);
  EXPECT_EQ(state_.FromSpec.Name, "");
  EXPECT_EQ(state_.ToSpec.Name, "");
  EXPECT_EQ(state_.TransferStation, "");
}

TEST_F(TrainNumberQuery, DoesNothingWhileATableItReadsIsLoading) {
  EXPECT_THAT(Find("D1"), ElementsAre("D1"));
  for (std::atomic<bool>* flag :
       {&tables_.store.KMTrainReady, &tables_.store.KMListReady, &tables_.store.KMSMReady}) {
    *flag = false;
    EXPECT_FALSE(FindTrainNumber(tables_.store, state_, "1986"));
    *flag = true;
  }
  EXPECT_THAT(Numbers(state_), ElementsAre("D1"));
}

TEST(TrainNumberTripCities, CitiesOfTheFirstShownRow) {
  EXPECT_EQ(TrainNumberTripCities(0, "北京", "沈阳北"), std::nullopt);
  EXPECT_EQ(TrainNumberTripCities(2, "上海虹桥", "沈阳北"), (TripCities{"上海", "沈阳"}));
}

}  // namespace
}  // namespace lanzhou::query
