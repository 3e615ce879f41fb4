// Timetable files from outside the program: the bytes of a whole file (zip container, meta.txt,
// packed tables) -> ReadTimetableFile -> every table unpacked and loaded as the program loads it
// -> the counts of meta.txt against the tables.
//
// An input that begins as a table image (a table member of a file of format 3, unpacked) goes to
// the image reader alone, since a mutated member inside a file rarely passes its CRC: an accepted
// image must load again, unchanged, from the image of what it loaded, and pass or fail the
// timetable rules without any other error.
//
// Beyond crashes and sanitizer reports the fuzzer aborts when an accepted file breaks what the
// reader promises: metadata that is not UTF-8, a name over 64 characters, a "valid" that is no
// date or period, a packed table announcing more than a table may hold. Run with a small
// -rss_limit_mb (scripts/fuzz.sh gives 2048; 300 makes any allocation past the bounds a crash).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "data/timetable_schema.h"
#include "text/gbk.h"

namespace {

namespace data = lanzhou::data;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// One file in memory, rewritten for each input; the reader opens it by path as it opens any.
const std::string& FilePath() {
  static const std::string path = [] {
    const int fd = ::memfd_create("timetable.lzt", 0);
    Require(fd >= 0, "memfd_create");
    return "/proc/self/fd/" + std::to_string(fd);
  }();
  return path;
}

void Put(const std::uint8_t* bytes, std::size_t size) {
  const int fd = std::atoi(FilePath().c_str() + 14);
  Require(::ftruncate(fd, 0) == 0, "ftruncate");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(done));
    Require(n > 0, "pwrite");
    done += static_cast<std::size_t>(n);
  }
}

void FuzzImage(std::string_view image) {
  data::MemTable table;
  try {
    table.LoadImage(image);
  } catch (const data::TableError&) {
    return;
  }
  const std::string again = table.Image();
  data::MemTable reread;
  try {
    reread.LoadImage(again);
  } catch (const data::TableError&) {
    Require(false, "the image of an accepted image is refused");
  }
  Require(reread.Image() == again, "an image changes when read and written again");
  for (const char* name : {"STRAIN", "SLIST", "SM", "SPY"}) {
    data::MemTable checked;
    try {
      data::LoadTimetableTable(name, image, checked, data::CsvTableFormat{});
    } catch (const data::TableError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  if (data::IsTableImage(input)) {
    FuzzImage(input);
    return 0;
  }
  Put(bytes, size);
  data::TimetableFile file;
  try {
    file = data::ReadTimetableFile(FilePath());
  } catch (const data::TimetableFileError&) {
    return 0;
  }
  const data::TimetableMeta& meta = file.meta;
  Require(lanzhou::text::IsValidUtf8(meta.name) && lanzhou::text::IsValidUtf8(meta.source) &&
              lanzhou::text::IsValidUtf8(meta.made),
          "accepted metadata that is not UTF-8");
  Require(!meta.name.empty() && lanzhou::text::Utf8Length(meta.name) <= data::kMaxTimetableNameChars,
          "accepted a name of no or too many characters");
  Require(data::IsValidPeriod(meta.valid_date), "accepted a valid that is no date or period");

  const data::CsvTableFormat format;
  data::MemTable strain, slist, other;
  bool all = true;
  for (const auto& [name, packed, table] :
       {std::tuple{"STRAIN", &file.tables.strain, &strain},
        std::tuple{"SLIST", &file.tables.slist, &slist}, std::tuple{"SM", &file.tables.sm, &other},
        std::tuple{"SPY", &file.tables.spy, &other}}) {
    Require(data::PackedSize(*packed) <= data::kMaxUnpackedSize,
            "accepted a table announcing more than a table may hold");
    try {
      data::LoadTimetableTable(name, data::UnpackResource(*packed), *table, format);
    } catch (const std::runtime_error&) {
      all = false;
    }
  }
  if (!all) return 0;
  try {
    data::CheckTableCounts(meta, &strain, &slist, FilePath());
  } catch (const data::TimetableFileError&) {
  }
  return 0;
}
