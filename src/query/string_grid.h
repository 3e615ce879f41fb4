#pragma once
// A grid of text cells with a row count and a selection rectangle: what SGrid, MGrid and ZGrid
// hold, without any drawing. The window shows it through a table model and asks it which rows
// may be selected; everything it draws is read from here.
#include <string>
#include <vector>

namespace lanzhou::query {

// Cell coordinates of a selection, inclusive on both ends.
struct GridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const GridRect&, const GridRect&) = default;
};

// Where an unselected grid parks its selection: column 24, row 24, outside every grid's columns.
inline constexpr int kNoSelectionCell = 24;

// How a row's text is coloured when the row is not selected.
enum class RowColour {
  Normal,  // the window text colour
  Red,     // #FF0000
  Blue,    // #0000FF
};

class StringGrid {
 public:
  // All cells empty; the selection starts parked (NoSelection).
  StringGrid(int col_count, int row_count);

  [[nodiscard]] int ColCount() const { return col_count_; }
  [[nodiscard]] int RowCount() const { return static_cast<int>(rows_.size()); }
  // Grows with empty rows or drops rows from the end (never below 0).
  void SetRowCount(int row_count);

  // Text of a cell; "" for a cell outside the grid.
  [[nodiscard]] const std::string& Cell(int col, int row) const;
  // Writes a cell inside the grid; a cell outside it is ignored.
  void SetCell(int col, int row, std::string text);
  // A row whose column 0 is empty (or that the grid does not have) is blank.
  [[nodiscard]] bool IsBlankRow(int row) const { return Cell(0, row).empty(); }
  // Exchanges the cells (and tags) of two rows in every column; rows outside the grid are
  // ignored.
  void SwapRows(int a, int b);
  // A number a row carries beside its cells and keeps through sorts (what the row's colour
  // depends on); 0 for a new row or one outside the grid. Set outside the grid is ignored.
  [[nodiscard]] int RowTag(int row) const;
  void SetRowTag(int row, int tag);

  [[nodiscard]] const GridRect& Selection() const { return selection_; }
  // Sets the selection rectangle as given (ClearGridSelection parks it with this).
  void SetSelection(const GridRect& rect) { selection_ = rect; }
  // Whole-row selection of a row that holds text; a blank row or one outside the grid leaves
  // the selection where it was and gives false.
  bool SelectRow(int row);
  // The selected row; -1 in NoSelection.
  [[nodiscard]] int CurrentRow() const;
  // True when the row is selected (never in NoSelection).
  [[nodiscard]] bool IsRowSelected(int row) const;
  // Mouse wheel while a row is selected: moves the selection by delta rows when that row holds
  // text. False, and nothing moves, in NoSelection or when the target is blank or outside.
  bool MoveSelection(int delta);

 private:
  int col_count_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<int> tags_;
  GridRect selection_;
};

// Parks the selection on (24, 24) so that no row shows as selected.
void ClearGridSelection(StringGrid& grid);
// True exactly when the selection's right edge is column 24.
[[nodiscard]] bool NoSelection(const StringGrid& grid);

}  // namespace lanzhou::query
