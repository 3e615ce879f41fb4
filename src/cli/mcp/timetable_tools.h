#pragma once
// The timetable's tools for an assistant: find_stations, trains_between, train, station_board,
// journeys and timetable_info. Each call is turned into the command line's own query (the
// same Options, checks, grids and journey request) and its answer rendered from the same grid
// cells and JSON; nothing here decides which trains answer a question.
#include <chrono>
#include <cstddef>
#include <future>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/mcp/session.h"
#include "cli/mcp/tool_arguments.h"
#include "cli/table_loading.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"
#include "journey/journey.h"
#include "journey/network.h"

namespace lanzhou::cli::mcp {

inline constexpr int kDefaultLimit = 20;

// Where the tables came from, for timetable_info.
struct TimetableOrigin {
  std::string description;                  // "--timetable FILE", "--data DIR", or built in
  std::optional<data::TimetableMeta> meta;  // what a timetable file says of itself
  std::string load_problem;                 // why the tables are not usable; "" when they are
};

// The tables of a session, loaded on a thread of their own while the session starts.
struct SessionTables {
  std::unique_ptr<CommandTables> tables;
  TimetableOrigin origin;
};

// Loads the tables of origin (two threads: the stops beside the rest). The load messages go to
// err, once loading ends.
[[nodiscard]] std::unique_ptr<SessionTables> LoadSessionTables(const TableOrigin& origin,
                                                               std::ostream& err);

class TimetableTools final : public Toolbox {
 public:
  // The tools list at once; a call waits until the tables are loaded. `today` is the day a call
  // without a date answers for when the timetable's period holds it.
  explicit TimetableTools(std::future<std::unique_ptr<SessionTables>> loading,
                          data::Date today = std::chrono::floor<std::chrono::days>(
                              std::chrono::system_clock::now()));
  ~TimetableTools() override;

  [[nodiscard]] const boost::json::array& Tools() const override;
  [[nodiscard]] std::optional<ToolResult> Call(std::string_view name,
                                               const boost::json::object& arguments) override;

 private:
  ToolResult FindStations(ToolArguments& a);
  ToolResult TrainsBetween(ToolArguments& a);
  ToolResult Train(ToolArguments& a);
  ToolResult StationBoard(ToolArguments& a);
  ToolResult Journeys(ToolArguments& a);
  ToolResult TimetableInfo(ToolArguments& a);
  // The call's date argument, checked, or the default day.
  [[nodiscard]] DateEffect DateOf(const ToolArguments& a) const;

  std::future<std::unique_ptr<SessionTables>> loading_;
  data::Date today_;
  std::unique_ptr<SessionTables> loaded_;
  data::TimetableStore* store_ = nullptr;    // loaded_'s, once loaded
  const TimetableOrigin* origin_ = nullptr;  // loaded_'s, once loaded
  boost::json::array tools_;
  // The journey network is built beside the first calls, as the window builds it beside its
  // queries (it reads the tables by record number, never through their cursors).
  std::future<std::optional<journey::Network>> building_;
  std::optional<journey::Network> network_;
  std::unique_ptr<journey::Planner> planner_;  // made on the first journeys call
};

}  // namespace lanzhou::cli::mcp
