#pragma once
// The train detail window FrmMsg as data: one row per stop of the train of a result row, with
// day, elapsed time and section speed, the queried section marked, and the two summary lines.
#include <optional>
#include <string>

#include "data/mem_table.h"
#include "query/query_state.h"
#include "query/string_grid.h"

namespace lanzhou::query {

inline constexpr int kDetailColumns = 8;
// Rows of MGrid at creation; a train with more stops grows it to exactly its stop count.
inline constexpr int kDetailMinRows = 20;

struct TrainDetail {
  std::string Caption;  // "车次:" + train number
  // Columns: stop number, station, km, arrival, departure, "当天"/"第N天", elapsed, km/h.
  StringGrid MGrid{kDetailColumns, kDetailMinRows};
  int StopCount = 0;     // rows written into MGrid
  int FirstLegStop = 0;  // stop number where the queried section starts
  int LastLegStop = 0;   // stop number where it ends
  std::string LabQC;     // whole run: "全程：<km>km/历时<elapsed>/速度<km/h>km/h" (red)
  std::string LabQJ;     // queried section: "区间：<km>km/历时<time>/速度<km/h>km/h" (blue)
  std::string TableId;   // the train version shown (its running days: RunningDaySummaryOf)
};

// The detail of row `row` of SGrid (a double-click there): nullopt when row is negative or not
// below ResultList's length, or when KMTrain holds no train with column 0's number. KMTrain
// must be ordered by train number then stop number (SIDNo); its cursor moves.
// A row whose boarding station matches no stop by name (the train list's city-level first
// station, as train-number rows carry) boards at stop 1: its section is stop 1 to 1 + stops.
[[nodiscard]] std::optional<TrainDetail> ShowTrainDetail(data::MemTable& KMTrain,
                                                         const QueryState& state,
                                                         const StringGrid& SGrid, int row);

// Text colour of an unselected MGrid row: blue for the stops of the queried section, else
// normal; blank rows are normal.
[[nodiscard]] RowColour MGridRowColour(const TrainDetail& detail, int row);

}  // namespace lanzhou::query
