#include "query/train_detail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "lanzhou_test_fixtures.h"
#include "query/show_results.h"

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> MRow(const TrainDetail& detail, int row) {
  std::vector<std::string> out;
  for (int c = 0; c < kDetailColumns; ++c) out.push_back(detail.MGrid.Cell(c, row));
  return out;
}

TPub_GridResult Section(std::string train, std::string start, std::string from, int stops, int km,
                        std::string time) {
  TPub_GridResult row;
  row.TrainId = std::move(train);
  row.StartStation = std::move(start);
  row.FromStation = std::move(from);
  row.Stops = stops;
  row.SegDistance = km;
  row.SegTime = std::move(time);
  return row;
}

// The shared nine-train timetable, loaded the way the program loads it.
class TrainDetailFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    registry_ = new data::ResourceRegistry;
    registry_->Register(testing::FixtureResources());
    store_ = new data::TimetableStore(*registry_);
    store_->StartLoading();
    store_->WaitUntilLoaded();
  }
  static void TearDownTestSuite() {
    delete store_;
    delete registry_;
  }
  void SetUp() override { ASSERT_TRUE(store_->KMTrainReady); }

  std::optional<TrainDetail> Detail(std::vector<TPub_GridResult> rows, int row) {
    state.ResultList = std::move(rows);
    CBSFClick(state, grid, {}, "");
    return ShowTrainDetail(store_->KMTrain, state, grid.SGrid, row);
  }

  static data::ResourceRegistry* registry_;
  static data::TimetableStore* store_;
  QueryState state;
  ResultGrid grid;
};
data::ResourceRegistry* TrainDetailFixture::registry_ = nullptr;
data::TimetableStore* TrainDetailFixture::store_ = nullptr;

TEST_F(TrainDetailFixture, StopsDaysSpeedsAndTheQueriedSection) {
  state.QueryKind = StationToStation;
  const auto detail = Detail({Section("K7711", "北京", "北京东", 2, 256, "04:30"),
                              Section("1043", "西安", "华山", 3, 390, "05:32")},
                             1);
  ASSERT_TRUE(detail.has_value());
  EXPECT_EQ(detail->Caption, "车次:1043");
  EXPECT_EQ(detail->StopCount, 12);
  EXPECT_EQ(detail->MGrid.RowCount(), 20);
  EXPECT_TRUE(detail->MGrid.IsBlankRow(12));
  EXPECT_TRUE(NoSelection(detail->MGrid));

  EXPECT_THAT(MRow(*detail, 0), ElementsAre("1", "西安", "0", "", "21:25", "当天", "0:00", ""));
  EXPECT_THAT(MRow(*detail, 1),
              ElementsAre("2", "渭南", "60", "22:23", "22:27", "当天", "0:58", "62"));
  // 00:52 after 23:11: the second day begins, and stays until the end of the run. A section's
  // speed runs from the departure at the stop before (23:11 there, not its arrival).
  EXPECT_THAT(MRow(*detail, 3),
              ElementsAre("4", "三门峡", "265", "00:52", "00:58", "第2天", "3:27", "87"));
  EXPECT_THAT(MRow(*detail, 7),
              ElementsAre("8", "安阳", "698", "07:28", "07:34", "第2天", "10:03", "82"));
  // Elapsed "17:" is shown as the duration "17:00".
  EXPECT_THAT(MRow(*detail, 11),
              ElementsAre("12", "北京西", "1200", "14:25", "", "第2天", "17:00", "74"));

  EXPECT_EQ(detail->FirstLegStop, 3);
  EXPECT_EQ(detail->LastLegStop, 6);
  const std::vector<RowColour> expected = {RowColour::Normal, RowColour::Normal, RowColour::Blue,
                                           RowColour::Blue,   RowColour::Blue,   RowColour::Blue,
                                           RowColour::Normal, RowColour::Normal};
  for (int r = 0; r < 8; ++r) EXPECT_EQ(MGridRowColour(*detail, r), expected[r]) << r;
  EXPECT_EQ(MGridRowColour(*detail, 15), RowColour::Normal);

  // Whole run from the last stop ("17:" as a duration), section from the result row.
  EXPECT_EQ(detail->LabQC, "全程：1200km/历时17:00/速度71km/h");
  EXPECT_EQ(detail->LabQJ, "区间：390km/历时05:32/速度70km/h");
}

TEST_F(TrainDetailFixture, AFirstStationNamedByItsCityBoardsAtStopOne) {
  // The train-number query boards 4471 at the train list's 北京; its first stop is 北京北.
  state.QueryKind = TrainNumber;
  const auto detail = Detail({Section("4471", "北京", "北京", 3, 84, "2:30")}, 0);
  ASSERT_TRUE(detail.has_value());
  EXPECT_EQ(detail->StopCount, 4);
  EXPECT_EQ(detail->FirstLegStop, 1);
  EXPECT_EQ(detail->LastLegStop, 4);
  for (int r = 0; r < 4; ++r) EXPECT_EQ(MGridRowColour(*detail, r), RowColour::Blue) << r;
  EXPECT_EQ(detail->LabQC, "全程：84km/历时2:30/速度34km/h");
  EXPECT_EQ(detail->LabQJ, "区间：84km/历时2:30/速度34km/h");

  // A station query row of a train ending at the queried station carries the same name.
  state.QueryKind = StationTimetable;
  const auto ending = Detail({Section("K7711", "北京", "北京", 2, 256, "04:30")}, 0);
  ASSERT_TRUE(ending.has_value());
  EXPECT_EQ(ending->FirstLegStop, 1);
  EXPECT_EQ(ending->LastLegStop, 3);
}

TEST_F(TrainDetailFixture, RowsThatOpenNothing) {
  state.QueryKind = StationToStation;
  EXPECT_FALSE(Detail({Section("1043", "西安", "华山", 3, 390, "05:32")}, 1).has_value());
  EXPECT_FALSE(Detail({Section("1043", "西安", "华山", 3, 390, "05:32")}, -1).has_value());
  EXPECT_FALSE(Detail({Section("T999", "西安", "华山", 3, 390, "05:32")}, 0).has_value());
  // "1112" is not the train "1112/1113".
  EXPECT_FALSE(Detail({Section("1112", "郑州", "郑州", 11, 998, "15:20")}, 0).has_value());
  // The list is longer than the shown rows: a blank grid row opens nothing either.
  state.ResultList = {Section("D1", "北京", "北京", 4, 703, "04:25"),
                      Section("K7711", "北京", "北京东", 2, 256, "04:30")};
  CBSFClick(state, grid, {.CBDC = true}, "");
  EXPECT_FALSE(ShowTrainDetail(store_->KMTrain, state, grid.SGrid, 1).has_value());
  EXPECT_TRUE(ShowTrainDetail(store_->KMTrain, state, grid.SGrid, 0).has_value());
}

// A made-up stop table for what the shared one lacks: two midnights, an elapsed "20:", more
// stops than MGrid's 20 rows, a run without distance.
std::string StopTable() {
  std::string text = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"Station=WideString,20,""Station"","""",20,Data,"""""
"S_No=Integer,0,""S_No"","""",10,Data,"""""
"A_Time=WideString,20,""A_Time"","""",20,Data,"""""
"D_Time=WideString,20,""D_Time"","""",20,Data,"""""
"R_Date=WideString,20,""R_Date"","""",20,Data,"""""
"Distance=Integer,0,""Distance"","""",10,Data,"""""
"P1=WideString,20,""P1"","""",20,Data,"""""
"P2=WideString,20,""P2"","""",20,Data,"""""
"P3=WideString,20,""P3"","""",20,Data,"""""
"P4=WideString,20,""P4"","""",20,Data,"""""
"@@INDEXDEF START@@"
"SIDNo=""ID;S_No"",""SIDNo"",UNIQ"
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID","Station","S_No","A_Time","D_Time","R_Date","Distance","P1","P2","P3","P4",
"T9","甲","1","","23:50","0","0","","","","",
"T9","乙","2","00:10","00:12","20","30","","","","",
"T9","丙","3","19:50","20:10","20:","1500","","","","",
"T9","丁","4","00:05","","24:15","1830","","","","",
"X1","东","1","","08:00","0","0","","","","",
"X1","西","2","08:30","","30","0","","","","",
)";
  for (int i = 1; i <= 23; ++i) {
    text += "\"L23\",\"站" + std::to_string(i) + "\",\"" + std::to_string(i) + "\",\"" +
            (i == 1 ? "" : "10:00") + "\",\"10:01\",\"" + std::to_string(i) + "\",\"" +
            std::to_string(i * 2) + "\",\"\",\"\",\"\",\"\",\n";
  }
  return text;
}

class TrainDetailInline : public ::testing::Test {
 protected:
  void SetUp() override {
    data::CsvTableFormat{}.LoadUtf8(StopTable(), KMTrain);
    KMTrain.SetIndexName("SIDNo");
  }
  std::optional<TrainDetail> Detail(TPub_GridResult row) {
    state.QueryKind = StationToStation;
    state.ResultList = {std::move(row)};
    CBSFClick(state, grid, {}, "");
    return ShowTrainDetail(KMTrain, state, grid.SGrid, 0);
  }
  data::MemTable KMTrain;
  QueryState state;
  ResultGrid grid;
};

TEST_F(TrainDetailInline, DaysCountEveryStepBackInTime) {
  const auto detail = Detail(Section("T9", "甲", "乙", 2, 1800, "24:05"));
  ASSERT_TRUE(detail.has_value());
  // The second stop is compared with the first stop's departure.
  EXPECT_THAT(MRow(*detail, 0), ElementsAre("1", "甲", "0", "", "23:50", "当天", "0:00", ""));
  EXPECT_THAT(MRow(*detail, 1),
              ElementsAre("2", "乙", "30", "00:10", "00:12", "第2天", "0:20", "90"));
  EXPECT_THAT(MRow(*detail, 2),
              ElementsAre("3", "丙", "1500", "19:50", "20:10", "第2天", "20:00", "75"));
  EXPECT_THAT(MRow(*detail, 3),
              ElementsAre("4", "丁", "1830", "00:05", "", "第3天", "24:15", "84"));
  EXPECT_EQ(detail->FirstLegStop, 2);
  EXPECT_EQ(detail->LastLegStop, 4);
  EXPECT_EQ(detail->LabQC, "全程：1830km/历时24:15/速度75km/h");
}

TEST_F(TrainDetailInline, UnknownDistancesAndSpeedsSayDash) {
  // A timetable without distances (every stop at 0 km) shows "-", never 0 km or an empty speed.
  const auto detail = Detail(Section("X1", "东", "东", 1, 0, "00:30"));
  ASSERT_TRUE(detail.has_value());
  EXPECT_EQ(detail->MGrid.Cell(2, 0), "-");
  EXPECT_EQ(detail->MGrid.Cell(2, 1), "-");
  EXPECT_EQ(detail->MGrid.Cell(7, 0), "");  // no section before the first stop
  EXPECT_EQ(detail->MGrid.Cell(7, 1), "-");
  EXPECT_EQ(detail->LabQC, "全程：-/历时0:30/速度-");
  EXPECT_EQ(detail->LabQJ, "区间：-/历时00:30/速度-");
}

TEST_F(TrainDetailInline, LongRunsGrowTheGridToTheirStopCount) {
  const auto detail = Detail(Section("L23", "站1", "站5", 10, 20, "00:10"));
  ASSERT_TRUE(detail.has_value());
  EXPECT_EQ(detail->StopCount, 23);
  EXPECT_EQ(detail->MGrid.RowCount(), 23);
  EXPECT_EQ(detail->MGrid.Cell(1, 22), "站23");
  EXPECT_EQ(detail->FirstLegStop, 5);
  EXPECT_EQ(detail->LastLegStop, 15);
  EXPECT_EQ(MGridRowColour(*detail, 3), RowColour::Normal);
  EXPECT_EQ(MGridRowColour(*detail, 4), RowColour::Blue);
  EXPECT_EQ(MGridRowColour(*detail, 14), RowColour::Blue);
  EXPECT_EQ(MGridRowColour(*detail, 15), RowColour::Normal);
}

}  // namespace
}  // namespace lanzhou::query
