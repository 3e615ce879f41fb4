#include "cli/query_output.h"

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

std::string GridResultJson(const query::TPub_GridResult& r) {
  return JsonObject()
      .Text("TrainId", r.TrainId)
      .Integer("NType", r.NType)
      .Text("TypeName", r.TypeName)
      .Text("StartStation", r.StartStation)
      .Text("EndStation", r.EndStation)
      .Text("TrainRunTime", r.TrainRunTime)
      .Integer("TrainDistance", r.TrainDistance)
      .Text("TrainP1", r.TrainP1)
      .Text("TrainP2", r.TrainP2)
      .Text("TrainP3", r.TrainP3)
      .Text("TrainP4", r.TrainP4)
      .Text("FromStation", r.FromStation)
      .Integer("FromNo", r.FromNo)
      .Integer("FromDistance", r.FromDistance)
      .Text("FromP1", r.FromP1)
      .Text("FromP2", r.FromP2)
      .Text("FromP3", r.FromP3)
      .Text("FromP4", r.FromP4)
      .Text("DepartTime", r.DepartTime)
      .Text("FromRunTime", r.FromRunTime)
      .Text("ToStation", r.ToStation)
      .Integer("ToNo", r.ToNo)
      .Text("ArriveTime", r.ArriveTime)
      .Text("ToRunTime", r.ToRunTime)
      .Integer("ToDistance", r.ToDistance)
      .Text("ToP1", r.ToP1)
      .Text("ToP2", r.ToP2)
      .Text("ToP3", r.ToP3)
      .Text("ToP4", r.ToP4)
      .Integer("Stops", r.Stops)
      .Integer("SegDistance", r.SegDistance)
      .Text("SegTime", r.SegTime)
      .Text("FareHardSeat", r.FareHardSeat)
      .Text("FareSoftSeat", r.FareSoftSeat)
      .Text("FareHardSleeper", r.FareHardSleeper)
      .Text("FareSoftSleeper", r.FareSoftSleeper)
      .Str();
}

std::string TransferCandidateJson(const query::TPub_ZZStruct& c) {
  return JsonObject()
      .Text("Name", c.Name)
      .Integer("FirstDistance", c.FirstDistance)
      .Integer("SecondDistance", c.SecondDistance)
      .Integer("TotalDistance", c.TotalDistance)
      .Text("FirstTime", c.FirstTime)
      .Text("SecondTime", c.SecondTime)
      .Text("TotalTime", c.TotalTime)
      .Integer("FromTrains", c.FromTrains)
      .Integer("ToTrains", c.ToTrains)
      .Str();
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
      std::vector<std::string> objects;
      for (const std::size_t i : shown.source) {
        std::string object = GridResultJson(state.ResultList[i]);
        if (running_days != nullptr) {
          object.pop_back();  // the closing brace
          object += ",\"RunningDays\":" + JsonString((*running_days)[i]) + "}";
        }
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
      std::vector<std::string> objects;
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
  if (format == OutputFormat::Json) return JsonObject().Text("NotRunning", line).Str() + "\n";
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
      std::vector<std::string> stops;
      for (const GridRow& row : rows) {
        // Numbers stay numbers; a speed that cannot be computed (the first stop) is null.
        stops.push_back(JsonObject()
                            .Integer("S_No", timetable::TextToIntOrZero(row[0]))
                            .Text("Station", row[1])
                            .Integer("Distance", timetable::TextToIntOrZero(row[2]))
                            .Text("A_Time", row[3])
                            .Text("D_Time", row[4])
                            .Text("Day", row[5])
                            .Text("R_Date", row[6])
                            .Raw("Speed", row[7].empty() ? "null" : row[7])
                            .Str());
      }
      std::string array = JsonArrayLines(stops);
      array.pop_back();  // the object's closing brace follows on the same line
      JsonObject object;
      object.Text("Caption", detail.Caption);
      if (!running_days.empty()) object.Text("RunningDays", running_days);
      return object.Text("LabQC", detail.LabQC)
                 .Text("LabQJ", detail.LabQJ)
                 .Integer("StopCount", detail.StopCount)
                 .Integer("FirstLegStop", detail.FirstLegStop)
                 .Integer("LastLegStop", detail.LastLegStop)
                 .Raw("Stops", array)
                 .Str() +
             "\n";
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
  std::vector<std::string> values;
  for (const std::string& n : names) values.push_back(JsonString(n));
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
  std::vector<std::string> objects;
  for (const TableState& t : tables) {
    // A table whose load failed may hold part of its rows; nothing reads them.
    const std::size_t records = t.ready ? t.table.RecordCount() : 0;
    rows.push_back({std::string(t.name), std::to_string(records), t.ready ? "ready" : "not ready"});
    objects.push_back(JsonObject()
                          .Text("Table", t.name)
                          .Integer("Records", static_cast<std::int64_t>(records))
                          .Boolean("Ready", t.ready)
                          .Str());
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
