#pragma once
// The transfer search: departure-side legs (a forward pass over KMTrain) and arrival-side legs
// (a backward pass) joined by station name into transfer candidates; the chooser lists some of
// them, and a chosen one puts both legs through it into ResultList.
#include <string>
#include <string_view>
#include <vector>

#include "data/timetable_store.h"
#include "query/query_state.h"
#include "query/through_query.h"

namespace lanzhou::query {

// Rebuilds FromSpec and ToSpec (ResolveStationPair), empties ResultList, fills FromLegs (every
// train boarding at its first stop of the departure set, one leg per later stop, trains in
// train-number order), ToLegs (every train alighting at its last stop of the arrival set, one
// leg per earlier stop from the nearest back, trains in reverse train-number order) and
// TransferCandidates (BuildTransferCandidates). With a date (state.Date) a first leg's train
// calls at its boarding stop on that date, a second leg's on that date or the next. Sets
// QueryKind to StationToStation and empties TransferStation. Returns false and changes nothing
// while KMTrain, KMList or KMSM is not ready.
[[nodiscard]] bool FindTransfers(data::TimetableStore& tables, QueryState& state,
                                 std::string_view from_text, std::string_view to_text);

// Joins the legs: one candidate per distinct ToStation of FromLegs in order of first
// appearance, with the first such leg's distance and running time and the number of legs
// reaching it; the second-leg values of the last ToLegs entry leaving it (the earliest train
// number, the pass having run backward) and the number of such entries.
void BuildTransferCandidates(QueryState& state);

// What the chooser FrmZzz shows when it opens.
struct TransferChooserList {
  // Candidates left by at least one arrival-side leg and named neither as typed departure nor as
  // typed arrival (exact names, whatever the mode), sorted by Name ascending in GBK byte order,
  // as the chooser opens (header 中转站↑ marked when any is listed).
  std::vector<TPub_ZZStruct> Listed;
  int CandidateCount = 0;  // Listed.size(); the window's caption and texts: chooser_grid.h
};
[[nodiscard]] TransferChooserList ListTransferCandidates(const QueryState& state);

// The legs through one station: ResultList := the FromLegs ending there (train-number order)
// followed by the ToLegs starting there (reverse train-number order), each filled with the
// train's fields from KMList and its section's values; a leg whose train KMList lacks gives no
// row. Sets TransferStation := station. Returns false and changes nothing while KMList is not
// ready.
[[nodiscard]] bool ShowTransferLegs(data::TimetableStore& tables, QueryState& state,
                                    std::string_view station);

// The partner panel after the chooser closes: the two boxes' texts as they stand (station
// names, not city names), whether or not a candidate was found.
[[nodiscard]] TripCities TransferTripCities(std::string_view from_text, std::string_view to_text);

}  // namespace lanzhou::query
