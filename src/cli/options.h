#pragma once
// The command line of lanzhou-query: what to ask, how to filter and sort the answer, how to
// write it and where the tables come from. Parsing is pure so that it can be tested without
// running a query.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "query/show_results.h"

namespace lanzhou::cli {

// Exit codes: the answer was written; the input was refused (a window message or a bad command
// line); the tables could not be loaded. 1 is left for anything unexpected.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitRefused = 2;
inline constexpr int kExitLoadFailed = 3;

enum class Command {
  Between,   // between FROM TO: the station-to-station query
  Transfer,  // transfer FROM TO [--via STATION]: the chooser's stations, or the legs through one
  Train,     // train NUMBER
  Station,   // station NAME
  Complete,  // complete LETTERS: the initials completion list
  Info,      // info: record counts and ready state of the four tables
};

enum class OutputFormat { Table, Csv, Json };

// --sort COLUMN[:desc]: the column as written (a caption or a 0-based index); it is resolved
// against the grid the query fills, the result grid or the chooser's.
struct SortRequest {
  std::string column;
  bool descending = false;
};

struct Options {
  Command command = Command::Info;
  std::vector<std::string> arguments;  // the command's own words (stations, number, letters)
  std::optional<int> detail_row;       // detail --row N: the detail of shown row N (0-based)
  std::optional<std::string> via;      // transfer --via STATION
  query::ResultFilters filters;        // --filter sf,zd,jq,dc
  std::optional<SortRequest> sort;     // --sort
  OutputFormat format = OutputFormat::Table;
  std::optional<std::string> data_dir;  // --data DIR instead of the built-in tables
  std::optional<std::string> timetable_file;  // --timetable FILE instead of the built-in tables
  std::optional<std::string> date;  // --date YYYY-MM-DD: the day the answer is for, as written
  // The day --date defaults to when it lies in the timetable's period (not an option: the
  // caller's clock, replaced by tests).
  std::chrono::sys_days today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
};

struct HelpRequest {};
// A command line that makes no sense; the text says why.
struct UsageError {
  std::string message;
};

using ParseResult = std::variant<Options, HelpRequest, UsageError>;

// Parses the words after the program name. Options may stand before or after the command;
// "--" ends the options. --opt=value and --opt value are both accepted.
[[nodiscard]] ParseResult ParseArguments(const std::vector<std::string>& words);

// The text of --help.
[[nodiscard]] std::string HelpText();

// Whether the command fills the result grid (and so takes --filter, --sort and detail --row).
[[nodiscard]] bool IsQueryCommand(Command command);

}  // namespace lanzhou::cli
