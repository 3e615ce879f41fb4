#include "import/import_crawl_command.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "import/crawl_import.h"
#include "system/atomic_file.h"

namespace lanzhou::import {
namespace {

namespace fs = std::filesystem;

struct Arguments {
  std::string timetable, stations, groups, day, tables;
};

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path.string() + ": cannot be opened");
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ImportError(path.string() + ": cannot be read");
  return bytes;
}

// Parses the words; an error text when they make no sense.
std::optional<std::string> Parse(const std::vector<std::string>& words, Arguments& a) {
  const std::pair<const char*, std::string*> options[] = {{"--timetable", &a.timetable},
                                                          {"--stations", &a.stations},
                                                          {"--groups", &a.groups},
                                                          {"--day", &a.day},
                                                          {"--tables", &a.tables}};
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
  for (const auto& [name, field] : options) {
    if (field->empty() && std::string_view(name) != "--tables") {
      return std::string(name) + " is required";
    }
  }
  if (a.tables.empty()) return "--tables DIR is required";
  return std::nullopt;
}

}  // namespace

std::string ImportCrawlHelp() {
  return "usage: import-crawl --timetable CSV --stations CSV --groups CSV --day YYYY-MM-DD\n"
         "                    --tables DIR\n"
         "Imports the trains running on one day from the raw crawl of the national timetable.\n"
         "  --timetable CSV   the raw compact crawl (blocks of header and stop lines)\n"
         "  --stations CSV    the 12306 station list (code, name, initials, city)\n"
         "  --groups CSV      stations of one city, one group per line\n"
         "  --day DATE        the day whose trains are kept\n"
         "  --tables DIR      write strain.txt, slist.txt, sm.txt, spy.txt into DIR\n";
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
    const fs::path dir = a.tables;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw ImportError(dir.string() + ": cannot be created: " + ec.message());
    system::WriteFileAtomically(dir / "strain.txt", result.strain);
    system::WriteFileAtomically(dir / "slist.txt", result.slist);
    system::WriteFileAtomically(dir / "sm.txt", result.sm);
    system::WriteFileAtomically(dir / "spy.txt", result.spy);
    out << "import-crawl: " << a.day << ": " << result.trains << " trains, " << result.stops
        << " stops, " << result.stations << " stations; " << result.names << " names, "
        << result.groups << " groups (" << result.placed << " stations grouped by rule)\n"
        << "import-crawl: " << result.versions << " train versions, " << result.running
        << " running that day; left out: " << result.unusable << " without timed stops, "
        << result.doubled << " of a number already taken\n";
  } catch (const ImportError& e) {
    err << "import-crawl: " << e.what() << "\n";
    return 1;
  } catch (const system::FileWriteError& e) {
    err << "import-crawl: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace lanzhou::import
