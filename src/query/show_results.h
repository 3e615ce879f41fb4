#pragma once
// The main window's result grid SGrid as data: the 15 cells of a result row, the fill through
// the four filter boxes, the count caption, the header sort and the row colours.
#include <array>
#include <string>
#include <string_view>

#include "query/grid_result.h"
#include "query/query_state.h"
#include "query/sort_grid.h"
#include "query/string_grid.h"

namespace lanzhou::query {

inline constexpr int kResultColumns = 15;
// The grid never shows fewer rows than this; the rest are blank.
inline constexpr int kResultMinRows = 16;

// The four filter check boxes; an unchecked box passes every row.
struct ResultFilters {
  bool CBSF = false;  // 始发车: the train starts where the traveller boards
  bool CBZD = false;  // 终到车: the train ends where the traveller alights
  bool CBJQ = false;  // 精确站名: the typed station names only, no other station of their group
  bool CBDC = false;  // 仅动车: train numbers beginning with C, D or G
};

// Header labels Lab1..Lab15: plain captions and how each column sorts.
[[nodiscard]] HeaderSort ResultHeaders();

// What the main window shows below its header labels.
struct ResultGrid {
  StringGrid SGrid{kResultColumns, kResultMinRows};
  HeaderSort Headers = ResultHeaders();
  std::string LabResult = "结果:0";  // "结果:" and the count
};

// The 15 cells of a row: train, first/last station, class, boarding station and time,
// alighting station and time, stops, km ("-" when not known), the section's duration, and the
// four fares ("-" when empty).
[[nodiscard]] std::array<std::string, kResultColumns> ResultCells(const TPub_GridResult& row);

// Row tags of the result grids: the row starts (boards at stop 1) or ends (alights at the
// terminal) its train.
inline constexpr int kStartsTrainTag = 1;
inline constexpr int kEndsTrainTag = 2;
[[nodiscard]] int ResultRowTag(const TPub_GridResult& row);
// ResultCells of row into grid row r, with its tag.
void WriteResultRow(StringGrid& grid, int r, const TPub_GridResult& row);

// Whether a row passes the checked boxes under state's QueryKind and TransferStation.
// station_box is ComboCZ's text as it stands now (it is trimmed here).
[[nodiscard]] bool PassesFilters(const QueryState& state, const TPub_GridResult& row,
                                 const ResultFilters& filters, std::string_view station_box);

// Empties every cell, sets 16 rows, parks the selection and shows "结果:0".
void ClearResultGrid(ResultGrid& grid);
// Writes the passing rows of ResultList from row 0 on, sets VisibleCount, grows the grid to
// VisibleCount rows when above 16, re-applies the marked sort and shows "结果:<VisibleCount>".
// Does not empty the grid first: callers call ClearResultGrid before it.
void ShowResults(QueryState& state, ResultGrid& grid, const ResultFilters& filters,
                 std::string_view station_box);
// A change of any filter box: ClearResultGrid, then ShowResults.
void CBSFClick(QueryState& state, ResultGrid& grid, const ResultFilters& filters,
               std::string_view station_box);
// A click on header label column (0-based): nothing when ResultList is empty; otherwise moves
// or flips the mark and sorts the VisibleCount shown rows.
void Lab1Click(const QueryState& state, ResultGrid& grid, int column);
// Sorts the shown rows again by the marked column; nothing when VisibleCount is 0.
void ReapplySort(const QueryState& state, ResultGrid& grid);

// Text colour of an unselected row: red when the row starts its train (its tag, set from the
// stop number), else blue when it boards at the transfer station (a transfer's second leg),
// else normal. Blank rows are normal.
[[nodiscard]] RowColour SGridRowColour(const StringGrid& SGrid, int row,
                                       std::string_view TransferStation);

}  // namespace lanzhou::query
