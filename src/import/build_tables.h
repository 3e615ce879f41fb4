#pragma once
// The whole build of a timetable source folder (docs/timetable-source.md) into the four table
// texts, shared by the build-time tool and `lanzhou-timetable build`, so the program's built-in
// tables and a user's timetable file come out of one builder.
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "data/timetable_file.h"
#include "import/source.h"

namespace lanzhou::timetable_build {

struct BuiltTables {
  data::TimetableTexts texts;
  long trains = 0;
  long stops = 0;
  long stations = 0;
  std::optional<data::Period> period;  // the source's calendar.txt; texts.calendar then holds days
};

// Reads the source and builds the tables. nullopt when the source breaks any rule; every breach
// is then in `diagnostics`.
[[nodiscard]] std::optional<BuiltTables> BuildTables(const std::filesystem::path& source_dir,
                                                     Diagnostics& diagnostics);

// Writes each breach as "file:line: rule", one per line.
void PrintDiagnostics(std::ostream& out, const Diagnostics& diagnostics);

}  // namespace lanzhou::timetable_build
