#pragma once
// One row of a query's result list: the train, its boarding and alighting stops and the
// section between them. Text is UTF-8 ("" when absent); the numbers are 32-bit. Beside the
// 36 fields of the row layout, two that say where the row sits in its train's run:
// FromArriveTime (the boarding stop's dwell comes off the section's time) and LastNo (a row
// that alights at it ends its train).
#include <cstdint>
#include <string>

namespace lanzhou::timetable {

// Field names and order are the row layout every query, the grid fill and the export share.
// A row starts its train when FromNo is 1 and ends it when ToNo is LastNo.
struct TPub_GridResult {
  std::string TrainId;             // train number, ID of the train list ("1112/1113" allowed)
  std::int32_t NType = 0;          // train class code of the train list
  std::string TypeName;            // class name of NType
  std::string StartStation;        // the train's first station, as the train list names it
  std::string EndStation;          // the train's last station, as the train list names it
  std::string TrainRunTime;        // whole-run elapsed time ("37:43")
  std::int32_t TrainDistance = 0;  // whole-run distance in km
  std::string TrainP1;             // whole-run fare, hard seat
  std::string TrainP2;             // whole-run fare, soft seat
  std::string TrainP3;             // whole-run fare, hard sleeper upper/middle/lower
  std::string TrainP4;             // whole-run fare, soft sleeper upper/lower
  std::string FromStation;         // boarding stop's station
  std::int32_t FromNo = 0;         // stop number (S_No) of the boarding stop
  std::int32_t FromDistance = 0;   // km from the train's start to the boarding stop
  std::string FromP1;              // boarding stop's fare from the start, hard seat
  std::string FromP2;              // boarding stop's fare from the start, soft seat
  std::string FromP3;              // boarding stop's fare from the start, hard sleeper
  std::string FromP4;              // boarding stop's fare from the start, soft sleeper
  std::string DepartTime;          // departure time of day at the boarding stop ("21:25")
  std::string FromArriveTime;      // arrival time of day at the boarding stop ("" at stop 1)
  std::string FromRunTime;         // elapsed time since the start at the boarding stop
  std::string ToStation;           // alighting stop's station
  std::int32_t ToNo = 0;           // stop number (S_No) of the alighting stop
  std::string ArriveTime;          // arrival time of day at the alighting stop
  std::string ToRunTime;           // elapsed time since the start at the alighting stop
  std::int32_t ToDistance = 0;     // km from the train's start to the alighting stop
  std::string ToP1;                // alighting stop's fare from the start, hard seat
  std::string ToP2;                // alighting stop's fare from the start, soft seat
  std::string ToP3;                // alighting stop's fare from the start, hard sleeper
  std::string ToP4;                // alighting stop's fare from the start, soft sleeper
  std::int32_t LastNo = 0;         // stop number of the train's terminal; 0 when not known
  std::int32_t Stops = 0;          // ToNo - FromNo
  std::int32_t SegDistance = 0;    // ToDistance - FromDistance, km of the section
  std::string SegTime;             // the section from departure to arrival, DurationText ("1:55")
  std::string FareHardSeat;        // section fare, hard seat (second class on high-speed trains)
  std::string FareSoftSeat;        // section fare, soft seat (first class on high-speed trains)
  std::string FareHardSleeper;     // section fare, hard sleeper "upper/middle/lower"
  std::string FareSoftSleeper;     // section fare, soft sleeper "upper/lower"
  // The train version's ID in the tables ("G1#2" for the second version of G1; TrainId then
  // reads "G1"): where the version's stops and running days are looked up.
  std::string TableId;
  // Days between leaving the boarding stop and arriving at the alighting stop (0: same day).
  std::int32_t ArriveDays = 0;
};

// Whether the row boards at the train's first stop (始发) or alights at its terminal (终到):
// by stop number, since the train list names its ends by city ("北京" for 北京南).
[[nodiscard]] inline bool StartsTrain(const TPub_GridResult& row) {
  return row.FromNo == 1;
}
[[nodiscard]] inline bool EndsTrain(const TPub_GridResult& row) {
  return row.LastNo > 0 && row.ToNo == row.LastNo;
}

}  // namespace lanzhou::timetable
