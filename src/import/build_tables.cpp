#include "import/build_tables.h"

#include <map>
#include <ostream>

#include "import/running_days.h"
#include "timetable/train_class.h"

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
  built.texts = {StrainText(trains), SlistText(trains), SmText(source), SpyText(source, trains), {}};
  built.trains = static_cast<long>(trains.size());
  for (const TrainRow& train : trains) built.stops += static_cast<long>(train.stops.size());
  built.stations = static_cast<long>(source.stations.size());
  if (source.period) {
    const data::Period& period = *source.period;
    data::Calendar calendar(period);
    std::map<std::string, std::pair<data::DaySet, const TrainRow*>> by_number;
    for (const TrainRow& train : trains) {
      const import::RunningDays reading(train.days);  // checked when read
      data::DaySet set;
      for (int d = 0; d < period.days; ++d) {
        if (reading.RunsOn(period.first + std::chrono::days{d}, period.first)) {
          set.set(static_cast<std::size_t>(d));
        }
      }
      const Place& place = train.days.empty() ? Place{} : train.days_place;
      if (set.none()) {
        diagnostics.Error(place.file, place.line, "train " + train.id + " runs on no day of the period");
      }
      auto& [taken, first] = by_number[std::string(timetable::TrainNumberOfId(train.id))];
      if (const data::DaySet both = taken & set; both.any()) {
        int d = 0;
        while (!both[static_cast<std::size_t>(d)]) ++d;
        diagnostics.Error(place.file, place.line,
                          "train " + train.id + " and " + first->id + " both run on " +
                              data::IsoDateText(period.first + std::chrono::days{d}));
      }
      taken |= set;
      if (first == nullptr) first = &train;
      calendar.Add(train.id, set, StopDayOffsets(train.stops));
    }
    if (!diagnostics.empty()) return std::nullopt;
    built.texts.calendar = calendar.Text();
    built.period = period;
  }
  return built;
}

void PrintDiagnostics(std::ostream& out, const Diagnostics& diagnostics) {
  for (const SourceError& e : diagnostics.errors()) {
    out << e.file << ':' << e.line << ": " << e.rule << '\n';
  }
}

}  // namespace lanzhou::timetable_build
