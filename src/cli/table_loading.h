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

#include "data/resource_registry.h"
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

// The table text of DIR/<name> (the name matched without regard to ASCII case): unpacked when
// packed, as it is when plain. Throws std::runtime_error for a missing or unreadable file and
// data::ResourceError for a packed file that does not unpack.
[[nodiscard]] std::string ReadTableFile(const std::filesystem::path& dir, std::string_view name);

// Where the table text comes from: a registry of packed resources, or a folder of files.
class TableSource {
 public:
  static TableSource Embedded(const data::ResourceRegistry& registry);
  static TableSource Folder(std::filesystem::path dir);
  // The unpacked table text of one table; throws as the readers do.
  [[nodiscard]] std::string Read(std::string_view name) const;

 private:
  const data::ResourceRegistry* registry_ = nullptr;
  std::filesystem::path dir_;
};

// Loads SPY, SList and SM (stopping at the first failure, as their loader does) and STrain,
// selects each table's working index and sets its ready flag. Returns the failures, in that
// order; empty when all four stand.
[[nodiscard]] std::vector<LoadFailure> LoadTables(const TableSource& source,
                                                  data::TimetableStore& store);

// The tables of one command: from the folder of --data when given, else from the built-in
// resources (embedded, which must then be given and outlive this). Each failure is also written
// to err as "lanzhou-query: TABLE: message".
class CommandTables {
 public:
  CommandTables(const std::optional<std::string>& data_dir, const data::ResourceRegistry* embedded,
                std::ostream& err);
  CommandTables(const CommandTables&) = delete;
  CommandTables& operator=(const CommandTables&) = delete;

 private:
  data::ResourceRegistry no_resources_;  // the store's registry when nothing is built in

 public:
  data::TimetableStore store;
  std::vector<LoadFailure> failures;
};

}  // namespace lanzhou::cli
