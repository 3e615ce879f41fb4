#include "query/chooser_grid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;

TPub_ZZStruct Candidate(std::string name, int first_km, int second_km, std::string first_time,
                        std::string second_time, std::string total_time, int from_trains,
                        int to_trains) {
  return {std::move(name), first_km,    second_km, first_km + second_km, first_time, second_time,
          total_time,      from_trains, to_trains};
}

std::vector<std::string> Column(const ChooserGrid& chooser, int col) {
  std::vector<std::string> out;
  for (int r = 0; r < chooser.CandidateCount; ++r) out.push_back(chooser.ZGrid.Cell(col, r));
  return out;
}

const std::vector<TPub_ZZStruct> kListed = {
    Candidate("郑州", 511, 998, "07:18", "15:20", "22:38", 3, 12),
    Candidate("石家庄", 919, 1100, "13:08", "5:02", "18:10", 1, 2),
    Candidate("安阳", 698, 1300, "10:03", "02:27", "12:30", 2, 1),
    Candidate("北京西", 12, 80, "05:00", "04:48", "9:48", 1, 4),
};

TEST(ChooserGrid, OpensSortedByStationWithTheFirstHeaderMarked) {
  ChooserGrid chooser;
  FillChooserGrid(chooser, kListed);
  EXPECT_EQ(chooser.CandidateCount, 4);
  EXPECT_TRUE(NoSelection(chooser.ZGrid));
  EXPECT_THAT(Column(chooser, 0), ElementsAre("安阳", "北京西", "石家庄", "郑州"));
  // Every column of a row travels with its station; integers as decimal text.
  std::vector<std::string> last;
  for (int c = 0; c < kChooserColumns; ++c) last.push_back(chooser.ZGrid.Cell(c, 3));
  EXPECT_THAT(last,
              ElementsAre("郑州", "511", "998", "1509", "07:18", "15:20", "22:38", "3", "12"));
  EXPECT_EQ(chooser.Headers.Caption(0), "中转站↑");
  EXPECT_TRUE(chooser.Headers.IsBold(0));
  for (int c = 1; c < kChooserColumns; ++c) EXPECT_FALSE(chooser.Headers.IsBold(c)) << c;
  EXPECT_EQ(chooser.Headers.Caption(8), "到站车数");
  EXPECT_EQ(chooser.ZGrid.RowCount(), kChooserMinRows);
  EXPECT_TRUE(chooser.ZGrid.IsBlankRow(4));
}

TEST(ChooserGrid, NothingListed) {
  ChooserGrid chooser;
  FillChooserGrid(chooser, {});
  EXPECT_EQ(chooser.CandidateCount, 0);
  EXPECT_EQ(chooser.Headers.MarkedColumn(), -1);
  EXPECT_EQ(chooser.Headers.Caption(0), "中转站");
  EXPECT_EQ(ChooserCaption(chooser.CandidateCount), "两地共有<0>个中转站供选择:");
  Lab1Click(chooser, 3);  // nothing to sort: the header stays unmarked
  EXPECT_EQ(chooser.Headers.MarkedColumn(), -1);
  EXPECT_FALSE(ZGridClick(chooser, 0).has_value());
}

TEST(ChooserGrid, ColumnsSortByWhatTheyHold) {
  ChooserGrid chooser;
  FillChooserGrid(chooser, kListed);
  Lab1Click(chooser, 3);  // 总里程↑ by value, "92" first
  EXPECT_THAT(Column(chooser, 3), ElementsAre("92", "1509", "1998", "2019"));
  EXPECT_EQ(chooser.Headers.Caption(3), "总里程↑");
  EXPECT_EQ(chooser.Headers.Caption(0), "中转站");
  // Running times by minutes, padded or not: "9:48" before "12:30".
  Lab1Click(chooser, 6);
  EXPECT_THAT(Column(chooser, 6), ElementsAre("9:48", "12:30", "18:10", "22:38"));
  Lab1Click(chooser, 5);  // 后历时↑: "02:27" < "04:48" < "5:02" < "15:20"
  EXPECT_THAT(Column(chooser, 5), ElementsAre("02:27", "04:48", "5:02", "15:20"));
  Lab1Click(chooser, 5);
  EXPECT_EQ(chooser.Headers.Caption(5), "后历时↓");
  EXPECT_THAT(Column(chooser, 0), ElementsAre("郑州", "石家庄", "北京西", "安阳"));
  Lab1Click(chooser, 8);  // 到站车数↑
  EXPECT_THAT(Column(chooser, 8), ElementsAre("1", "2", "4", "12"));
}

TEST(ChooserGrid, TotalTimesInElapsedFormSortByMinutes) {
  ChooserGrid chooser;
  FillChooserGrid(chooser, {Candidate("A", 1, 1, "05:30", "06:35", "12:5", 1, 1),
                            Candidate("B", 1, 1, "04:00", "05:30", "9:30", 1, 1),
                            Candidate("C", 1, 1, "50", "01:20", "2:10", 1, 1)});
  Lab1Click(chooser, 6);
  EXPECT_THAT(Column(chooser, 6), ElementsAre("2:10", "9:30", "12:5"));
}

TEST(ChooserGrid, ClicksPickListedRowsOnly) {
  ChooserGrid chooser;
  FillChooserGrid(chooser, kListed);
  const auto pick = ZGridClick(chooser, 3);
  ASSERT_TRUE(pick.has_value());
  EXPECT_EQ(pick->station, "郑州");
  EXPECT_EQ(pick->fromCount, 3);
  EXPECT_EQ(pick->toCount, 12);
  // After a sort the click reads what the row now holds.
  Lab1Click(chooser, 7);
  Lab1Click(chooser, 7);  // 发站车数↓: 郑州 first
  ASSERT_TRUE(ZGridClick(chooser, 0).has_value());
  EXPECT_EQ(ZGridClick(chooser, 0)->station, "郑州");
  EXPECT_FALSE(ZGridClick(chooser, 4).has_value());   // blank row
  EXPECT_FALSE(ZGridClick(chooser, -1).has_value());  // NoSelection
}

TEST(ChooserGrid, GrowsForLongListsAndStartsAfreshEachSearch) {
  std::vector<TPub_ZZStruct> many;
  for (int i = 0; i < 20; ++i) {
    many.push_back(Candidate("站" + std::to_string(100 + i), i, i, "01:00", "01:00", "2:0", 1, 1));
  }
  ChooserGrid chooser;
  FillChooserGrid(chooser, many);
  EXPECT_EQ(chooser.CandidateCount, 20);
  EXPECT_EQ(chooser.ZGrid.RowCount(), 20);
  EXPECT_EQ(ChooserCaption(20), "两地共有<20>个中转站供选择:");
  Lab1Click(chooser, 1);
  Lab1Click(chooser, 1);
  ASSERT_TRUE(chooser.ZGrid.SelectRow(2));

  // A new search: the old rows, selection and mark are gone; it opens on 中转站↑ again.
  FillChooserGrid(chooser, kListed);
  EXPECT_EQ(chooser.CandidateCount, 4);
  EXPECT_EQ(chooser.ZGrid.RowCount(), kChooserMinRows);
  EXPECT_TRUE(chooser.ZGrid.IsBlankRow(4));
  EXPECT_TRUE(NoSelection(chooser.ZGrid));
  EXPECT_EQ(chooser.Headers.Caption(0), "中转站↑");
  EXPECT_EQ(chooser.Headers.Caption(1), "前里程");
}

}  // namespace
}  // namespace lanzhou::query
