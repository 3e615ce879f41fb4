#include "cli/command_words.h"

#include <algorithm>

namespace lanzhou::cli {

std::variant<CommandWords, HelpRequest, UsageError> SplitCommandWords(
    const std::vector<std::string>& words, std::span<const std::string_view> valued) {
  CommandWords out;
  bool options_done = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (options_done || word.size() < 2 || word[0] != '-') {
      out.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      options_done = true;
      continue;
    }
    if (word == "--help" || word == "-h") return HelpRequest{};
    std::string name = word;
    std::optional<std::string> value;
    if (const std::size_t eq = word.find('='); word.starts_with("--") && eq != std::string::npos) {
      name = word.substr(0, eq);
      value = word.substr(eq + 1);
    }
    if (std::find(valued.begin(), valued.end(), name) == valued.end()) {
      return UsageError{"unknown option '" + word + "'"};
    }
    if (!value) {
      if (i + 1 >= words.size()) return UsageError{"option " + name + " needs a value"};
      value = words[++i];
    }
    out.options.push_back({std::move(name), std::move(*value)});
  }
  return out;
}

std::optional<OutputFormat> ParseFormat(std::string_view text) {
  if (text == "table") return OutputFormat::Table;
  if (text == "csv") return OutputFormat::Csv;
  if (text == "json") return OutputFormat::Json;
  return std::nullopt;
}

}  // namespace lanzhou::cli
