#pragma once
// The station-to-station query, the city names it hands the partner panel, and the row-filling
// steps that every query shares (a stop as the boarding or alighting side, the train's fields
// from KMList, the section's derived fields).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/mem_table.h"
#include "data/timetable_store.h"
#include "query/grid_result.h"
#include "query/query_state.h"

namespace lanzhou::query {

// ---- The query -----------------------------------------------------------------------------

// Every train that calls at the departure set and later at the arrival set (站站查询): its
// first stop in the departure set boards, the last later stop in the arrival set alights; one row
// per train with both, in train-number order; trains missing from KMList give no row, nor
// trains that do not call at the boarding stop on state.Date. Rebuilds
// FromSpec and ToSpec (ResolveStationPair), sets QueryKind to StationToStation, empties
// TransferStation and replaces ResultList. Returns false and changes nothing while KMTrain, KMList
// or KMSM is not ready. Moves the cursors of KMTrain, KMList, KMSM.
[[nodiscard]] bool FindThroughTrains(data::TimetableStore& tables, QueryState& state,
                                     std::string_view from_text, std::string_view to_text);

// ---- Partner panel -------------------------------------------------------------------------

// The two names the partner panel shows after a query.
struct TripCities {
  std::string from;
  std::string to;
  friend bool operator==(const TripCities&, const TripCities&) = default;
};

// The panel's captions for two names: LabAFZ the first, LabADZ the second, and labfd1, labfd2,
// labfd3 alike "from-to", or just "from" when both are the same. (The window applies them only
// when NetConnected, and then moves WebB1 down to 200 pixels.)
struct PartnerCaptions {
  std::string LabAFZ;
  std::string LabADZ;
  std::string labfd;
  friend bool operator==(const PartnerCaptions&, const PartnerCaptions&) = default;
};
[[nodiscard]] PartnerCaptions TripCityCaptions(const TripCities& cities);

// After a through query: the two sets' city names, or nothing when no row was found (the
// window then asks NoThroughTrainQuestion instead).
[[nodiscard]] std::optional<TripCities> ThroughTripCities(const QueryState& state);

// ---- Row building shared by the queries ----------------------------------------------------

// Column numbers of the KMTrain fields a query reads, fetched once per query. Throws
// FieldNotFound for a table without one of them.
struct StopColumns {
  explicit StopColumns(data::MemTable& KMTrain);
  data::ColumnId ID, Station, S_No, A_Time, D_Time, R_Date, Distance, P1, P2, P3, P4;
};

// The current KMTrain record. The views stay valid while the table is loaded (it is never
// written after loading).
struct StopView {
  std::string_view ID, Station, A_Time, D_Time, R_Date, P1, P2, P3, P4;
  std::int32_t S_No = 0;
  std::int32_t Distance = 0;
};
[[nodiscard]] StopView ReadStop(const data::MemTable& KMTrain, const StopColumns& columns);

// The boarding side from a stop: FromStation, FromNo, DepartTime (its D_Time), FromArriveTime
// (its A_Time), FromRunTime, FromDistance, FromP1..FromP4.
void SetBoardingStop(TPub_GridResult& row, const StopView& stop);
// The alighting side from a stop: ToStation, ToNo, ArriveTime (its A_Time), ToRunTime,
// ToDistance, ToP1..ToP4.
void SetAlightingStop(TPub_GridResult& row, const StopView& stop);

// Fills the train fields below from KMList's current record.
void ReadTrainFields(data::MemTable& KMList, TPub_GridResult& row);
// The boarding side at the train's first stop, station (the stop's own name, not the train
// list's city-level one), stop 1, elapsed "0", 0 km, no fares, departing at depart_time.
void SetOriginAsBoarding(TPub_GridResult& row, std::string_view station,
                         std::string_view depart_time);

// Locates train_id in KMList (field ID, exact) and fills TableId, TrainId (its number),
// NType, TypeName, StartStation,
// EndStation, TrainRunTime, TrainDistance, TrainP1..TrainP4; false, row untouched, when absent.
[[nodiscard]] bool FillTrainFields(data::MemTable& KMList, std::string_view train_id,
                                   TPub_GridResult& row);

// Whether the train of table ID `train_id` calls at its stop `stop_no` on the query's date
// (state.Date; always without one), as the tables' calendar says.
[[nodiscard]] bool CallsOnQueryDate(const data::TimetableStore& tables, const QueryState& state,
                                    std::string_view train_id, int stop_no);

// Minutes of a row's section, from the departure at the boarding stop to the arrival at the
// alighting stop (timetable::SectionMinutes of its fields).
[[nodiscard]] int SectionMinutes(const TPub_GridResult& row);

// Once both sides and the train fields stand: Stops, SegDistance, SegTime (DurationText of
// SectionMinutes) and, last, the four section fares.
void CompleteSection(TPub_GridResult& row);

// Sets each row's ArriveDays from the calendar's day offsets of its version at its boarding
// and alighting stops; for a version the calendar does not list, from the stops' clock and
// elapsed times.
void MarkArrivalDays(const data::Calendar& calendar, std::vector<TPub_GridResult>& rows);

}  // namespace lanzhou::query
