#include "query/show_results.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A row boarding at stop from_no and alighting at to_no of a train whose terminal is last_no;
// start and end are the train list's (city-level) names of its ends.
TPub_GridResult Row(std::string train, std::string start, std::string end, std::string from,
                    std::string to, int from_no = 2, int to_no = 3, int last_no = 9) {
  TPub_GridResult row;
  row.TrainId = std::move(train);
  row.StartStation = std::move(start);
  row.EndStation = std::move(end);
  row.FromStation = std::move(from);
  row.ToStation = std::move(to);
  row.FromNo = from_no;
  row.ToNo = to_no;
  row.LastNo = last_no;
  return row;
}

// Column 0 of the shown rows.
std::vector<std::string> Shown(const QueryState& state, const ResultGrid& grid) {
  std::vector<std::string> out;
  for (int r = 0; r < state.VisibleCount; ++r) out.push_back(grid.SGrid.Cell(0, r));
  return out;
}

class ShowResultsTest : public ::testing::Test {
 protected:
  // A fresh fill, as every query and every filter box does it.
  std::vector<std::string> Fill(const ResultFilters& filters, std::string_view box = "") {
    CBSFClick(state, grid, filters, box);
    return Shown(state, grid);
  }
  QueryState state;
  ResultGrid grid;
};

TEST_F(ShowResultsTest, FifteenCellsOfARow) {
  TPub_GridResult row = Row("1043", "西安", "北京", "华山", "郑州");
  row.TypeName = "普快";
  row.DepartTime = "23:13";
  row.ArriveTime = "04:43";
  row.Stops = 3;
  row.SegDistance = 390;
  row.SegTime = "05:32";
  row.FareHardSeat = "31";
  row.FareHardSleeper = "53/55/58";
  EXPECT_THAT(ResultCells(row),
              ElementsAre("1043", "西安", "北京", "普快", "华山", "23:13", "郑州", "04:43", "3",
                          "390", "05:32", "31", "-", "53/55/58", "-"));
  EXPECT_EQ(ResultHeaders().ColumnCount(), kResultColumns);
  // An arrival on a later day than the boarding carries the day marker.
  row.ArriveDays = 1;
  EXPECT_EQ(ResultCells(row)[7], "04:43+1天");
  row.ArriveDays = 2;
  EXPECT_EQ(ResultCells(row)[7], "04:43+2天");
}

TEST_F(ShowResultsTest, ClearEmptiesEveryRowAndParksTheSelection) {
  grid.SGrid.SetRowCount(20);
  for (int r = 0; r < 20; ++r) {
    for (int c = 0; c < kResultColumns; ++c) grid.SGrid.SetCell(c, r, "x");
  }
  ASSERT_TRUE(grid.SGrid.SelectRow(18));
  grid.LabResult = "结果:20";
  ClearResultGrid(grid);
  EXPECT_EQ(grid.SGrid.RowCount(), 16);
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < kResultColumns; ++c) ASSERT_EQ(grid.SGrid.Cell(c, r), "") << c << "," << r;
  }
  EXPECT_TRUE(NoSelection(grid.SGrid));
  EXPECT_EQ(grid.LabResult, "结果:0");
}

TEST_F(ShowResultsTest, RowsArePackedAndTheGridKeepsSixteenRowsAtLeast) {
  state.QueryKind = TrainNumber;
  state.ResultList = {Row("D1", "北京", "沈阳北", "北京", "沈阳北"),
                      Row("K7711", "北京", "承德", "北京", "承德"),
                      Row("G1", "北京", "上海", "北京", "上海")};
  EXPECT_THAT(Fill({}), ElementsAre("D1", "K7711", "G1"));
  EXPECT_EQ(state.VisibleCount, 3);
  EXPECT_EQ(grid.LabResult, "结果:3");
  EXPECT_EQ(grid.SGrid.RowCount(), 16);
  for (int r = 3; r < 16; ++r) EXPECT_TRUE(grid.SGrid.IsBlankRow(r)) << r;

  state.ResultList.clear();
  for (int i = 0; i < 17; ++i)
    state.ResultList.push_back(Row("T" + std::to_string(i), "", "", "", ""));
  Fill({});
  EXPECT_EQ(state.VisibleCount, 17);
  EXPECT_EQ(grid.SGrid.RowCount(), 17);
  EXPECT_EQ(grid.SGrid.Cell(0, 16), "T16");
  EXPECT_EQ(grid.LabResult, "结果:17");

  // Back to a short list: the grid shrinks to 16 again, no stale row left over.
  state.ResultList.resize(2);
  Fill({});
  EXPECT_EQ(grid.SGrid.RowCount(), 16);
  EXPECT_TRUE(grid.SGrid.IsBlankRow(2));

  state.ResultList.clear();
  EXPECT_THAT(Fill({}), IsEmpty());
  EXPECT_EQ(grid.LabResult, "结果:0");
  EXPECT_EQ(grid.SGrid.RowCount(), 16);
}

TEST_F(ShowResultsTest, ThroughQueryFilters) {
  state.QueryKind = StationToStation;
  state.FromSpec.Name = "北京";
  state.ToSpec.Name = "上海";
  // 始发 and 终到 go by stop number, whatever names the train list gives the ends.
  state.ResultList = {
      Row("G1", "北京", "上海", "北京南", "上海虹桥", 1, 4, 4),  // both ends, by other names
      Row("T1", "北京", "上海", "北京", "上海", 1, 9, 9),
      Row("1163", "北京", "上海", "北京西", "上海", 2, 9, 9),  // boards at its second stop
      Row("D5", "天津", "上海", "北京", "上海", 3, 7, 7),
      Row("K1", "北京", "杭州", "北京", "上海", 1, 5, 8),
      Row("K9", "北京", "上海", "北京", "上海", 2, 8, 0),  // terminal not known: never ends
  };
  EXPECT_THAT(Fill({}), ElementsAre("G1", "T1", "1163", "D5", "K1", "K9"));
  EXPECT_THAT(Fill({.CBSF = true}), ElementsAre("G1", "T1", "K1"));
  EXPECT_THAT(Fill({.CBZD = true}), ElementsAre("G1", "T1", "1163", "D5"));
  EXPECT_THAT(Fill({.CBJQ = true}), ElementsAre("T1", "D5", "K1", "K9"));
  EXPECT_THAT(Fill({.CBDC = true}), ElementsAre("G1", "D5"));
  EXPECT_THAT(Fill({.CBZD = true, .CBJQ = true, .CBDC = true}), ElementsAre("D5"));
  EXPECT_EQ(grid.LabResult, "结果:1");
  // The list itself is never filtered: unchecking brings every row back.
  EXPECT_EQ(state.ResultList.size(), 6u);
  EXPECT_THAT(Fill({}), ElementsAre("G1", "T1", "1163", "D5", "K1", "K9"));
}

TEST_F(ShowResultsTest, TrainNumberRowsPassTheStationFilters) {
  state.QueryKind = TrainNumber;
  // Rows of the train-number query pass every station filter, whatever their stations.
  state.ResultList = {Row("K7711", "北京", "承德", "北京", "承德"),
                      Row("1043", "西安", "北京", "西安北", "北京西"),
                      Row("Z98/Z95", "广州", "北京", "广州东", "北京"),
                      Row("C2001", "北京", "天津", "北京南", "天津西"),
                      Row("D1", "北京", "沈阳北", "北京", "沈阳"),
                      Row("G1", "北京", "上海", "北京南", "上海虹桥"),
                      Row("T1", "北京", "上海", "北京", "上海")};
  const std::vector<std::string> all = {"K7711", "1043", "Z98/Z95", "C2001", "D1", "G1", "T1"};
  EXPECT_EQ(Fill({.CBSF = true, .CBZD = true, .CBJQ = true}), all);
  EXPECT_THAT(Fill({.CBDC = true}), ElementsAre("C2001", "D1", "G1"));
}

TEST_F(ShowResultsTest, StationQueryFilters) {
  state.QueryKind = StationTimetable;
  state.FromSpec.Name = "北京";
  state.FromSpec.Stations = {"北京", "北京西", "北京南"};
  state.ResultList = {
      Row("C2001", "北京", "天津", "北京", "天津", 1, 5, 5),      // starts here, exact name
      Row("T1", "北京", "上海", "北京西", "上海", 1, 9, 9),       // starts at a group member
      Row("Z98/Z95", "广州", "北京", "广州东", "北京西", 1, 12, 12),  // ends at a member
      Row("K2", "上海", "北京", "上海", "北京", 1, 8, 8),         // ends here, exact name
      Row("K9", "天津", "唐山", "北京南", "唐山", 3, 6, 6),       // calls here on its way
  };
  // 始发车 and 终到车: trains that start (end) at the station's set, by stop number; a row of a
  // train ending here boards at its first stop elsewhere and does not start here.
  const std::string box = "  北京 ";  // trimmed when read
  EXPECT_THAT(Fill({.CBSF = true}, box), ElementsAre("C2001", "T1"));
  EXPECT_THAT(Fill({.CBZD = true}, box), ElementsAre("Z98/Z95", "K2"));
  EXPECT_THAT(Fill({.CBJQ = true}, box), ElementsAre("C2001", "K2"));
  // 精确站名 reads the box anew at each fill, not remembered from the query.
  EXPECT_THAT(Fill({.CBJQ = true}, "北京西"), ElementsAre("T1", "Z98/Z95"));
}

TEST_F(ShowResultsTest, TransferLegsFilters) {
  state.QueryKind = StationToStation;
  state.FromSpec.Name = "西安";
  state.ToSpec.Name = "上海";
  state.TransferStation = "郑州";
  state.ResultList = {
      // First legs, ending at the transfer station.
      Row("1043", "西安", "北京", "西安", "郑州", 1, 4, 10),
      Row("K2", "兰州", "北京", "西安", "郑州", 6, 9, 20),
      Row("K3", "西安北", "郑州", "西安北", "郑州", 1, 5, 5),
      // Second legs, starting there.
      Row("1112/1113", "郑州", "上海", "郑州", "上海", 1, 12, 12),
      Row("T5", "西安", "上海", "郑州", "上海", 7, 15, 15),
      Row("K6", "郑州", "杭州", "郑州", "上海南", 1, 10, 14),
  };
  // 始发车 tests only the first legs, 终到车 only the second legs.
  EXPECT_THAT(Fill({.CBSF = true}), ElementsAre("1043", "K3", "1112/1113", "T5", "K6"));
  EXPECT_THAT(Fill({.CBZD = true}), ElementsAre("1043", "K2", "K3", "1112/1113", "T5"));
  // 精确站名 accepts the transfer station at the joining end only.
  EXPECT_THAT(Fill({.CBJQ = true}), ElementsAre("1043", "K2", "1112/1113", "T5"));
  // Once the transfer is over, the same rows are plain through rows again.
  state.TransferStation.clear();
  EXPECT_THAT(Fill({.CBJQ = true}), IsEmpty());
}

TEST_F(ShowResultsTest, HeaderClicksSortOnlyTheShownRows) {
  state.QueryKind = TrainNumber;
  state.ResultList = {Row("K7711", "", "", "", ""), Row("G1", "", "", "", ""),
                      Row("1043", "", "", "", ""), Row("C2001", "", "", "", ""),
                      Row("D1", "", "", "", "")};
  state.ResultList[1].FareHardSeat = "555";
  state.ResultList[3].FareHardSeat = "54.5";
  state.ResultList[4].FareHardSeat = "";  // shown as "-"
  Fill({.CBDC = true});
  ASSERT_EQ(state.VisibleCount, 3);
  Lab1Click(state, grid, 11);  // 硬座↑
  EXPECT_THAT(Shown(state, grid), ElementsAre("C2001", "G1", "D1"));
  EXPECT_EQ(grid.Headers.Caption(11), "硬座↑");
  Lab1Click(state, grid, 11);  // 硬座↓: "-" first, and no blank row moves in
  EXPECT_THAT(Shown(state, grid), ElementsAre("D1", "G1", "C2001"));
  EXPECT_EQ(grid.SGrid.RowCount(), 16);
  for (int r = 3; r < 16; ++r) EXPECT_TRUE(grid.SGrid.IsBlankRow(r)) << r;

  // Every row filtered out: the mark still moves, nothing is sorted.
  state.ResultList = {Row("K1", "", "", "", "")};
  Fill({.CBDC = true});
  Lab1Click(state, grid, 0);
  EXPECT_EQ(grid.Headers.Caption(0), "车 次↑");
  EXPECT_EQ(grid.Headers.Caption(11), "硬座");
  EXPECT_EQ(grid.LabResult, "结果:0");
}

TEST_F(ShowResultsTest, CountAndFareColumnsSortByValue) {
  state.QueryKind = StationToStation;
  auto row = [](std::string train, int stops, std::string soft, std::string hard_berth,
                std::string soft_berth) {
    TPub_GridResult r = Row(std::move(train), "", "", "", "");
    r.Stops = stops;
    r.FareSoftSeat = std::move(soft);
    r.FareHardSleeper = std::move(hard_berth);
    r.FareSoftSleeper = std::move(soft_berth);
    return r;
  };
  state.ResultList = {row("A", 12, "103", "183/189/195", "289/304"),
                      row("B", 3, "56", "99/103/106", "1000/1050"), row("C", 100, "", "", "40/42")};
  Fill({});
  Lab1Click(state, grid, 8);  // 停站
  EXPECT_THAT(Shown(state, grid), ElementsAre("B", "A", "C"));
  Lab1Click(state, grid, 12);  // 软座: 56 before 103, "-" last
  EXPECT_THAT(Shown(state, grid), ElementsAre("B", "A", "C"));
  Lab1Click(state, grid, 12);
  EXPECT_THAT(Shown(state, grid), ElementsAre("C", "A", "B"));
  Lab1Click(state, grid, 13);  // 硬卧上/中/下 by the upper berth
  EXPECT_THAT(Shown(state, grid), ElementsAre("B", "A", "C"));
  Lab1Click(state, grid, 14);  // 软卧上/下 by the upper berth
  EXPECT_THAT(Shown(state, grid), ElementsAre("C", "A", "B"));
  EXPECT_EQ(grid.Headers.Caption(14), "软卧上/下↑");
}

TEST_F(ShowResultsTest, ArrivalsSortByDayThenTime) {
  state.QueryKind = StationToStation;
  auto row = [](std::string train, std::string arrive, int days) {
    TPub_GridResult r = Row(std::move(train), "", "", "", "");
    r.ArriveTime = std::move(arrive);
    r.ArriveDays = days;
    return r;
  };
  state.ResultList = {row("Z1", "06:45", 1), row("G1", "23:10", 0), row("K3", "05:00", 2),
                      row("D5", "07:00", 0)};
  Fill({});
  Lab1Click(state, grid, 7);  // 到时
  EXPECT_THAT(Shown(state, grid), ElementsAre("D5", "G1", "Z1", "K3"));
  EXPECT_EQ(grid.SGrid.Cell(7, 2), "06:45+1天");
}

TEST_F(ShowResultsTest, EmptyListLeavesTheHeaderAlone) {
  Lab1Click(state, grid, 3);
  EXPECT_EQ(grid.Headers.MarkedColumn(), -1);
  EXPECT_EQ(grid.Headers.Caption(3), "车型");
  state.ResultList = {Row("K1", "", "", "", "")};
  Fill({});
  Lab1Click(state, grid, 3);
  EXPECT_EQ(grid.Headers.Caption(3), "车型↑");
  state.ResultList.clear();
  Fill({});
  Lab1Click(state, grid, 3);  // no flip to ↓
  EXPECT_EQ(grid.Headers.Caption(3), "车型↑");
}

TEST_F(ShowResultsTest, TheMarkedSortAppliesToLaterFills) {
  state.QueryKind = StationToStation;
  auto with_km = [](std::string train, int km, std::string time) {
    TPub_GridResult row = Row(std::move(train), "", "", "", "");
    row.SegDistance = km;
    row.SegTime = std::move(time);
    return row;
  };
  state.ResultList = {with_km("A", 9, "9:48"), with_km("B", 100, "12:15"),
                      with_km("C", 10, "01:55")};
  Fill({});
  Lab1Click(state, grid, 9);  // 里程↑
  EXPECT_THAT(Shown(state, grid), ElementsAre("A", "C", "B"));
  Lab1Click(state, grid, 10);  // 历时↑, by minutes
  EXPECT_THAT(Shown(state, grid), ElementsAre("C", "A", "B"));
  Lab1Click(state, grid, 10);  // 历时↓

  // A new query: its rows appear sorted by the mark, which stays as it was.
  state.ResultList = {with_km("D", 1, "1:7"), with_km("E", 2, "37:43"), with_km("F", 3, "18")};
  EXPECT_THAT(Fill({}), ElementsAre("E", "D", "F"));
  EXPECT_EQ(grid.Headers.Caption(10), "历时↓");
  EXPECT_EQ(grid.Headers.Caption(9), "里程");
}

TEST_F(ShowResultsTest, RowColoursFollowTheStopNumbersThroughSorts) {
  state.QueryKind = StationToStation;
  state.ResultList = {
      Row("T1", "北京", "上海", "北京", "上海", 1, 9, 9),          // boards at stop 1: red
      Row("1163", "北京", "上海", "北京西", "上海", 2, 9, 9),      // stop 2: normal
      Row("G102", "上海", "北京", "上海虹桥", "北京南", 1, 6, 6),  // other name, stop 1: red
      Row("1112/1113", "郑州", "上海", "郑州", "上海", 1, 12, 12),  // second leg from stop 1: red
      Row("T5", "西安", "上海", "郑州", "上海", 7, 15, 15),        // second leg: blue
      Row("G91", "北京", "太原", "北京西", "太原南", 2, 5, 5),     // named start, stop 2: normal
  };
  Fill({});
  const std::string transfer = "郑州";
  const auto colour_of = [&](const std::string& train, std::string_view at) {
    for (int r = 0; r < state.VisibleCount; ++r) {
      if (grid.SGrid.Cell(0, r) == train) return SGridRowColour(grid.SGrid, r, at);
    }
    return RowColour::Normal;
  };
  const auto check = [&] {
    EXPECT_EQ(colour_of("T1", transfer), RowColour::Red);
    EXPECT_EQ(colour_of("1163", transfer), RowColour::Normal);
    EXPECT_EQ(colour_of("G102", transfer), RowColour::Red);
    EXPECT_EQ(colour_of("1112/1113", transfer), RowColour::Red);
    EXPECT_EQ(colour_of("T5", transfer), RowColour::Blue);
    EXPECT_EQ(colour_of("G91", transfer), RowColour::Normal);
    EXPECT_EQ(colour_of("T5", ""), RowColour::Normal);
  };
  check();
  // The colour travels with its row when a header sorts the grid.
  Lab1Click(state, grid, 0);
  EXPECT_EQ(grid.SGrid.Cell(0, 0), "1112/1113");
  check();
  Lab1Click(state, grid, 0);
  check();
  EXPECT_EQ(SGridRowColour(grid.SGrid, 10, ""), RowColour::Normal);  // blank row
  // A cleared grid keeps no colour on its empty rows.
  ClearResultGrid(grid);
  EXPECT_EQ(grid.SGrid.RowTag(0), 0);
}

}  // namespace
}  // namespace lanzhou::query
