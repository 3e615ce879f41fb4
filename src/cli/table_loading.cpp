#include "cli/table_loading.h"

#include <atomic>
#include <exception>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <system_error>

#include "data/csv_table_format.h"
#include "data/packed_resource.h"

namespace lanzhou::cli {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// DIR/<name> as written, else the entry of DIR whose name is <name> in another case, else
// <name>.txt in any case (the names lanzhou-timetable-build gives its output).
std::filesystem::path FindTableFile(const std::filesystem::path& dir, std::string_view name) {
  const std::filesystem::path exact = dir / Upper(name);
  std::error_code ec;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  for (const std::string& wanted : {Upper(name), Upper(name) + ".TXT"}) {
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (Upper(entry.path().filename().string()) == wanted && entry.is_regular_file(ec)) {
        return entry.path();
      }
    }
  }
  throw std::runtime_error("no file " + Upper(name) + " in " + dir.string());
}

// Loads one table and selects its working index ("" for none); the flag is set by the caller.
void LoadOne(const TableSource& source, std::string_view name, data::MemTable& table,
             const data::CsvTableFormat& format, std::string_view index) {
  const std::string text = source.Read(name);
  data::LoadFromStream(table, text, format);
  if (!index.empty()) table.SetIndexName(index);
}

// Runs one load step; a failure is recorded under the table's file name.
bool Step(std::vector<LoadFailure>& failures, std::string_view name, std::atomic<bool>& ready,
          const std::function<void()>& load) {
  ready = false;
  try {
    load();
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
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw std::runtime_error("cannot read " + path.string());
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
                                    TableNeeds needs) {
  std::vector<LoadFailure> failures;
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
  if (needs.train) {
    (void)Step(failures, kStrain, store.KMTrainReady,
               [&] { LoadOne(source, kStrain, store.KMTrain, store.sfCSV1, "SIDNo"); });
  }
  return failures;
}

}  // namespace lanzhou::cli
