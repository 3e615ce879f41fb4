#include "cli/mcp/timetable_tools.h"

#include <array>
#include <boost/json/parse.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "cli/journeys_command.h"
#include "cli/mcp/answer_text.h"
#include "cli/mcp/date_argument.h"
#include "cli/mcp/tool_arguments.h"
#include "cli/mcp/tool_schemas.h"
#include "cli/query_output.h"
#include "cli/run.h"
#include "query/input_checks.h"
#include "query/show_results.h"
#include "query/station_match.h"
#include "query/station_search.h"
#include "query/train_detail.h"
#include "query/train_number_query.h"
#include "report/grid_export.h"
#include "system/heap.h"
#include "text/ascii.h"
#include "timetable/times.h"

namespace lanzhou::cli::mcp {
namespace {

constexpr std::string_view kSeparator = " | ";
constexpr std::size_t kNearestNames = 5;

// The result grid's columns as the rows of an answer name them, in grid order.
constexpr std::array<std::string_view, query::kResultColumns> kRowKeys = {
    "train",    "start",     "end",       "class",        "from",
    "depart",   "to",        "arrive",    "stops",        "distance",
    "duration", "hard_seat", "soft_seat", "hard_sleeper", "soft_sleeper"};
// The columns a row's text line shows (the class name is in the structured answer only).
constexpr std::array<int, 14> kTextColumns = {0, 1, 2, 4, 5, 6, 7, 10, 8, 9, 11, 12, 13, 14};

std::string Joined(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += kSeparator;
    line += cells[i];
  }
  return line;
}

// Whether a time of day lies in the window [after, before], which runs over midnight when
// after > before, as the journey planner's window does.
bool InWindow(int minutes, std::optional<int> after, std::optional<int> before) {
  const int low = after.value_or(0);
  const int high = before.value_or(journey::kMinutesPerDay - 1);
  if (minutes < 0) return false;
  return low <= high ? (minutes >= low && minutes <= high) : (minutes >= low || minutes <= high);
}

void AddDate(const DateEffect& date, std::string& text, boost::json::object& structured) {
  if (!date.day) return;
  structured["date"] = date.date;
  structured["date_applied"] = date.applied;
  if (!date.note.empty()) {
    structured["note"] = date.note;
    text += date.note + "\n";
  }
}

}  // namespace

namespace {

// The schema {"$ref": "#/$defs/NAME"} replaced by the definition, everywhere in value.
void ResolveReferences(boost::json::value& value, const boost::json::object& definitions) {
  if (auto* o = value.if_object()) {
    if (const auto* ref = o->if_contains("$ref"); ref && ref->is_string()) {
      std::string_view name = ref->get_string();
      name.remove_prefix(std::string_view("#/$defs/").size());
      value = definitions.at(name);
      ResolveReferences(value, definitions);
      return;
    }
    for (auto& member : *o) ResolveReferences(member.value(), definitions);
  } else if (auto* a = value.if_array()) {
    for (auto& item : *a) ResolveReferences(item, definitions);
  }
}

// A refused query as the assistant reads it: the window's message, and for a station that
// does not exist the nearest names.
[[noreturn]] void Refuse(const Refusal& refusal, data::TimetableStore& store, std::string_view from,
                         std::string_view to) {
  std::string reason = refusal.message;
  std::string_view typed;
  if (refusal.focus == query::kComboFZ) typed = from;
  if (refusal.focus == query::kComboDZ || refusal.focus == query::kComboCZ) typed = to;
  if (!typed.empty() && refusal.message.ends_with("不存在。")) {
    const auto nearest = query::NearestStationNames(store.KMPy, typed, kNearestNames);
    std::string names;
    for (const std::string& n : nearest) names += (names.empty() ? "" : "、") + n;
    reason += nearest.empty() ? "没有相近的站名；可用 find_stations 查找。"
                              : "相近的站名：" + names + "。";
  }
  throw ToolError(reason);
}

// The rows of a result grid after the query, kept when their time lies in the window and their
// train number begins with one of the classes (all when none are given).
struct Rows {
  std::vector<std::vector<std::string>> cells;  // whole grid rows
};

Rows ShownRows(const QueryAnswer& answer, int time_column, int fallback_column,
               std::optional<int> after, std::optional<int> before,
               const std::vector<std::string>& classes) {
  Rows rows;
  const query::StringGrid& g = answer.shown.grid.SGrid;
  for (int r = 0; r < answer.state.VisibleCount; ++r) {
    std::string_view time = g.Cell(time_column, r);
    if (time.empty()) time = g.Cell(fallback_column, r);
    if ((after || before) && !InWindow(timetable::ClockMinutes(time), after, before)) continue;
    if (!classes.empty()) {
      const std::string& train = g.Cell(0, r);
      const char first = train.empty() ? ' ' : text::ToUpperAscii(train[0]);
      bool wanted = false;
      for (const std::string& c : classes) {
        const char letter = c.empty() ? '\0' : text::ToUpperAscii(c[0]);
        wanted = wanted || (c.size() == 1 &&
                            (letter == first || (letter == '0' && first >= '0' && first <= '9')));
      }
      if (!wanted) continue;
    }
    std::vector<std::string> cells;
    for (int c = 0; c < query::kResultColumns; ++c) cells.push_back(g.Cell(c, r));
    rows.cells.push_back(std::move(cells));
  }
  return rows;
}

std::string RowHeader() {
  const query::HeaderSort headers = query::ResultHeaders();
  std::vector<std::string> captions;
  for (const int c : kTextColumns) {
    std::string caption = headers.PlainCaption(c);
    std::erase(caption, ' ');
    captions.push_back(caption);
  }
  return Joined(captions) + "\n";
}

std::string RowLine(const std::vector<std::string>& cells) {
  std::vector<std::string> shown;
  for (const int c : kTextColumns) shown.push_back(cells[static_cast<std::size_t>(c)]);
  return Joined(shown);
}

boost::json::object RowJson(const std::vector<std::string>& cells) {
  boost::json::object row;
  for (std::size_t c = 0; c < kRowKeys.size(); ++c) row[kRowKeys[c]] = cells[c];
  return row;
}

// A grid answer: its head, then the rows up to the limit and the length cap.
ToolResult RowsResult(std::string head, const DateEffect& date, const Rows& rows, int limit) {
  ToolResult result;
  result.text = std::move(head);
  AddDate(date, result.text, result.structured);
  std::vector<std::string> lines;
  const std::size_t listed = std::min(rows.cells.size(), static_cast<std::size_t>(limit));
  for (std::size_t i = 0; i < listed; ++i) lines.push_back(RowLine(rows.cells[i]));
  if (!rows.cells.empty()) result.text += RowHeader();
  const std::size_t kept = AppendRows(result.text, lines, rows.cells.size());
  boost::json::array json;
  for (std::size_t i = 0; i < kept; ++i) json.push_back(RowJson(rows.cells[i]));
  result.structured["total"] = rows.cells.size();
  result.structured["omitted"] = rows.cells.size() - kept;
  result.structured["rows"] = std::move(json);
  return result;
}

// The sort a call asks for, as the grid column --sort names; by departure when none is asked.
std::optional<SortRequest> SortOf(const std::optional<std::string>& asked) {
  const std::string sort = asked.value_or("depart");
  static constexpr std::array<std::pair<std::string_view, int>, 6> kColumns = {{{"depart", 5},
                                                                                {"arrive", 7},
                                                                                {"duration", 10},
                                                                                {"distance", 9},
                                                                                {"stops", 8},
                                                                                {"train", 0}}};
  for (const auto& [name, column] : kColumns) {
    if (sort == name) return SortRequest{std::to_string(column), false};
  }
  throw ToolError("参数 sort 应为 depart、arrive、duration、distance、stops 或 train，不能是“" +
                  sort + "”。");
}

}  // namespace

std::unique_ptr<SessionTables> LoadSessionTables(const TableOrigin& origin, std::ostream& err) {
  system::AdviseHugePagesForThreadHeap();  // this thread loads the smaller tables
  auto loaded = std::make_unique<SessionTables>();
  std::ostringstream problems;
  loaded->tables = std::make_unique<CommandTables>(origin, TableNeeds{}, problems, true);
  err << problems.str();
  err.flush();
  TimetableOrigin& described = loaded->origin;
  described.description = origin.timetable_file ? "--timetable " + *origin.timetable_file
                          : origin.data_dir     ? "--data " + *origin.data_dir
                                                : "内置时刻表";
  described.meta = loaded->tables->meta;
  if (loaded->tables->unusable || !loaded->tables->failures.empty()) {
    described.load_problem = problems.str();
    while (!described.load_problem.empty() && described.load_problem.back() == '\n') {
      described.load_problem.pop_back();
    }
  }
  return loaded;
}

TimetableTools::TimetableTools(std::future<std::unique_ptr<SessionTables>> loading,
                               data::Date today)
    : loading_(std::move(loading)), today_(today) {
  boost::json::value tools = boost::json::parse(ToolDefinitionsJson());
  ResolveReferences(tools, boost::json::parse(SchemaDefinitionsJson()).as_object());
  tools_ = std::move(tools.as_array());
}

TimetableTools::~TimetableTools() = default;

const boost::json::array& TimetableTools::Tools() const {
  return tools_;
}

std::optional<ToolResult> TimetableTools::Call(std::string_view name,
                                               const boost::json::object& arguments) {
  using Handler = ToolResult (TimetableTools::*)(ToolArguments&);
  static constexpr std::array<std::pair<std::string_view, Handler>, 6> kHandlers = {{
      {"find_stations", &TimetableTools::FindStations},
      {"trains_between", &TimetableTools::TrainsBetween},
      {"train", &TimetableTools::Train},
      {"station_board", &TimetableTools::StationBoard},
      {"journeys", &TimetableTools::Journeys},
      {"timetable_info", &TimetableTools::TimetableInfo},
  }};
  for (std::size_t i = 0; i < kHandlers.size(); ++i) {
    if (kHandlers[i].first != name) continue;
    if (!loaded_) {
      loaded_ = loading_.get();
      store_ = &loaded_->tables->store;
      origin_ = &loaded_->origin;
      if (origin_->load_problem.empty()) {
        building_ = std::async(std::launch::async, [store = store_] {
          system::AdviseHugePagesForThreadHeap();
          return journey::BuildNetwork(*store);
        });
      }
    }
    try {
      if (!origin_->load_problem.empty()) {
        throw ToolError("时刻表未能载入：" + origin_->load_problem);
      }
      ToolArguments a(arguments, tools_[i].as_object().at("inputSchema").as_object());
      return (this->*kHandlers[i].second)(a);
    } catch (const ToolError& e) {
      return ToolResult{e.what(), {}, true};
    }
  }
  return std::nullopt;
}

DateEffect TimetableTools::DateOf(const ToolArguments& a) const {
  return a.Date("date", today_, store_->calendar);
}

ToolResult TimetableTools::FindStations(ToolArguments& a) {
  const std::string text = a.RequiredText("text");
  const auto limit = static_cast<std::size_t>(a.Integer("limit", 1, 200, kDefaultLimit));
  const auto hits =
      query::SearchStations(store_->KMPy, store_->KMSM, text, store_->KMPy.RecordCount());
  const std::size_t shown = std::min(hits.size(), limit);
  ToolResult result;
  boost::json::array stations;
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < shown; ++i) {
    const query::StationHit& h = hits[i];
    std::string group;
    for (const std::string& s : h.group) group += (group.empty() ? "" : "、") + s;
    lines.push_back(h.name + std::string(kSeparator) + h.initials + std::string(kSeparator) +
                    h.city + std::string(kSeparator) + (group.empty() ? "-" : group));
    boost::json::array group_json;
    for (const std::string& s : h.group) group_json.emplace_back(s);
    stations.push_back(boost::json::object{{"name", h.name},
                                           {"initials", h.initials},
                                           {"city", h.city},
                                           {"group", std::move(group_json)}});
  }
  if (hits.empty()) {
    const auto nearest = query::NearestStationNames(store_->KMPy, text, kNearestNames);
    std::string names;
    for (const std::string& n : nearest) names += (names.empty() ? "" : "、") + n;
    result.text = "没有与“" + text + "”相符的车站。" +
                  (nearest.empty() ? std::string() : "相近的站名：" + names + "。") + "\n";
  } else {
    result.text = "与“" + text + "”相符的车站：共 " + std::to_string(hits.size()) +
                  " 个。\n站名 | 拼音首字母 | 城市 | 同城车站\n";
  }
  const std::size_t kept = AppendRows(result.text, lines, hits.size());
  stations.resize(kept);
  result.structured = {
      {"stations", std::move(stations)}, {"total", hits.size()}, {"omitted", hits.size() - kept}};
  return result;
}

ToolResult TimetableTools::TrainsBetween(ToolArguments& a) {
  const std::string from = a.RequiredText("from");
  const std::string to = a.RequiredText("to");
  const DateEffect date = DateOf(a);
  const std::optional<int> after = a.Clock("after");
  const std::optional<int> before = a.Clock("before");
  const std::vector<std::string> classes = a.Texts("classes");
  const auto limit = static_cast<int>(a.Integer("limit", 1, 500, kDefaultLimit));
  Options options;
  options.command = Command::Between;
  options.arguments = {from, to};
  options.sort = SortOf(a.Text("sort"));
  QueryAnswer answer;
  answer.state.Date = date.day;
  if (auto refusal = AnswerQuery(options, *store_, answer)) Refuse(*refusal, *store_, from, to);
  const Rows rows = ShownRows(answer, 5, 5, after, before, classes);
  return RowsResult(
      from + " → " + to + " 直达车次：共 " + std::to_string(rows.cells.size()) + " 趟。\n", date,
      rows, limit);
}

ToolResult TimetableTools::StationBoard(ToolArguments& a) {
  const std::string station = a.RequiredText("station");
  const DateEffect date = DateOf(a);
  const std::optional<int> after = a.Clock("after");
  const std::optional<int> before = a.Clock("before");
  const std::vector<std::string> classes = a.Texts("classes");
  const auto limit = static_cast<int>(a.Integer("limit", 1, 500, kDefaultLimit));
  Options options;
  options.command = Command::Station;
  options.arguments = {station};
  options.sort = SortOf(std::nullopt);
  QueryAnswer answer;
  answer.state.Date = date.day;
  if (auto refusal = AnswerQuery(options, *store_, answer)) Refuse(*refusal, *store_, "", station);
  // A train that ends here has no departure: its arrival places it in the window.
  const Rows rows = ShownRows(answer, 5, 7, after, before, classes);
  return RowsResult(station + " 车站车次：共 " + std::to_string(rows.cells.size()) + " 趟。\n",
                    date, rows, limit);
}

ToolResult TimetableTools::Train(ToolArguments& a) {
  const std::string number = a.RequiredText("number");
  const DateEffect date = DateOf(a);
  Options options;
  options.command = Command::Train;
  options.arguments = {number};
  QueryAnswer answer;
  answer.state.Date = date.day;
  if (auto refusal = AnswerQuery(options, *store_, answer)) {
    // A number the train list does not hold ("车次不存在。") is named in the answer.
    if (refusal->focus == query::kECC && refusal->message.ends_with("车次不存在。")) {
      throw ToolError("没有车次 " + number + "。");
    }
    Refuse(*refusal, *store_, "", "");
  }
  // A known number that does not leave its first station that day: when it runs next, as the
  // command line answers.
  if (const auto idle = query::TrainNotRunningText(*store_, answer.state, number)) {
    ToolResult result;
    AddDate(date, result.text, result.structured);
    result.text += *idle + "\n";
    result.structured["not_running"] = *idle;
    result.structured["trains"] = boost::json::array{};
    return result;
  }
  const Rows rows = ShownRows(answer, 5, 5, std::nullopt, std::nullopt, {});
  if (rows.cells.empty()) throw ToolError("没有车次 " + number + "。");
  // The train whose number (or one of its numbers) is the one asked, else the first found.
  std::size_t pick = 0;
  const std::string wanted = text::UpperAscii(query::TrimBlanks(number));
  for (std::size_t r = 0; r < rows.cells.size(); ++r) {
    const std::string id = text::UpperAscii(rows.cells[r][0]);
    std::size_t at = 0;
    bool exact = false;
    while (!exact && at <= id.size()) {
      const std::size_t slash = std::min(id.find('/', at), id.size());
      exact = id.compare(at, slash - at, wanted) == 0 && slash - at == wanted.size();
      at = slash + 1;
    }
    if (exact) {
      pick = r;
      break;
    }
  }
  const auto detail = query::ShowTrainDetail(store_->KMTrain, answer.state, answer.shown.grid.SGrid,
                                             static_cast<int>(pick));
  if (!detail) throw ToolError("车次 " + rows.cells[pick][0] + " 没有经停站资料。");
  // The running days of the version shown, as the command line's detail writes them.
  const std::string running_days = store_->calendar.KnowsRunningDays()
                                       ? "开行：" + query::RunningDaySummaryOf(*store_, detail->TableId)
                                       : std::string("开行：本时刻表没有开行日期资料。");
  ToolResult result;
  result.text = detail->Caption + "\n" + detail->LabQC + "\n" + running_days + "\n";
  AddDate(date, result.text, result.structured);
  const std::vector<std::string>& cells = rows.cells[pick];
  const query::HeaderSort headers = query::ResultHeaders();
  result.text += "全程票价：";
  for (int c = 11; c < query::kResultColumns; ++c) {
    result.text += headers.PlainCaption(c) + " " + cells[static_cast<std::size_t>(c)] +
                   (c + 1 < query::kResultColumns ? "，" : "\n");
  }
  if (rows.cells.size() > 1) {
    result.text += "同样匹配的车次：";
    for (std::size_t r = 0; r < rows.cells.size(); ++r) {
      if (r != pick) result.text += rows.cells[r][0] + (r + 1 < rows.cells.size() ? " " : "");
    }
    result.text += "\n";
  }
  result.text += Joined(report::GridCaptions(report::GridKind::Detail)) + "\n";
  std::vector<std::string> lines;
  for (int r = 0; r < detail->StopCount; ++r) {
    std::vector<std::string> stop;
    for (int c = 0; c < query::kDetailColumns; ++c) stop.push_back(detail->MGrid.Cell(c, r));
    lines.push_back(Joined(stop));
  }
  const std::size_t kept = AppendRows(result.text, lines, lines.size());
  boost::json::array stops = DetailStopsJson(*detail);
  stops.resize(kept);
  boost::json::array trains;
  for (const auto& row : rows.cells) trains.push_back(RowJson(row));
  result.structured["trains"] = std::move(trains);
  result.structured["caption"] = detail->Caption;
  result.structured["whole_run"] = detail->LabQC;
  result.structured["running_days"] = query::RunningDaySummaryOf(*store_, detail->TableId);
  result.structured["stops"] = std::move(stops);
  result.structured["total_stops"] = detail->StopCount;
  result.structured["omitted"] = static_cast<std::size_t>(detail->StopCount) - kept;
  return result;
}

ToolResult TimetableTools::Journeys(ToolArguments& a) {
  const std::string from = a.RequiredText("from");
  const std::string to = a.RequiredText("to");
  const DateEffect date = DateOf(a);
  journey::Request request;
  request.after = a.Clock("after").value_or(request.after);
  request.before = a.Clock("before").value_or(request.before);
  request.max_changes = static_cast<std::int32_t>(a.Integer("max_changes", 0, 2, 2));
  request.min_change =
      static_cast<std::int32_t>(a.Integer("min_change", 0, 1440, request.min_change));
  const auto limit = static_cast<std::size_t>(a.Integer("limit", 1, 500, kDefaultLimit));
  // The stations are checked as the 查询 button checks them, as the command line does.
  const query::InputCheck check = query::CheckThroughQuery(from, to, *store_);
  if (check.verdict == query::CheckVerdict::ShowMessage) {
    Refuse(Refusal{kExitRefused, check.message.caption + ": " + check.message.text,
                   check.message.focus},
           *store_, from, to);
  }
  if (!planner_) {
    if (building_.valid()) network_ = building_.get();
    if (!network_) throw ToolError("时刻表未能载入：换乘网络无法建立。");
    planner_ = std::make_unique<journey::Planner>(*network_);
  }
  request.date = date.day;
  journey::SetEndpoints(store_->KMSM, from, to, request);
  // The journeys the command line lists by default (the slow ones left out).
  const std::vector<journey::Journey> found =
      journey::WithoutSlowJourneys(planner_->Find(request));
  ToolResult result;
  result.text = from + " → " + to + " 行程（最多换乘 " + std::to_string(request.max_changes) +
                " 次）：共 " + std::to_string(found.size()) + " 个。\n";
  AddDate(date, result.text, result.structured);
  if (!found.empty()) result.text += Joined(JourneyCaptions()) + "\n";
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < found.size() && i < limit; ++i) {
    lines.push_back(Joined(JourneyCells(found[i])));
  }
  const std::size_t kept = AppendRows(result.text, lines, found.size());
  boost::json::array journeys;
  for (std::size_t i = 0; i < kept; ++i) journeys.push_back(JourneyJson(found[i]));
  result.structured["total"] = found.size();
  result.structured["omitted"] = found.size() - kept;
  result.structured["journeys"] = std::move(journeys);
  return result;
}

ToolResult TimetableTools::TimetableInfo(ToolArguments&) {
  ToolResult result;
  const auto count = [](const data::MemTable& t, bool ready) {
    return static_cast<std::int64_t>(ready ? t.RecordCount() : 0);
  };
  const std::int64_t trains = count(store_->KMList, store_->KMListReady);
  const std::int64_t stops = count(store_->KMTrain, store_->KMTrainReady);
  const std::int64_t stations = count(store_->KMPy, store_->KMPyReady);
  boost::json::object& s = result.structured;
  s["name"] = origin_->meta ? origin_->meta->name : "内置时刻表";
  s["origin"] = origin_->description;
  std::string text = "时刻表：" + std::string(s["name"].as_string()) + "\n";
  // The period the calendar covers is the one every date argument is checked against.
  const data::Calendar& calendar = store_->calendar;
  if (const std::optional<data::Period>& period = calendar.period()) {
    s["period"] = {{"first", data::IsoDateText(period->first)},
                   {"last", data::IsoDateText(period->Last())}};
    text += "有效期：" + PeriodText(*period) +
            (calendar.KnowsRunningDays() ? "（含各车次开行日期；日期参数须在此期间内）\n"
                                         : "（每日开行，没有开行日期资料）\n");
  }
  s["running_days"] = calendar.KnowsRunningDays();
  if (origin_->meta) {
    s["source"] = origin_->meta->source;
    s["made"] = origin_->meta->made;
    text += "来源：" + origin_->meta->source + "\n制作：" + origin_->meta->made + "\n";
  }
  s["trains"] = trains;
  s["stops"] = stops;
  s["stations"] = stations;
  text += "载入自：" + origin_->description + "\n车次 " + std::to_string(trains) + "，经停 " +
          std::to_string(stops) + "，车站 " + std::to_string(stations) + "\n";
  result.text = std::move(text);
  return result;
}

}  // namespace lanzhou::cli::mcp
