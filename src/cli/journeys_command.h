#pragma once
// lanzhou-query journeys FROM TO: journeys with up to two changes of train, their legs, waits,
// day markers and fares. A command of its own, with its own options; the other commands' parser
// hands such a command line over whole (see RunCommandLine).
#include <cstdint>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include <boost/json/object.hpp>

#include "cli/options.h"
#include "data/resource_registry.h"
#include "journey/journey.h"

namespace lanzhou::cli {

struct JourneysOptions {
  std::string from;
  std::string to;
  journey::Request request;  // window, changes and minutes; the stations are set after loading
  std::optional<journey::SortKey> sort;
  bool descending = false;
  std::optional<std::int32_t> limit;
  bool all = false;  // --all: the slow Pareto journeys too
  OutputFormat format = OutputFormat::Table;
  std::optional<std::string> data_dir;
  std::optional<std::string> timetable_file;
  std::optional<std::string> date;  // --date YYYY-MM-DD, as written
  // The day --date defaults to inside the period (the caller's clock; tests replace it).
  std::chrono::sys_days today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
};

// Whether the command word of a command line (the first word that is neither an option nor an
// option's value) is "journeys".
[[nodiscard]] bool IsJourneysCommandLine(const std::vector<std::string>& words);

using JourneysParse = std::variant<JourneysOptions, HelpRequest, UsageError>;
[[nodiscard]] JourneysParse ParseJourneysArguments(const std::vector<std::string>& words);

// The cells of a journey's row in the table and csv answers, and their captions: 出发, 到达,
// 历时, 换乘, 车次, 换乘站, 等候, 参考票价.
[[nodiscard]] std::vector<std::string> JourneyCells(const journey::Journey& journey);
[[nodiscard]] const std::vector<std::string>& JourneyCaptions();
// A journey as the json answer writes it, legs included (docs/journeys.md lists the keys).
[[nodiscard]] boost::json::object JourneyJson(const journey::Journey& journey);

// The journeys as a table (header, one row each, "结果:N"), csv (header and rows) or a JSON
// array (docs/journeys.md lists the keys).
[[nodiscard]] std::string FormatJourneys(const std::vector<journey::Journey>& journeys,
                                         OutputFormat format);

// The whole command: parse, load, check the stations as the 查询 button does, plan, write.
// Exit codes as the other commands'.
int RunJourneysCommandLine(const std::vector<std::string>& words,
                           const data::ResourceRegistry* embedded, std::ostream& out,
                           std::ostream& err);

}  // namespace lanzhou::cli
