#pragma once
// lanzhou-query diagram A B -o FILE: the train diagram of the line between two stations as an
// SVG, PDF or PNG file. A command of its own, like journeys; the painting is opened from the
// module of diagram/render_module.h only when this command runs.
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"
#include "data/resource_registry.h"
#include "diagram/diagram.h"

namespace lanzhou::cli {

struct DiagramOptions {
  std::string from;
  std::string to;
  std::optional<std::string> date;  // --date YYYY-MM-DD, as written
  // The day --date defaults to inside the period (the caller's clock; tests replace it).
  std::chrono::sys_days today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  std::int32_t after = 0;
  std::int32_t before = 1440;
  diagram::ClassSet classes = diagram::kAllClasses;
  std::string output;
  diagram::FileKind kind = diagram::FileKind::Svg;
  std::optional<std::string> data_dir;
  std::optional<std::string> timetable_file;
};

// Whether the command word of a command line is "diagram".
[[nodiscard]] bool IsDiagramCommandLine(const std::vector<std::string>& words);

using DiagramParse = std::variant<DiagramOptions, HelpRequest, UsageError>;
[[nodiscard]] DiagramParse ParseDiagramArguments(const std::vector<std::string>& words);

// The whole command: parse, load, check the stations as the 查询 button does, draw, write the
// file (replacing it whole). Exit codes as the other commands'; no common train is exit 1 with
// "两站之间没有共同的车次，无法确定线路。".
int RunDiagramCommandLine(const std::vector<std::string>& words,
                          const data::ResourceRegistry* embedded, std::ostream& out,
                          std::ostream& err);

}  // namespace lanzhou::cli
