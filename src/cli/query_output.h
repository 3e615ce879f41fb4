#pragma once
// What each command writes, in the three formats: table (aligned, for a terminal), csv (the
// lines of the grid's export file) and json (whole records with their field names).
#include <string>
#include <vector>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include "cli/grid_views.h"
#include "cli/options.h"
#include "data/timetable_store.h"
#include "query/chooser_grid.h"
#include "query/grid_result.h"
#include "query/query_state.h"
#include "query/train_detail.h"

namespace lanzhou::cli {

// One result row as a JSON object whose keys are its 36 field names, in field order.
[[nodiscard]] boost::json::object GridResultJson(const query::TPub_GridResult& row);
// One chooser station as a JSON object with the 9 field names of TPub_ZZStruct.
[[nodiscard]] boost::json::object TransferCandidateJson(const query::TPub_ZZStruct& candidate);
// The stops of a detail as JSON objects: S_No, Station, Distance, A_Time, D_Time, Day, R_Date,
// Speed (null where it cannot be computed, the first stop).
[[nodiscard]] boost::json::array DetailStopsJson(const query::TrainDetail& detail);

// The shown rows of the result grid: table (header captions with the sort mark, rows, then
// "结果:N"), the export lines, or the source rows as JSON. With running_days (one summary per
// ResultList row) the table gains a last column 开行 and each JSON object a key RunningDays.
[[nodiscard]] std::string FormatResults(const query::QueryState& state, const ShownResults& shown,
                                        OutputFormat format,
                                        const std::vector<std::string>* running_days = nullptr);

// A train query's answer for a number that does not run on the day: the line as is, or a JSON
// object {"NotRunning": line}.
[[nodiscard]] std::string FormatNotRunning(const std::string& line, OutputFormat format);

// The chooser's listed rows in grid order: table (window caption, header, rows), export-style
// lines with the 9 ZGrid titles, or the stations as JSON. listed holds the same stations.
[[nodiscard]] std::string FormatChooser(const query::ChooserGrid& chooser,
                                        const std::vector<query::TPub_ZZStruct>& listed,
                                        OutputFormat format);

// The detail window's rows: table (caption, LabQC, LabQJ, header, stops), the detail export
// lines, or one JSON object with the texts, the section's stop range and the stops. Running
// days, when known, follow the caption ("开行：每日") and are the JSON key RunningDays.
[[nodiscard]] std::string FormatDetail(const query::TrainDetail& detail, OutputFormat format,
                                       const std::string& running_days = {});

// A completion list without its padding entries: one name a line, or a JSON array.
[[nodiscard]] std::string FormatCompletion(const std::vector<std::string>& entries,
                                           OutputFormat format);

// Record count and ready state of KMTrain, KMList, KMSM and KMPy (0 records when not ready).
[[nodiscard]] std::string FormatInfo(const data::TimetableStore& store, OutputFormat format);

}  // namespace lanzhou::cli
