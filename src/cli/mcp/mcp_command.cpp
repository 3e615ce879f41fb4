#include "cli/mcp/mcp_command.h"

#include <array>
#include <functional>
#include <future>
#include <string_view>

#include "cli/command_words.h"
#include "cli/mcp/session.h"
#include "cli/mcp/timetable_tools.h"

namespace lanzhou::cli::mcp {
namespace {

constexpr std::array<std::string_view, 2> kValued = {"--data", "--timetable"};

int Usage(std::string message, std::ostream& out, std::ostream& err) {
  return *HelpOrUsage(std::variant<HelpRequest, UsageError>(UsageError{std::move(message)}), out,
                      err);
}

}  // namespace

bool IsMcpCommandLine(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") return i + 1 < words.size() && words[i + 1] == "mcp";
    if (w.size() >= 2 && w[0] == '-') {
      // Any option's value is skipped: the other commands' options before "mcp" are refused
      // by the parser below, with their names.
      if (w.find('=') == std::string::npos && w != "-h" && w != "--help") ++i;
      continue;
    }
    return w == "mcp";
  }
  return false;
}

int RunMcpCommandLine(const std::vector<std::string>& words, const data::ResourceRegistry* embedded,
                      std::istream& in, std::ostream& out, std::ostream& err) {
  auto split = SplitCommandWords(words, kValued);
  if (const auto code = HelpOrUsage(split, out, err)) return *code;
  const CommandWords& parsed = std::get<CommandWords>(split);
  TableOrigin origin{std::nullopt, std::nullopt, embedded};
  for (const OptionValue& option : parsed.options) {
    if (option.value.empty()) return Usage(option.name + " needs a value", out, err);
    (option.name == "--data" ? origin.data_dir : origin.timetable_file) = option.value;
  }
  if (origin.data_dir && origin.timetable_file) {
    return Usage("--data and --timetable both name the tables; give one", out, err);
  }
  if (parsed.positional.size() != 1) {
    return Usage("usage: mcp [--data DIR | --timetable FILE]", out, err);
  }

  // The tables load while the session starts: the handshake needs none of them. The loading
  // thread writes its messages to err, which must then not flush out on the way (std::cerr is
  // tied to std::cout): out belongs to this thread alone.
  err.tie(nullptr);
  TimetableTools tools(std::async(std::launch::async, LoadSessionTables, origin, std::ref(err)));
  Session session(tools, "lanzhou-query", LANZHOU_VERSION_TEXT);
  return session.Serve(in, out);
}

}  // namespace lanzhou::cli::mcp
