#pragma once
// The timetable file: one zip archive holding a whole timetable, so a current timetable can be
// opened at run time instead of being compiled in. Members (docs/timetable-file.md):
//
//   meta.txt                   UTF-8 "key: value" lines: format, name, valid, source, made,
//                              trains, stops, stations
//   STRAIN, SLIST, SM, SPY     the four tables, packed as the embedded resources are (4-byte
//                              size + zlib), stored in the zip without recompression: from
//                              format 3 on as table images (MemTable::Image), which open
//                              without parsing; before, as table texts (still read)
//   CALENDAR                   the running days (data/calendar.h), packed alike; format 2 on
//
// A file of format 1 has no CALENDAR: it opens as a one-day period (its `valid` day) in which
// every train runs.
//
// Reading checks the container (every member's CRC), the format version and the metadata; the
// packed tables are unpacked later by the loaders, exactly as the embedded ones.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/resource_registry.h"

namespace lanzhou::data {

class MemTable;

// The format this program writes, and the oldest it still reads.
inline constexpr int kTimetableFormatVersion = 3;
inline constexpr int kOldestTimetableFormatVersion = 1;
inline constexpr std::string_view kCalendarMember = "CALENDAR";

// Member names inside the archive.
inline constexpr std::string_view kTimetableMetaMember = "meta.txt";

// Bounds a timetable file keeps to, checked against the file's size and its zip directory before
// anything is read, so that no header can make the reader reserve more. The national timetable
// packs to about 1.4 MiB.
inline constexpr std::uint64_t kMaxTimetableBytes = 64u << 20;  // the file, and its members together
inline constexpr std::uint64_t kMaxTimetableMetaBytes = 64u << 10;  // meta.txt
inline constexpr std::size_t kMaxTimetableMetaKeys = 64;
inline constexpr std::size_t kMaxTimetableMembers = 64;
inline constexpr std::size_t kMaxTimetableNameChars = 64;

// What the file says about its timetable.
struct TimetableMeta {
  std::string name;        // shown to the user, e.g. "全国"
  // The period the timetable is valid for: "2024-06-15..2024-09-10", or one day "2024-07-05".
  std::string valid_date;
  std::string source;      // where it came from
  std::string made;        // when the file was made, e.g. "2024-07-06T08:00:00Z"
  int format_version = kTimetableFormatVersion;
  long trains = 0;
  long stops = 0;
  long stations = 0;
};

// The four plain table texts (GBK, CR LF), as the builder and the importers make them.
struct TimetableTexts {
  std::string strain;  // KMTrain
  std::string slist;   // KMList
  std::string sm;      // KMSM
  std::string spy;     // KMPy
  // The running days (Calendar::Text); empty: every train runs every day of the period `valid`.
  std::string calendar;
};

// The four tables packed (4-byte size + zlib), as the archive holds them.
struct PackedTimetable {
  std::string strain;
  std::string slist;
  std::string sm;
  std::string spy;
  std::string calendar;  // CALENDAR, packed alike
};

// Why a timetable file was refused; the window words its message from the kind.
enum class TimetableFileProblem {
  kUnreadable,     // cannot be opened or read at all
  kNotArchive,     // not a zip archive, or its directory is damaged
  kDamaged,        // a member fails its checksum or cannot be read
  kMissingMember,  // meta.txt or one of the four tables is absent
  kWrongVersion,   // a format version this program does not read
  kBadMeta,        // meta.txt lacks a field or a count is not a number
  kBadTable,       // a table member is not a packed table
};

// A timetable file that cannot be read or written; what() is an English sentence naming the
// file, detail() the part after the file name.
class TimetableFileError : public std::runtime_error {
 public:
  TimetableFileError(TimetableFileProblem problem, const std::filesystem::path& path,
                     std::string detail);
  [[nodiscard]] TimetableFileProblem problem() const { return problem_; }
  [[nodiscard]] const std::string& detail() const { return detail_; }

 private:
  TimetableFileProblem problem_;
  std::string detail_;
};

// A whole timetable file in memory: its metadata and the packed tables.
struct TimetableFile {
  TimetableMeta meta;
  PackedTimetable tables;
};

// Packs the texts and writes the archive with the metadata, replacing `path` whole or not at
// all. Throws TimetableFileError (kUnreadable for a file that cannot be written).
void WriteTimetableFile(const std::filesystem::path& path, const TimetableMeta& meta,
                        const TimetableTexts& texts);

// Reads and checks the archive (container, checksums, version, metadata, the packed tables'
// headers). A file of format 1 gets the calendar of its one day. Throws TimetableFileError.
[[nodiscard]] TimetableFile ReadTimetableFile(const std::filesystem::path& path);

// The metadata text of meta.txt and its reader (which throws TimetableFileError with kBadMeta or
// kWrongVersion, naming `path`).
[[nodiscard]] std::string MetaText(const TimetableMeta& meta);
[[nodiscard]] TimetableMeta ParseMetaText(std::string_view text, const std::filesystem::path& path);

// True for a real date YYYY-MM-DD or a period YYYY-MM-DD..YYYY-MM-DD whose first day is not
// after its last.
[[nodiscard]] bool IsValidPeriod(std::string_view text);

// The rules every table of a timetable file must pass, run by the writer before anything is
// written: the metadata as the reader parses it, every table text as the loaders load it, and
// the counts of meta.txt against the tables. Throws TimetableFileError naming `path`.
void CheckTimetableTexts(const TimetableMeta& meta, const TimetableTexts& texts,
                         const std::filesystem::path& path);

// The counts of meta.txt against loaded tables (either may be null when not loaded): trains the
// rows of SLIST, stops the rows of STRAIN, stations the distinct stations of STRAIN. Throws
// TimetableFileError (kBadTable).
void CheckTableCounts(const TimetableMeta& meta, const MemTable* strain,
                      const MemTable* slist, const std::filesystem::path& path);

// Adds the four packed tables and the calendar to `registry` under the names the loaders ask
// for; `file` must outlive the registry's use.
void RegisterTimetable(const TimetableFile& file, ResourceRegistry& registry);

}  // namespace lanzhou::data
