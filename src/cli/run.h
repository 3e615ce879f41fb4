#pragma once
// One run of lanzhou-query: parse the words, load the tables, run the command as the window's
// button would (checks, query, grid fill, header sort), write the answer.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/grid_views.h"
#include "cli/options.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "query/query_state.h"

namespace lanzhou::cli {

// Why a command stops before it writes an answer.
struct Refusal {
  int exit_code;
  std::string message;     // one line: the window's "caption: text", or the program's reason
  std::string focus = {};  // the box the window's message sends the focus to ("ComboFZ" ...), or ""
};

// The result grid of a between, train, station or transfer --via command on loaded tables:
// the checks as its button makes them, the query, then the grid through the filters and the
// sort. A refusal leaves answer unspecified.
struct QueryAnswer {
  query::QueryState state;
  ShownResults shown;
};
[[nodiscard]] std::optional<Refusal> AnswerQuery(const Options& options,
                                                 data::TimetableStore& store, QueryAnswer& answer);

// Runs a parsed command. The answer goes to out; the window's messages, load failures and
// other complaints go to err. embedded holds the built-in tables, or is nullptr when the
// program has none (then --data is required). Returns the exit code (kExit...).
[[nodiscard]] int Run(const Options& options, const data::ResourceRegistry* embedded,
                      std::ostream& out, std::ostream& err);

// The whole program after the program name: --help, usage errors, then Run.
[[nodiscard]] int RunCommandLine(const std::vector<std::string>& words,
                                 const data::ResourceRegistry* embedded, std::ostream& out,
                                 std::ostream& err);

}  // namespace lanzhou::cli
