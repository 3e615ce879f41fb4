#include "query/station_query.h"

#include <string>
#include <utility>

#include "query/station_match.h"

namespace lanzhou::query {
namespace {

// Moves past the remaining stops of the current train.
void SkipTrain(data::MemTable& KMTrain, data::ColumnId id_col, std::string_view train_id) {
  while (!KMTrain.Eof() && KMTrain.TextAt(id_col) == train_id) KMTrain.Next();
}

// From a stop with a departure time, forward to the train's terminal: its first stop without a
// departure time, else its last stop. Leaves the cursor past the train.
StopView WalkToTerminal(data::MemTable& KMTrain, const StopColumns& columns, const StopView& from) {
  StopView terminal = from;
  for (KMTrain.Next(); !KMTrain.Eof() && KMTrain.TextAt(columns.ID) == from.ID; KMTrain.Next()) {
    terminal = ReadStop(KMTrain, columns);
    if (terminal.D_Time.empty()) break;
  }
  SkipTrain(KMTrain, columns.ID, from.ID);
  return terminal;
}

}  // namespace

bool FindStationTrains(data::TimetableStore& tables, QueryState& state,
                       std::string_view station_text) {
  if (!tables.KMTrainReady || !tables.KMListReady || !tables.KMSMReady) return false;
  state.QueryKind = StationTimetable;
  state.TransferStation.clear();
  state.ResultList.clear();
  BuildStationSpec(station_text, tables.KMSM, state.FromSpec);
  state.ToSpec.Name = state.FromSpec.Name;
  // A station without a group is matched by its name; with one, the whole group counts,
  // the typed name included.
  const bool exact_mode = state.FromSpec.Group == 0;
  if (exact_mode) state.FromSpec.Stations.clear();

  const StationSet station_set(exact_mode, state.FromSpec);
  data::MemTable& KMTrain = tables.KMTrain;
  data::MemTable& KMList = tables.KMList;
  const StopColumns columns(KMTrain);
  // The train and station of the last stop 1 passed, for rows of trains that end here.
  std::string_view first_id;
  std::string_view first_station;
  KMTrain.First();
  while (!KMTrain.Eof()) {
    if (KMTrain.IntAt(columns.S_No) == 1) {
      first_id = KMTrain.TextAt(columns.ID);
      first_station = KMTrain.TextAt(columns.Station);
    }
    if (!station_set.Contains(KMTrain.TextAt(columns.Station))) {
      KMTrain.Next();
      continue;
    }
    const StopView stop = ReadStop(KMTrain, columns);
    if (!CallsOnQueryDate(tables, state, stop.ID, stop.S_No)) {
      // This train does not call here on the date; a later stop of it may (a loop).
      KMTrain.Next();
      continue;
    }
    TPub_GridResult row;
    const bool known = FillTrainFields(KMList, stop.ID, row);
    if (!stop.D_Time.empty()) {
      // The train leaves from here: the row runs on to its terminal.
      SetBoardingStop(row, stop);
      SetAlightingStop(row, WalkToTerminal(KMTrain, columns, stop));
      row.LastNo = row.ToNo;
    } else {
      // The train ends here: the row runs from its first stop.
      SetAlightingStop(row, stop);
      row.LastNo = row.ToNo;
      const std::string_view origin = first_id == stop.ID ? first_station
                                      : known           ? std::string_view(row.StartStation)
                                                        : std::string_view();
      SetOriginAsBoarding(row, origin,
                          known ? KMList.FieldByName("A_Time").AsString() : std::string());
      // One row per train, even where a stop without departure time is not the last.
      SkipTrain(KMTrain, columns.ID, stop.ID);
    }
    // A train the train list lacks has no class or whole-run values to show: no row.
    if (!known) continue;
    CompleteSection(row);
    state.ResultList.push_back(std::move(row));
  }
  return true;
}

std::optional<TripCities> StationTripCities(int visible_count, std::string_view station_text) {
  if (visible_count <= 0) return std::nullopt;
  return TripCities{std::string(station_text), std::string(station_text)};
}

}  // namespace lanzhou::query
