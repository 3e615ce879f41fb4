#include "query/sort_grid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "query/show_results.h"

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Two columns: the value under test and a tag that shows where each row went.
StringGrid TwoColumns(const std::vector<std::string>& values) {
  StringGrid grid(2, static_cast<int>(values.size()));
  for (int r = 0; r < grid.RowCount(); ++r) {
    grid.SetCell(0, r, values[static_cast<std::size_t>(r)]);
    grid.SetCell(1, r, "t" + std::to_string(r));
  }
  return grid;
}

std::vector<std::string> Column(const StringGrid& grid, int col) {
  std::vector<std::string> out;
  for (int r = 0; r < grid.RowCount(); ++r) out.push_back(grid.Cell(col, r));
  return out;
}

std::vector<std::string> Sorted(const std::vector<std::string>& values, SortKey key,
                                bool ascending = true) {
  StringGrid grid = TwoColumns(values);
  SortGrid(grid, 0, ascending, key);
  return Column(grid, 0);
}

TEST(SortGrid, SwapGridRowsExchangesWholeRows) {
  StringGrid grid = TwoColumns({"a", "b", "c"});
  SwapGridRows(grid, 0, 2);
  EXPECT_THAT(Column(grid, 0), ElementsAre("c", "b", "a"));
  EXPECT_THAT(Column(grid, 1), ElementsAre("t2", "t1", "t0"));
}

TEST(SortGrid, TextFollowsGbkByteOrder) {
  // GBK puts 安 (B0B2) < 北 (B1B1) < 上 (C9CF), the reverse of their code points.
  EXPECT_THAT(Sorted({"上海", "北京西", "安阳", "北京"}, SortKey::Text),
              ElementsAre("安阳", "北京", "北京西", "上海"));
  EXPECT_THAT(Sorted({"上海", "北京西", "安阳", "北京"}, SortKey::Text, false),
              ElementsAre("上海", "北京西", "北京", "安阳"));
  // Train numbers and times of day are plain text: digits before letters, byte by byte.
  EXPECT_THAT(Sorted({"Z98/Z95", "1043", "D1", "1112/1113", "G1"}, SortKey::Text),
              ElementsAre("1043", "1112/1113", "D1", "G1", "Z98/Z95"));
  EXPECT_THAT(Sorted({"21:25", "07:00", "", "09:00"}, SortKey::Text),
              ElementsAre("", "07:00", "09:00", "21:25"));
}

TEST(SortGrid, NumbersCompareByValue) {
  EXPECT_THAT(Sorted({"100", "9", "10"}, SortKey::Number), ElementsAre("9", "10", "100"));
  EXPECT_THAT(Sorted({"56", "103"}, SortKey::Number), ElementsAre("56", "103"));
  EXPECT_THAT(Sorted({"54.5", "9.5", "101", "10.5"}, SortKey::Number, false),
              ElementsAre("101", "54.5", "10.5", "9.5"));
}

TEST(SortGrid, BerthFaresCompareByTheirFirstPrice) {
  EXPECT_THAT(
      Sorted({"183/189/195", "-", "99/103/106", "1000/1/1", "27/28/29"}, SortKey::FirstPrice),
      ElementsAre("27/28/29", "99/103/106", "183/189/195", "1000/1/1", "-"));
  EXPECT_THAT(Sorted({"289/304", "40/42", "766/805"}, SortKey::FirstPrice, false),
              ElementsAre("766/805", "289/304", "40/42"));
  // A single price without "/" is its own first price.
  EXPECT_THAT(Sorted({"300", "40/42"}, SortKey::FirstPrice), ElementsAre("40/42", "300"));
}

TEST(SortGrid, RunningTimesCompareByMinutes) {
  // Padded section times and unpadded whole-run times mix in one column.
  EXPECT_THAT(Sorted({"12:15", "9:48", "01:55", "23:", "0", "33"}, SortKey::Minutes),
              ElementsAre("0", "33", "01:55", "9:48", "12:15", "23:"));
  EXPECT_THAT(Sorted({"9:30", "12:5", "05:30"}, SortKey::Minutes, false),
              ElementsAre("12:5", "9:30", "05:30"));
}

TEST(SortGrid, ArrivalsWithDayMarkersCompareByDayThenTime) {
  // As text "06:10+1天" would come before "23:50"; a day marker counts a whole day.
  EXPECT_THAT(Sorted({"06:10+1天", "23:50", "00:05+2天", "07:00", "23:59+1天"}, SortKey::DayTime),
              ElementsAre("07:00", "23:50", "06:10+1天", "23:59+1天", "00:05+2天"));
  // Anything that is not a time of day, with or without a well-formed marker, holds no value.
  EXPECT_THAT(Sorted({"-", "08:00+天", "7:00", "08:00+1", "08:00+x天", "05:00"}, SortKey::DayTime),
              ElementsAre("05:00", "-", "08:00+天", "7:00", "08:00+1", "08:00+x天"));
}

TEST(SortGrid, CellsWithoutValueGoLastAscendingAndFirstDescending) {
  for (const SortKey key : {SortKey::Number, SortKey::FirstPrice, SortKey::Minutes}) {
    SCOPED_TRACE(static_cast<int>(key));
    StringGrid grid = TwoColumns({"-", "30", "", "5", "-", "x"});
    SortGrid(grid, 0, true, key);
    EXPECT_THAT(Column(grid, 0), ElementsAre("5", "30", "-", "", "-", "x"));
    // The cells without value keep their order among themselves, whatever the direction.
    EXPECT_THAT(Column(grid, 1), ElementsAre("t3", "t1", "t0", "t2", "t4", "t5"));
    SortGrid(grid, 0, false, key);
    EXPECT_THAT(Column(grid, 0), ElementsAre("-", "", "-", "x", "30", "5"));
    EXPECT_THAT(Column(grid, 1), ElementsAre("t0", "t2", "t4", "t5", "t1", "t3"));
  }
}

TEST(SortGrid, EqualKeysKeepTheirOrder) {
  // Sorted by name first, then by a count with ties: the names stay in order within a count.
  StringGrid grid(2, 6);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"郑州", "2"}, {"上海", "1"}, {"南京", "2"}, {"安阳", "1"}, {"北京", "2"}, {"长沙", "1"}};
  for (int r = 0; r < 6; ++r) {
    grid.SetCell(0, r, rows[static_cast<std::size_t>(r)].first);
    grid.SetCell(1, r, rows[static_cast<std::size_t>(r)].second);
  }
  SortGrid(grid, 0, true, SortKey::Text);
  SortGrid(grid, 1, true, SortKey::Number);
  EXPECT_THAT(Column(grid, 0), ElementsAre("安阳", "长沙", "上海", "北京", "南京", "郑州"));
  SortGrid(grid, 1, false, SortKey::Number);
  EXPECT_THAT(Column(grid, 0), ElementsAre("北京", "南京", "郑州", "安阳", "长沙", "上海"));
  // Descending text keeps equal texts in their current order too.
  StringGrid same = TwoColumns({"K1", "D1", "K1", "D1"});
  SortGrid(same, 0, false, SortKey::Text);
  EXPECT_THAT(Column(same, 1), ElementsAre("t0", "t2", "t1", "t3"));

  // Enough rows that a sort switching to partitioning would mix up equal names.
  std::vector<std::string> names;
  for (int i = 0; i < 90; ++i) names.push_back(i % 3 == 0 ? "郑州" : i % 3 == 1 ? "上海" : "北京");
  for (const bool ascending : {true, false}) {
    StringGrid many = TwoColumns(names);
    SortGrid(many, 0, ascending, SortKey::Text);
    for (int r = 1; r < many.RowCount(); ++r) {
      if (many.Cell(0, r) != many.Cell(0, r - 1)) continue;
      ASSERT_LT(std::stoi(many.Cell(1, r - 1).substr(1)), std::stoi(many.Cell(1, r).substr(1)))
          << "row " << r << (ascending ? " ascending" : " descending");
    }
    EXPECT_EQ(many.Cell(0, 0), ascending ? "北京" : "郑州");
  }
}

TEST(SortGrid, SortsOnlyTheRowsAskedFor) {
  // Three shown rows above blank ones: the blank rows must not move in among them.
  StringGrid grid = TwoColumns({"30", "10", "20", "", ""});
  SortGrid(grid, 0, false, SortKey::Number, 3);
  EXPECT_THAT(Column(grid, 0), ElementsAre("30", "20", "10", "", ""));
  SortGrid(grid, 0, true, SortKey::Number, 3);
  EXPECT_THAT(Column(grid, 0), ElementsAre("10", "20", "30", "", ""));
  // Nothing to sort, or a column the grid does not have: nothing changes.
  for (const int rows : {0, 1, -4}) SortGrid(grid, 0, false, SortKey::Number, rows);
  SortGrid(grid, 5, false, SortKey::Text);
  SortGrid(grid, -1, false, SortKey::Text);
  EXPECT_THAT(Column(grid, 1), ElementsAre("t1", "t2", "t0", "t3", "t4"));
  // More rows asked for than the grid has: all of them, blank ones included (and descending
  // puts cells without a value first, which is why the shown rows are counted).
  SortGrid(grid, 0, false, SortKey::Number, 100);
  EXPECT_THAT(Column(grid, 0), ElementsAre("", "", "30", "20", "10"));
}

TEST(SortGrid, ManyRowsComeOutOrderedAndComplete) {
  // A pseudo-random mix large enough for every permutation step to matter.
  std::vector<std::string> values;
  unsigned seed = 12345;
  for (int i = 0; i < 500; ++i) {
    seed = seed * 1103515245u + 12345u;
    values.push_back(i % 17 == 0 ? "-" : std::to_string((seed >> 8) % 300));
  }
  StringGrid grid = TwoColumns(values);
  SortGrid(grid, 0, true, SortKey::Number);
  std::vector<std::string> tags = Column(grid, 1);
  std::sort(tags.begin(), tags.end());
  std::vector<std::string> all;
  for (int i = 0; i < 500; ++i) all.push_back("t" + std::to_string(i));
  std::sort(all.begin(), all.end());
  EXPECT_THAT(tags, ElementsAreArray(all));  // every row once, cells kept together
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string& a = grid.Cell(0, r - 1);
    const std::string& b = grid.Cell(0, r);
    if (b == "-") continue;
    ASSERT_NE(a, "-") << "row " << r;
    ASSERT_LE(std::stoi(a), std::stoi(b)) << "row " << r;
    if (a == b) {  // stable: original positions ascend among equals
      ASSERT_LT(std::stoi(grid.Cell(1, r - 1).substr(1)), std::stoi(grid.Cell(1, r).substr(1)));
    }
  }
}

TEST(HeaderSort, LabelNamesGiveColumns) {
  EXPECT_EQ(LabelColumn("Lab1"), 0);
  EXPECT_EQ(LabelColumn("Lab9"), 8);
  EXPECT_EQ(LabelColumn("Lab15"), 14);
  EXPECT_EQ(LabelColumn("Lab"), -1);
  EXPECT_EQ(LabelColumn("Lab0"), -1);
  EXPECT_EQ(LabelColumn("Labx"), -1);
  EXPECT_EQ(LabelColumn("Label1"), -1);
}

TEST(HeaderSort, ClicksMoveAndFlipTheMark) {
  HeaderSort headers = ResultHeaders();
  StringGrid grid(kResultColumns, 3);
  const std::vector<std::string> trains = {"K7711", "D1", "1043"};
  const std::vector<std::string> times = {"08:17", "07:00", "21:25"};
  for (int r = 0; r < 3; ++r) {
    grid.SetCell(0, r, trains[static_cast<std::size_t>(r)]);
    grid.SetCell(5, r, times[static_cast<std::size_t>(r)]);
  }
  auto bold_count = [&] {
    int n = 0;
    for (int c = 0; c < headers.ColumnCount(); ++c) n += headers.IsBold(c) ? 1 : 0;
    return n;
  };
  EXPECT_EQ(headers.MarkedColumn(), -1);
  EXPECT_EQ(bold_count(), 0);
  EXPECT_EQ(headers.Caption(0), "车 次");

  headers.Click(grid, 0, 3);
  EXPECT_EQ(headers.Caption(0), "车 次↑");
  EXPECT_THAT(Column(grid, 0), ElementsAre("1043", "D1", "K7711"));
  headers.Click(grid, 0, 3);
  EXPECT_EQ(headers.Caption(0), "车 次↓");
  EXPECT_THAT(Column(grid, 0), ElementsAre("K7711", "D1", "1043"));
  headers.Click(grid, 0, 3);
  EXPECT_EQ(headers.Caption(0), "车 次↑");
  EXPECT_TRUE(headers.IsBold(0));
  EXPECT_EQ(bold_count(), 1);

  headers.Click(grid, 5, 3);
  EXPECT_EQ(headers.Caption(0), "车 次");
  EXPECT_FALSE(headers.IsBold(0));
  EXPECT_EQ(headers.Caption(5), "发时↑");
  EXPECT_TRUE(headers.IsBold(5));
  EXPECT_EQ(bold_count(), 1);
  EXPECT_THAT(Column(grid, 5), ElementsAre("07:00", "08:17", "21:25"));

  // A label the header does not have changes nothing.
  headers.Click(grid, 15, 3);
  EXPECT_EQ(headers.MarkedColumn(), 5);
  EXPECT_TRUE(headers.Ascending());
}

TEST(HeaderSort, ReapplySortsByTheMarkWithoutChangingIt) {
  HeaderSort headers = ResultHeaders();
  StringGrid grid(kResultColumns, 3);
  for (int r = 0; r < 3; ++r) grid.SetCell(9, r, std::to_string(10 - r * 4));  // 10, 6, 2
  headers.Reapply(grid, 3);                                                    // no mark: nothing
  EXPECT_THAT(Column(grid, 9), ElementsAre("10", "6", "2"));

  headers.Click(grid, 9, 3);  // 里程↑, numeric
  EXPECT_THAT(Column(grid, 9), ElementsAre("2", "6", "10"));
  headers.Click(grid, 9, 3);  // 里程↓
  for (int r = 0; r < 3; ++r) grid.SetCell(9, r, std::to_string(100 + r * 50));
  headers.Reapply(grid, 3);
  EXPECT_THAT(Column(grid, 9), ElementsAre("200", "150", "100"));
  EXPECT_EQ(headers.Caption(9), "里程↓");
}

}  // namespace
}  // namespace lanzhou::query
