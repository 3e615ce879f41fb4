#pragma once
// lanzhou-timetable: making and inspecting timetable files (docs/timetable-file.md). Each
// subcommand is one entry of Subcommands(); a new importer adds its entry there.
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::timetable_cli {

// Exit codes: done; the input or the file could not be used; a bad command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The words after the subcommand's name; the answer goes to out, complaints to err.
using SubcommandRun = int (*)(const std::vector<std::string>& args, std::ostream& out,
                              std::ostream& err);

struct Subcommand {
  std::string_view name;
  std::string_view usage;    // the line after "lanzhou-timetable " in --help
  std::string_view summary;  // one line saying what it does
  SubcommandRun run;
};

[[nodiscard]] std::span<const Subcommand> Subcommands();

// The subcommands.
int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunImportCrawl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The whole program after its name.
[[nodiscard]] int RunTimetableTool(const std::vector<std::string>& words, std::ostream& out,
                                   std::ostream& err);

// The same, as the program's main runs it: an exception that escapes a command (running out of
// memory among them) becomes a message and exit 1, and so does output that could not be written.
[[nodiscard]] int RunTimetableToolChecked(const std::vector<std::string>& words, std::ostream& out,
                                          std::ostream& err);

// The current time as a timetable file's "made" value: YYYY-MM-DDTHH:MM:SSZ (UTC).
[[nodiscard]] std::string MadeNow();

// Takes "-o FILE", "--output FILE" or "--output=FILE" and the like from args for an option with
// the given long name (short name optional); returns false and complains on err when the value is
// missing. Found values are removed from args.
bool TakeOption(std::vector<std::string>& args, std::string_view long_name,
                std::string_view short_name, std::string& value, std::ostream& err);

}  // namespace lanzhou::timetable_cli
