// lanzhou-timetable info FILE: what a timetable file holds, after the same checks the program
// makes when it opens one.
#include <filesystem>
#include <new>
#include <tuple>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "data/timetable_schema.h"
#include "text/gbk.h"
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
    // Every table unpacked and loaded as the program would, and the counts compared: a file
    // that info passes is one the program opens.
    const data::CsvTableFormat format;
    data::MemTable strain, slist;
    for (const auto& [name, packed, table] :
         {std::tuple{"STRAIN", &file.tables.strain, &strain},
          std::tuple{"SLIST", &file.tables.slist, &slist},
          std::tuple{"SM", &file.tables.sm, static_cast<data::MemTable*>(nullptr)},
          std::tuple{"SPY", &file.tables.spy, static_cast<data::MemTable*>(nullptr)}}) {
      data::MemTable scratch;
      try {
        data::LoadTimetableTable(name, data::UnpackResource(*packed),
                                 table != nullptr ? *table : scratch, format);
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        throw data::TimetableFileError(data::TimetableFileProblem::kBadTable, args[0],
                                       std::string("table ") + name + ": " + e.what());
      }
    }
    data::CheckTableCounts(file.meta, &strain, &slist, args[0]);
  } catch (const data::TimetableFileError& e) {
    err << "lanzhou-timetable info: " << text::EscapeControls(e.what()) << "\n";
    return kExitFailed;
  }
  const data::TimetableMeta& m = file.meta;
  // The metadata is the file's own text: shown with its control characters escaped, so that
  // it cannot move the cursor, clear the screen or retitle the terminal.
  const auto shown = [](const std::string& value) { return text::EscapeControls(value); };
  out << "file:      " << shown(args[0]) << "\n"
      << "format:    " << m.format_version << "\n"
      << "name:      " << shown(m.name) << "\n"
      << "valid:     " << shown(m.valid_date) << "\n"
      << "source:    " << shown(m.source) << "\n"
      << "made:      " << shown(m.made) << "\n"
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
