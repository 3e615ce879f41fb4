#include "query/transfer_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/calendar.h"
#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "query_test_tables.h"
#include "lanzhou_test_fixtures.h"

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// 西安 -> 上海 has no good through train: 1043, 1111 and G7 reach 郑州 from 西安 (1111 the
// shortest, 1043 first in number order), K300, G7, 1112/1113 and K500 leave it for the 上海
// group (K300 the shortest, 1112/1113 first in number order; K500 is missing from the train
// list). Y1 calls at 西安 twice, K400 at 上海 before 上海虹桥, 1043 ends at 北京西, which no
// train leaves for 上海.
constexpr std::string_view kStops = R"(
"1043","西安","1","","21:25","0","0","","","","",
"1043","洛阳","2","02:49","02:57","5:24","387","-","-","-","-",
"1043","郑州","3","04:43","04:59","7:18","511","-","-","-","-",
"1043","北京西","4","14:25","","17:","1200","-","-","-","-",
"1111","西安","1","","08:00","0","0","","","","",
"1111","郑州","2","14:00","","6:","480","-","-","-","-",
"1112/1113","郑州","1","","18:05","0","0","","","","",
"1112/1113","徐州","2","23:32","23:52","5:27","349","-","-","-","-",
"1112/1113","上海西","3","09:05","09:07","15:","992","-","-","-","-",
"1112/1113","上海","4","09:25","","15:20","998","-","-","-","-",
"G7","西安","1","","07:00","0","0","","","","",
"G7","郑州","2","09:00","09:02","2:","505","200","320","-","-",
"G7","上海虹桥","3","13:00","13:05","6:","1500","600","960","-","-",
"G7","上海","4","13:30","","6:30","1520","610","975","-","-",
"K300","洛阳","1","","08:00","0","0","","","","",
"K300","郑州","2","10:00","10:10","2:","124","-","-","-","-",
"K300","上海","3","22:00","","14:","1100","-","-","-","-",
"K400","洛阳","1","","09:00","0","0","","","","",
"K400","上海","2","20:00","20:10","11:","1000","-","-","-","-",
"K400","上海虹桥","3","20:40","","11:40","1020","-","-","-","-",
"K500","郑州","1","","08:00","0","0","","","","",
"K500","上海","2","20:00","","12:","1000","-","-","-","-",
"Y1","西安","1","","06:00","0","0","","","","",
"Y1","咸阳","2","06:30","06:32","30","25","-","-","-","-",
"Y1","西安","3","07:00","07:10","1:","50","-","-","-","-",
"Y1","上海","4","23:00","","17:","1500","-","-","-","-",
)";

constexpr std::string_view kTrains = R"(
"1043","8","西安","北京","21:25","14:25","17:","1200","-","-","-","-",
"1111","8","西安","郑州","08:00","14:00","6:","480","-","-","-","-",
"1112/1113","9","郑州","上海","18:05","09:25","15:20","998","-","-","-","-",
"G7","2","西安","上海","07:00","13:30","6:30","1520","610","975","-","-",
"K300","6","洛阳","上海","08:00","22:00","14:","1100","-","-","-","-",
"K400","6","洛阳","上海","09:00","20:40","11:40","1020","-","-","-","-",
"Y1","11","西安","上海","06:00","23:00","17:","1500","-","-","-","-",
)";

constexpr std::string_view kGroups = R"(
"上海","95",
"上海西","95",
"上海虹桥","95",
)";

std::vector<std::string> LegSections(const std::vector<TPub_GridResult>& legs) {
  QueryState view;
  view.ResultList = legs;
  return Sections(view);
}

std::vector<std::string> CandidateLines(const std::vector<TPub_ZZStruct>& candidates) {
  std::vector<std::string> lines;
  for (const TPub_ZZStruct& c : candidates) {
    lines.push_back(c.Name + " " + std::to_string(c.FirstDistance) + "+" +
                    std::to_string(c.SecondDistance) + "=" + std::to_string(c.TotalDistance) + " " +
                    c.FirstTime + "+" + c.SecondTime + "=" + c.TotalTime + " " +
                    std::to_string(c.FromTrains) + "/" + std::to_string(c.ToTrains));
  }
  return lines;
}

class TransferSearch : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FindTransfers(tables_.store, state_, "西安", "上海")); }
  Tables tables_{kStops, kTrains, kGroups};
  QueryState state_;
};

TEST_F(TransferSearch, ForwardLegsFromTheFirstDepartureStop) {
  // Every later stop of a boarding train ends a leg, whatever set it belongs to; Y1 boards at
  // its first 西安 and its second 西安 is a leg's end like any other.
  EXPECT_THAT(LegSections(state_.FromLegs),
              ElementsAre("1043 西安#1 21:25 > 洛阳#2 02:49", "1043 西安#1 21:25 > 郑州#3 04:43",
                          "1043 西安#1 21:25 > 北京西#4 14:25", "1111 西安#1 08:00 > 郑州#2 14:00",
                          "G7 西安#1 07:00 > 郑州#2 09:00", "G7 西安#1 07:00 > 上海虹桥#3 13:00",
                          "G7 西安#1 07:00 > 上海#4 13:30", "Y1 西安#1 06:00 > 咸阳#2 06:30",
                          "Y1 西安#1 06:00 > 西安#3 07:00", "Y1 西安#1 06:00 > 上海#4 23:00"));
  // A leg holds the train number and both stops, nothing of the train list yet.
  EXPECT_EQ(RowText(state_.FromLegs[4]),
            "G7|0|||||0||||\n"
            "西安|1|0|||||07:00|0\n"
            "郑州|2|09:00|2:|505|200|320|-|-\n"
            "0|0|||||\n");
  EXPECT_THAT(state_.ResultList, IsEmpty());
}

TEST_F(TransferSearch, BackwardLegsToTheLastArrivalStop) {
  // Trains in reverse number order, each from its nearest earlier stop back to its first; K400
  // alights at 上海虹桥, the last of its two 上海-group stops.
  EXPECT_THAT(
      LegSections(state_.ToLegs),
      ElementsAre("Y1 西安#3 07:10 > 上海#4 23:00", "Y1 咸阳#2 06:32 > 上海#4 23:00",
                  "Y1 西安#1 06:00 > 上海#4 23:00", "K500 郑州#1 08:00 > 上海#2 20:00",
                  "K400 上海#2 20:10 > 上海虹桥#3 20:40", "K400 洛阳#1 09:00 > 上海虹桥#3 20:40",
                  "K300 郑州#2 10:10 > 上海#3 22:00", "K300 洛阳#1 08:00 > 上海#3 22:00",
                  "G7 上海虹桥#3 13:05 > 上海#4 13:30", "G7 郑州#2 09:02 > 上海#4 13:30",
                  "G7 西安#1 07:00 > 上海#4 13:30", "1112/1113 上海西#3 09:07 > 上海#4 09:25",
                  "1112/1113 徐州#2 23:52 > 上海#4 09:25",
                  "1112/1113 郑州#1 18:05 > 上海#4 09:25"));
}

// With a date a first leg leaves on it and a second leg on it or the next day: G7 runs only on
// 7月6日 and K300 only on 7月4日; the trains the calendar does not list run every day.
TEST_F(TransferSearch, WithADateFirstLegsLeaveThatDaySecondLegsThatDayOrTheNext) {
  data::Calendar calendar(data::ParsePeriod("2024-07-01..2024-07-31"));
  calendar.Add("G7", data::DaySet{}.set(5), std::vector<std::uint8_t>(8, 0));
  calendar.Add("K300", data::DaySet{}.set(3), std::vector<std::uint8_t>(6, 0));
  tables_.store.calendar = calendar;
  const auto trains = [](const std::vector<TPub_GridResult>& legs) {
    std::string ids;
    for (const TPub_GridResult& leg : legs) {
      if (ids.find(leg.TrainId + " ") == std::string::npos) ids += leg.TrainId + " ";
    }
    return ids;
  };
  struct Case {
    std::optional<std::string> date;
    std::string first, second;
  };
  const Case cases[] = {
      {std::nullopt, "1043 1111 G7 Y1 ", "Y1 K500 K400 K300 G7 1112/1113 "},
      {"2024-07-03", "1043 1111 Y1 ", "Y1 K500 K400 K300 1112/1113 "},
      {"2024-07-04", "1043 1111 Y1 ", "Y1 K500 K400 K300 1112/1113 "},
      {"2024-07-05", "1043 1111 Y1 ", "Y1 K500 K400 G7 1112/1113 "},
      {"2024-07-06", "1043 1111 G7 Y1 ", "Y1 K500 K400 G7 1112/1113 "},
      {"2024-07-07", "1043 1111 Y1 ", "Y1 K500 K400 1112/1113 "},
  };
  for (const Case& c : cases) {
    state_.Date.reset();
    if (c.date) state_.Date = data::ParseIsoDate(*c.date);
    ASSERT_TRUE(FindTransfers(tables_.store, state_, "西安", "上海"));
    EXPECT_EQ(trains(state_.FromLegs), c.first) << c.date.value_or("no date");
    EXPECT_EQ(trains(state_.ToLegs), c.second) << c.date.value_or("no date");
  }
}

TEST_F(TransferSearch, CandidatesTakeTheFirstTrainInNumberOrderNotTheShortest) {
  // 郑州: first leg of 1043 (not 1111's shorter 480 km), second leg of 1112/1113 (not K300's
  // shorter 976 km); each leg from its departure (the boarding stop's dwell left out), the total
  // without waiting time, all as durations.
  EXPECT_THAT(CandidateLines(state_.TransferCandidates),
              ElementsAre("洛阳 387+1100=1487 5:24+14:00=19:24 1/2",
                          "郑州 511+998=1509 7:18+15:20=22:38 3/4", "北京西 1200+0=0 17:00+= 1/0",
                          "上海虹桥 1500+20=1520 6:00+0:25=6:25 1/1",
                          "上海 1520+20=1540 6:30+0:30=7:00 2/1",
                          "咸阳 25+1475=1500 0:30+16:28=16:58 1/1",
                          "西安 50+1520=1570 1:00+6:30=7:30 1/3"));
}

TEST_F(TransferSearch, ChooserListsReachableStationsButNotTheTypedOnes) {
  // 北京西 has no onward leg; 西安 and 上海 are the typed names; 上海虹桥, of the arrival group,
  // stays. Sorted by name in GBK order (pinyin for these), not by code point.
  const TransferChooserList list = ListTransferCandidates(state_);
  EXPECT_EQ(list.CandidateCount, 4);
  EXPECT_THAT(CandidateLines(list.Listed), ElementsAre("洛阳 387+1100=1487 5:24+14:00=19:24 1/2",
                                                       "上海虹桥 1500+20=1520 6:00+0:25=6:25 1/1",
                                                       "咸阳 25+1475=1500 0:30+16:28=16:58 1/1",
                                                       "郑州 511+998=1509 7:18+15:20=22:38 3/4"));
}

TEST_F(TransferSearch, LegsThroughAStationFirstLegsThenSecondLegs) {
  ASSERT_TRUE(ShowTransferLegs(tables_.store, state_, "郑州"));
  EXPECT_EQ(state_.TransferStation, "郑州");
  EXPECT_EQ(state_.QueryKind, StationToStation);
  // K500 has no train-list record and gives no row.
  EXPECT_THAT(
      Sections(state_),
      ElementsAre("1043 西安#1 21:25 > 郑州#3 04:43", "1111 西安#1 08:00 > 郑州#2 14:00",
                  "G7 西安#1 07:00 > 郑州#2 09:00", "K300 郑州#2 10:10 > 上海#3 22:00",
                  "G7 郑州#2 09:02 > 上海#4 13:30", "1112/1113 郑州#1 18:05 > 上海#4 09:25"));
  EXPECT_EQ(RowText(state_.ResultList[2]),
            "G7|2|高速动车|西安|上海|6:30|1520|610|975|-|-\n"
            "西安|1|0|||||07:00|0\n"
            "郑州|2|09:00|2:|505|200|320|-|-\n"
            "1|505|2:00|200|320|-|-\n");
  EXPECT_EQ(RowText(state_.ResultList[4]),
            "G7|2|高速动车|西安|上海|6:30|1520|610|975|-|-\n"
            "郑州|2|505|200|320|-|-|09:02|2:\n"
            "上海|4|13:30|6:30|1520|610|975|-|-\n"
            "2|1015|4:28|410|655||\n");

  // Another click replaces the rows.
  ASSERT_TRUE(ShowTransferLegs(tables_.store, state_, "上海虹桥"));
  EXPECT_THAT(Sections(state_), ElementsAre("G7 西安#1 07:00 > 上海虹桥#3 13:00",
                                            "G7 上海虹桥#3 13:05 > 上海#4 13:30"));
}

TEST_F(TransferSearch, SameGroupMatchesTheTypedNamesInBothPasses) {
  ASSERT_TRUE(FindTransfers(tables_.store, state_, "上海西", "上海"));
  EXPECT_THAT(LegSections(state_.FromLegs), ElementsAre("1112/1113 上海西#3 09:07 > 上海#4 09:25"));
  // K400 now alights at 上海 itself; 上海虹桥 no longer counts.
  EXPECT_THAT(LegSections(state_.ToLegs),
              ElementsAre("Y1 西安#3 07:10 > 上海#4 23:00", "Y1 咸阳#2 06:32 > 上海#4 23:00",
                          "Y1 西安#1 06:00 > 上海#4 23:00", "K500 郑州#1 08:00 > 上海#2 20:00",
                          "K400 洛阳#1 09:00 > 上海#2 20:00", "K300 郑州#2 10:10 > 上海#3 22:00",
                          "K300 洛阳#1 08:00 > 上海#3 22:00", "G7 上海虹桥#3 13:05 > 上海#4 13:30",
                          "G7 郑州#2 09:02 > 上海#4 13:30", "G7 西安#1 07:00 > 上海#4 13:30",
                          "1112/1113 上海西#3 09:07 > 上海#4 09:25",
                          "1112/1113 徐州#2 23:52 > 上海#4 09:25",
                          "1112/1113 郑州#1 18:05 > 上海#4 09:25"));
  // The only candidate is the typed arrival itself: nothing to offer.
  EXPECT_EQ(ListTransferCandidates(state_).CandidateCount, 0);
}

TEST_F(TransferSearch, NewSearchStartsAfresh) {
  ASSERT_TRUE(ShowTransferLegs(tables_.store, state_, "郑州"));
  ASSERT_TRUE(FindTransfers(tables_.store, state_, "徐州", "北京西"));
  EXPECT_THAT(state_.ResultList, IsEmpty());
  EXPECT_EQ(state_.TransferStation, "");
  EXPECT_THAT(LegSections(state_.FromLegs), ElementsAre("1112/1113 徐州#2 23:52 > 上海西#3 09:05",
                                                        "1112/1113 徐州#2 23:52 > 上海#4 09:25"));
  EXPECT_THAT(LegSections(state_.ToLegs), ElementsAre("1043 郑州#3 04:59 > 北京西#4 14:25",
                                                      "1043 洛阳#2 02:57 > 北京西#4 14:25",
                                                      "1043 西安#1 21:25 > 北京西#4 14:25"));
  // Candidates that no second leg leaves stay unlisted.
  EXPECT_EQ(state_.TransferCandidates.size(), 2u);
  EXPECT_EQ(ListTransferCandidates(state_).CandidateCount, 0);
}

TEST_F(TransferSearch, DoesNothingWhileATableItReadsIsLoading) {
  const std::vector<std::string> legs = LegSections(state_.FromLegs);
  for (std::atomic<bool>* flag :
       {&tables_.store.KMTrainReady, &tables_.store.KMListReady, &tables_.store.KMSMReady}) {
    *flag = false;
    EXPECT_FALSE(FindTransfers(tables_.store, state_, "洛阳", "上海"));
    *flag = true;
  }
  EXPECT_EQ(LegSections(state_.FromLegs), legs);
  EXPECT_EQ(state_.FromSpec.Name, "西安");
  tables_.store.KMListReady = false;
  EXPECT_FALSE(ShowTransferLegs(tables_.store, state_, "郑州"));
  EXPECT_THAT(state_.ResultList, IsEmpty());
  EXPECT_EQ(state_.TransferStation, "");
}

// The shared fixture, loaded the way the program loads its tables: 1043 (西安 -> 北京西) and
// 1112/1113 (郑州 -> 上海) meet at 郑州 only.
TEST(TransferSearchOnFixture, OneStationJoinsTheTwoTrains) {
  data::ResourceRegistry registry;
  registry.Register(lanzhou::testing::FixtureResources());
  data::TimetableStore store(registry);
  store.StartLoading();
  store.WaitUntilLoaded();
  ASSERT_TRUE(store.AllReady());
  QueryState state;
  ASSERT_TRUE(FindTransfers(store, state, "西安", "上海"));
  EXPECT_EQ(state.FromLegs.size(), 11u);
  EXPECT_EQ(state.TransferCandidates.size(), 11u);
  EXPECT_THAT(CandidateLines(ListTransferCandidates(state).Listed),
              ElementsAre("郑州 511+998=1509 7:18+15:20=22:38 1/1"));
  ASSERT_TRUE(ShowTransferLegs(store, state, "郑州"));
  EXPECT_THAT(Sections(state), ElementsAre("1043 西安#1 21:25 > 郑州#6 04:43",
                                           "1112/1113 郑州#1 18:05 > 上海#12 09:25"));
}

}  // namespace
}  // namespace lanzhou::query
