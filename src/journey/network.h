#pragma once
// The timetable as the journey planner scans it: dense station and train numbers and flat arrays,
// built once from the loaded KMTrain, KMList and KMSM.
//
// Times are absolute minutes from 00:00 of the day a train leaves its first station (its first
// departure plus R_Date), so a stop on the third day of a run lies at 2880 and more. The same
// train leaves again 1440 minutes later, on every day its running days allow (the calendar).
//
// Building reads the tables by record number only, never through their cursors, so it may run
// on a worker thread while the window browses the same tables. The network keeps pointers to
// the tables (for the fare texts of the legs it reports): the store must outlive it and stay
// loaded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/mem_table.h"
#include "data/timetable_store.h"

namespace lanzhou::journey {

// One stop of a train's run, in running order.
struct NetStop {
  std::int32_t station = 0;   // station number
  std::int32_t arrive = 0;    // absolute minutes; the departure at the first stop
  std::int32_t depart = 0;    // absolute minutes; the arrival at the last stop
  std::int32_t distance = 0;  // km from the train's first station
  std::uint32_t record = 0;   // KMTrain record (load number) of the stop
};

// A train calling at a station: the planner's way from a station to the trains leaving it.
struct NetCall {
  std::int32_t train = 0;
  std::int32_t stop = 0;    // index into Network::stops
  std::int32_t minute = 0;  // the stop's departure minute of the day (0 .. 1439)
};

struct Network {
  // ---- Stations: 0 .. StationCount()-1 ---------------------------------------------------
  std::vector<std::string> station_names;
  // KMSM group of each station, 0 when it is in none.
  std::vector<std::int32_t> station_group;
  // Other stations of the same group: city_peers[city_peer_begin[s] .. city_peer_begin[s+1]).
  std::vector<std::int32_t> city_peer_begin;
  std::vector<std::int32_t> city_peers;
  // Trains calling at a station, boarding stops only (not the last stop of a run), ordered by
  // departure minute of the day: calls[call_begin[s] .. call_begin[s+1]).
  std::vector<std::int32_t> call_begin;
  std::vector<NetCall> calls;
  // Every stop at a station, the last stops of runs included, in no particular order:
  // visits[visit_begin[s] .. visit_begin[s+1]).
  std::vector<std::int32_t> visit_begin;
  std::vector<NetCall> visits;
  std::unordered_map<std::string, std::int32_t> station_by_name;

  // ---- Trains: 0 .. TrainCount()-1, in train-number order ---------------------------------
  // Stops of train t: stops[train_stop_begin[t] .. train_stop_begin[t+1]).
  std::vector<std::int32_t> train_stop_begin;
  std::vector<NetStop> stops;
  std::vector<std::string_view> train_ids;       // KMTrain ID (views into KMTrain)
  std::vector<std::uint32_t> train_list_record;  // KMList record of the train
  // The running days: the tables' calendar and each train's version in it.
  const data::Calendar* calendar = nullptr;
  std::vector<std::int32_t> train_version;

  // The tables the network was built from (fare texts and stop numbers of reported legs), and
  // the column numbers read there.
  const data::MemTable* KMTrain = nullptr;
  const data::MemTable* KMList = nullptr;
  struct StopColumns {
    int S_No = -1, P1 = -1, P2 = -1, P3 = -1, P4 = -1;
  } stop_columns;
  struct TrainColumns {
    int ID = -1, NType = -1, StartStation = -1, Distance = -1, P1 = -1, P2 = -1, P3 = -1, P4 = -1;
  } train_columns;

  [[nodiscard]] std::int32_t StationCount() const {
    return static_cast<std::int32_t>(station_names.size());
  }
  [[nodiscard]] std::int32_t TrainCount() const {
    return static_cast<std::int32_t>(train_ids.size());
  }
  // The station number of a name, or nothing.
  [[nodiscard]] std::optional<std::int32_t> StationNumber(std::string_view name) const;
  // Bytes held by the arrays above (capacity, strings included): the planner's extra memory.
  [[nodiscard]] std::size_t MemoryBytes() const;
};

// Builds the network from KMTrain, KMList and KMSM; nothing while any of the three is not ready.
// Trains without a KMList record are left out (the station query gives them no row either); a
// stop's times that run backwards are held at the previous stop's time. Throws FieldNotFound
// for tables without a field it reads. Safe to call from a worker thread (see above).
[[nodiscard]] std::optional<Network> BuildNetwork(const data::TimetableStore& tables);

}  // namespace lanzhou::journey
