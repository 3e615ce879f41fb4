#pragma once
// Column sorts of the result and chooser grids, and the sort mark their header labels carry.
//
// Each column sorts by what its cells mean: station names and times of day as text in GBK byte
// order (the order Chinese names are expected in), counts, distances and seat fares as numbers,
// berth fares by their first price, running times by minutes. Cells that hold no value ("-" for
// a class not sold, or empty) go after every value when ascending and before them when
// descending. The sort is stable, so equal keys keep the order an earlier sort gave them.
#include <string>
#include <string_view>
#include <vector>

#include "query/string_grid.h"

namespace lanzhou::query {

enum class SortKey {
  Text,        // GBK byte order of the whole cell
  Number,      // decimal number ("56", "10.5")
  FirstPrice,  // the number before the first "/" ("183/189/195" -> 183)
  Minutes,     // elapsed or running time ("9:48", "01:55", "23:") in minutes
  DayTime,     // a time of day with an optional day marker ("06:10", "06:10+1天") in minutes
};

// Exchanges the cells of rows a and b in every column.
void SwapGridRows(StringGrid& grid, int a, int b);

// Stable sort of rows 0 .. row_count - 1 (at most the grid's rows) by one column; rows below
// stay where they are. A column outside the grid, or fewer than two rows, changes nothing.
void SortGrid(StringGrid& grid, int column, bool ascending, SortKey key, int row_count);
// The same over all rows of the grid.
void SortGrid(StringGrid& grid, int column, bool ascending, SortKey key);

// Column of a header label from its name: "Lab1" -> 0, "Lab12" -> 11 (the characters from the
// fourth on, at most two); -1 when they are not a number from 1 up.
[[nodiscard]] int LabelColumn(std::string_view label_name);

// The header labels above a grid and the sort mark among them: at most one label is marked,
// shown bold with "↑" (ascending) or "↓" (descending) after its plain caption.
class HeaderSort {
 public:
  struct Column {
    std::string caption;  // plain caption
    SortKey key;          // how the column's cells compare
  };
  explicit HeaderSort(std::vector<Column> columns);

  [[nodiscard]] int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // The label's caption as shown: plain, or plain + "↑" / "↓" on the marked label.
  [[nodiscard]] std::string Caption(int column) const;
  [[nodiscard]] const std::string& PlainCaption(int column) const;
  // True only for the marked label.
  [[nodiscard]] bool IsBold(int column) const { return column >= 0 && column == marked_; }
  // Marked column, -1 when no label is marked.
  [[nodiscard]] int MarkedColumn() const { return marked_; }
  [[nodiscard]] bool Ascending() const { return ascending_; }
  [[nodiscard]] SortKey KeyOf(int column) const;

  // A click on a label: a first click marks it ascending, a click on the marked label flips the
  // direction, and the mark leaves any other label. Then sorts rows 0 .. row_count - 1 of grid
  // by that column. A column outside the header changes nothing.
  void Click(StringGrid& grid, int column, int row_count);
  // Sorts rows 0 .. row_count - 1 again by the marked column; nothing without a mark or rows.
  void Reapply(StringGrid& grid, int row_count) const;

 private:
  std::vector<Column> columns_;
  int marked_ = -1;
  bool ascending_ = true;
};

}  // namespace lanzhou::query
