#include "query/string_grid.h"

#include <gtest/gtest.h>

namespace lanzhou::query {
namespace {

// A grid of `rows` rows whose column 0 holds "r<row>" for the rows listed in `filled`.
StringGrid GridWithText(int cols, int rows, std::initializer_list<int> filled) {
  StringGrid grid(cols, rows);
  for (const int r : filled) {
    for (int c = 0; c < cols; ++c)
      grid.SetCell(c, r, "r" + std::to_string(r) + "c" + std::to_string(c));
  }
  return grid;
}

TEST(StringGrid, CellsRowCountAndBounds) {
  StringGrid grid(3, 2);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Cell(2, 1), "");

  grid.SetCell(2, 1, "北京");
  EXPECT_EQ(grid.Cell(2, 1), "北京");
  // Outside the grid: reads are empty, writes are dropped rather than growing the grid.
  grid.SetCell(3, 0, "x");
  grid.SetCell(0, 2, "x");
  grid.SetCell(-1, 0, "x");
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Cell(3, 0), "");
  EXPECT_EQ(grid.Cell(0, 2), "");
  EXPECT_EQ(grid.Cell(0, -1), "");

  // Shrinking drops the rows' text: growing again gives empty rows, not the old cells.
  grid.SetRowCount(1);
  EXPECT_EQ(grid.Cell(2, 1), "");
  grid.SetRowCount(5);
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(grid.Cell(2, 1), "");
  grid.SetRowCount(-3);
  EXPECT_EQ(grid.RowCount(), 0);
}

TEST(StringGrid, SwapRowsExchangesEveryColumn) {
  StringGrid grid = GridWithText(3, 3, {0, 2});
  grid.SwapRows(0, 2);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(grid.Cell(c, 0), "r2c" + std::to_string(c));
    EXPECT_EQ(grid.Cell(c, 2), "r0c" + std::to_string(c));
  }
  grid.SwapRows(0, 1);  // with a blank row
  EXPECT_EQ(grid.Cell(0, 0), "");
  EXPECT_EQ(grid.Cell(2, 1), "r2c2");
  grid.SwapRows(1, 7);  // outside: nothing moves
  EXPECT_EQ(grid.Cell(2, 1), "r2c2");
}

TEST(StringGrid, NewGridAndClearedGridHaveNoSelection) {
  StringGrid grid = GridWithText(15, 16, {0, 1, 2});
  EXPECT_TRUE(NoSelection(grid));
  EXPECT_EQ(grid.CurrentRow(), -1);
  EXPECT_FALSE(grid.IsRowSelected(0));

  ASSERT_TRUE(grid.SelectRow(1));
  EXPECT_FALSE(NoSelection(grid));
  EXPECT_EQ(grid.Selection(), (GridRect{0, 1, 14, 1}));
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_TRUE(grid.IsRowSelected(1));
  EXPECT_FALSE(grid.IsRowSelected(0));

  ClearGridSelection(grid);
  EXPECT_TRUE(NoSelection(grid));
  EXPECT_EQ(grid.Selection(), (GridRect{24, 24, 24, 24}));
  EXPECT_EQ(grid.CurrentRow(), -1);
  EXPECT_FALSE(grid.IsRowSelected(1));
  // Parked on row 24, yet a grid that has a row 24 does not show it selected.
  StringGrid tall = GridWithText(9, 30, {24});
  EXPECT_FALSE(tall.IsRowSelected(24));
}

TEST(StringGrid, BlankRowsCannotBeSelected) {
  StringGrid grid = GridWithText(8, 20, {0, 1, 2});
  EXPECT_FALSE(grid.SelectRow(5));
  EXPECT_TRUE(NoSelection(grid));
  ASSERT_TRUE(grid.SelectRow(2));
  EXPECT_FALSE(grid.SelectRow(3));  // the selection stays where it was
  EXPECT_EQ(grid.CurrentRow(), 2);
  EXPECT_FALSE(grid.SelectRow(20));
  EXPECT_FALSE(grid.SelectRow(-1));
  EXPECT_EQ(grid.CurrentRow(), 2);
  // A row is blank by its column 0 alone.
  grid.SetCell(3, 4, "text beside an empty column 0");
  EXPECT_TRUE(grid.IsBlankRow(4));
  EXPECT_FALSE(grid.SelectRow(4));
}

TEST(StringGrid, WheelMovesASelectionAlongTheFilledRows) {
  StringGrid grid = GridWithText(8, 20, {0, 1, 2});
  EXPECT_FALSE(grid.MoveSelection(1));  // NoSelection: the window scrolls instead
  EXPECT_TRUE(NoSelection(grid));

  ASSERT_TRUE(grid.SelectRow(1));
  EXPECT_TRUE(grid.MoveSelection(1));
  EXPECT_EQ(grid.CurrentRow(), 2);
  EXPECT_FALSE(grid.MoveSelection(1));  // row 3 is blank
  EXPECT_EQ(grid.CurrentRow(), 2);
  EXPECT_TRUE(grid.MoveSelection(-2));
  EXPECT_EQ(grid.CurrentRow(), 0);
  EXPECT_FALSE(grid.MoveSelection(-1));
  EXPECT_EQ(grid.CurrentRow(), 0);
}

}  // namespace
}  // namespace lanzhou::query
