#pragma once
// Turns the train blocks of a source into the rows of KMTrain and KMList: route expansion,
// stopping pattern, times and elapsed times, distances, fares, city-level names, overrides.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "import/source.h"

namespace lanzhou::timetable_build {

// One KMTrain record, as text and numbers ready for the table.
struct StopRow {
  std::string station;
  std::string arrival;    // "HH:MM" or ""
  std::string departure;  // "HH:MM" or ""
  std::string rdate;      // "0", "18", "1:7", "23:"
  int km = 0;
  std::array<std::string, 4> fares;  // P1..P4: "", "-", "13", "38/41/43"
};

// One train: its KMList record and its stops.
struct TrainRow {
  std::string id;
  int ntype = 0;
  std::string from;       // city-level origin (StartStation)
  std::string to;         // city-level terminus (endStation)
  std::string departure;  // KMList A_Time: departure at the origin
  std::string arrival;    // KMList D_Time: arrival at the terminus
  std::string rdate;
  int km = 0;
  std::array<std::string, 4> fares;
  std::vector<StopRow> stops;
  std::string days;  // running days as the source writes them; "" every day
  Place days_place;
};

// The train list's columns that follow from the stops (stops not empty): departure at the first,
// arrival, whole R_Date, distance and fares at the last. Origin and terminus are the caller's.
void TakeListColumnsFromStops(TrainRow& row);

// Day offsets of a train's stops after its first departure, arrival then departure day of each
// stop in order (the layout data::Calendar::Add takes): a time of day earlier than the one
// before it means a day has passed, and an elapsed time (rdate) that says more days wins. A
// missing arrival takes the departure's day and a missing departure the arrival's.
[[nodiscard]] std::vector<std::uint8_t> StopDayOffsets(const std::vector<StopRow>& stops);

// Elapsed minutes as the tables write them: 0 -> "0", 18 -> "18", 67 -> "1:7", 1380 -> "23:".
[[nodiscard]] std::string FormatElapsed(int minutes);

// All trains of the source (return workings included), in plain byte order of their IDs.
// Breaches of rules that need the network are added to `diagnostics`.
[[nodiscard]] std::vector<TrainRow> BuildTrains(const Source& source, Diagnostics& diagnostics);

}  // namespace lanzhou::timetable_build
