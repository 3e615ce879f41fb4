#pragma once
// lanzhou-query mcp: the timetable as a Model Context Protocol server on standard input and
// output, for AI assistants. The tables are loaded once, before the first message is read;
// standard output carries protocol messages only, standard error the load messages.
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "data/resource_registry.h"

namespace lanzhou::cli::mcp {

// Whether the command word of a command line is "mcp".
[[nodiscard]] bool IsMcpCommandLine(const std::vector<std::string>& words);

// The whole command: parse (--data DIR or --timetable FILE), load, serve until in ends.
// Returns 0 at the end of input, 2 for a wrong command line, 1 when out fails.
int RunMcpCommandLine(const std::vector<std::string>& words, const data::ResourceRegistry* embedded,
                      std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lanzhou::cli::mcp
