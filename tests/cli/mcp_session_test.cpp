// lanzhou-query mcp: the real binary on pipes through a whole session, its tool answers set
// against the command line's own answers to the same questions, and bad input of every kind
// answered without ending the session.
#include <gtest/gtest.h>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <map>
#include <optional>
#include <sstream>

#include "cli/child_pipes.h"
#include "cli/query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

namespace json = boost::json;

// Checks that value has the shape schema describes, with the parts of JSON Schema the tools'
// output schemas use: type (one or a list), properties, required, items.
void ExpectConforms(const json::value& value, const json::value& schema, const std::string& path) {
  const json::object& s = schema.as_object();
  if (const json::value* type = s.if_contains("type")) {
    const auto is = [&value](std::string_view t) {
      return (t == "object" && value.is_object()) || (t == "array" && value.is_array()) ||
             (t == "string" && value.is_string()) || (t == "boolean" && value.is_bool()) ||
             (t == "integer" && (value.is_int64() || value.is_uint64())) ||
             (t == "null" && value.is_null());
    };
    bool matches = false;
    if (type->is_string()) {
      matches = is(type->as_string());
    } else {
      for (const json::value& t : type->as_array()) matches = matches || is(t.as_string());
    }
    EXPECT_TRUE(matches) << path << " is not of type " << json::serialize(*type);
    if (!matches) return;
  }
  if (const json::object* o = value.if_object()) {
    if (const json::value* properties = s.if_contains("properties")) {
      for (const auto& member : *o) {
        if (const json::value* p = properties->as_object().if_contains(member.key())) {
          ExpectConforms(member.value(), *p, path + "." + std::string(member.key()));
        }
      }
    }
    if (const json::value* required = s.if_contains("required")) {
      for (const json::value& key : required->as_array()) {
        EXPECT_TRUE(o->contains(key.as_string())) << path << " lacks " << key;
      }
    }
  }
  if (const json::array* a = value.if_array(); a && s.contains("items")) {
    for (std::size_t i = 0; i < a->size(); ++i) {
      ExpectConforms((*a)[i], s.at("items"), path + "[" + std::to_string(i) + "]");
    }
  }
}

// One server on the fixture timetable, spoken to a request at a time.
class Server {
 public:
  explicit Server(std::vector<std::string> options = {"--data", PlainDataDir()})
      : child_(LANZHOU_QUERY_BINARY, Words(std::move(options))) {}

  // Sends a line; returns the answer line parsed (null when none came).
  json::value Ask(const std::string& line) {
    EXPECT_TRUE(child_.Send(line));
    const auto answer = child_.Receive();
    if (!answer) return nullptr;
    // Every line on standard output is one JSON-RPC message.
    json::value v = json::parse(*answer);
    EXPECT_EQ(v.at("jsonrpc"), "2.0") << *answer;
    return v;
  }
  json::value Request(int id, std::string_view method, json::object params = {}) {
    return Ask(json::serialize(json::object{
        {"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}}));
  }
  // A tools/call's result object; its structured content is checked against the tool's output
  // schema once the tools were listed.
  json::object Call(std::string_view tool, json::object arguments) {
    json::value answer = Request(++id_, "tools/call", {{"name", tool}, {"arguments", arguments}});
    EXPECT_TRUE(answer.as_object().contains("result")) << json::serialize(answer);
    const json::object& result = answer.at("result").as_object();
    const auto schema = output_schemas_.find(std::string(tool));
    if (schema != output_schemas_.end() && result.contains("structuredContent")) {
      ExpectConforms(result.at("structuredContent"), schema->second, std::string(tool));
      ++conforming_;
    }
    return result;
  }
  void KeepOutputSchemas(const json::array& tools) {
    for (const json::value& tool : tools) {
      output_schemas_[std::string(tool.at("name").as_string())] = tool.at("outputSchema");
    }
  }
  // Answers checked against their schema so far.
  [[nodiscard]] int Conforming() const { return conforming_; }
  int Close() { return child_.Wait(); }
  lanzhou::testing::ChildPipes& Child() { return child_; }

 private:
  static std::vector<std::string> Words(std::vector<std::string> options) {
    options.insert(options.begin(), "mcp");
    return options;
  }
  lanzhou::testing::ChildPipes child_;
  int id_ = 100;
  std::map<std::string, json::value> output_schemas_;
  int conforming_ = 0;
};

std::string Text(const json::object& result) {
  return std::string(result.at("content").at(0).at("text").as_string());
}

// The rows of a command line's csv answer: the lines after the export head and the captions.
// On the fixture tables, or the built-in ones.
std::vector<std::string> CsvRows(const std::vector<std::string>& words, bool on_fixtures = true) {
  const RunResult r = RunQuery(on_fixtures ? OnFixtures(words) : words);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  constexpr std::size_t kHeadLines = 7;
  if (lines.size() < kHeadLines) {
    ADD_FAILURE() << r.out;
    return {};
  }
  EXPECT_TRUE(lines[kHeadLines - 1].starts_with("车次,"));
  lines.erase(lines.begin(), lines.begin() + kHeadLines);
  return lines;
}

// A structured row's cells in grid order, joined as the export joins them.
std::string CsvOf(const json::value& row) {
  std::string line;
  for (const auto& member : row.as_object()) {
    line += (line.empty() ? "" : ",") + std::string(member.value().as_string());
  }
  return line;
}

json::value CliJson(const std::vector<std::string>& words, bool on_fixtures = true) {
  const RunResult r = RunQuery(on_fixtures ? OnFixtures(words) : words);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return json::parse(r.out);
}

TEST(cli_mcp_session, WholeSessionMatchesTheCommandLine) {
  Server server;
  ASSERT_TRUE(server.Child().Started());
  const json::value init = server.Request(1, "initialize",
                                          {{"protocolVersion", "2025-06-18"},
                                           {"capabilities", json::object{}},
                                           {"clientInfo", {{"name", "test"}, {"version", "1"}}}});
  EXPECT_EQ(init.at("id"), 1);
  EXPECT_EQ(init.at("result").at("protocolVersion"), "2025-06-18");
  EXPECT_TRUE(init.at("result").at("capabilities").as_object().contains("tools"));
  // A notification has no answer: the next line answers the next request.
  ASSERT_TRUE(server.Child().Send(R"({"jsonrpc":"2.0","method":"notifications/initialized"})"));

  const json::value list = server.Request(2, "tools/list");
  EXPECT_EQ(list.at("id"), 2);
  std::vector<std::string> names;
  for (const json::value& tool : list.at("result").at("tools").as_array()) {
    names.emplace_back(tool.at("name").as_string());
    EXPECT_EQ(tool.at("inputSchema").at("type"), "object");
    EXPECT_EQ(tool.at("outputSchema").at("type"), "object") << names.back();
    // No reference is left for the client to resolve.
    EXPECT_EQ(json::serialize(tool).find("$ref"), std::string::npos) << names.back();
  }
  EXPECT_EQ(names, (std::vector<std::string>{"find_stations", "trains_between", "train",
                                             "station_board", "journeys", "timetable_info"}));
  server.KeepOutputSchemas(list.at("result").at("tools").as_array());

  {  // find_stations by initials lists what the completion lists, with the city groups.
    const json::object r = server.Call("find_stations", {{"text", "bj"}});
    EXPECT_FALSE(r.at("isError").as_bool());
    const RunResult complete = RunQuery(OnFixtures({"complete", "BJ"}));
    std::string found;
    for (const json::value& s : r.at("structuredContent").at("stations").as_array()) {
      found += std::string(s.at("name").as_string()) + "\n";
      EXPECT_EQ(s.at("city"), "北京");
      EXPECT_EQ(s.at("group").as_array().size(), 5u);
    }
    EXPECT_EQ(found, complete.out);
  }
  {  // trains_between: the rows are the grid's rows, cell for cell.
    const json::object r = server.Call("trains_between", {{"from", "北京"}, {"to", "上海"}});
    const json::array& rows = r.at("structuredContent").at("rows").as_array();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(CsvOf(rows[0]),
              CsvRows({"between", "北京", "上海", "--sort", "发时", "--format", "csv"}).at(0));
    EXPECT_EQ(Text(r),
              "北京 → 上海 直达车次：共 1 趟。\n"
              "车次 | 始发站 | 终到站 | 发站 | 发时 | 到站 | 到时 | 历时 | 停站 | 里程 | 硬座 | "
              "软座 | 硬卧上/中/下 | 软卧上/下\n"
              "G1 | 北京 | 上海 | 北京南 | 09:00 | 上海虹桥 | 13:48 | 4:48 | 3 | 1318 | 555 | 935 "
              "| - | -\n");
  }
  {  // station_board: the same rows as the station query, by departure.
    const json::object r = server.Call("station_board", {{"station", "北京"}});
    const json::array& rows = r.at("structuredContent").at("rows").as_array();
    const std::int64_t total = r.at("structuredContent").at("total").as_int64();
    ASSERT_GT(total, 3);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(total));
    const auto cli = CsvRows({"station", "北京", "--sort", "发时", "--format", "csv"});
    ASSERT_EQ(cli.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(CsvOf(rows[i]), cli[i]) << i;
    // A window keeps the rows departing in it (or arriving, for trains that end here).
    const json::object early = server.Call(
        "station_board", {{"station", "北京"}, {"after", "06:00"}, {"before", "08:00"}});
    const json::array& kept = early.at("structuredContent").at("rows").as_array();
    std::size_t expected = 0;
    for (const json::value& row : rows) {
      const json::string& depart = row.at("depart").as_string();
      const std::string time(depart.empty() ? row.at("arrive").as_string() : depart);
      expected += time >= "06:00" && time <= "08:00";
    }
    EXPECT_EQ(kept.size(), expected);
    EXPECT_GT(expected, 0u);
    EXPECT_LT(expected, rows.size());
    // Train letters C, D and G keep what the 仅动车 box keeps; "0" the numbers without a letter.
    struct ClassCase {
      json::array classes;
      std::vector<std::string> filter;
    };
    const std::vector<ClassCase> class_cases = {
        {{"c", "D", "G"}, {"--filter", "dc"}},
        {{"G"}, {}},
        {{"0", "K"}, {}},
    };
    std::size_t seen = 0;
    for (const ClassCase& c : class_cases) {
      const json::object only =
          server.Call("station_board", {{"station", "北京"}, {"classes", c.classes}});
      const json::array& picked = only.at("structuredContent").at("rows").as_array();
      std::vector<std::string> expected_rows;
      if (!c.filter.empty()) {
        std::vector<std::string> words = {"station", "北京", "--sort", "发时", "--format", "csv"};
        words.insert(words.end(), c.filter.begin(), c.filter.end());
        expected_rows = CsvRows(words);
      } else {
        // The rows of the whole board whose train number starts so, in the board's order.
        for (const json::value& row : rows) {
          const char first = row.at("train").as_string()[0];
          for (const json::value& cls : c.classes) {
            const char letter = cls.as_string()[0];
            if (first == letter || (letter == '0' && first >= '0' && first <= '9'))
              expected_rows.push_back(CsvOf(row));
          }
        }
      }
      ASSERT_EQ(picked.size(), expected_rows.size()) << json::serialize(c.classes);
      for (std::size_t i = 0; i < picked.size(); ++i) EXPECT_EQ(CsvOf(picked[i]), expected_rows[i]);
      seen += picked.size();
    }
    EXPECT_GT(seen, 3u);
  }
  {  // train: the stops of the detail, as the command line's detail writes them.
    const json::object r = server.Call("train", {{"number", "1112"}});
    const json::value cli = CliJson({"detail", "--row", "0", "train", "1112", "--format", "json"});
    EXPECT_EQ(r.at("structuredContent").at("stops"), cli.at("Stops"));
    EXPECT_EQ(r.at("structuredContent").at("caption"), cli.at("Caption"));
    EXPECT_NE(Text(r).find("车次:1112/1113\n"), std::string::npos) << Text(r);
    EXPECT_NE(Text(r).find("开行日期"), std::string::npos);
  }
  {  // journeys: the planner's journeys as the journeys command writes them.
    const json::object r = server.Call("journeys", {{"from", "武汉"}, {"to", "上海"}});
    const json::value cli = CliJson({"journeys", "武汉", "上海", "--format", "json"});
    ASSERT_FALSE(cli.as_array().empty());
    EXPECT_EQ(r.at("structuredContent").at("journeys"), cli);
    // A date on tables without running days: every train, the legs dated as the command line
    // dates them, and the answer says the day could not be checked.
    const json::object one = server.Call(
        "journeys", {{"from", "武汉"}, {"to", "上海"}, {"limit", 1}, {"date", "2024-07-06"}});
    const json::value dated =
        CliJson({"journeys", "武汉", "上海", "--date", "2024-07-06", "--format", "json"});
    ASSERT_EQ(dated.as_array().size(), cli.as_array().size());
    EXPECT_EQ(one.at("structuredContent").at("journeys"), json::array{dated.as_array()[0]});
    EXPECT_EQ(one.at("structuredContent").at("omitted").as_int64(),
              static_cast<std::int64_t>(cli.as_array().size()) - 1);
    EXPECT_EQ(one.at("structuredContent").at("date_applied"), false);
    EXPECT_NE(Text(one).find("日期 2024-07-06 未能核实"), std::string::npos) << Text(one);
    // The slow journeys are left out as on the command line; any beyond the limit are counted.
    if (cli.as_array().size() > 1) {
      EXPECT_NE(Text(one).find("另有 " + std::to_string(cli.as_array().size() - 1) + " 行未列出"),
                std::string::npos);
    }
  }
  {  // timetable_info counts what info counts.
    const json::object r = server.Call("timetable_info", {});
    const json::value info = CliJson({"info", "--format", "json"});
    std::map<std::string, std::int64_t> records;
    for (const json::value& t : info.as_array()) {
      records[std::string(t.at("Table").as_string())] = t.at("Records").as_int64();
    }
    const json::value& s = r.at("structuredContent");
    EXPECT_EQ(s.at("trains").as_int64(), records["KMList"]);
    EXPECT_EQ(s.at("stops").as_int64(), records["KMTrain"]);
    EXPECT_EQ(s.at("stations").as_int64(), records["KMPy"]);
  }

  // Bad input: a tool error, or a JSON-RPC error; the session goes on after each.
  struct BadCall {
    std::string line;
    int error_code;           // 0: a tool result with isError
    std::string_view reason;  // in the tool's text or the error's message
  };
  const std::string huge = R"({"jsonrpc":"2.0","id":50,"method":"ping","params":{"x":")" +
                           std::string(std::size_t{1} << 20, 'a') + "\"}}";
  const std::vector<BadCall> bad = {
      {R"({"jsonrpc":"2.0","id":40,"method":"tools/call","params":{"name":"trains_between","arguments":{"from":"北京京","to":"上海"}}})",
       0, "发站不存在。相近的站名：北京"},
      {R"({"jsonrpc":"2.0","id":41,"method":"tools/call","params":{"name":"station_board","arguments":{"station":"火星"}}})",
       0, "车站不存在。没有相近的站名"},
      {R"({"jsonrpc":"2.0","id":42,"method":"tools/call","params":{"name":"trains_between","arguments":{"from":"北京","to":"上海","after":"25:00"}}})",
       0, "时间格式错误：after 为“25:00”"},
      {R"({"jsonrpc":"2.0","id":43,"method":"tools/call","params":{"name":"train","arguments":{"number":"G1","date":"2024-02-30"}}})",
       0, "日期格式错误：“2024-02-30”"},
      {R"({"jsonrpc":"2.0","id":44,"method":"tools/call","params":{"name":"journeys","arguments":{"from":"武汉","to":"上海","max_changes":3}}})",
       0, "参数 max_changes 应在 0 至 2 之间"},
      {R"({"jsonrpc":"2.0","id":45,"method":"tools/call","params":{"name":"journeys","arguments":{"from":"武汉","too":"上海"}}})",
       0, "未知参数：too"},
      {R"({"jsonrpc":"2.0","id":46,"method":"tools/call","params":{"name":"train","arguments":{"number":"X9999"}}})",
       0, "X9999"},
      {R"({"jsonrpc":"2.0","id":47,"method":"tools/call","params":{"name":"no_such_tool","arguments":{}}})",
       -32602, "unknown tool"},
      {R"({"jsonrpc":"2.0","id":48,"method":"resources/list"})", -32601, "method not found"},
      {R"({"jsonrpc":"2.0","id":49,"method":"tools/call","params":)", -32700, "parse error"},
      {R"([{"jsonrpc":"2.0","id":1,"method":"ping"}])", -32600, "JSON-RPC object"},
      {huge, -32600, "1 MiB"},
  };
  for (const BadCall& b : bad) {
    const json::value answer = server.Ask(b.line);
    ASSERT_TRUE(answer.is_object()) << b.line.substr(0, 200);
    if (b.error_code == 0) {
      const json::object& result = answer.at("result").as_object();
      EXPECT_TRUE(result.at("isError").as_bool()) << b.reason;
      EXPECT_FALSE(result.contains("structuredContent"));
      EXPECT_NE(Text(result).find(b.reason), std::string::npos) << Text(result);
    } else {
      EXPECT_EQ(answer.at("error").at("code"), b.error_code) << b.reason;
      EXPECT_NE(std::string(answer.at("error").at("message").as_string()).find(b.reason),
                std::string::npos)
          << answer;
    }
  }

  EXPECT_EQ(server.Conforming(), 11);  // every successful call above, against its schema
  const json::value pong = server.Request(60, "ping");
  EXPECT_EQ(pong.at("id"), 60);
  EXPECT_EQ(pong.at("result"), json::object{});
  EXPECT_EQ(server.Close(), 0);  // the end of input ends the server, and well
}

#ifdef LANZHOU_HAVE_TIMETABLE
// The built-in sample knows running days (2024-07-01..2024-08-31; D1197 runs on Fridays and
// Sundays): a dated answer is the command line's for the same --date.
TEST(cli_mcp_session, DatedAnswersAreTheCommandLinesForThatDay) {
  Server server(std::vector<std::string>{});
  EXPECT_NE(Text(server.Call("timetable_info", {})).find("有效期：2024-07-01 至 2024-08-31"),
            std::string::npos);
  // Without a date: the period's first day (this machine's today lies outside 2024), a Monday.
  for (const std::string date : {"2024-07-05", "2024-07-08", ""}) {
    json::object arguments{{"from", "吉安"}, {"to", "福田"}, {"limit", 500}};
    std::vector<std::string> words = {"between", "吉安", "福田", "--sort", "发时", "--format", "csv"};
    if (!date.empty()) {
      arguments["date"] = date;
      words.insert(words.end(), {"--date", date});
    }
    const json::object r = server.Call("trains_between", arguments);
    const json::array& rows = r.at("structuredContent").at("rows").as_array();
    std::string mcp;
    for (const json::value& row : rows) mcp += CsvOf(row) + "\n";
    std::string cli;
    for (const std::string& row : CsvRows(words, false)) cli += row + "\n";
    EXPECT_EQ(mcp, cli) << date;
    EXPECT_EQ(mcp.find("D1197,") != std::string::npos, date == "2024-07-05") << date;
    EXPECT_NE(Text(r).find(date.empty() ? "未给日期：按 2024-07-01 作答" : "按 " + date + " 作答"),
              std::string::npos);
  }
  const json::object friday = server.Call("train", {{"number", "D1197"}, {"date", "2024-07-05"}});
  const json::value detail =
      CliJson({"--date", "2024-07-05", "detail", "--row", "0", "train", "D1197", "--format", "json"}, false);
  EXPECT_EQ(friday.at("structuredContent").at("stops"), detail.at("Stops"));
  EXPECT_EQ(friday.at("structuredContent").at("running_days"), detail.at("RunningDays"));
  const json::object monday = server.Call("train", {{"number", "D1197"}, {"date", "2024-07-08"}});
  EXPECT_EQ(monday.at("structuredContent").at("not_running"),
            CliJson({"--date", "2024-07-08", "train", "D1197", "--format", "json"}, false).at("NotRunning"));
  // Journeys of two days differ, each the command line's for its day (every leg dated).
  std::vector<json::value> days;
  for (const std::string date : {"2024-07-05", "2024-07-08"}) {
    const json::object r =
        server.Call("journeys", {{"from", "吉安"}, {"to", "深圳"}, {"date", date}, {"limit", 500}});
    days.push_back(CliJson({"journeys", "吉安", "深圳", "--date", date, "--format", "json"}, false));
    EXPECT_EQ(r.at("structuredContent").at("journeys"), days.back()) << date;
  }
  EXPECT_NE(days[0], days[1]);
  const json::object outside =
      server.Call("journeys", {{"from", "吉安"}, {"to", "深圳"}, {"date", "2024-09-01"}});
  EXPECT_TRUE(outside.at("isError").as_bool());
  EXPECT_EQ(Text(outside), "日期 2024-09-01 不在本时刻表的有效期 2024-07-01 至 2024-08-31 之内。");
  EXPECT_EQ(server.Close(), 0);
}
#endif

TEST(cli_mcp_session, TimetableFileAndLoadFailures) {
  {  // A timetable file: timetable_info tells its name and day.
    Server server({"--timetable", TimetableFileOfFixtures()});
    const json::object r = server.Call("timetable_info", {});
    EXPECT_FALSE(r.at("isError").as_bool());
    EXPECT_EQ(r.at("structuredContent").at("period").at("first"),
              r.at("structuredContent").at("period").at("last"));
    EXPECT_NE(Text(r).find("载入自：--timetable "), std::string::npos) << Text(r);
  }
  {  // No tables: the server still speaks, and every tool says why it cannot answer.
    Server server({"--data", "/nonexistent-folder"});
    EXPECT_EQ(server.Request(1, "ping").at("result"), json::object{});
    const json::object r = server.Call("trains_between", {{"from", "北京"}, {"to", "上海"}});
    EXPECT_TRUE(r.at("isError").as_bool());
    EXPECT_NE(Text(r).find("时刻表未能载入"), std::string::npos) << Text(r);
    EXPECT_EQ(server.Close(), 0);
  }
  // A wrong command line is refused before anything is served.
  EXPECT_EQ(RunQuery({"mcp", "--format", "json"}).exit_code, 2);
  EXPECT_EQ(RunQuery({"mcp", "extra"}).exit_code, 2);
}

}  // namespace
}  // namespace lanzhou::cli::testing
