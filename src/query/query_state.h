#pragma once
// What the queries leave behind for the grid, the filters, the transfer chooser and the detail
// window: one object, owned by the main window (or the command line) and passed by reference.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "query/grid_result.h"
#include "query/station_match.h"

namespace lanzhou::query {

// Which query filled ResultList last; the filters and the partner panel read it.
enum QueryKindValue : std::int32_t {
  NoQuery = 0,
  StationToStation = 1,  // through trains, and the legs of a chosen transfer station
  TrainNumber = 2,
  StationTimetable = 3,
};

// One station at which a departure-side leg and an arrival-side leg meet.
struct TPub_ZZStruct {
  std::string Name;                 // 中转站
  std::int32_t FirstDistance = 0;   // 前里程: km of one departure-side leg to the station
  std::int32_t SecondDistance = 0;  // 后里程: km of one arrival-side leg from the station
  std::int32_t TotalDistance = 0;   // 总里程
  std::string FirstTime;            // 前历时: running time of that departure-side leg
  std::string SecondTime;           // 后历时: running time of that arrival-side leg
  std::string TotalTime;            // 总历时: the two running times added
  std::int32_t FromTrains = 0;      // 发站车数: departure-side legs reaching the station
  std::int32_t ToTrains = 0;        // 到站车数: arrival-side legs leaving the station
};

struct QueryState {
  std::vector<TPub_GridResult> ResultList;  // rows of the last query, in the order appended
  std::int32_t QueryKind = NoQuery;         // a QueryKindValue
  std::int32_t VisibleCount = 0;            // rows the last grid fill wrote
  std::string TransferStation;  // the chosen transfer station while its legs are shown
  TPub_FZStruct FromSpec;       // departure set of the last station query
  TPub_DZStruct ToSpec;         // arrival set of the last station query
  // The transfer search's arrays; kept until the next transfer search empties them.
  std::vector<TPub_GridResult> FromLegs;
  std::vector<TPub_GridResult> ToLegs;
  std::vector<TPub_ZZStruct> TransferCandidates;
  // The traveller's date: the queries list only the trains that call on it (the tables'
  // calendar decides). Nothing: every train, whatever its running days.
  std::optional<std::chrono::sys_days> Date;
};

}  // namespace lanzhou::query
