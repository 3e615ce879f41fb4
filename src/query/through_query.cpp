#include "query/through_query.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "query/station_match.h"
#include "timetable/fares.h"
#include "timetable/times.h"
#include "timetable/train_class.h"

namespace lanzhou::query {
namespace {

bool ThroughTablesReady(const data::TimetableStore& tables) {
  return tables.KMTrainReady && tables.KMListReady && tables.KMSMReady;
}

}  // namespace

StopColumns::StopColumns(data::MemTable& KMTrain)
    : ID(KMTrain.ColumnOf("ID")),
      Station(KMTrain.ColumnOf("Station")),
      S_No(KMTrain.ColumnOf("S_No")),
      A_Time(KMTrain.ColumnOf("A_Time")),
      D_Time(KMTrain.ColumnOf("D_Time")),
      R_Date(KMTrain.ColumnOf("R_Date")),
      Distance(KMTrain.ColumnOf("Distance")),
      P1(KMTrain.ColumnOf("P1")),
      P2(KMTrain.ColumnOf("P2")),
      P3(KMTrain.ColumnOf("P3")),
      P4(KMTrain.ColumnOf("P4")) {}

StopView ReadStop(const data::MemTable& KMTrain, const StopColumns& c) {
  StopView stop;
  stop.ID = KMTrain.TextAt(c.ID);
  stop.Station = KMTrain.TextAt(c.Station);
  stop.A_Time = KMTrain.TextAt(c.A_Time);
  stop.D_Time = KMTrain.TextAt(c.D_Time);
  stop.R_Date = KMTrain.TextAt(c.R_Date);
  stop.P1 = KMTrain.TextAt(c.P1);
  stop.P2 = KMTrain.TextAt(c.P2);
  stop.P3 = KMTrain.TextAt(c.P3);
  stop.P4 = KMTrain.TextAt(c.P4);
  stop.S_No = static_cast<std::int32_t>(KMTrain.IntAt(c.S_No));
  stop.Distance = static_cast<std::int32_t>(KMTrain.IntAt(c.Distance));
  return stop;
}

void SetBoardingStop(TPub_GridResult& row, const StopView& stop) {
  row.FromStation = stop.Station;
  row.FromNo = stop.S_No;
  row.DepartTime = stop.D_Time;
  row.FromArriveTime = stop.A_Time;
  row.FromRunTime = stop.R_Date;
  row.FromDistance = stop.Distance;
  row.FromP1 = stop.P1;
  row.FromP2 = stop.P2;
  row.FromP3 = stop.P3;
  row.FromP4 = stop.P4;
}

void SetAlightingStop(TPub_GridResult& row, const StopView& stop) {
  row.ToStation = stop.Station;
  row.ToNo = stop.S_No;
  row.ArriveTime = stop.A_Time;
  row.ToRunTime = stop.R_Date;
  row.ToDistance = stop.Distance;
  row.ToP1 = stop.P1;
  row.ToP2 = stop.P2;
  row.ToP3 = stop.P3;
  row.ToP4 = stop.P4;
}

void SetOriginAsBoarding(TPub_GridResult& row, std::string_view station,
                         std::string_view depart_time) {
  row.FromStation = station;
  row.FromNo = 1;
  row.DepartTime = depart_time;
  row.FromArriveTime.clear();
  row.FromRunTime.assign(1, '0');
  row.FromDistance = 0;
  row.FromP1.clear();
  row.FromP2.clear();
  row.FromP3.clear();
  row.FromP4.clear();
}

void ReadTrainFields(data::MemTable& KMList, TPub_GridResult& row) {
  row.TableId = KMList.FieldByName("ID").AsString();
  row.TrainId = timetable::TrainNumberOfId(row.TableId);
  row.NType = static_cast<std::int32_t>(KMList.FieldByName("NType").AsInteger());
  row.TypeName = timetable::TrainClassName(row.NType);
  row.StartStation = KMList.FieldByName("StartStation").AsString();
  row.EndStation = KMList.FieldByName("endStation").AsString();
  row.TrainRunTime = KMList.FieldByName("R_Date").AsString();
  row.TrainDistance = static_cast<std::int32_t>(KMList.FieldByName("Distance").AsInteger());
  row.TrainP1 = KMList.FieldByName("P1").AsString();
  row.TrainP2 = KMList.FieldByName("P2").AsString();
  row.TrainP3 = KMList.FieldByName("P3").AsString();
  row.TrainP4 = KMList.FieldByName("P4").AsString();
}

bool FillTrainFields(data::MemTable& KMList, std::string_view train_id, TPub_GridResult& row) {
  if (!KMList.Locate("ID", train_id)) return false;
  ReadTrainFields(KMList, row);
  return true;
}

bool CallsOnQueryDate(const data::TimetableStore& tables, const QueryState& state,
                      std::string_view train_id, int stop_no) {
  if (!state.Date) return true;
  const data::Calendar& calendar = tables.calendar;
  return calendar.CallsAt(calendar.Find(train_id), stop_no, *state.Date);
}

namespace {

// Days from the boarding departure to the arrival read from the clock times and the elapsed
// times of the two stops, for a train the calendar does not list: the whole days that make the
// departure plus the running time meet the arrival's time of day. An elapsed time that
// excludes a stop's dwell is off by minutes only, which the rounding absorbs.
int ArrivalDaysByClock(const TPub_GridResult& row) {
  const std::optional<int> depart = timetable::StopClockMinutes(row.DepartTime);
  const std::optional<int> arrive = timetable::StopClockMinutes(row.ArriveTime);
  const int running =
      timetable::ElapsedToMinutes(row.ToRunTime) - timetable::ElapsedToMinutes(row.FromRunTime);
  if (!depart || !arrive || running <= 0) return 0;
  constexpr int kMinutesPerDay = 24 * 60;
  const int over = *depart + running - *arrive + kMinutesPerDay / 2;
  return std::max(0, over / kMinutesPerDay);
}

}  // namespace

void MarkArrivalDays(const data::Calendar& calendar, std::vector<TPub_GridResult>& rows) {
  for (TPub_GridResult& row : rows) {
    const int version = calendar.Find(row.TableId);
    row.ArriveDays =
        version == data::Calendar::kUnknown
            ? ArrivalDaysByClock(row)
            : std::max(0, calendar.ArrivalDay(version, row.ToNo) -
                              calendar.DepartureDay(version, row.FromNo));
  }
}

void CompleteSection(TPub_GridResult& row) {
  row.Stops = row.ToNo - row.FromNo;
  row.SegDistance = row.ToDistance - row.FromDistance;
  row.SegTime = timetable::DurationText(SectionMinutes(row));
  // The fares read every field above, so they come last.
  timetable::ComputeSectionFares(row);
}

int SectionMinutes(const TPub_GridResult& row) {
  return timetable::SectionMinutes(row.FromRunTime, row.FromArriveTime, row.DepartTime,
                                   row.ToRunTime);
}

bool FindThroughTrains(data::TimetableStore& tables, QueryState& state, std::string_view from_text,
                       std::string_view to_text) {
  if (!ThroughTablesReady(tables)) return false;
  state.QueryKind = StationToStation;
  state.TransferStation.clear();
  state.ResultList.clear();
  const bool exact_mode =
      ResolveStationPair(from_text, to_text, tables.KMSM, state.FromSpec, state.ToSpec);

  const StationSet from_set(exact_mode, state.FromSpec);
  const StationSet to_set(exact_mode, state.ToSpec);
  data::MemTable& KMTrain = tables.KMTrain;
  const StopColumns columns(KMTrain);
  KMTrain.First();
  while (!KMTrain.Eof()) {
    // One train: its stops are contiguous in SIDNo order. Only the station is read of a stop
    // that matches neither side.
    const std::string_view train_id = KMTrain.TextAt(columns.ID);
    std::optional<StopView> boarding;
    std::optional<StopView> alighting;
    std::int32_t last_no = 0;
    for (; !KMTrain.Eof() && KMTrain.TextAt(columns.ID) == train_id; KMTrain.Next()) {
      last_no = static_cast<std::int32_t>(KMTrain.IntAt(columns.S_No));
      const std::string_view station = KMTrain.TextAt(columns.Station);
      if (!boarding) {
        if (from_set.Contains(station)) boarding = ReadStop(KMTrain, columns);
      } else if (to_set.Contains(station)) {
        // A later stop of the arrival set overwrites an earlier one: the last one counts.
        alighting = ReadStop(KMTrain, columns);
      }
    }
    if (!boarding || !alighting) continue;
    if (!CallsOnQueryDate(tables, state, train_id, boarding->S_No)) continue;
    TPub_GridResult row;
    if (!FillTrainFields(tables.KMList, train_id, row)) continue;
    SetBoardingStop(row, *boarding);
    SetAlightingStop(row, *alighting);
    row.LastNo = last_no;
    CompleteSection(row);
    state.ResultList.push_back(std::move(row));
  }
  return true;
}

PartnerCaptions TripCityCaptions(const TripCities& cities) {
  PartnerCaptions captions{cities.from, cities.to, cities.from};
  if (cities.from != cities.to) captions.labfd = cities.from + "-" + cities.to;
  return captions;
}

std::optional<TripCities> ThroughTripCities(const QueryState& state) {
  if (state.ResultList.empty()) return std::nullopt;
  return TripCities{state.FromSpec.City, state.ToSpec.City};
}

}  // namespace lanzhou::query
