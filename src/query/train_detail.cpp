#include "query/train_detail.h"

#include <string>

#include "timetable/times.h"

namespace lanzhou::query {

std::optional<TrainDetail> ShowTrainDetail(data::MemTable& KMTrain, const QueryState& state,
                                           const StringGrid& SGrid, int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= state.ResultList.size()) return std::nullopt;
  const std::string& number = SGrid.Cell(0, row);
  // The grid shows the number; the result row it came from names the version in the tables
  // (versions of one number differ in their days, and often in their stops).
  std::string train = number;
  for (const TPub_GridResult& r : state.ResultList) {
    if (r.TrainId == number && r.FromStation == SGrid.Cell(4, row) &&
        r.DepartTime == SGrid.Cell(5, row) && !r.TableId.empty()) {
      train = r.TableId;
      break;
    }
  }
  if (train.empty() || !KMTrain.Locate("ID", train)) return std::nullopt;
  const data::ColumnId f_id = KMTrain.ColumnOf("ID");
  const data::ColumnId f_station = KMTrain.ColumnOf("Station");
  const data::ColumnId f_no = KMTrain.ColumnOf("S_No");
  const data::ColumnId f_arrive = KMTrain.ColumnOf("A_Time");
  const data::ColumnId f_depart = KMTrain.ColumnOf("D_Time");
  const data::ColumnId f_elapsed = KMTrain.ColumnOf("R_Date");
  const data::ColumnId f_distance = KMTrain.ColumnOf("Distance");

  const std::string& boarding = SGrid.Cell(4, row);
  const int stops = timetable::TextToIntOrZero(SGrid.Cell(8, row));

  TrainDetail detail;
  ClearGridSelection(detail.MGrid);
  detail.Caption = "车次:" + number;
  detail.TableId = train;
  StringGrid& g = detail.MGrid;
  // Times of day are "HH:MM", so text order is time order; a step back means midnight passed.
  std::string prev(KMTrain.TextAt(f_depart));
  int day = 1;
  bool boarded = false;
  int last_distance = 0;
  std::string last_elapsed;
  // The previous stop's distance, elapsed time and times of day, for the section speeds.
  int prev_distance = 0;
  std::string prev_elapsed;
  std::string prev_arrive;
  std::string prev_depart;
  for (; !KMTrain.Eof() && KMTrain.TextAt(f_id) == train; KMTrain.Next()) {
    const int k = detail.StopCount++;
    if (g.RowCount() < detail.StopCount) g.SetRowCount(detail.StopCount);
    const std::string_view arrive = KMTrain.TextAt(f_arrive);
    const std::string_view depart = KMTrain.TextAt(f_depart);
    if (!arrive.empty()) {
      if (prev > arrive) ++day;
      prev = arrive;
    }
    const int stop_no = static_cast<int>(KMTrain.IntAt(f_no));
    if (!boarded && KMTrain.TextAt(f_station) == boarding) {
      detail.FirstLegStop = stop_no;
      boarded = true;
    }
    last_distance = static_cast<int>(KMTrain.IntAt(f_distance));
    last_elapsed = std::string(KMTrain.TextAt(f_elapsed));
    g.SetCell(0, k, std::to_string(stop_no));
    g.SetCell(1, k, std::string(KMTrain.TextAt(f_station)));
    g.SetCell(2, k, std::to_string(last_distance));
    g.SetCell(3, k, std::string(arrive));
    g.SetCell(4, k, std::string(depart));
    g.SetCell(5, k, timetable::RunDayText(day));
    g.SetCell(6, k, timetable::ElapsedDurationText(last_elapsed));
    if (k > 0) {
      // From the previous stop's departure, as every section's time runs.
      g.SetCell(7, k,
                timetable::SpeedText(last_distance - prev_distance,
                                     timetable::SectionMinutes(prev_elapsed, prev_arrive,
                                                               prev_depart, last_elapsed)));
    }
    prev_distance = last_distance;
    prev_elapsed = last_elapsed;
    prev_arrive = arrive;
    prev_depart = depart;
  }
  // A timetable without distances (every stop at 0 km) says so in the km column too.
  if (last_distance <= 0) {
    for (int k = 0; k < detail.StopCount; ++k) {
      g.SetCell(2, k, std::string(timetable::kUnknownValue));
    }
  }
  // A boarding name that no stop carries is the train list's city-level name of the first
  // station (rows of a timetable that names no stop so): the traveller boards at stop 1.
  // Counting stops instead would put the range past the end of the run.
  if (!boarded) detail.FirstLegStop = 1;
  detail.LastLegStop = detail.FirstLegStop + stops;

  const auto km_text = [](const std::string& km) {
    return km == timetable::kUnknownValue ? km : km + "km";
  };
  const auto speed_text = [](const std::string& speed) {
    return speed == timetable::kUnknownValue ? speed : speed + "km/h";
  };
  detail.LabQC = "全程：" + km_text(timetable::DistanceText(last_distance)) + "/历时" +
                 timetable::ElapsedDurationText(last_elapsed) + "/速度" +
                 speed_text(timetable::SpeedText(last_distance,
                                                 timetable::ElapsedToMinutes(last_elapsed)));
  const std::string& seg_km = SGrid.Cell(9, row);
  const std::string& seg_time = SGrid.Cell(10, row);
  detail.LabQJ = "区间：" + km_text(seg_km) + "/历时" + seg_time + "/速度" +
                 speed_text(timetable::SpeedText(timetable::TextToIntOrZero(seg_km),
                                                 timetable::ElapsedToMinutes(seg_time)));
  return detail;
}

RowColour MGridRowColour(const TrainDetail& detail, int row) {
  if (detail.MGrid.IsBlankRow(row)) return RowColour::Normal;
  const int stop_no = timetable::TextToIntOrZero(detail.MGrid.Cell(0, row));
  return stop_no >= detail.FirstLegStop && stop_no <= detail.LastLegStop ? RowColour::Blue
                                                                         : RowColour::Normal;
}

}  // namespace lanzhou::query
