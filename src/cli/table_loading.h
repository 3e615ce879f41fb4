#pragma once
// Loading the four tables for one command: from the resources built into the program, or from
// the files of a folder (--data), through the same unpacking and table text reader.
//
// The window's loader threads end silently on a failure; a script needs the reader's message,
// so the command line loads the tables itself, in the loaders' order, and reports each failure.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "data/packed_resource.h"
#include "data/resource_registry.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"

namespace lanzhou::cli {

// Resource names of the four tables, as the loaders ask for them.
inline constexpr std::string_view kStrain = "STrain";
inline constexpr std::string_view kSlist = "SList";
inline constexpr std::string_view kSm = "SM";
inline constexpr std::string_view kSpy = "SPY";

// One table that could not be loaded.
struct LoadFailure {
  std::string table;    // resource name, "STRAIN" ... as the files are named
  std::string message;  // the reader's (or unpacker's) message
};

// True when bytes begin with a 4-byte size and a zlib stream header, as packed resources do;
// table text begins with a quote instead.
[[nodiscard]] bool LooksPacked(std::string_view bytes);

// Largest table file read, checked against the file's size before a byte is read: the national
// timetable's biggest table text is about 7 MiB, and no table may unpack to more than this
// either.
inline constexpr std::size_t kMaxTableFileBytes = data::kMaxUnpackedSize;

// The table text of DIR/<name> (the name matched without regard to ASCII case): unpacked when
// packed, as it is when plain. Throws std::runtime_error for a missing or unreadable file (with
// the reason: no such file, permission denied, a folder, not a regular file, too large) and
// data::ResourceError for a packed file that does not unpack.
[[nodiscard]] std::string ReadTableFile(const std::filesystem::path& dir, std::string_view name);

// Where the table text comes from: a registry of packed resources, or a folder of files.
class TableSource {
 public:
  static TableSource Embedded(const data::ResourceRegistry& registry);
  static TableSource Folder(std::filesystem::path dir);
  // The unpacked table text of one table; throws as the readers do.
  [[nodiscard]] std::string Read(std::string_view name) const;
  // The same for a member that may be absent (the calendar): nothing when it is not there.
  [[nodiscard]] std::optional<std::string> ReadOptional(std::string_view name) const;

 private:
  const data::ResourceRegistry* registry_ = nullptr;
  std::filesystem::path dir_;
};

// Which of the four tables a command reads. A start-up that loads only these is most of what
// makes a short command quick: the stop table alone is four fifths of the loading.
struct TableNeeds {
  bool py = true;     // SPY -> KMPy
  bool list = true;   // SList -> KMList
  bool sm = true;     // SM -> KMSM
  bool train = true;  // STrain -> KMTrain
};

// The tables of one command: the checks' and the query's. The train number check waits for
// KMSM as its button does (KMSM is the last table of KMList's loader), so `train` loads it too.
[[nodiscard]] TableNeeds TablesFor(Command command);

// Loads the needed ones of SPY, SList and SM (stopping at the first failure, as their loader
// does) and STrain, selects each table's working index and sets its ready flag. Returns the
// failures, in that order; empty when every needed table stands. Tables not needed stay empty
// and not ready. With stops_beside, STrain loads on a second thread meanwhile.
[[nodiscard]] std::vector<LoadFailure> LoadTables(const TableSource& source,
                                                  data::TimetableStore& store,
                                                  TableNeeds needs = {},
                                                  bool stops_beside = false);

// Where one command reads its tables: the folder of --data, the timetable file of --timetable,
// or the built-in resources (embedded, which must then outlive the tables).
struct TableOrigin {
  std::optional<std::string> data_dir;
  std::optional<std::string> timetable_file;
  const data::ResourceRegistry* embedded = nullptr;
};

// The tables of one command, those it needs loaded. Each failure is also written to err as
// "lanzhou-query: TABLE: message"; a timetable file that cannot be opened at all, or no
// timetable anywhere, as "lanzhou-query: reason", with unusable set and no table loaded.
class CommandTables {
 public:
  CommandTables(const TableOrigin& origin, TableNeeds needs, std::ostream& err,
                bool stops_beside = false);
  CommandTables(const CommandTables&) = delete;
  CommandTables& operator=(const CommandTables&) = delete;

 private:
  data::TimetableFile file_;            // the opened timetable file's packed tables
  data::ResourceRegistry file_tables_;  // ... registered as the built-in ones are
  data::ResourceRegistry no_resources_;  // the store's registry when nothing is built in

 public:
  data::TimetableStore store;
  std::vector<LoadFailure> failures;
  bool unusable = false;  // no table could be read at all: the file or the timetable is missing
  std::optional<data::TimetableMeta> meta;  // what a timetable file says of itself (--timetable)
};

}  // namespace lanzhou::cli
