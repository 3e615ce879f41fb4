#include "cli/table_loading.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "data/csv_table_format.h"
#include "data/packed_resource.h"
#include "data/timetable_schema.h"
#include "system/heap.h"
#include "text/ascii.h"

namespace lanzhou::cli {

namespace {

std::string Upper(std::string_view name) {
  return text::UpperAscii(name);
}

// What is wrong with a path that should be a table file, or "" when it is a regular file.
std::string NotATableFile(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec) return path.string() + ": " + ec.message();
  if (std::filesystem::is_directory(status))
    return path.string() + " is a folder, not a table file";
  if (!std::filesystem::is_regular_file(status)) {
    return path.string() + " is not a regular file";
  }
  return {};
}

// DIR/<name> as written, else the entry of DIR whose name is <name> in another case, else
// <name>.txt in any case (the names lanzhou-timetable-build gives its output). A name that is
// there but is no readable regular file says why.
std::filesystem::path FindTableFile(const std::filesystem::path& dir, std::string_view name) {
  const std::filesystem::path exact = dir / Upper(name);
  std::error_code ec;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  std::filesystem::directory_iterator entries(dir, ec);
  if (ec) throw std::runtime_error("cannot read the folder " + dir.string() + ": " + ec.message());
  std::vector<std::filesystem::path> names;
  for (; entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
    if (ec) break;
    names.push_back(entries->path());
  }
  for (const std::string& wanted : {Upper(name), Upper(name) + ".TXT"}) {
    for (const std::filesystem::path& path : names) {
      if (Upper(path.filename().string()) != wanted) continue;
      const std::string wrong = NotATableFile(path);
      if (!wrong.empty()) throw std::runtime_error(wrong);
      return path;
    }
  }
  throw std::runtime_error("no file " + Upper(name) + " in " + dir.string());
}

// Loads one table and selects its working index ("" for none); the flag is set by the caller.
void LoadOne(const TableSource& source, std::string_view name, data::MemTable& table,
             const data::CsvTableFormat& format, std::string_view index) {
  const std::string text = source.Read(name);
  data::LoadTimetableTable(name, text, table, format);
  if (!index.empty()) table.SetIndexName(index);
}

// Runs one load step; a failure is recorded under the table's file name.
bool Step(std::vector<LoadFailure>& failures, std::string_view name, std::atomic<bool>& ready,
          const std::function<void()>& load) {
  ready = false;
  try {
    load();
  } catch (const std::bad_alloc&) {
    failures.push_back({Upper(name), "not enough memory to load this table"});
    return false;
  } catch (const std::exception& e) {
    failures.push_back({Upper(name), e.what()});
    return false;
  }
  ready = true;
  return true;
}

}  // namespace

bool LooksPacked(std::string_view bytes) {
  if (bytes.size() < 6) return false;
  const auto cmf = static_cast<unsigned char>(bytes[4]);
  const auto flg = static_cast<unsigned char>(bytes[5]);
  // RFC 1950: deflate method 8 and a header check making CMF * 256 + FLG a multiple of 31.
  return (cmf & 0x0F) == 8 && (cmf * 256 + flg) % 31 == 0;
}

std::string ReadTableFile(const std::filesystem::path& dir, std::string_view name) {
  const std::filesystem::path path = FindTableFile(dir, name);
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
  // The size first: a file far too large is refused before any of it is read.
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::uint64_t>(status.st_size) > kMaxTableFileBytes) {
    throw std::runtime_error(path.string() + " is " + std::to_string(status.st_size) +
                             " bytes, more than " + std::to_string(kMaxTableFileBytes >> 20) +
                             " MiB; no table file is that large");
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    if (n > kMaxTableFileBytes - bytes.size()) {
      throw std::runtime_error(path.string() + " holds more than " +
                               std::to_string(kMaxTableFileBytes >> 20) +
                               " MiB; no table file is that large");
    }
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) {
    throw std::runtime_error("cannot read " + path.string() + ": " + std::strerror(errno));
  }
  return LooksPacked(bytes) ? data::UnpackResource(bytes) : bytes;
}

TableSource TableSource::Embedded(const data::ResourceRegistry& registry) {
  TableSource source;
  source.registry_ = &registry;
  return source;
}

TableSource TableSource::Folder(std::filesystem::path dir) {
  TableSource source;
  source.dir_ = std::move(dir);
  return source;
}

std::string TableSource::Read(std::string_view name) const {
  if (registry_) return data::ReadPackedResource(*registry_, name);
  return ReadTableFile(dir_, name);
}

std::optional<std::string> TableSource::ReadOptional(std::string_view name) const {
  if (registry_) {
    if (!registry_->Find(name, data::kResourceTypeMe)) return std::nullopt;
    return data::ReadPackedResource(*registry_, name);
  }
  try {
    (void)FindTableFile(dir_, name);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return ReadTableFile(dir_, name);
}

TableNeeds TablesFor(Command command) {
  switch (command) {
    case Command::Complete:
      return {.py = true, .list = false, .sm = false, .train = false};
    case Command::Train:
      return {.py = false, .list = true, .sm = true, .train = true};
    case Command::Between:   // names checked in KMPy, station sets from KMSM, stops and trains
    case Command::Transfer:  // the same, and the chooser's stations
    case Command::Station:   // the same for one station
    case Command::Info:      // reports all four
      return {};
  }
  return {};
}

std::vector<LoadFailure> LoadTables(const TableSource& source, data::TimetableStore& store,
                                    TableNeeds needs, bool stops_beside) {
  std::vector<LoadFailure> failures;
  // The stop table on a thread of its own, as the window's loaders do: it is most of the work,
  // and it has its own format reader (sfCSV1).
  std::vector<LoadFailure> stop_failures;
  const auto load_stops = [&] {
    // The running days come with the stops, as the window's loader takes them.
    (void)Step(stop_failures, kStrain, store.KMTrainReady, [&] {
      if (const auto calendar = source.ReadOptional("CALENDAR"); calendar && !calendar->empty()) {
        store.calendar = data::Calendar::Parse(*calendar);
      }
      LoadOne(source, kStrain, store.KMTrain, store.sfCSV1, "SIDNo");
    });
  };
  std::jthread stops;
  if (needs.train && stops_beside) {
    stops = std::jthread([&] {
      system::AdviseHugePagesForThreadHeap();
      load_stops();
    });
  }
  // The working indexes the loader threads select: KMPy keeps its load order (completion lists
  // stations in the text's order); the others iterate by their keys.
  bool going = true;  // the SPY, SList, SM chain stops at its first failure
  if (needs.py) {
    going = Step(failures, kSpy, store.KMPyReady,
                 [&] { LoadOne(source, kSpy, store.KMPy, store.sfCSV, ""); });
  }
  if (going && needs.list) {
    going = Step(failures, kSlist, store.KMListReady,
                 [&] { LoadOne(source, kSlist, store.KMList, store.sfCSV, "SID"); });
  }
  if (going && needs.sm) {
    (void)Step(failures, kSm, store.KMSMReady,
               [&] { LoadOne(source, kSm, store.KMSM, store.sfCSV, "SStation"); });
  }
  if (stops.joinable()) {
    stops.join();
  } else if (needs.train) {
    load_stops();
  }
  failures.insert(failures.end(), stop_failures.begin(), stop_failures.end());
  return failures;
}

CommandTables::CommandTables(const TableOrigin& origin, TableNeeds needs, std::ostream& err,
                             bool stops_beside)
    : store(origin.embedded ? *origin.embedded : no_resources_) {
  const data::ResourceRegistry* embedded = origin.embedded;
  if (origin.timetable_file) {
    try {
      file_ = data::ReadTimetableFile(*origin.timetable_file);
    } catch (const data::TimetableFileError& e) {
      err << "lanzhou-query: " << e.what() << "\n";
      unusable = true;
      return;
    }
    meta = file_.meta;
    data::RegisterTimetable(file_, file_tables_);
    embedded = &file_tables_;
  }
  if (!origin.data_dir && !embedded) {
    err << "lanzhou-query: no timetable is built into this program; give --data DIR\n";
    unusable = true;
    return;
  }
  const TableSource source =
      origin.data_dir ? TableSource::Folder(*origin.data_dir) : TableSource::Embedded(*embedded);
  failures = LoadTables(source, store, needs, stops_beside);
  if (origin.timetable_file && failures.empty() && !stops_beside) {
    // The counts meta.txt gives must be the tables' own.
    try {
      data::CheckTableCounts(file_.meta, store.KMTrainReady ? &store.KMTrain : nullptr,
                             store.KMListReady ? &store.KMList : nullptr,
                             *origin.timetable_file);
    } catch (const data::TimetableFileError& e) {
      err << "lanzhou-query: " << e.what() << "\n";
      failures.push_back({"META.TXT", e.detail()});
      return;
    }
  }
  // A table of a timetable file is named with the file, so the message says which file is bad.
  const std::string where =
      origin.timetable_file ? "timetable file " + *origin.timetable_file + ": table " : "";
  for (const LoadFailure& f : failures) {
    err << "lanzhou-query: " << where << f.table << ": " << f.message << "\n";
  }
}

}  // namespace lanzhou::cli
