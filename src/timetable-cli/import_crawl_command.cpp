// lanzhou-timetable import-crawl: every train version of the raw crawl of the national timetable
// with its running days (or the trains of one day), with the 12306 station list and the
// same-city groups (docs/import-crawl.md).
#include <filesystem>
#include <fstream>

#include "data/timetable_file.h"
#include "import/crawl_import.h"
#include "system/atomic_file.h"
#include "timetable-cli/commands.h"

namespace lanzhou::timetable_cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "Usage: lanzhou-timetable import-crawl --timetable CSV --stations CSV --groups CSV "
    "[--day YYYY-MM-DD] -o FILE [--name NAME] [--tables DIR]\n";

// Largest input file read: the national crawl of a whole year is a few tens of MiB at most.
constexpr std::size_t kMaxInputBytes = std::size_t{64} << 20;

// The whole file, read in pieces up to kMaxInputBytes: a device or a pipe without end (or a
// file far too large) is refused once the bound is passed, not read until memory runs out.
std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw import::ImportError(path.string() + ": cannot be opened");
  std::string bytes;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxInputBytes - bytes.size()) {
      throw import::ImportError(path.string() + ": too large: more than " +
                                std::to_string(kMaxInputBytes >> 20) +
                                " MiB, no crawl or station list is that large");
    }
    bytes.append(buffer, got);
  }
  if (in.bad()) throw import::ImportError(path.string() + ": cannot be read");
  return bytes;
}

// The four table texts as files of one folder, named as lanzhou-query --data reads them: all
// four replaced together or none, so an old table never loads beside a new one.
void WriteTables(const fs::path& dir, const data::TimetableTexts& texts) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw import::ImportError(dir.string() + ": cannot be created: " + ec.message());
  const system::FileContent files[] = {{dir / "strain.txt", texts.strain},
                                       {dir / "slist.txt", texts.slist},
                                       {dir / "sm.txt", texts.sm},
                                       {dir / "spy.txt", texts.spy},
                                       // The running days of a whole period (lanzhou-query --data
                                       // reads calendar.txt beside them).
                                       {dir / "calendar.txt", texts.calendar}};
  // A one-day table set has no calendar file.
  system::WriteFilesAtomically(
      std::span(files, texts.calendar.empty() ? std::size(files) - 1 : std::size(files)));
}

}  // namespace

int RunImportCrawl(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args = words;
  std::string timetable, stations, groups, day, output, name, tables;
  for (const auto& [option, value] :
       {std::pair{"timetable", &timetable}, std::pair{"stations", &stations},
        std::pair{"groups", &groups}, std::pair{"day", &day}, std::pair{"name", &name},
        std::pair{"tables", &tables}}) {
    if (!TakeOption(args, option, "", *value, err)) return kExitUsage;
  }
  if (!TakeOption(args, "output", "o", output, err)) return kExitUsage;
  std::erase(args, std::string("--"));
  if (!args.empty()) {
    err << "lanzhou-timetable import-crawl: unexpected '" << args.front() << "'\n" << kUsage;
    return kExitUsage;
  }
  if (timetable.empty() || stations.empty() || groups.empty() ||
      (output.empty() && tables.empty())) {
    err << kUsage;
    return kExitUsage;
  }
  import::CrawlImportInput input;
  if (!day.empty()) {
    try {
      input.day = import::ParseIsoDate(day);
    } catch (const import::RunningDaysError& e) {
      err << "lanzhou-timetable import-crawl: --day: " << e.what() << "\n";
      return kExitUsage;
    }
  }
  try {
    const std::string timetable_text = ReadWhole(timetable);
    const std::string stations_text = ReadWhole(stations);
    const std::string groups_text = ReadWhole(groups);
    input.timetable = timetable_text;
    input.stations = stations_text;
    input.groups = groups_text;
    input.timetable_name = timetable;
    input.stations_name = stations;
    input.groups_name = groups;
    const import::CrawlImport result = import::ImportCrawl(input);
    for (const std::string& warning : result.warnings) {
      err << "lanzhou-timetable import-crawl: warning: " << warning << "\n";
    }
    if (result.trains == 0) {
      throw import::ImportError(timetable + ": no train runs " +
                                (day.empty() ? std::string("in its period") : "on " + day) +
                                "; nothing to write (an empty or header-only crawl?)");
    }
    const std::string valid = day.empty() ? result.period.Text() : day;
    {
      data::TimetableMeta meta;
      meta.name = name.empty() ? "全国" : name;
      meta.valid_date = valid;
      meta.source = "import-crawl " + fs::path(timetable).filename().string() + ", " +
                    fs::path(stations).filename().string() + ", " +
                    fs::path(groups).filename().string();
      meta.made = MadeNow();
      meta.trains = result.trains;
      meta.stops = result.stops;
      meta.stations = result.stations;
      // The reader's rules, before either output is touched (the file's writer runs them too).
      if (!tables.empty()) {
        data::CheckTimetableTexts(meta, result.texts, fs::path(output.empty() ? tables : output));
        WriteTables(tables, result.texts);
      }
      if (!output.empty()) data::WriteTimetableFile(output, meta, result.texts);
    }
    out << "lanzhou-timetable: " << (output.empty() ? tables : output) << ": " << valid << ", "
        << result.trains << " trains, " << result.stops << " stops, " << result.stations
        << " stations; " << result.names << " station names, " << result.groups << " city groups ("
        << result.placed << " stations grouped by rule)\n";
    if (day.empty()) {
      out << "lanzhou-timetable: " << result.versions << " train versions, " << result.running
          << " running in the period; left out " << result.unusable << " without a timed stop and "
          << result.unreadable_days << " with unreadable running days; " << result.doubled
          << " gave days to a dated version of their number\n";
    } else {
      out << "lanzhou-timetable: " << result.versions << " train versions, " << result.running
          << " running that day; left out " << result.unusable << " without a timed stop and "
          << result.doubled << " of a train number already taken\n";
    }
  } catch (const import::OutsidePeriodError& e) {
    err << "lanzhou-timetable import-crawl: --day: " << e.what() << "\n";
    return kExitUsage;
  } catch (const import::ImportError& e) {
    err << "lanzhou-timetable import-crawl: " << e.what() << "\n";
    return kExitFailed;
  } catch (const data::TimetableFileError& e) {
    err << "lanzhou-timetable import-crawl: " << e.what() << "\n";
    return kExitFailed;
  } catch (const system::FileWriteError& e) {
    err << "lanzhou-timetable import-crawl: " << e.what() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace lanzhou::timetable_cli
