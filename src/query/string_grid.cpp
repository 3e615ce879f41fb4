#include "query/string_grid.h"

#include <algorithm>
#include <utility>

namespace lanzhou::query {

namespace {
const GridRect kParked{kNoSelectionCell, kNoSelectionCell, kNoSelectionCell, kNoSelectionCell};
}  // namespace

StringGrid::StringGrid(int col_count, int row_count)
    : col_count_(std::max(col_count, 0)), selection_(kParked) {
  SetRowCount(row_count);
}

void StringGrid::SetRowCount(int row_count) {
  const auto count = static_cast<std::size_t>(std::max(row_count, 0));
  rows_.resize(count, std::vector<std::string>(static_cast<std::size_t>(col_count_)));
  tags_.resize(count, 0);
}

int StringGrid::RowTag(int row) const {
  return row < 0 || row >= RowCount() ? 0 : tags_[static_cast<std::size_t>(row)];
}

void StringGrid::SetRowTag(int row, int tag) {
  if (row >= 0 && row < RowCount()) tags_[static_cast<std::size_t>(row)] = tag;
}

const std::string& StringGrid::Cell(int col, int row) const {
  static const std::string kEmpty;
  if (col < 0 || col >= col_count_ || row < 0 || row >= RowCount()) return kEmpty;
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void StringGrid::SetCell(int col, int row, std::string text) {
  if (col < 0 || col >= col_count_ || row < 0 || row >= RowCount()) return;
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
}

void StringGrid::SwapRows(int a, int b) {
  if (a < 0 || b < 0 || a >= RowCount() || b >= RowCount() || a == b) return;
  rows_[static_cast<std::size_t>(a)].swap(rows_[static_cast<std::size_t>(b)]);
  std::swap(tags_[static_cast<std::size_t>(a)], tags_[static_cast<std::size_t>(b)]);
}

bool StringGrid::SelectRow(int row) {
  if (row < 0 || row >= RowCount() || IsBlankRow(row)) return false;
  selection_ = GridRect{0, row, col_count_ - 1, row};
  return true;
}

int StringGrid::CurrentRow() const {
  return NoSelection(*this) ? -1 : selection_.Top;
}

bool StringGrid::IsRowSelected(int row) const {
  return !NoSelection(*this) && row >= selection_.Top && row <= selection_.Bottom;
}

bool StringGrid::MoveSelection(int delta) {
  if (NoSelection(*this)) return false;
  return SelectRow(selection_.Top + delta);
}

void ClearGridSelection(StringGrid& grid) {
  grid.SetSelection(kParked);
}

bool NoSelection(const StringGrid& grid) {
  return grid.Selection().Right == kNoSelectionCell;
}

}  // namespace lanzhou::query
