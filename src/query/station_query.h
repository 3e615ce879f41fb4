#pragma once
// The station timetable query: every train calling at a station or at any station of its group,
// one row per train, from the station to the terminal, or from the first station when the train
// ends there.
#include <optional>
#include <string_view>

#include "data/timetable_store.h"
#include "query/query_state.h"
#include "query/through_query.h"

namespace lanzhou::query {

// Rows for the trains calling at the station set of ComboCZ's text (its whole group, or the
// exact name when it has none), one per train at its first stop in the set, in train-number
// order; trains missing from KMList give no row. Rebuilds FromSpec from the text, sets
// ToSpec.Name to the trimmed name, QueryKind to StationTimetable, empties TransferStation,
// replaces ResultList. Returns false and changes nothing while KMTrain, KMList or KMSM is not
// ready.
[[nodiscard]] bool FindStationTrains(data::TimetableStore& tables, QueryState& state,
                                     std::string_view station_text);

// The partner panel after a station query: the box's text as it stands for both sides (not a
// city name); nothing when no row is shown.
[[nodiscard]] std::optional<TripCities> StationTripCities(int visible_count,
                                                          std::string_view station_text);

}  // namespace lanzhou::query
