#include "timetable-cli/commands.h"

#include <array>
#include <ctime>
#include <exception>
#include <new>

namespace lanzhou::timetable_cli {

namespace {

constexpr std::array kSubcommands{
    Subcommand{"build",
               "build SOURCE_DIR -o FILE [--name NAME] [--valid YYYY-MM-DD] [--source TEXT]",
               "build a timetable file from a timetable source folder", &RunBuild},
    Subcommand{"info", "info FILE", "print a timetable file's metadata and table sizes", &RunInfo},
    Subcommand{"import-crawl",
               "import-crawl --timetable CSV --stations CSV --groups CSV [--day YYYY-MM-DD] "
               "-o FILE [--name NAME] [--tables DIR]",
               "import the raw crawl of the national timetable: every train version of its "
               "period with its running days, or with --day the trains of one day",
               &RunImportCrawl},
};

std::string HelpText() {
  std::string text =
      "Usage: lanzhou-timetable COMMAND ARGS...\n"
      "Makes and inspects timetable files, which lanzhou and lanzhou-query open with\n"
      "--timetable FILE.\n\nCommands:\n";
  for (const Subcommand& s : Subcommands()) {
    text.append("  ").append(s.usage).append("\n      ").append(s.summary).append("\n");
  }
  text +=
      "\n  --help    this text; COMMAND --help shows the command's line\n"
      "\nExit status: 0 done, 1 the input or the file could not be used, 2 a bad command line.\n";
  return text;
}

}  // namespace

std::span<const Subcommand> Subcommands() {
  return kSubcommands;
}

std::string MadeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

bool TakeOption(std::vector<std::string>& args, std::string_view long_name,
                std::string_view short_name, std::string& value, std::ostream& err) {
  const std::string long_opt = "--" + std::string(long_name);
  const std::string short_opt = short_name.empty() ? "" : "-" + std::string(short_name);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--") return true;
    if (word.rfind(long_opt + "=", 0) == 0) {
      value = word.substr(long_opt.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
    if (word == long_opt || (!short_opt.empty() && word == short_opt)) {
      if (i + 1 >= args.size()) {
        err << "lanzhou-timetable: " << word << " needs a value\n";
        return false;
      }
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i + 2));
      return true;
    }
  }
  return true;
}

int RunTimetableTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (words.empty()) {
    err << HelpText();
    return kExitUsage;
  }
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    out << HelpText();
    return kExitOk;
  }
  for (const Subcommand& s : Subcommands()) {
    if (words[0] != s.name) continue;
    const std::vector<std::string> args(words.begin() + 1, words.end());
    for (const std::string& a : args) {
      if (a == "--") break;
      if (a == "--help" || a == "-h") {
        out << "Usage: lanzhou-timetable " << s.usage << "\n" << s.summary << "\n";
        return kExitOk;
      }
    }
    return s.run(args, out, err);
  }
  err << "lanzhou-timetable: unknown command '" << words[0]
      << "'\nTry 'lanzhou-timetable --help' for more information.\n";
  return kExitUsage;
}

int RunTimetableToolChecked(const std::vector<std::string>& words, std::ostream& out,
                            std::ostream& err) {
  int status = kExitFailed;
  try {
    status = RunTimetableTool(words, out, err);
  } catch (const std::bad_alloc&) {
    err << "lanzhou-timetable: not enough memory\n";
    return kExitFailed;
  } catch (const std::exception& e) {
    err << "lanzhou-timetable: " << e.what() << "\n";
    return kExitFailed;
  }
  // An answer that did not reach its reader (a full disk, a closed pipe) is no success.
  out.flush();
  if (!out) {
    err << "lanzhou-timetable: cannot write the output\n";
    return kExitFailed;
  }
  return status;
}

}  // namespace lanzhou::timetable_cli
