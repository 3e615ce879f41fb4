#include "cli/run.h"

#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <variant>

#include "cli/command_words.h"
#include "cli/grid_views.h"
#include "cli/diagram_command.h"
#include "cli/journeys_command.h"
#include "cli/query_output.h"
#include "cli/service_date.h"
#include "cli/table_loading.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"
#include "query/completion.h"
#include "query/input_checks.h"
#include "query/station_query.h"
#include "query/through_query.h"
#include "query/train_detail.h"
#include "query/train_number_query.h"
#include "query/transfer_search.h"
#include "report/grid_export.h"
#include "text/gbk.h"

namespace lanzhou::cli {

namespace {

constexpr std::string_view kProgram = "lanzhou-query: ";

Refusal NotReady() {
  return {kExitLoadFailed, std::string(kProgram) + "the tables are not loaded"};
}

// A refused input, written as the window's message box reads: caption, then text.
std::optional<Refusal> RefusalOf(const query::InputCheck& check) {
  switch (check.verdict) {
    case query::CheckVerdict::GoOn:
      return std::nullopt;
    case query::CheckVerdict::ShowMessage:
      return Refusal{kExitRefused, check.message.caption + ": " + check.message.text,
                     check.message.focus};
    case query::CheckVerdict::NotReady:
      return NotReady();
  }
  return std::nullopt;
}

std::vector<std::string_view> ExportCaptions() {
  std::vector<std::string_view> captions;
  for (int i = 0; i < report::kMainGridColumnCount; ++i) {
    captions.push_back(report::MainGridColumnCaption(i));
  }
  return captions;
}

// The query of a result command: checks as its button makes them, then the query itself.
// Fills state; station_box is set for the station query (the filters read ComboCZ's text).
std::optional<Refusal> RunQuery(const Options& options, data::TimetableStore& store,
                                query::QueryState& state, std::string& station_box,
                                std::vector<query::TPub_ZZStruct>& listed) {
  const std::vector<std::string>& a = options.arguments;
  switch (options.command) {
    case Command::Between:
      if (auto stop = RefusalOf(query::CheckThroughQuery(a[0], a[1], store))) return stop;
      if (!query::FindThroughTrains(store, state, a[0], a[1])) return NotReady();
      return std::nullopt;
    case Command::Transfer: {
      if (auto stop = RefusalOf(query::CheckThroughQuery(a[0], a[1], store))) return stop;
      if (!query::FindTransfers(store, state, a[0], a[1])) return NotReady();
      listed = query::ListTransferCandidates(state).Listed;
      if (!options.via) return std::nullopt;
      // As in the chooser, only a listed station can be picked.
      bool offered = false;
      for (const query::TPub_ZZStruct& c : listed) offered = offered || c.Name == *options.via;
      if (!offered) {
        return Refusal{kExitRefused, std::string(kProgram) + text::EscapeControls(*options.via) +
                                      " is not among the transfer stations listed for " + a[0] +
                                      " -> " + a[1]};
      }
      if (!query::ShowTransferLegs(store, state, *options.via)) return NotReady();
      return std::nullopt;
    }
    case Command::Train:
      if (auto stop = RefusalOf(query::CheckTrainNumberQuery(a[0], store))) return stop;
      if (!query::FindTrainNumber(store, state, a[0])) return NotReady();
      return std::nullopt;
    case Command::Station:
      if (auto stop = RefusalOf(query::CheckStationQuery(a[0], store))) return stop;
      if (!query::FindStationTrains(store, state, a[0])) return NotReady();
      station_box = a[0];
      return std::nullopt;
    case Command::Complete:
    case Command::Info:
      break;
  }
  return std::nullopt;
}

// The column of --sort in the grid the command fills; sets refusal when there is no such column.
std::optional<int> SortColumn(const Options& options, bool chooser,
                              std::optional<Refusal>& refusal) {
  if (!options.sort) return std::nullopt;
  const std::optional<int> column =
      chooser ? ResolveSortColumn(query::ChooserHeaders(), {}, options.sort->column)
              : ResolveSortColumn(query::ResultHeaders(), ExportCaptions(), options.sort->column);
  if (!column) {
    refusal = Refusal{kExitRefused, std::string(kProgram) + "no column '" + options.sort->column +
                                        "' to sort by"};
  }
  return column;
}

// A result command from the query to the written answer.
std::optional<Refusal> RunResultCommand(const Options& options, data::TimetableStore& store,
                                        std::optional<data::Date> date, std::string& answer) {
  if (options.command == Command::Transfer && !options.via) {
    std::optional<Refusal> refusal;
    const std::optional<int> sort_column = SortColumn(options, true, refusal);
    if (refusal) return refusal;
    query::QueryState state;
    state.Date = date;
    std::string station_box;
    std::vector<query::TPub_ZZStruct> listed;
    if (auto stop = RunQuery(options, store, state, station_box, listed)) return stop;
    answer =
        FormatChooser(ShowChooser(listed, sort_column, options.sort && options.sort->descending),
                      listed, options.format);
    return std::nullopt;
  }
  QueryAnswer found;
  found.state.Date = date;
  if (auto stop = AnswerQuery(options, store, found)) return stop;
  if (options.command == Command::Train) {
    if (const auto idle = query::TrainNotRunningText(store, found.state, options.arguments[0])) {
      answer = FormatNotRunning(*idle, options.format);
      return std::nullopt;
    }
  }
  // The train query shows each train's running days beside its row.
  std::vector<std::string> running_days;
  if (options.command == Command::Train && store.calendar.KnowsRunningDays()) {
    for (const query::TPub_GridResult& r : found.state.ResultList) {
      running_days.push_back(query::RunningDaySummaryOf(store, r.TableId));
    }
  }
  if (!options.detail_row) {
    answer = FormatResults(found.state, found.shown, options.format,
                           running_days.empty() ? nullptr : &running_days);
    return std::nullopt;
  }
  const auto detail = query::ShowTrainDetail(store.KMTrain, found.state, found.shown.grid.SGrid,
                                             *options.detail_row);
  if (!detail) {
    return Refusal{kExitRefused, std::string(kProgram) + "row " +
                                     std::to_string(*options.detail_row) + " shows no train (" +
                                     found.shown.grid.LabResult + ")"};
  }
  answer = FormatDetail(*detail, options.format, query::RunningDaySummaryOf(store, detail->TableId));
  return std::nullopt;
}

}  // namespace

std::optional<Refusal> AnswerQuery(const Options& options, data::TimetableStore& store,
                                   QueryAnswer& answer) {
  std::optional<Refusal> refusal;
  const std::optional<int> sort_column = SortColumn(options, false, refusal);
  if (refusal) return refusal;
  std::string station_box;
  std::vector<query::TPub_ZZStruct> listed;
  if (auto stop = RunQuery(options, store, answer.state, station_box, listed)) return stop;
  answer.shown = ShowQueryResults(answer.state, options.filters, station_box, sort_column,
                                  options.sort && options.sort->descending);
  return std::nullopt;
}

int Run(const Options& options, const data::ResourceRegistry* embedded, std::ostream& out,
        std::ostream& err) {
  CommandTables tables({options.data_dir, options.timetable_file, embedded},
                       TablesFor(options.command), err);
  if (tables.unusable) return kExitLoadFailed;
  data::TimetableStore& store = tables.store;
  const std::vector<LoadFailure>& failures = tables.failures;

  if (options.command == Command::Info) {
    out << FormatInfo(store, options.format);
    return failures.empty() ? kExitOk : kExitLoadFailed;
  }
  if (!failures.empty()) return kExitLoadFailed;

  try {
    std::string answer;
    if (options.command == Command::Complete) {
      const auto entries = query::DropDownForText(store.KMPy, options.arguments[0]);
      if (!entries) {
        err << kProgram << "complete takes pinyin initials (letters A to Z), not '"
            << options.arguments[0] << "'\n";
        return kExitRefused;
      }
      answer = FormatCompletion(*entries, options.format);
    } else {
      const DateChoice day = ChooseDate(options.date, options.today, store.calendar);
      if (day.refusal) {
        err << *day.refusal << "\n";
        return kExitRefused;
      }
      if (day.notice) err << *day.notice << "\n";
      if (auto stop = RunResultCommand(options, store, day.date, answer)) {
        err << stop->message << "\n";
        return stop->exit_code;
      }
    }
    out << answer;
    out.flush();
    return out ? kExitOk : kExitFailure;
  } catch (const std::bad_alloc&) {
    err << kProgram << "not enough memory for this answer\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    // A table from --data may load and still lack a field a query reads.
    err << kProgram << e.what() << "\n";
    return kExitFailure;
  }
}

int RunCommandLine(const std::vector<std::string>& words, const data::ResourceRegistry* embedded,
                   std::ostream& out, std::ostream& err) {
  if (IsDiagramCommandLine(words)) return RunDiagramCommandLine(words, embedded, out, err);
  if (IsJourneysCommandLine(words)) return RunJourneysCommandLine(words, embedded, out, err);
  const ParseResult parsed = ParseArguments(words);
  if (const auto code = HelpOrUsage(parsed, out, err)) return *code;
  return Run(std::get<Options>(parsed), embedded, out, err);
}

}  // namespace lanzhou::cli
