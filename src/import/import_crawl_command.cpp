#include "import/import_crawl_command.h"

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "data/timetable_file.h"
#include "import/crawl_import.h"
#include "system/atomic_file.h"

namespace lanzhou::import {
namespace {

namespace fs = std::filesystem;

struct Arguments {
  std::string timetable, stations, groups, day, output, tables, name;
};

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path.string() + ": cannot be opened");
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ImportError(path.string() + ": cannot be read");
  return bytes;
}

// Now in UTC as YYYY-MM-DDTHH:MM:SSZ.
std::string MadeNow() {
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  const auto day = std::chrono::floor<std::chrono::days>(now);
  const std::chrono::year_month_day ymd{day};
  const std::chrono::hh_mm_ss hms{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ldZ", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), long(hms.hours().count()),
                long(hms.minutes().count()), long(hms.seconds().count()));
  return text;
}

// Parses the words; an error text when they make no sense.
std::optional<std::string> Parse(const std::vector<std::string>& words, Arguments& a) {
  const std::pair<const char*, std::string*> options[] = {{"--timetable", &a.timetable},
                                                          {"--stations", &a.stations},
                                                          {"--groups", &a.groups},
                                                          {"--day", &a.day},
                                                          {"-o", &a.output},
                                                          {"--output", &a.output},
                                                          {"--tables", &a.tables},
                                                          {"--name", &a.name}};
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    std::optional<std::string> value;
    if (const auto eq = word.find('='); word.starts_with("--") && eq != std::string::npos) {
      value = word.substr(eq + 1);
      word.resize(eq);
    }
    std::string* target = nullptr;
    for (const auto& [name, field] : options) {
      if (word == name) target = field;
    }
    if (target == nullptr) return "unknown option " + word;
    if (!value) {
      if (i + 1 >= words.size()) return word + " needs a value";
      value = words[++i];
    }
    *target = *value;
  }
  for (const auto& [name, field] : {std::pair{"--timetable", &a.timetable},
                                    std::pair{"--stations", &a.stations},
                                    std::pair{"--groups", &a.groups}, std::pair{"--day", &a.day}}) {
    if (field->empty()) return std::string(name) + " is required";
  }
  if (a.output.empty() && a.tables.empty()) return "-o FILE (or --tables DIR) is required";
  return std::nullopt;
}

}  // namespace

std::string ImportCrawlHelp() {
  return "usage: import-crawl --timetable CSV --stations CSV --groups CSV --day YYYY-MM-DD\n"
         "                    -o FILE [--tables DIR] [--name NAME]\n"
         "Imports the trains running on one day from the raw crawl of the national timetable.\n"
         "  --timetable CSV   the raw compact crawl (blocks of header and stop lines)\n"
         "  --stations CSV    the 12306 station list (code, name, initials, city)\n"
         "  --groups CSV      stations of one city, one group per line\n"
         "  --day DATE        the day whose trains are kept\n"
         "  -o, --output FILE write the timetable file\n"
         "  --tables DIR      (also, or instead) write the four table texts strain.txt,\n"
         "                    slist.txt, sm.txt, spy.txt into DIR, as lanzhou-query --data\n"
         "                    reads them\n"
         "  --name NAME       the timetable's name in the file (default 全国)\n";
}

int RunImportCrawl(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  Arguments a;
  if (const auto problem = Parse(words, a)) {
    err << "import-crawl: " << *problem << "\n" << ImportCrawlHelp();
    return 2;
  }
  CrawlImportInput input;
  try {
    input.day = ParseIsoDate(a.day);
  } catch (const RunningDaysError& e) {
    err << "import-crawl: --day: " << e.what() << "\n";
    return 2;
  }
  try {
    const std::string timetable = ReadWhole(a.timetable);
    const std::string stations = ReadWhole(a.stations);
    const std::string groups = ReadWhole(a.groups);
    input.timetable = timetable;
    input.stations = stations;
    input.groups = groups;
    input.timetable_name = a.timetable;
    input.stations_name = a.stations;
    input.groups_name = a.groups;
    const CrawlImport result = ImportCrawl(input);
    if (!a.tables.empty()) {
      const fs::path dir = a.tables;
      std::error_code ec;
      fs::create_directories(dir, ec);
      if (ec) throw ImportError(dir.string() + ": cannot be created: " + ec.message());
      system::WriteFileAtomically(dir / "strain.txt", result.texts.strain);
      system::WriteFileAtomically(dir / "slist.txt", result.texts.slist);
      system::WriteFileAtomically(dir / "sm.txt", result.texts.sm);
      system::WriteFileAtomically(dir / "spy.txt", result.texts.spy);
    }
    if (!a.output.empty()) {
      data::TimetableMeta meta;
      meta.name = a.name.empty() ? "全国" : a.name;
      meta.valid_date = a.day;
      meta.source = "import-crawl " + fs::path(a.timetable).filename().string() + ", " +
                    fs::path(a.stations).filename().string() + ", " +
                    fs::path(a.groups).filename().string();
      meta.made = MadeNow();
      meta.trains = result.trains;
      meta.stops = result.stops;
      meta.stations = result.stations;
      data::WriteTimetableFile(a.output, meta, result.texts);
    }
    out << "import-crawl: " << a.day << ": " << result.trains << " trains, " << result.stops
        << " stops, " << result.stations << " stations; " << result.names << " names, "
        << result.groups << " groups (" << result.placed << " stations grouped by rule)\n"
        << "import-crawl: " << result.versions << " train versions, " << result.running
        << " running that day; left out: " << result.unusable << " without timed stops, "
        << result.doubled << " of a number already taken\n";
  } catch (const ImportError& e) {
    err << "import-crawl: " << e.what() << "\n";
    return 1;
  } catch (const data::TimetableFileError& e) {
    err << "import-crawl: " << e.what() << "\n";
    return 1;
  } catch (const system::FileWriteError& e) {
    err << "import-crawl: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace lanzhou::import
