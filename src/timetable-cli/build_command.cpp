// lanzhou-timetable build SOURCE_DIR -o FILE: the builder of the program's own timetable, as a
// user tool. Its messages are the build-time tool's ("file:line: rule").
#include <filesystem>
#include <optional>

#include "data/timetable_file.h"
#include "import/build_tables.h"
#include "timetable-cli/commands.h"

namespace lanzhou::timetable_cli {

namespace {

bool IsDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

int RunBuild(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args = words;
  std::string output;
  std::string name;
  std::string valid;
  std::string source;
  if (!TakeOption(args, "output", "o", output, err) || !TakeOption(args, "name", "", name, err) ||
      !TakeOption(args, "valid", "", valid, err) || !TakeOption(args, "source", "", source, err)) {
    return kExitUsage;
  }
  std::erase(args, std::string("--"));
  for (const std::string& a : args) {
    if (a.size() > 1 && a[0] == '-') {
      err << "lanzhou-timetable build: unknown option '" << a << "'\n";
      return kExitUsage;
    }
  }
  if (args.size() != 1 || output.empty()) {
    err << "Usage: lanzhou-timetable build SOURCE_DIR -o FILE [--name NAME] [--valid YYYY-MM-DD] "
           "[--source TEXT]\n";
    return kExitUsage;
  }
  if (!valid.empty() && !IsDate(valid)) {
    err << "lanzhou-timetable build: --valid takes a date YYYY-MM-DD, not '" << valid << "'\n";
    return kExitUsage;
  }

  const std::filesystem::path source_dir = args[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(source_dir, ec)) {
    err << "lanzhou-timetable build: " << source_dir.string() << " is not a folder\n";
    return kExitFailed;
  }
  namespace tb = timetable_build;
  tb::Diagnostics diagnostics;
  const std::optional<tb::BuiltTables> built = tb::BuildTables(source_dir, diagnostics);
  if (!built) {
    tb::PrintDiagnostics(err, diagnostics);
    err << "lanzhou-timetable build: " << diagnostics.errors().size() << " error(s) in "
        << source_dir.string() << "; nothing written\n";
    return kExitFailed;
  }

  data::TimetableMeta meta;
  meta.made = MadeNow();
  // Without --name the file is named after its source folder ("timetable/" -> "timetable").
  std::filesystem::path folder = std::filesystem::absolute(source_dir, ec).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();
  meta.name = !name.empty() ? name : folder.filename().string();
  // A source with running days is valid for its period; --valid names the day of one without.
  meta.valid_date = built->period   ? built->period->Text()
                    : !valid.empty() ? valid
                                     : meta.made.substr(0, 10);
  meta.source = !source.empty() ? source : "timetable source " + folder.string();
  meta.trains = built->trains;
  meta.stops = built->stops;
  meta.stations = built->stations;
  try {
    data::WriteTimetableFile(output, meta, built->texts);
  } catch (const data::TimetableFileError& e) {
    err << "lanzhou-timetable build: " << e.what() << "\n";
    return kExitFailed;
  }
  out << "lanzhou-timetable: " << output << ": " << meta.trains << " trains, " << meta.stops
      << " stops, " << meta.stations << " stations\n";
  return kExitOk;
}

}  // namespace lanzhou::timetable_cli
