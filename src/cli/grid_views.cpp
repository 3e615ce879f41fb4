#include "cli/grid_views.h"

#include <charconv>
#include <limits>
#include <string>

#include "text/ascii.h"
#include "timetable/times.h"

namespace lanzhou::cli {

namespace {

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

// Clicks a header (at most twice) until the mark is on column with the asked direction. A
// click that changes nothing (an empty list) ends the clicking.
template <typename Click>
void ClickUntilSorted(const query::HeaderSort& headers, int column, bool descending, Click click) {
  for (int clicks = 0; clicks < 2; ++clicks) {
    if (headers.MarkedColumn() == column && headers.Ascending() == !descending) return;
    click();
  }
}

}  // namespace

std::optional<int> ResolveSortColumn(const query::HeaderSort& headers,
                                     const std::vector<std::string_view>& also,
                                     std::string_view request) {
  std::int64_t index = 0;
  if (text::ParseDecimalIn(request, std::numeric_limits<int>::min(),
                           std::numeric_limits<int>::max(), index)) {
    if (index >= 0 && index < headers.ColumnCount()) return index;
    return std::nullopt;
  }
  const std::string wanted = WithoutBlanks(request);
  for (int c = 0; c < headers.ColumnCount(); ++c) {
    if (WithoutBlanks(headers.PlainCaption(c)) == wanted) return c;
  }
  for (std::size_t c = 0; c < also.size() && static_cast<int>(c) < headers.ColumnCount(); ++c) {
    if (also[c] == wanted) return static_cast<int>(c);
  }
  return std::nullopt;
}

ShownResults ShowQueryResults(query::QueryState& state, const query::ResultFilters& filters,
                              std::string_view station_box, std::optional<int> sort_column,
                              bool descending) {
  ShownResults shown;
  query::StringGrid& g = shown.grid.SGrid;
  // One hidden column beyond the 15 carries each row's ResultList index: the sort moves whole
  // rows, so after it the column still tells which row each grid row shows.
  const int index_column = query::kResultColumns;
  g = query::StringGrid(query::kResultColumns + 1, query::kResultMinRows);
  query::ClearResultGrid(shown.grid);
  // A fresh grid has no header mark, so this fill leaves the rows in list order.
  query::ShowResults(state, shown.grid, filters, station_box);
  int row = 0;
  for (std::size_t i = 0; i < state.ResultList.size(); ++i) {
    if (query::PassesFilters(state, state.ResultList[i], filters, station_box)) {
      g.SetCell(index_column, row++, std::to_string(i));
    }
  }
  if (sort_column) {
    ClickUntilSorted(shown.grid.Headers, *sort_column, descending,
                     [&] { query::Lab1Click(state, shown.grid, *sort_column); });
  }
  for (int r = 0; r < state.VisibleCount; ++r) {
    shown.source.push_back(
        static_cast<std::size_t>(timetable::TextToIntOrZero(g.Cell(index_column, r))));
  }
  return shown;
}

query::ChooserGrid ShowChooser(const std::vector<query::TPub_ZZStruct>& listed,
                               std::optional<int> sort_column, bool descending) {
  query::ChooserGrid chooser;
  query::FillChooserGrid(chooser, listed);
  if (sort_column) {
    ClickUntilSorted(chooser.Headers, *sort_column, descending,
                     [&] { query::Lab1Click(chooser, *sort_column); });
  }
  return chooser;
}

}  // namespace lanzhou::cli
