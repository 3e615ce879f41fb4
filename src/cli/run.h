#pragma once
// One run of lanzhou-query: parse the words, load the tables, run the command as the window's
// button would (checks, query, grid fill, header sort), write the answer.
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "data/resource_registry.h"

namespace lanzhou::cli {

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
