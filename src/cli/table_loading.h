#pragma once
// Loading the four tables for one command: from the resources built into the program, or from
// the files of a folder (--data), through the same unpacking and table text reader.
//
// The window's loader threads end silently on a failure; a script needs the reader's message,
// so the command line loads the tables itself, in the loaders' order, and reports each failure.
#include <filesystem>
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

// Largest table file read: the national timetable's biggest table is a few tens of MiB.
inline constexpr std::size_t kMaxTableFileBytes = std::size_t{256} << 20;

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

 private:
  const data::ResourceRegistry* registry_ = nullptr;
  std::filesystem::path dir_;
};

// Loads SPY, SList and SM (stopping at the first failure, as their loader does) and STrain,
// selects each table's working index and sets its ready flag. Returns the failures, in that
// order; empty when all four stand.
[[nodiscard]] std::vector<LoadFailure> LoadTables(const TableSource& source,
                                                  data::TimetableStore& store);

}  // namespace lanzhou::cli
