#include "data/timetable_file.h"

#include <array>
#include <charconv>
#include <map>
#include <memory>
#include <utility>

#include "data/calendar.h"
#include "data/libzip_runtime.h"
#include "data/packed_resource.h"
#include "system/atomic_file.h"

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
                                 " is not a count: \"" + text + "\"");
  }
  return value;
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
  if (stat.size > kMaxUnpackedSize) {
    throw TimetableFileError(TimetableFileProblem::kDamaged, path,
                             "member " + std::string(name) + " is larger than 1 GiB");
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
  std::map<std::string, std::string, std::less<>> fields;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (Trim(line).empty() || colon == std::string_view::npos) continue;
    fields.emplace(std::string(Trim(line.substr(0, colon))),
                   std::string(Trim(line.substr(colon + 1))));
  }
  const std::string meta_name(kTimetableMetaMember);
  for (const std::string_view key : {"format", "name", "valid", "trains", "stops", "stations"}) {
    if (fields.find(key) == fields.end()) {
      throw TimetableFileError(TimetableFileProblem::kBadMeta, path,
                               meta_name + " has no " + std::string(key) + " line");
    }
  }
  const std::string& format = fields.find("format")->second;
  if (format != std::to_string(kTimetableFormatVersion) &&
      format != std::to_string(kOldestTimetableFormatVersion)) {
    throw TimetableFileError(TimetableFileProblem::kWrongVersion, path,
                             "format version " + format + ", this program reads versions " +
                                 std::to_string(kOldestTimetableFormatVersion) + " to " +
                                 std::to_string(kTimetableFormatVersion));
  }
  TimetableMeta meta;
  meta.format_version = format == "1" ? 1 : kTimetableFormatVersion;
  meta.name = fields.find("name")->second;
  meta.valid_date = fields.find("valid")->second;
  try {
    const Period period = ParsePeriod(meta.valid_date);
    if (meta.format_version == 1 && period.days != 1) throw CalendarError("one day expected");
  } catch (const CalendarError& e) {
    throw TimetableFileError(TimetableFileProblem::kBadMeta, path,
                             meta_name + ": valid is not a day or a period: \"" +
                                 meta.valid_date + "\"");
  }
  if (const auto it = fields.find("source"); it != fields.end()) meta.source = it->second;
  if (const auto it = fields.find("made"); it != fields.end()) meta.made = it->second;
  meta.trains = ParseCount(fields, "trains", path);
  meta.stops = ParseCount(fields, "stops", path);
  meta.stations = ParseCount(fields, "stations", path);
  return meta;
}

void WriteTimetableFile(const fs::path& path, const TimetableMeta& meta,
                        const TimetableTexts& texts) {
  NeedLibzip(path);
  TimetableMeta written = meta;
  written.format_version = kTimetableFormatVersion;
  PackedTimetable packed;
  try {
    for (const TableMember& member : kTableMembers) {
      packed.*member.packed = PackResource(texts.*member.text);
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
  try {
    system::WriteFileAtomically(path, bytes);
  } catch (const system::FileWriteError& e) {
    throw TimetableFileError(TimetableFileProblem::kUnreadable, path, e.what());
  }
}

TimetableFile ReadTimetableFile(const fs::path& path) {
  NeedLibzip(path);
  int code = 0;
  zip_t* raw = Zip().open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (raw == nullptr) {
    const bool unreadable = code == ZIP_ER_NOENT || code == ZIP_ER_OPEN || code == ZIP_ER_READ;
    throw TimetableFileError(
        unreadable ? TimetableFileProblem::kUnreadable : TimetableFileProblem::kNotArchive, path,
        LibzipText(code));
  }
  Archive archive(raw);
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
