#include "query/train_number_query.h"

#include <utility>

#include "query/station_match.h"
#include "text/ascii.h"
#include "timetable/times.h"
#include "timetable/running_day_summary.h"
#include "timetable/train_class.h"

namespace lanzhou::query {

std::string TrainNumberKey(std::string_view ecc_text) {
  // Train numbers hold no letters beyond A..Z, so ASCII is all the case folding needed.
  return text::UpperAscii(TrimBlanks(ecc_text));
}

bool HasTrainNumber(data::MemTable& KMList, std::string_view ecc_text) {
  const std::string key = TrainNumberKey(ecc_text);
  const data::ColumnId id_col = KMList.ColumnOf("ID");
  for (KMList.First(); !KMList.Eof(); KMList.Next()) {
    if (timetable::CarriesTrainNumber(timetable::TrainNumberOfId(KMList.TextAt(id_col)), key)) {
      return true;
    }
  }
  return false;
}

TrainEnds ReadTrainEnds(data::MemTable& KMTrain, std::string_view train_id) {
  TrainEnds ends;
  if (!KMTrain.Locate("ID", train_id)) return ends;
  const data::ColumnId id_col = KMTrain.ColumnOf("ID");
  const data::ColumnId no_col = KMTrain.ColumnOf("S_No");
  const data::ColumnId station_col = KMTrain.ColumnOf("Station");
  const data::ColumnId depart_col = KMTrain.ColumnOf("D_Time");
  ends.first_station = KMTrain.TextAt(station_col);
  for (; !KMTrain.Eof() && KMTrain.TextAt(id_col) == train_id; KMTrain.Next()) {
    ends.terminal_no = static_cast<int>(KMTrain.IntAt(no_col));
    ends.terminal_station = KMTrain.TextAt(station_col);
    if (KMTrain.TextAt(depart_col).empty()) break;
  }
  return ends;
}

int TerminalStopNo(data::MemTable& KMTrain, std::string_view train_id) {
  return ReadTrainEnds(KMTrain, train_id).terminal_no;
}

bool FindTrainNumber(data::TimetableStore& tables, QueryState& state, std::string_view ecc_text) {
  if (!tables.KMListReady || !tables.KMSMReady || !tables.KMTrainReady) return false;
  state.QueryKind = TrainNumber;
  state.TransferStation.clear();
  state.ResultList.clear();
  state.FromSpec.Name.clear();
  state.ToSpec.Name.clear();

  const std::string key = TrainNumberKey(ecc_text);
  data::MemTable& KMList = tables.KMList;
  const data::ColumnId id_col = KMList.ColumnOf("ID");
  const data::ColumnId depart_col = KMList.ColumnOf("A_Time");
  const data::ColumnId arrive_col = KMList.ColumnOf("D_Time");
  for (KMList.First(); !KMList.Eof(); KMList.Next()) {
    const std::string_view id = KMList.TextAt(id_col);
    if (!timetable::CarriesTrainNumber(timetable::TrainNumberOfId(id), key)) continue;
    if (!CallsOnQueryDate(tables, state, id, 1)) continue;
    TPub_GridResult row;
    ReadTrainFields(KMList, row);
    // The train list holds the departure at the first station in A_Time and the arrival at
    // the last in D_Time, the reverse of the stop table. 发站 and 到站 are the stations the
    // train really leaves from and arrives at (北京南, where the train list says 北京); a
    // train the stop table lacks keeps the train list's names.
    const TrainEnds ends = ReadTrainEnds(tables.KMTrain, row.TableId);
    SetOriginAsBoarding(row, ends.first_station.empty() ? row.StartStation : ends.first_station,
                        KMList.TextAt(depart_col));
    row.ArriveTime = KMList.TextAt(arrive_col);
    row.ToStation = ends.terminal_station.empty() ? row.EndStation : ends.terminal_station;
    row.ToNo = ends.terminal_no;
    row.LastNo = ends.terminal_no;
    row.ToRunTime = row.TrainRunTime;
    row.ToDistance = row.TrainDistance;
    row.ToP1 = row.TrainP1;
    row.ToP2 = row.TrainP2;
    row.ToP3 = row.TrainP3;
    row.ToP4 = row.TrainP4;
    row.Stops = row.ToNo - row.FromNo;
    row.SegDistance = row.TrainDistance;
    // Whole-run values as stored, no fare computation; the time shown as every duration is.
    row.SegTime = timetable::ElapsedDurationText(row.TrainRunTime);
    row.FareHardSeat = row.TrainP1;
    row.FareSoftSeat = row.TrainP2;
    row.FareHardSleeper = row.TrainP3;
    row.FareSoftSleeper = row.TrainP4;
    state.ResultList.push_back(std::move(row));
  }
  return true;
}

std::optional<std::string> TrainNotRunningText(data::TimetableStore& tables,
                                               const QueryState& state,
                                               std::string_view ecc_text) {
  if (!state.Date || !state.ResultList.empty() || !tables.KMListReady) return std::nullopt;
  const std::string key = TrainNumberKey(ecc_text);
  data::MemTable& KMList = tables.KMList;
  const data::ColumnId id_col = KMList.ColumnOf("ID");
  bool carried = false;
  std::optional<data::Date> next;
  for (KMList.First(); !KMList.Eof(); KMList.Next()) {
    const std::string_view id = KMList.TextAt(id_col);
    if (!timetable::CarriesTrainNumber(timetable::TrainNumberOfId(id), key)) continue;
    carried = true;
    const auto day = tables.calendar.NextRunningDay(tables.calendar.Find(id), *state.Date);
    if (day && (!next || *day < *next)) next = day;
  }
  if (!carried) return std::nullopt;
  std::string text = timetable::NotRunningText(key, *state.Date);
  if (next) text += "，下次开行 " + timetable::MonthDayText(*next);
  return text;
}

std::string RunningDaySummaryOf(const data::TimetableStore& tables, std::string_view table_id) {
  const data::Calendar& calendar = tables.calendar;
  if (!calendar.KnowsRunningDays()) return {};
  return timetable::RunningDaySummary(calendar.Days(calendar.Find(table_id)), *calendar.period());
}

std::optional<TripCities> TrainNumberTripCities(int visible_count, std::string_view start_cell,
                                                std::string_view end_cell) {
  if (visible_count <= 0) return std::nullopt;
  return TripCities{CityOf(start_cell), CityOf(end_cell)};
}

}  // namespace lanzhou::query
