#include "import/build_tables.h"

#include <ostream>

#include "import/table_writer.h"
#include "import/train_builder.h"

namespace lanzhou::timetable_build {

std::optional<BuiltTables> BuildTables(const std::filesystem::path& source_dir,
                                       Diagnostics& diagnostics) {
  const Source source = ReadSource(source_dir, diagnostics);
  if (!diagnostics.empty()) return std::nullopt;
  const std::vector<TrainRow> trains = BuildTrains(source, diagnostics);
  if (!diagnostics.empty()) return std::nullopt;
  BuiltTables built;
  built.texts = {StrainText(trains), SlistText(trains), SmText(source), SpyText(source, trains)};
  built.trains = static_cast<long>(trains.size());
  for (const TrainRow& train : trains) built.stops += static_cast<long>(train.stops.size());
  built.stations = static_cast<long>(source.stations.size());
  return built;
}

void PrintDiagnostics(std::ostream& out, const Diagnostics& diagnostics) {
  for (const SourceError& e : diagnostics.errors()) {
    out << e.file << ':' << e.line << ": " << e.rule << '\n';
  }
}

}  // namespace lanzhou::timetable_build
