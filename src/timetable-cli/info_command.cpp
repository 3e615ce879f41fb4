// lanzhou-timetable info FILE: what a timetable file holds, after the same checks the program
// makes when it opens one.
#include <filesystem>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "timetable-cli/commands.h"

namespace lanzhou::timetable_cli {

int RunInfo(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args = words;
  std::erase(args, std::string("--"));
  if (args.size() != 1) {
    err << "Usage: lanzhou-timetable info FILE\n";
    return kExitUsage;
  }
  data::TimetableFile file;
  try {
    file = data::ReadTimetableFile(args[0]);
  } catch (const data::TimetableFileError& e) {
    err << "lanzhou-timetable info: " << e.what() << "\n";
    return kExitFailed;
  }
  const data::TimetableMeta& m = file.meta;
  out << "file:      " << args[0] << "\n"
      << "format:    " << m.format_version << "\n"
      << "name:      " << m.name << "\n"
      << "valid:     " << m.valid_date << "\n"
      << "source:    " << m.source << "\n"
      << "made:      " << m.made << "\n"
      << "trains:    " << m.trains << "\n"
      << "stops:     " << m.stops << "\n"
      << "stations:  " << m.stations << "\n";
  const std::pair<const char*, const std::string*> tables[] = {{"STRAIN", &file.tables.strain},
                                                               {"SLIST", &file.tables.slist},
                                                               {"SM", &file.tables.sm},
                                                               {"SPY", &file.tables.spy}};
  for (const auto& [name, packed] : tables) {
    out << "table " << name << ": " << data::PackedSize(*packed) << " bytes, " << packed->size()
        << " packed\n";
  }
  return kExitOk;
}

}  // namespace lanzhou::timetable_cli
