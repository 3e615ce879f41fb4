#include "data/timetable_file.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <unordered_set>
#include <utility>

#include "data/calendar.h"
#include "data/csv_table_format.h"
#include "data/libzip_runtime.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/timetable_schema.h"
#include "system/atomic_file.h"
#include "text/gbk.h"

namespace lanzhou::data {
namespace {

namespace fs = std::filesystem;

const Libzip& Zip() { return LibzipFunctions(); }

// Loads libzip before the first use, so a missing library is a failure of this file's reading.
void NeedLibzip(const fs::path& path) {
  try {
    (void)LibzipFunctions();
  } catch (const std::runtime_error& e) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, e.what());
  }
}

// The table members in archive order, with where each lives in PackedTimetable.
struct TableMember {
  std::string_view name;
  std::string PackedTimetable::*packed;
  const std::string TimetableTexts::*text;
};
constexpr std::array<TableMember, 4> kTableMembers{{
    {"STRAIN", &PackedTimetable::strain, &TimetableTexts::strain},
    {"SLIST", &PackedTimetable::slist, &TimetableTexts::slist},
    {"SM", &PackedTimetable::sm, &TimetableTexts::sm},
    {"SPY", &PackedTimetable::spy, &TimetableTexts::spy},
}};

std::string LibzipText(int code) {
  zip_error_t error;
  Zip().error_init_with_code(&error, code);
  std::string text = Zip().error_strerror(&error);
  Zip().error_fini(&error);
  return text;
}

std::string LibzipText(zip_t* archive) {
  return Zip().error_strerror(Zip().get_error(archive));
}

struct ArchiveCloser {
  void operator()(zip_t* archive) const { Zip().discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct SourceFreer {
  void operator()(zip_source_t* source) const { Zip().source_free(source); }
};

struct FileCloser {
  void operator()(zip_file_t* file) const { Zip().fclose(file); }
};

// One line of meta.txt: no line breaks inside a value.
std::string OneLine(std::string value) {
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

long ParseCount(const std::map<std::string, std::string, std::less<>>& fields, std::string_view key,
                const fs::path& path) {
  const std::string& text = fields.find(key)->second;
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
    throw TimetableFileError(TimetableFileProblem::kBadMeta, path,
                             std::string(kTimetableMetaMember) + ": " + std::string(key) +
                                 " is not a count: \"" + text::EscapeControls(text) + "\"");
  }
  return value;
}

// Refuses a member name shown to the user unless it is short and printable.
std::string MemberShown(const char* name) {
  if (name == nullptr) return "(no name)";
  std::string_view view(name);
  if (view.size() > 64) view = view.substr(0, 64);
  return text::EscapeControls(view);
}

// The zip directory, checked before any member is read: every size it gives is one this file can
// really hold, so no member costs more memory than its bound, whatever its header says. Members
// are judged alike, whatever their name; the tables' own sizes are checked again when unpacked.
void CheckDirectory(zip_t* archive, std::uint64_t file_size, const fs::path& path) {
  const auto damaged = [&](const std::string& why) {
    throw TimetableFileError(TimetableFileProblem::kDamaged, path, why);
  };
  const zip_int64_t count = Zip().get_num_entries(archive, 0);
  if (count < 0 || count > static_cast<zip_int64_t>(kMaxTimetableMembers)) {
    throw TimetableFileError(TimetableFileProblem::kNotArchive, path,
                             "has " + std::to_string(count) + " members; a timetable file has at most " +
                                 std::to_string(kMaxTimetableMembers));
  }
  std::set<std::string, std::less<>> names;
  std::uint64_t total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    Zip().stat_init(&stat);
    if (Zip().stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0) {
      damaged("member " + std::to_string(i + 1) + " of the directory cannot be read: " +
              LibzipText(archive));
    }
    const std::uint64_t need = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE |
                               ZIP_STAT_COMP_METHOD;
    if ((stat.valid & need) != need) {
      damaged("member " + std::to_string(i + 1) + " has an incomplete directory entry");
    }
    const std::string name = MemberShown(stat.name);
    if (!names.emplace(stat.name).second) damaged("has two members named " + name);
    if (stat.comp_size > file_size) {
      damaged("member " + name + " claims " + std::to_string(stat.comp_size) +
              " stored bytes in a file of " + std::to_string(file_size) + " bytes");
    }
    if (stat.comp_method == ZIP_CM_STORE) {
      if (stat.size != stat.comp_size) {
        damaged("member " + name + " is stored but its directory gives two sizes");
      }
    } else if (stat.comp_method == ZIP_CM_DEFLATE) {
      if (stat.size > kMaxInflateRatio * stat.comp_size) {
        damaged("member " + name + " claims " + std::to_string(stat.size) + " bytes from " +
                std::to_string(stat.comp_size) + " compressed bytes, more than deflate can give");
      }
    } else {
      damaged("member " + name + " is compressed by a method this program does not read");
    }
    const std::uint64_t limit =
        name == kTimetableMetaMember ? kMaxTimetableMetaBytes : kMaxTimetableBytes;
    if (stat.size > limit) {
      damaged("member " + name + " is " + std::to_string(stat.size) + " bytes; it may hold at most " +
              std::to_string(limit));
    }
    total += stat.size;
    if (total > kMaxTimetableBytes) {
      damaged("the members hold more than " + std::to_string(kMaxTimetableBytes >> 20) +
              " MiB together; no timetable is that large");
    }
  }
}

// The whole member `name`, read to its end so that libzip checks its CRC.
std::string ReadMember(zip_t* archive, std::string_view name, const fs::path& path) {
  const zip_int64_t index = Zip().name_locate(archive, std::string(name).c_str(), 0);
  if (index < 0) {
    throw TimetableFileError(TimetableFileProblem::kMissingMember, path,
                             "member " + std::string(name) + " is missing");
  }
  zip_stat_t stat;
  Zip().stat_init(&stat);
  if (Zip().stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
      (stat.valid & ZIP_STAT_SIZE) == 0) {
    throw TimetableFileError(TimetableFileProblem::kDamaged, path,
                             "member " + std::string(name) + ": " + LibzipText(archive));
  }
  std::unique_ptr<zip_file_t, FileCloser> file(
      Zip().fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!file) {
    throw TimetableFileError(TimetableFileProblem::kDamaged, path,
                             "member " + std::string(name) + ": " + LibzipText(archive));
  }
  std::string bytes(static_cast<std::size_t>(stat.size), '\0');
  std::size_t filled = 0;
  for (;;) {
    char probe = 0;
    // Fill the block, then read once more: the end of the member is where the CRC is checked.
    char* into = filled < bytes.size() ? bytes.data() + filled : &probe;
    const zip_uint64_t room = filled < bytes.size() ? bytes.size() - filled : 1;
    const zip_int64_t got = Zip().fread(file.get(), into, room);
    if (got < 0) {
      throw TimetableFileError(TimetableFileProblem::kDamaged, path,
                               "member " + std::string(name) + ": " +
                                   Zip().error_strerror(Zip().file_get_error(file.get())));
    }
    if (got == 0) break;
    if (into == &probe) {
      throw TimetableFileError(
          TimetableFileProblem::kDamaged, path,
          "member " + std::string(name) + " is longer than its directory says");
    }
    filled += static_cast<std::size_t>(got);
  }
  if (filled != bytes.size()) {
    throw TimetableFileError(TimetableFileProblem::kDamaged, path,
                             "member " + std::string(name) + " is shorter than its directory says");
  }
  return bytes;
}

// A packed table: a size within bounds and a zlib stream header after it.
void CheckPackedTable(std::string_view bytes, std::string_view name, const fs::path& path) {
  const auto fail = [&](const std::string& why) {
    throw TimetableFileError(TimetableFileProblem::kBadTable, path,
                             "member " + std::string(name) + " " + why);
  };
  if (bytes.size() < 6) fail("is too short to be a packed table");
  const auto cmf = static_cast<unsigned char>(bytes[4]);
  const auto flg = static_cast<unsigned char>(bytes[5]);
  if ((cmf & 0x0F) != 8 || (cmf * 256 + flg) % 31 != 0) fail("is not a packed table");
  const std::uint32_t size = PackedSize(bytes);
  if (size > kMaxUnpackedSize || size > kMaxInflateRatio * (bytes.size() - 4)) {
    fail("announces an impossible size");
  }
}

// Adds `bytes` (kept alive by the caller until zip_close) as a stored member.
void AddMember(zip_t* archive, std::string_view name, std::string_view bytes,
               const fs::path& path) {
  zip_source_t* source = Zip().source_buffer(archive, bytes.data(), bytes.size(), 0);
  if (source == nullptr) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, LibzipText(archive));
  }
  const zip_int64_t index =
      Zip().file_add(archive, std::string(name).c_str(), source, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    Zip().source_free(source);
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, LibzipText(archive));
  }
  // The tables are zlib streams already; meta.txt is a few lines.
  Zip().set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
}

// The archive made in memory: meta.txt first, then the four tables.
std::string ArchiveBytes(const std::string& meta, const PackedTimetable& tables,
                         const fs::path& path) {
  zip_error_t error;
  Zip().error_init(&error);
  std::unique_ptr<zip_source_t, SourceFreer> buffer(
      Zip().source_buffer_create(nullptr, 0, 0, &error));
  if (!buffer) {
    const std::string text = Zip().error_strerror(&error);
    Zip().error_fini(&error);
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, text);
  }
  // The archive takes a reference when opened and drops it when closed; the buffer stays ours.
  Zip().source_keep(buffer.get());
  zip_t* raw = Zip().open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
  if (raw == nullptr) {
    Zip().source_free(buffer.get());  // the reference zip_open_from_source did not take
    const std::string text = Zip().error_strerror(&error);
    Zip().error_fini(&error);
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, text);
  }
  Zip().error_fini(&error);
  Archive archive(raw);
  AddMember(archive.get(), kTimetableMetaMember, meta, path);
  for (const TableMember& member : kTableMembers) {
    AddMember(archive.get(), member.name, tables.*member.packed, path);
  }
  AddMember(archive.get(), kCalendarMember, tables.calendar, path);
  if (Zip().close(archive.get()) != 0) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, LibzipText(archive.get()));
  }
  (void)archive.release();  // zip_close freed it

  zip_source_t* src = buffer.get();
  zip_stat_t stat;
  Zip().stat_init(&stat);
  if (Zip().source_stat(src, &stat) != 0 || Zip().source_open(src) != 0) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path,
                             Zip().error_strerror(Zip().source_error(src)));
  }
  std::string bytes(static_cast<std::size_t>(stat.size), '\0');
  const zip_int64_t got = Zip().source_read(src, bytes.data(), bytes.size());
  Zip().source_close(src);
  if (got != static_cast<zip_int64_t>(bytes.size())) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path,
                             "the archive could not be assembled in memory");
  }
  return bytes;
}

}  // namespace

TimetableFileError::TimetableFileError(TimetableFileProblem problem, const fs::path& path,
                                       std::string detail)
    : std::runtime_error("timetable file " + path.string() + ": " + detail),
      problem_(problem),
      detail_(std::move(detail)) {}

std::string MetaText(const TimetableMeta& meta) {
  std::string text;
  const auto line = [&](std::string_view key, const std::string& value) {
    text.append(key).append(": ").append(OneLine(value)).append("\n");
  };
  line("format", std::to_string(meta.format_version));
  line("name", meta.name);
  line("valid", meta.valid_date);
  line("source", meta.source);
  line("made", meta.made);
  line("trains", std::to_string(meta.trains));
  line("stops", std::to_string(meta.stops));
  line("stations", std::to_string(meta.stations));
  return text;
}

TimetableMeta ParseMetaText(std::string_view text, const fs::path& path) {
  const std::string meta_name(kTimetableMetaMember);
  const auto bad = [&](const std::string& why) {
    throw TimetableFileError(TimetableFileProblem::kBadMeta, path, meta_name + " " + why);
  };
  if (text.size() > kMaxTimetableMetaBytes) {
    bad("is " + std::to_string(text.size()) + " bytes; it may hold at most " +
        std::to_string(kMaxTimetableMetaBytes));
  }
  // Editors on some systems put a byte order mark first; it says nothing here.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (!text::IsValidUtf8(text)) bad("is not UTF-8 text");
  std::map<std::string, std::string, std::less<>> fields;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (Trim(line).empty() || colon == std::string_view::npos) continue;
    const std::string key(Trim(line.substr(0, colon)));
    if (fields.size() == kMaxTimetableMetaKeys) {
      bad("has more than " + std::to_string(kMaxTimetableMetaKeys) + " keys");
    }
    if (!fields.emplace(key, std::string(Trim(line.substr(colon + 1)))).second) {
      bad("has two " + text::EscapeControls(key) + " lines");
    }
  }
  for (const std::string_view key : {"format", "name", "valid", "trains", "stops", "stations"}) {
    if (fields.find(key) == fields.end()) bad("has no " + std::string(key) + " line");
  }
  const std::string& format = fields.find("format")->second;
  int version = 0;
  for (int v = kOldestTimetableFormatVersion; v <= kTimetableFormatVersion; ++v) {
    if (format == std::to_string(v)) version = v;
  }
  if (version == 0) {
    throw TimetableFileError(TimetableFileProblem::kWrongVersion, path,
                             "format version \"" + text::EscapeControls(format) +
                                 "\", this program reads versions " +
                                 std::to_string(kOldestTimetableFormatVersion) + " to " +
                                 std::to_string(kTimetableFormatVersion));
  }
  TimetableMeta meta;
  meta.format_version = version;
  meta.name = fields.find("name")->second;
  if (meta.name.empty()) bad("has an empty name");
  if (text::Utf8Length(meta.name) > kMaxTimetableNameChars) {
    bad("has a name of " + std::to_string(text::Utf8Length(meta.name)) +
        " characters; a name has at most " + std::to_string(kMaxTimetableNameChars));
  }
  meta.valid_date = fields.find("valid")->second;
  if (!IsValidPeriod(meta.valid_date)) {
    bad("valid is not a date YYYY-MM-DD or a period YYYY-MM-DD..YYYY-MM-DD: \"" +
        text::EscapeControls(meta.valid_date.substr(0, 64)) + "\"");
  }
  try {
    const Period period = ParsePeriod(meta.valid_date);
    if (meta.format_version == 1 && period.days != 1) throw CalendarError("one day expected");
  } catch (const CalendarError&) {
    bad("valid is not one day, as a file of format 1 holds: \"" +
        text::EscapeControls(meta.valid_date.substr(0, 64)) + "\"");
  }
  if (const auto it = fields.find("source"); it != fields.end()) meta.source = it->second;
  if (const auto it = fields.find("made"); it != fields.end()) meta.made = it->second;
  meta.trains = ParseCount(fields, "trains", path);
  meta.stops = ParseCount(fields, "stops", path);
  meta.stations = ParseCount(fields, "stations", path);
  return meta;
}

bool IsValidPeriod(std::string_view text) {
  const auto date = [](std::string_view d, std::chrono::sys_days& out) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    int parts[3] = {0, 0, 0};
    const std::size_t at[3] = {0, 5, 8}, len[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k) {
      const char* first = d.data() + at[k];
      const auto [end, ec] = std::from_chars(first, first + len[k], parts[k]);
      if (ec != std::errc() || end != first + len[k] || *first == '-' || *first == '+') {
        return false;
      }
    }
    const std::chrono::year_month_day ymd{std::chrono::year(parts[0]),
                                          std::chrono::month(static_cast<unsigned>(parts[1])),
                                          std::chrono::day(static_cast<unsigned>(parts[2]))};
    if (!ymd.ok()) return false;
    out = std::chrono::sys_days(ymd);
    return true;
  };
  std::chrono::sys_days first{}, last{};
  const std::size_t dots = text.find("..");
  if (dots == std::string_view::npos) return date(text, first);
  return date(text.substr(0, dots), first) && date(text.substr(dots + 2), last) && first <= last;
}

void CheckTableCounts(const TimetableMeta& meta, const MemTable* strain, const MemTable* slist,
                      const fs::path& path) {
  const auto mismatch = [&](std::string_view key, long said, std::size_t found,
                            std::string_view table) {
    throw TimetableFileError(TimetableFileProblem::kBadTable, path,
                             std::string(kTimetableMetaMember) + " says " + std::to_string(said) +
                                 " " + std::string(key) + " but table " + std::string(table) +
                                 " holds " + std::to_string(found));
  };
  if (slist != nullptr && slist->RecordCount() != static_cast<std::size_t>(meta.trains)) {
    mismatch("trains", meta.trains, slist->RecordCount(), "SLIST");
  }
  if (strain != nullptr) {
    if (strain->RecordCount() != static_cast<std::size_t>(meta.stops)) {
      mismatch("stops", meta.stops, strain->RecordCount(), "STRAIN");
    }
    const int column = strain->FindField("Station");
    // Hashed: run at every opening, over every stop.
    std::unordered_set<std::string_view> stations;
    stations.reserve(8192);
    const auto records = static_cast<std::uint32_t>(strain->RecordCount());
    for (std::uint32_t r = 0; column >= 0 && r < records; ++r) {
      stations.insert(strain->TextOfRecord(r, column));
    }
    if (stations.size() != static_cast<std::size_t>(meta.stations)) {
      mismatch("stations", meta.stations, stations.size(), "STRAIN");
    }
  }
}

namespace {

// The four tables as the program will load them, in the order of kTableMembers, after every rule
// a reader applies; throws TimetableFileError naming `path`.
void LoadCheckedTables(const TimetableMeta& meta, const TimetableTexts& texts,
                       const fs::path& path, std::array<MemTable, 4>& tables) {
  // The metadata as the reader will parse it back.
  (void)ParseMetaText(MetaText(meta), path);
  if (meta.trains == 0) {
    throw TimetableFileError(TimetableFileProblem::kBadTable, path, "the timetable holds no trains");
  }
  const CsvTableFormat format;
  MemTable& strain = tables[0];
  MemTable& slist = tables[1];
  for (std::size_t m = 0; m < kTableMembers.size(); ++m) {
    const TableMember& member = kTableMembers[m];
    const std::string& text = texts.*member.text;
    const auto refuse = [&](const std::string& why) {
      throw TimetableFileError(TimetableFileProblem::kBadTable, path,
                               "table " + std::string(member.name) + ": " + why);
    };
    if (text.size() > kMaxUnpackedSize) {
      refuse("is " + std::to_string(text.size()) + " bytes, more than the " +
             std::to_string(kMaxUnpackedSize >> 20) + " MiB a table may hold");
    }
    MemTable& table = tables[m];
    try {
      LoadTimetableTable(member.name, text, table, format);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& e) {
      refuse(e.what());
    }
  }
  CheckTableCounts(meta, &strain, &slist, path);
  // The running days as the loader reads them back, for the period meta.txt names.
  if (!texts.calendar.empty()) {
    try {
      const Calendar calendar = Calendar::Parse(texts.calendar);
      if (calendar.period() != ParsePeriod(meta.valid_date)) {
        throw CalendarError("its period is not " + meta.valid_date);
      }
    } catch (const CalendarError& e) {
      throw TimetableFileError(TimetableFileProblem::kBadTable, path,
                               std::string("the running days: ") + e.what());
    }
  }
}

}  // namespace

void CheckTimetableTexts(const TimetableMeta& meta, const TimetableTexts& texts,
                         const fs::path& path) {
  std::array<MemTable, 4> tables;
  LoadCheckedTables(meta, texts, path, tables);
}

void WriteTimetableFile(const fs::path& path, const TimetableMeta& meta,
                        const TimetableTexts& texts) {
  NeedLibzip(path);
  TimetableMeta written = meta;
  written.format_version = kTimetableFormatVersion;
  // What is written, the reader opens: the same rules, before a byte reaches the disk.
  std::array<MemTable, 4> tables;
  LoadCheckedTables(written, texts, path, tables);
  PackedTimetable packed;
  try {
    // The tables as images: opening the file copies them instead of parsing their texts.
    for (std::size_t m = 0; m < kTableMembers.size(); ++m) {
      packed.*kTableMembers[m].packed = PackResource(tables[m].Image());
      tables[m].Close();
    }
    packed.calendar = PackResource(
        texts.calendar.empty() ? Calendar::EveryDay(ParsePeriod(meta.valid_date)).Text()
                               : texts.calendar);
  } catch (const ResourceError& e) {
    throw TimetableFileError(TimetableFileProblem::kBadTable, path, e.what());
  } catch (const CalendarError& e) {
    throw TimetableFileError(TimetableFileProblem::kBadMeta, path, e.what());
  }
  const std::string bytes = ArchiveBytes(MetaText(written), packed, path);
  if (bytes.size() > kMaxTimetableBytes) {
    throw TimetableFileError(TimetableFileProblem::kBadTable, path,
                             "the packed timetable is " + std::to_string(bytes.size()) +
                                 " bytes, more than the " +
                                 std::to_string(kMaxTimetableBytes >> 20) +
                                 " MiB a timetable file may have");
  }
  try {
    system::WriteFileAtomically(path, bytes);
  } catch (const system::FileWriteError& e) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, e.what());
  }
}

TimetableFile ReadTimetableFile(const fs::path& path) {
  NeedLibzip(path);
  // The file itself first: libzip's own words for a file it cannot open ("No such file" for a
  // directory entry it cannot follow) would be taken for a missing file.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    const int error = errno;
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path,
                             error == ENOENT ? "there is no such file"
                                             : std::string("cannot be opened: ") +
                                                   std::strerror(error));
  }
  if (!S_ISREG(status.st_mode)) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path,
                             S_ISDIR(status.st_mode) ? "is a folder, not a file"
                                                     : "is not a regular file");
  }
  const auto file_size = static_cast<std::uint64_t>(status.st_size);
  if (file_size > kMaxTimetableBytes) {
    throw TimetableFileError(TimetableFileProblem::kNotArchive, path,
                             "is " + std::to_string(file_size) + " bytes, more than the " +
                                 std::to_string(kMaxTimetableBytes >> 20) +
                                 " MiB a timetable file may have");
  }
  int code = 0;
  zip_t* raw = Zip().open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (raw == nullptr) {
    std::string why;
    switch (code) {
      case ZIP_ER_OPEN:
      case ZIP_ER_READ:
      case ZIP_ER_MEMORY:
        throw TimetableFileError(TimetableFileProblem::kUnreadable, path,
                                 "cannot be read: " + LibzipText(code));
      case ZIP_ER_NOZIP:
        why = "is not a zip archive";
        break;
      case ZIP_ER_EXISTS:
        why = "has two members of the same name";
        break;
      default:
        why = "is a zip archive with a damaged directory (" + LibzipText(code) + ")";
    }
    throw TimetableFileError(TimetableFileProblem::kNotArchive, path, why);
  }
  Archive archive(raw);
  CheckDirectory(archive.get(), file_size, path);
  TimetableFile file;
  file.meta = ParseMetaText(ReadMember(archive.get(), kTimetableMetaMember, path), path);
  for (const TableMember& member : kTableMembers) {
    std::string bytes = ReadMember(archive.get(), member.name, path);
    CheckPackedTable(bytes, member.name, path);
    file.tables.*member.packed = std::move(bytes);
  }
  if (file.meta.format_version == 1) {
    file.tables.calendar = PackResource(Calendar::EveryDay(ParsePeriod(file.meta.valid_date)).Text());
  } else {
    std::string bytes = ReadMember(archive.get(), kCalendarMember, path);
    CheckPackedTable(bytes, kCalendarMember, path);
    file.tables.calendar = std::move(bytes);
  }
  return file;
}

void RegisterTimetable(const TimetableFile& file, ResourceRegistry& registry) {
  for (const TableMember& member : kTableMembers) {
    registry.Add(member.name, kResourceTypeMe, file.tables.*member.packed);
  }
  if (!file.tables.calendar.empty()) {
    registry.Add(kCalendarMember, kResourceTypeMe, file.tables.calendar);
  }
}

}  // namespace lanzhou::data
