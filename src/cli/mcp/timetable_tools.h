#pragma once
// The timetable's tools for an assistant: find_stations, trains_between, train, station_board,
// journeys and timetable_info. Each call is turned into the command line's own query (the
// same Options, checks, grids and journey request) and its answer rendered from the same grid
// cells and JSON; nothing here decides which trains answer a question.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "cli/mcp/session.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"
#include "journey/journey.h"
#include "journey/network.h"

namespace lanzhou::cli::mcp {

// Longest text of one answer in characters; the rows beyond it are left out and counted.
inline constexpr std::size_t kMaxAnswerCharacters = 8000;
inline constexpr int kDefaultLimit = 20;

// Where the tables came from, for timetable_info.
struct TimetableOrigin {
  std::string description;                  // "--timetable FILE", "--data DIR", or built in
  std::optional<data::TimetableMeta> meta;  // what a timetable file says of itself
  std::string load_problem;                 // why the tables are not usable; "" when they are
};

class TimetableTools final : public Toolbox {
 public:
  TimetableTools(data::TimetableStore& store, TimetableOrigin origin);
  ~TimetableTools() override;

  [[nodiscard]] const boost::json::array& Tools() const override;
  [[nodiscard]] std::optional<ToolResult> Call(std::string_view name,
                                               const boost::json::object& arguments) override;

 private:
  class Arguments;
  ToolResult FindStations(Arguments& a);
  ToolResult TrainsBetween(Arguments& a);
  ToolResult Train(Arguments& a);
  ToolResult StationBoard(Arguments& a);
  ToolResult Journeys(Arguments& a);
  ToolResult TimetableInfo(Arguments& a);

  data::TimetableStore& store_;
  TimetableOrigin origin_;
  boost::json::array tools_;
  // The journey network, built on the first journeys call and kept for the session.
  std::optional<journey::Network> network_;
  std::unique_ptr<journey::Planner> planner_;
};

}  // namespace lanzhou::cli::mcp
