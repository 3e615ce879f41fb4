#pragma once
// The train number query: every train of KMList that carries the typed number, alone or among
// its joined numbers ("1112" and "1113" find "1112/1113"), as one row covering the whole run.
#include <optional>
#include <string>
#include <string_view>

#include "data/mem_table.h"
#include "data/timetable_store.h"
#include "query/query_state.h"
#include "query/through_query.h"

namespace lanzhou::query {

// The search key of ECC's text: blanks and control characters around it removed, Latin letters
// upper-cased ("d1 " -> "D1"); blanks inside stay.
[[nodiscard]] std::string TrainNumberKey(std::string_view ecc_text);

// Whether a train ID is found by a key: the ID itself, or numbers joined by "/" that begin
// with it ("1112" finds "1112/1113", not "11120").
[[nodiscard]] bool IsTrainOfKey(std::string_view id, std::string_view key);

// Whether FindTrainNumber would find a row for ECC's text. Moves KMList's cursor.
[[nodiscard]] bool HasTrainNumber(data::MemTable& KMList, std::string_view ecc_text);

// Where a train's run begins and ends in KMTrain: the station of its first stop and the stop
// where it ends (its first stop without a departure time, else its last). For a number KMTrain
// does not hold: no stations, terminal 1.
struct TrainEnds {
  std::string first_station;
  int terminal_no = 1;
  std::string terminal_station;
};
// Moves KMTrain's cursor.
[[nodiscard]] TrainEnds ReadTrainEnds(data::MemTable& KMTrain, std::string_view train_id);

// S_No of the stop where the train ends (ReadTrainEnds' terminal_no). Moves KMTrain's cursor.
[[nodiscard]] int TerminalStopNo(data::MemTable& KMTrain, std::string_view train_id);

// Rows for the trains that carry the key (timetable::CarriesTrainNumber) and, with a date
// (state.Date), leave their first station on it, in KMList order, each from the first stop's
// station to the terminal's (the stations themselves; 始发站 and 终到站 keep the train list's
// names) with the whole-run distance and fares of KMList as stored and its time as a duration.
// Sets QueryKind to TrainNumber, empties TransferStation, FromSpec.Name and
// ToSpec.Name, replaces ResultList. Returns false and changes nothing while KMList, KMSM or
// KMTrain is not ready.
[[nodiscard]] bool FindTrainNumber(data::TimetableStore& tables, QueryState& state,
                                   std::string_view ecc_text);

// After a train number query with a date that found no row: "G1234 在 7月6日 不开行", with the
// next day a version of the number leaves its first station ("，下次开行 7月22日") when there is
// one in the period; nothing when the query found rows, had no date, or no train carries the
// number at all (then the number is unknown, not idle).
[[nodiscard]] std::optional<std::string> TrainNotRunningText(data::TimetableStore& tables,
                                                             const QueryState& state,
                                                             std::string_view ecc_text);

// The running days of a train version (table ID) as a short summary ("每日", "周五、周日" …),
// or "" when the tables do not know running days.
[[nodiscard]] std::string RunningDaySummaryOf(const data::TimetableStore& tables,
                                              std::string_view table_id);

// The partner panel after a train number query: the cities of the first shown row's 始发站 and
// 终到站 cells (grid row 0, columns 1 and 2, after the sort); nothing when no row is shown.
[[nodiscard]] std::optional<TripCities> TrainNumberTripCities(int visible_count,
                                                              std::string_view start_cell,
                                                              std::string_view end_cell);

}  // namespace lanzhou::query
