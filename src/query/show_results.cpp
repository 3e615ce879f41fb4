#include "query/show_results.h"

#include <string>
#include <utility>

#include "query/station_match.h"
#include "timetable/times.h"

namespace lanzhou::query {

namespace {

std::string OrDash(const std::string& fare) {
  return fare.empty() ? std::string(timetable::kUnknownValue) : fare;
}

bool IsHighSpeed(std::string_view train_id) {
  return !train_id.empty() &&
         (train_id.front() == 'C' || train_id.front() == 'D' || train_id.front() == 'G');
}

// PassesFilters with the station box text already trimmed.
bool PassesTrimmed(const QueryState& state, const TPub_GridResult& row,
                   const ResultFilters& filters, std::string_view box) {
  const std::string& transfer = state.TransferStation;
  const bool through = state.QueryKind == StationToStation;
  const bool at_station = state.QueryKind == StationTimetable;
  // Train-number rows (and rows of no query) pass the three station filters. A row starts
  // or ends its train by stop number: the train list names the ends by city (北京 for 北京南).
  // At a station, only trains that start (end) at that station count, not a row that runs
  // from a train's first stop elsewhere to this station.
  const auto at_the_station = [&](const std::string& name) {
    return IsStationOf(name, false, state.FromSpec);
  };
  if (filters.CBSF) {
    if (through && !(StartsTrain(row) || row.FromStation == transfer)) return false;
    if (at_station &&
        !((StartsTrain(row) && at_the_station(row.FromStation)) || row.FromStation == transfer)) {
      return false;
    }
  }
  if (filters.CBZD) {
    if (through && !(EndsTrain(row) || row.ToStation == transfer)) return false;
    if (at_station &&
        !((EndsTrain(row) && at_the_station(row.ToStation)) || row.ToStation == transfer)) {
      return false;
    }
  }
  if (filters.CBJQ) {
    if (through) {
      // In transfer mode either leg may join at the transfer station.
      const bool from_ok = row.FromStation == state.FromSpec.Name ||
                           (!transfer.empty() && row.FromStation == transfer);
      const bool to_ok =
          row.ToStation == state.ToSpec.Name || (!transfer.empty() && row.ToStation == transfer);
      if (!from_ok || !to_ok) return false;
    }
    if (at_station && !(row.FromStation == box || row.ToStation == box)) return false;
  }
  if (filters.CBDC && !IsHighSpeed(row.TrainId)) return false;
  return true;
}

}  // namespace

HeaderSort ResultHeaders() {
  return HeaderSort({{"车 次", SortKey::Text},
                     {"始发站", SortKey::Text},
                     {"终到站", SortKey::Text},
                     {"车型", SortKey::Text},
                     {"发站", SortKey::Text},
                     {"发时", SortKey::Text},
                     {"到站", SortKey::Text},
                     {"到时", SortKey::DayTime},
                     {"停站", SortKey::Number},
                     {"里程", SortKey::Number},
                     {"历时", SortKey::Minutes},
                     {"硬座", SortKey::Number},
                     {"软座", SortKey::Number},
                     {"硬卧上/中/下", SortKey::FirstPrice},
                     {"软卧上/下", SortKey::FirstPrice}});
}

std::array<std::string, kResultColumns> ResultCells(const TPub_GridResult& row) {
  return {row.TrainId,
          row.StartStation,
          row.EndStation,
          row.TypeName,
          row.FromStation,
          row.DepartTime,
          row.ToStation,
          row.ArriveTime + timetable::DayMarker(row.ArriveDays),
          std::to_string(row.Stops),
          timetable::DistanceText(row.SegDistance),
          row.SegTime,
          OrDash(row.FareHardSeat),
          OrDash(row.FareSoftSeat),
          OrDash(row.FareHardSleeper),
          OrDash(row.FareSoftSleeper)};
}

int ResultRowTag(const TPub_GridResult& row) {
  return (StartsTrain(row) ? kStartsTrainTag : 0) | (EndsTrain(row) ? kEndsTrainTag : 0);
}

void WriteResultRow(StringGrid& grid, int r, const TPub_GridResult& row) {
  auto cells = ResultCells(row);
  for (int c = 0; c < kResultColumns; ++c) {
    grid.SetCell(c, r, std::move(cells[static_cast<std::size_t>(c)]));
  }
  grid.SetRowTag(r, ResultRowTag(row));
}

bool PassesFilters(const QueryState& state, const TPub_GridResult& row,
                   const ResultFilters& filters, std::string_view station_box) {
  return PassesTrimmed(state, row, filters, TrimBlanks(station_box));
}

void ClearResultGrid(ResultGrid& grid) {
  StringGrid& g = grid.SGrid;
  for (int r = 0; r < g.RowCount(); ++r) {
    for (int c = 0; c < g.ColCount(); ++c) g.SetCell(c, r, {});
    g.SetRowTag(r, 0);
  }
  g.SetRowCount(kResultMinRows);
  ClearGridSelection(g);
  grid.LabResult = "结果:0";
}

void ShowResults(QueryState& state, ResultGrid& grid, const ResultFilters& filters,
                 std::string_view station_box) {
  StringGrid& g = grid.SGrid;
  const std::string box = TrimBlanks(station_box);
  state.VisibleCount = 0;
  for (const TPub_GridResult& row : state.ResultList) {
    if (!PassesTrimmed(state, row, filters, box)) continue;
    const int r = state.VisibleCount;
    if (g.RowCount() <= r) g.SetRowCount(r + 1);
    WriteResultRow(g, r, row);
    ++state.VisibleCount;
  }
  if (state.VisibleCount > kResultMinRows) g.SetRowCount(state.VisibleCount);
  ReapplySort(state, grid);
  grid.LabResult = "结果:" + std::to_string(state.VisibleCount);
}

void CBSFClick(QueryState& state, ResultGrid& grid, const ResultFilters& filters,
               std::string_view station_box) {
  ClearResultGrid(grid);
  ShowResults(state, grid, filters, station_box);
}

void Lab1Click(const QueryState& state, ResultGrid& grid, int column) {
  if (state.ResultList.empty()) return;
  grid.Headers.Click(grid.SGrid, column, state.VisibleCount);
}

void ReapplySort(const QueryState& state, ResultGrid& grid) {
  grid.Headers.Reapply(grid.SGrid, state.VisibleCount);
}

RowColour SGridRowColour(const StringGrid& SGrid, int row, std::string_view TransferStation) {
  if (SGrid.IsBlankRow(row)) return RowColour::Normal;
  if ((SGrid.RowTag(row) & kStartsTrainTag) != 0) return RowColour::Red;
  if (SGrid.Cell(4, row) == TransferStation) return RowColour::Blue;
  return RowColour::Normal;
}

}  // namespace lanzhou::query
