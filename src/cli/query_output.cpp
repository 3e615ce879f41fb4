#include "cli/query_output.h"

#include <boost/json/serialize.hpp>
#include <string_view>

#include "cli/text_output.h"
#include "report/grid_export.h"
#include "timetable/times.h"

namespace lanzhou::cli {

namespace {

using report::GridRow;

// Cells 0 .. columns - 1 of rows 0 .. rows - 1.
std::vector<GridRow> GridRows(const query::StringGrid& grid, int columns, int rows) {
  std::vector<GridRow> out;
  for (int r = 0; r < rows; ++r) {
    GridRow row;
    for (int c = 0; c < columns; ++c) row.push_back(grid.Cell(c, r));
    out.push_back(std::move(row));
  }
  return out;
}

// Header captions as shown (the marked one with its arrow) followed by the rows.
std::string AlignedGrid(const query::HeaderSort& headers, std::vector<GridRow> rows) {
  GridRow header;
  for (int c = 0; c < headers.ColumnCount(); ++c) header.push_back(headers.Caption(c));
  rows.insert(rows.begin(), std::move(header));
  return AlignColumns(rows);
}

std::string Joined(const GridRow& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += ',';
    line += cells[i];
  }
  return line;
}

// The chooser has no export of its own; its lines follow the export file's layout with the
// 9 ZGrid titles as captions.
std::vector<std::string> ChooserCsvLines(const query::HeaderSort& headers,
                                         const std::vector<GridRow>& rows) {
  std::vector<std::string> lines = {
      "", "", std::string(report::kCompanyName), std::string(report::kCompanyWebAddress), "", ""};
  GridRow captions;
  for (int c = 0; c < headers.ColumnCount(); ++c) captions.push_back(headers.PlainCaption(c));
  lines.push_back(Joined(captions));
  for (const GridRow& row : rows) lines.push_back(Joined(row));
  return lines;
}

}  // namespace

boost::json::object GridResultJson(const query::TPub_GridResult& r) {
  return boost::json::object{{"TrainId", r.TrainId},
                             {"NType", r.NType},
                             {"TypeName", r.TypeName},
                             {"StartStation", r.StartStation},
                             {"EndStation", r.EndStation},
                             {"TrainRunTime", r.TrainRunTime},
                             {"TrainDistance", r.TrainDistance},
                             {"TrainP1", r.TrainP1},
                             {"TrainP2", r.TrainP2},
                             {"TrainP3", r.TrainP3},
                             {"TrainP4", r.TrainP4},
                             {"FromStation", r.FromStation},
                             {"FromNo", r.FromNo},
                             {"FromDistance", r.FromDistance},
                             {"FromP1", r.FromP1},
                             {"FromP2", r.FromP2},
                             {"FromP3", r.FromP3},
                             {"FromP4", r.FromP4},
                             {"DepartTime", r.DepartTime},
                             {"FromRunTime", r.FromRunTime},
                             {"ToStation", r.ToStation},
                             {"ToNo", r.ToNo},
                             {"ArriveTime", r.ArriveTime},
                             {"ToRunTime", r.ToRunTime},
                             {"ToDistance", r.ToDistance},
                             {"ToP1", r.ToP1},
                             {"ToP2", r.ToP2},
                             {"ToP3", r.ToP3},
                             {"ToP4", r.ToP4},
                             {"Stops", r.Stops},
                             {"SegDistance", r.SegDistance},
                             {"SegTime", r.SegTime},
                             {"FareHardSeat", r.FareHardSeat},
                             {"FareSoftSeat", r.FareSoftSeat},
                             {"FareHardSleeper", r.FareHardSleeper},
                             {"FareSoftSleeper", r.FareSoftSleeper}};
}

boost::json::object TransferCandidateJson(const query::TPub_ZZStruct& c) {
  return boost::json::object{{"Name", c.Name},
                             {"FirstDistance", c.FirstDistance},
                             {"SecondDistance", c.SecondDistance},
                             {"TotalDistance", c.TotalDistance},
                             {"FirstTime", c.FirstTime},
                             {"SecondTime", c.SecondTime},
                             {"TotalTime", c.TotalTime},
                             {"FromTrains", c.FromTrains},
                             {"ToTrains", c.ToTrains}};
}

boost::json::array DetailStopsJson(const query::TrainDetail& detail) {
  boost::json::array stops;
  for (const GridRow& row : GridRows(detail.MGrid, query::kDetailColumns, detail.StopCount)) {
    // Numbers stay numbers; a speed that cannot be computed (the first stop, "-" where the
    // timetable holds no distance) is null.
    boost::json::value speed;
    if (!row[7].empty() && row[7] != timetable::kUnknownValue) {
      speed = timetable::TextToIntOrZero(row[7]);
    }
    stops.push_back(boost::json::object{{"S_No", timetable::TextToIntOrZero(row[0])},
                                        {"Station", row[1]},
                                        {"Distance", timetable::TextToIntOrZero(row[2])},
                                        {"A_Time", row[3]},
                                        {"D_Time", row[4]},
                                        {"Day", row[5]},
                                        {"R_Date", row[6]},
                                        {"Speed", std::move(speed)}});
  }
  return stops;
}

std::string FormatResults(const query::QueryState& state, const ShownResults& shown,
                          OutputFormat format, const std::vector<std::string>* running_days) {
  const int count = state.VisibleCount;
  switch (format) {
    case OutputFormat::Table: {
      if (running_days == nullptr) {
        return AlignedGrid(shown.grid.Headers,
                           GridRows(shown.grid.SGrid, query::kResultColumns, count)) +
               shown.grid.LabResult + "\n";
      }
      std::vector<GridRow> rows = GridRows(shown.grid.SGrid, query::kResultColumns, count);
      GridRow header;
      for (int c = 0; c < shown.grid.Headers.ColumnCount(); ++c) {
        header.push_back(shown.grid.Headers.Caption(c));
      }
      header.push_back("开行");
      for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r].push_back((*running_days)[shown.source[r]]);
      }
      rows.insert(rows.begin(), std::move(header));
      return AlignColumns(rows) + shown.grid.LabResult + "\n";
    }
    case OutputFormat::Csv: {
      const auto rows = GridRows(shown.grid.SGrid, query::kResultColumns, count);
      return JoinLines(report::ExportGridCsvLines(report::GridKind::Main, rows));
    }
    case OutputFormat::Json: {
      boost::json::array objects;
      for (const std::size_t i : shown.source) {
        boost::json::object object = GridResultJson(state.ResultList[i]);
        if (running_days != nullptr) object["RunningDays"] = (*running_days)[i];
        objects.push_back(std::move(object));
      }
      return JsonArrayLines(objects);
    }
  }
  return {};
}

std::string FormatChooser(const query::ChooserGrid& chooser,
                          const std::vector<query::TPub_ZZStruct>& listed, OutputFormat format) {
  const auto rows = GridRows(chooser.ZGrid, query::kChooserColumns, chooser.CandidateCount);
  switch (format) {
    case OutputFormat::Table:
      return query::ChooserCaption(chooser.CandidateCount) + "\n" +
             AlignedGrid(chooser.Headers, rows);
    case OutputFormat::Csv:
      return JoinLines(ChooserCsvLines(chooser.Headers, rows));
    case OutputFormat::Json: {
      // Station names are unique among the candidates: the grid's column 0 finds each record.
      boost::json::array objects;
      for (const GridRow& row : rows) {
        for (const query::TPub_ZZStruct& c : listed) {
          if (c.Name == row[0]) {
            objects.push_back(TransferCandidateJson(c));
            break;
          }
        }
      }
      return JsonArrayLines(objects);
    }
  }
  return {};
}

std::string FormatNotRunning(const std::string& line, OutputFormat format) {
  if (format == OutputFormat::Json) {
    return boost::json::serialize(boost::json::object{{"NotRunning", line}}) + "\n";
  }
  return line + "\n";
}

std::string FormatDetail(const query::TrainDetail& detail, OutputFormat format,
                         const std::string& running_days) {
  const auto rows = GridRows(detail.MGrid, query::kDetailColumns, detail.StopCount);
  switch (format) {
    case OutputFormat::Table: {
      std::vector<GridRow> lines = {report::GridCaptions(report::GridKind::Detail)};
      lines.insert(lines.end(), rows.begin(), rows.end());
      return detail.Caption + (running_days.empty() ? "" : "  开行：" + running_days) + "\n" +
             detail.LabQC + "\n" + detail.LabQJ + "\n" + AlignColumns(lines);
    }
    case OutputFormat::Csv:
      return JoinLines(report::ExportGridCsvLines(report::GridKind::Detail, rows));
    case OutputFormat::Json: {
      // The stops stand a line each inside the object, as the arrays of the other answers do.
      std::string stops = JsonArrayLines(DetailStopsJson(detail));
      stops.pop_back();  // the object's closing brace follows on the same line
      boost::json::object head_object;
      head_object["Caption"] = detail.Caption;
      if (!running_days.empty()) head_object["RunningDays"] = running_days;
      head_object["LabQC"] = detail.LabQC;
      head_object["LabQJ"] = detail.LabQJ;
      head_object["StopCount"] = detail.StopCount;
      head_object["FirstLegStop"] = detail.FirstLegStop;
      head_object["LastLegStop"] = detail.LastLegStop;
      std::string head = boost::json::serialize(head_object);
      head.pop_back();
      return head + ",\"Stops\":" + stops + "}\n";
    }
  }
  return {};
}

std::string FormatCompletion(const std::vector<std::string>& entries, OutputFormat format) {
  std::vector<std::string> names;
  for (const std::string& e : entries) {
    if (!e.empty()) names.push_back(e);
  }
  if (format != OutputFormat::Json) return JoinLines(names);
  boost::json::array values;
  for (const std::string& n : names) values.emplace_back(n);
  return JsonArrayLines(values);
}

std::string FormatInfo(const data::TimetableStore& store, OutputFormat format) {
  struct TableState {
    std::string_view name;
    const data::MemTable& table;
    bool ready;
  };
  const TableState tables[] = {{"KMTrain", store.KMTrain, store.KMTrainReady},
                               {"KMList", store.KMList, store.KMListReady},
                               {"KMSM", store.KMSM, store.KMSMReady},
                               {"KMPy", store.KMPy, store.KMPyReady}};
  std::vector<GridRow> rows;
  boost::json::array objects;
  for (const TableState& t : tables) {
    // A table whose load failed may hold part of its rows; nothing reads them.
    const std::size_t records = t.ready ? t.table.RecordCount() : 0;
    rows.push_back({std::string(t.name), std::to_string(records), t.ready ? "ready" : "not ready"});
    objects.push_back(boost::json::object{
        {"Table", t.name}, {"Records", static_cast<std::int64_t>(records)}, {"Ready", t.ready}});
  }
  switch (format) {
    case OutputFormat::Table:
      return AlignColumns(rows);
    case OutputFormat::Csv: {
      std::vector<std::string> lines = {"Table,Records,Ready"};
      for (const GridRow& row : rows) lines.push_back(Joined(row));
      return JoinLines(lines);
    }
    case OutputFormat::Json:
      return JsonArrayLines(objects);
  }
  return {};
}

}  // namespace lanzhou::cli
