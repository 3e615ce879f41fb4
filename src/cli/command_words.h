#pragma once
// A command line taken apart into its positional words and its options, the way every command
// of lanzhou-query reads it: options may stand before or after the command, "--" ends them,
// "--opt=value" and "--opt value" are both accepted.
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/options.h"

namespace lanzhou::cli {

struct OptionValue {
  std::string name;   // "--format"
  std::string value;  // "json"
};

struct CommandWords {
  std::vector<std::string> positional;
  std::vector<OptionValue> options;  // in the order given
};

// Every option takes a value and must be one of `valued`; -h/--help asks for the help text.
// Errors: "unknown option 'WORD'", "option NAME needs a value".
[[nodiscard]] std::variant<CommandWords, HelpRequest, UsageError> SplitCommandWords(
    const std::vector<std::string>& words, std::span<const std::string_view> valued);

// --format's value: table, csv or json.
[[nodiscard]] std::optional<OutputFormat> ParseFormat(std::string_view text);

// The answer to a parsed command line that asked for help (the help text, exit 0) or made no
// sense (the reason and a pointer to --help on err, exit 2); nothing when there is a command to
// run.
template <class Parsed>
[[nodiscard]] std::optional<int> HelpOrUsage(const Parsed& parsed, std::ostream& out,
                                             std::ostream& err) {
  if (std::holds_alternative<HelpRequest>(parsed)) {
    out << HelpText();
    return kExitOk;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    err << "lanzhou-query: " << usage->message
        << "\nTry 'lanzhou-query --help' for more information.\n";
    return kExitRefused;
  }
  return std::nullopt;
}

}  // namespace lanzhou::cli
