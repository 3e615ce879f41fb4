#include "cli/options.h"

#include <array>
#include <charconv>
#include <limits>
#include <utility>

#include "cli/command_words.h"
#include "text/ascii.h"

namespace lanzhou::cli {

namespace {

struct CommandInfo {
  std::string_view name;
  Command command;
  int argument_count;
  std::string_view arguments;  // for messages
};

constexpr std::array<CommandInfo, 6> kCommands = {{
    {"between", Command::Between, 2, "FROM TO"},
    {"transfer", Command::Transfer, 2, "FROM TO"},
    {"train", Command::Train, 1, "NUMBER"},
    {"station", Command::Station, 1, "NAME"},
    {"complete", Command::Complete, 1, "LETTERS"},
    {"info", Command::Info, 0, ""},
}};

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& info : kCommands) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Adds the boxes of "sf,zd,jq,dc" (any of them, any order) to filters; false for anything else.
bool AddFilters(std::string_view list, query::ResultFilters& filters) {
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string item = Lower(list.substr(0, comma));
    if (item == "sf") {
      filters.CBSF = true;
    } else if (item == "zd") {
      filters.CBZD = true;
    } else if (item == "jq") {
      filters.CBJQ = true;
    } else if (item == "dc") {
      filters.CBDC = true;
    } else {
      return false;
    }
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

std::optional<SortRequest> ParseSort(std::string_view text) {
  SortRequest sort;
  const std::size_t colon = text.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string direction = Lower(text.substr(colon + 1));
    if (direction == "desc") {
      sort.descending = true;
    } else if (direction != "asc") {
      return std::nullopt;
    }
    text = text.substr(0, colon);
  }
  if (text.empty()) return std::nullopt;
  sort.column = std::string(text);
  return sort;
}

std::optional<int> ParseRow(std::string_view text) {
  std::int64_t value = 0;
  if (!text::ParseDecimalIn(text, 0, std::numeric_limits<int>::max(), value)) return std::nullopt;
  return static_cast<int>(value);
}

UsageError Usage(std::string message) {
  return UsageError{std::move(message)};
}

}  // namespace

bool IsQueryCommand(Command command) {
  return command == Command::Between || command == Command::Transfer || command == Command::Train ||
         command == Command::Station;
}

ParseResult ParseArguments(const std::vector<std::string>& words) {
  Options options;
  bool sort_or_filter_given = false;
  constexpr std::array<std::string_view, 8> kValued = {
      "--filter", "--sort", "--format", "--data", "--timetable", "--via", "--row", "--date"};
  auto split = SplitCommandWords(words, kValued);
  if (const auto* help = std::get_if<HelpRequest>(&split)) return *help;
  if (const auto* usage = std::get_if<UsageError>(&split)) return *usage;
  std::vector<std::string>& positional = std::get<CommandWords>(split).positional;
  for (const OptionValue& option : std::get<CommandWords>(split).options) {
    const std::string& name = option.name;
    const std::string* value = &option.value;
    if (name == "--filter") {
      if (!AddFilters(*value, options.filters)) {
        return Usage("--filter takes sf, zd, jq and dc separated by commas, not '" + *value + "'");
      }
      sort_or_filter_given = true;
    } else if (name == "--sort") {
      options.sort = ParseSort(*value);
      if (!options.sort) return Usage("--sort takes COLUMN or COLUMN:desc, not '" + *value + "'");
      sort_or_filter_given = true;
    } else if (name == "--format") {
      const auto format = ParseFormat(*value);
      if (!format) return Usage("--format takes table, csv or json, not '" + *value + "'");
      options.format = *format;
    } else if (name == "--data") {
      if (value->empty()) return Usage("--data needs a folder");
      options.data_dir = *value;
    } else if (name == "--timetable") {
      if (value->empty()) return Usage("--timetable needs a timetable file");
      options.timetable_file = *value;
    } else if (name == "--date") {
      options.date = *value;
    } else if (name == "--via") {
      if (value->empty()) return Usage("--via needs a transfer station");
      options.via = *value;
    } else {  // --row
      options.detail_row = ParseRow(*value);
      if (!options.detail_row)
        return Usage("--row takes a row number from 0, not '" + *value + "'");
    }
  }

  if (options.data_dir && options.timetable_file) {
    return Usage("--data and --timetable both name the tables; give one");
  }
  if (positional.empty()) return Usage("no command given");
  std::size_t at = 0;
  const bool detail = positional[0] == "detail";
  if (detail) {
    if (!options.detail_row) return Usage("detail needs --row N");
    if (positional.size() < 2)
      return Usage("detail needs a query: between, transfer, train or station");
    at = 1;
  } else if (options.detail_row) {
    return Usage("--row belongs to detail");
  }
  const CommandInfo* info = FindCommand(positional[at]);
  if (!info) return Usage("unknown command '" + positional[at] + "'");
  options.command = info->command;
  options.arguments.assign(positional.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                           positional.end());
  if (static_cast<int>(options.arguments.size()) != info->argument_count) {
    std::string expected(info->name);
    if (!info->arguments.empty()) expected += " " + std::string(info->arguments);
    return Usage("usage: " + std::string(detail ? "detail --row N " : "") + expected);
  }
  if (detail && !IsQueryCommand(options.command)) {
    return Usage("detail needs a query: between, transfer, train or station");
  }
  if (options.via && options.command != Command::Transfer)
    return Usage("--via belongs to transfer");
  if (detail && options.command == Command::Transfer && !options.via) {
    return Usage("detail of a transfer needs --via STATION: the chooser's rows are no trains");
  }
  if (options.date && !IsQueryCommand(options.command)) {
    return Usage("--date belongs to between, transfer, train, station and journeys");
  }
  if (sort_or_filter_given && !IsQueryCommand(options.command)) {
    return Usage("--filter and --sort belong to between, transfer, train and station");
  }
  if (options.filters.CBSF || options.filters.CBZD || options.filters.CBJQ ||
      options.filters.CBDC) {
    if (options.command == Command::Transfer && !options.via) {
      return Usage("--filter applies to the legs of a transfer (--via), not to the chooser");
    }
  }
  return options;
}

std::string HelpText() {
  return R"(Usage: lanzhou-query [OPTIONS] COMMAND ARGUMENTS

Looks up the railway timetable built into 岚舟时刻, from a terminal or a script. Output is
UTF-8.

Commands:
  between FROM TO            trains from station FROM to station TO (站站查询); a name
                             stands for all stations of its city unless both names are of
                             one city
  transfer FROM TO           the transfer stations offered for FROM -> TO, listed and sorted
                             by name as the chooser opens (中转)
  transfer FROM TO --via S   the trains of both legs through transfer station S (one of
                             the stations listed by the command above): first legs, then
                             second legs
  train NUMBER               the train number query (车次查询): "1112" also finds
                             "1112/1113"
  station NAME               all trains calling at the station or its city (车站全部车次查询)
  detail --row N QUERY       the stops of the train in shown row N (from 0) of QUERY, one of
                             the four above with its own options; e.g.
                               lanzhou-query detail --row 0 between 北京 上海
  journeys FROM TO           journeys with up to two changes of train that really connect
                             (waits, day markers +1天, fares), Pareto-optimal over later
                             departure, earlier arrival and fewer changes; its options:
      --after HH:MM --before HH:MM   departure window of the first train (whole day)
      --max-changes N        0, 1 or 2 (2)
      --min-change MIN       at the same station (30)
      --min-change-city MIN  to another station of the city (90)
      --max-wait MIN         longest wait at a change, 0 = no limit (720)
      --all                  also the journeys taking longer than 1.5 times the fastest
                             plus 3 hours (left out by default)
      --sort 出发|到达|历时|换乘[:desc]   --limit N
                             --format as below (json: see docs/journeys.md)
  mcp                        serve the timetable to an AI assistant: the Model Context
                             Protocol (2025-06-18) on standard input and output, one JSON-RPC
                             message a line; tools find_stations, trains_between, train,
                             station_board, journeys, timetable_info; takes --data or
                             --timetable only
  diagram FROM TO -o FILE    the train diagram (运行图) of the line between the stations, as
                             FILE.svg, FILE.pdf (A3 landscape) or FILE.png; its options:
      --after HH:MM --before HH:MM   the time shown (the whole day)
      --classes G,D,C,Z,T,K,其他      the classes drawn (all)
      --date YYYY-MM-DD      the day whose trains are drawn, as --date below
  complete LETTERS           the stations whose pinyin initials begin with LETTERS, one a
                             line, in the order of the initials table
  info                       record counts and ready state of the four tables

Options:
  --filter sf,zd,jq,dc       show only rows passing the checked boxes: sf 始发车, zd 终到车,
                             jq 精确站名, dc 仅动车 (any of them)
  --sort COLUMN[:desc]       sort the shown rows by a column, given by its caption (车次,
                             始发站, 里程, ...; for the chooser 中转站, 总里程, ...) or by its
                             index from 0; ascending unless :desc
  --format table|csv|json    table (default): aligned columns and the 结果: count;
                             csv: the lines of the grid's export file (UTF-8, no quoting);
                             json: one object per row, keys the result row's 36 fields
                             (TrainId ... FareSoftSleeper), or the chooser's 9 (Name ...
                             ToTrains); integers as numbers
  --data DIR                 read the tables from DIR/STRAIN, DIR/SLIST, DIR/SM and DIR/SPY
                             (any letter case, or with .txt as the timetable builder names them)
                             (table text, plain GBK or packed: 4-byte size + zlib) instead
                             of the built-in ones
  --timetable FILE           read the tables from a timetable file (made by lanzhou-timetable)
                             instead of the built-in ones
  --date YYYY-MM-DD          the day of travel: only the trains that call on that day (a
                             train that left its first station the evening before counts
                             on the day it arrives); without it, today when the timetable
                             covers today, else the first day of its period, named on
                             standard error. train also shows each train's running days
                             (开行) and, when the number does not run that day, says so
                             with its next running day
  -h, --help                 this text

Exit status:
  0  the answer was written (an empty answer too)
  2  the input was refused: the window's message (caption: text) goes to standard error,
     e.g. "信息不完整: 请输入发站。"; or the command line is wrong, or --date is not a date
     of the timetable's period
  3  a table could not be loaded: the reader's message goes to standard error
  1  anything else
)";
}

}  // namespace lanzhou::cli
