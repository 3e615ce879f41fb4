#include "data/timetable_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "data/packed_resource.h"
#include "data/timetable_store.h"
#include "lanzhou_test_fixtures.h"
#include "table_values.h"
#include "temp_dir.h"

namespace lanzhou::data {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

ResourceRegistry FixtureRegistry() {
  ResourceRegistry registry;
  registry.Register(testing::FixtureResources());
  return registry;
}

TimetableTexts FixtureTexts() {
  const ResourceRegistry registry = FixtureRegistry();
  return {ReadPackedResource(registry, "STrain"), ReadPackedResource(registry, "SList"),
          ReadPackedResource(registry, "SM"), ReadPackedResource(registry, "SPY"), {}};
}

TimetableMeta SampleMeta() {
  TimetableMeta meta;
  meta.name = "全国";
  meta.valid_date = "2024-07-05";
  meta.source = "测试 fixtures";
  meta.made = "2026-12-08T13:00:00Z";
  meta.trains = 9;
  meta.stops = 53;
  meta.stations = 48;
  return meta;
}

using lanzhou::testing::ReadBytes;
void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A zip archive with exactly these members, made without the code under test.
void WriteZip(const fs::path& path,
              const std::vector<std::pair<std::string, std::string>>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, bytes] : members) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(archive, name.c_str(), source, 0), 0);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

std::vector<std::string> MemberNames(const fs::path& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  std::vector<std::string> names;
  if (archive == nullptr) return names;
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
    names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
  }
  zip_discard(archive);
  return names;
}

TEST(TimetableFileTest, RoundTripKeepsMetaAndTablesAndLoadsLikeTheEmbeddedTables) {
  testing::TempDir dir;
  const fs::path path = dir / "national.lzt";
  const TimetableTexts texts = FixtureTexts();
  WriteTimetableFile(path, SampleMeta(), texts);

  EXPECT_THAT(MemberNames(path),
              ElementsAre("meta.txt", "STRAIN", "SLIST", "SM", "SPY", "CALENDAR"));
  const TimetableFile file = ReadTimetableFile(path);
  const TimetableMeta expected = SampleMeta();
  EXPECT_EQ(file.meta.name, expected.name);
  EXPECT_EQ(file.meta.valid_date, expected.valid_date);
  EXPECT_EQ(file.meta.source, expected.source);
  EXPECT_EQ(file.meta.made, expected.made);
  EXPECT_EQ(file.meta.format_version, kTimetableFormatVersion);
  EXPECT_EQ(file.meta.trains, 9);
  EXPECT_EQ(file.meta.stops, 53);
  EXPECT_EQ(file.meta.stations, 48);
  // Packed as the embedded resources are, holding the tables' images.
  for (const std::string* packed :
       {&file.tables.strain, &file.tables.slist, &file.tables.sm, &file.tables.spy}) {
    EXPECT_TRUE(IsTableImage(UnpackResource(*packed)));
  }

  // Through the loader threads, the file's tables stand as the embedded ones do.
  ResourceRegistry from_file;
  RegisterTimetable(file, from_file);
  TimetableStore loaded(from_file);
  loaded.StartLoading();
  loaded.WaitUntilLoaded();
  const ResourceRegistry embedded_registry = FixtureRegistry();
  TimetableStore embedded(embedded_registry);
  embedded.StartLoading();
  embedded.WaitUntilLoaded();
  ASSERT_TRUE(loaded.AllReady());
  // Value for value, and in the order of the index each loader selects.
  EXPECT_EQ(testing::TableValues(loaded.KMTrain), testing::TableValues(embedded.KMTrain));
  EXPECT_EQ(testing::TableValues(loaded.KMList), testing::TableValues(embedded.KMList));
  EXPECT_EQ(testing::TableValues(loaded.KMSM), testing::TableValues(embedded.KMSM));
  EXPECT_EQ(testing::TableValues(loaded.KMPy), testing::TableValues(embedded.KMPy));
  EXPECT_EQ(loaded.KMTrain.IndexName(), "SIDNo");
}

TEST(TimetableFileTest, MetaValuesStayOnOneLine) {
  TimetableMeta meta = SampleMeta();
  meta.name = "全国\nformat: 9";
  const TimetableMeta back = ParseMetaText(MetaText(meta), "x.lzt");
  EXPECT_EQ(back.name, "全国 format: 9");
  EXPECT_EQ(back.format_version, kTimetableFormatVersion);
}

TEST(TimetableFileTest, ReplacingAFileIsWholeOrNothing) {
  testing::TempDir dir;
  const fs::path path = dir / "t.lzt";
  WriteTimetableFile(path, SampleMeta(), FixtureTexts());
  const std::string before = ReadBytes(path);
  // A folder that does not exist: the writer reports it and leaves nothing behind.
  EXPECT_THROW(WriteTimetableFile(dir / "missing" / "t.lzt", SampleMeta(), FixtureTexts()),
               TimetableFileError);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

// One way a file goes wrong, and what the reader must say about it.
struct Refusal {
  const char* what;
  std::function<void(const fs::path&)> make;
  TimetableFileProblem problem;
  const char* detail;  // part of the message
};

std::string GoodMetaText(std::string_view format = "1") {
  return "format: " + std::string(format) +
         "\nname: 全国\nvalid: 2024-07-05\nsource: s\nmade: m\ntrains: 9\nstops: 53\nstations: "
         "48\n";
}

// The members of a good file, with one member replaced or (empty name) dropped.
std::vector<std::pair<std::string, std::string>> GoodMembers(const std::string& change = "",
                                                             std::string bytes = "",
                                                             bool drop = false) {
  const TimetableTexts texts = FixtureTexts();
  std::vector<std::pair<std::string, std::string>> members = {
      {"meta.txt", GoodMetaText()},
      {"STRAIN", PackResource(texts.strain)},
      {"SLIST", PackResource(texts.slist)},
      {"SM", PackResource(texts.sm)},
      {"SPY", PackResource(texts.spy)}};
  std::erase_if(members, [&](auto& m) {
    if (m.first != change) return false;
    if (!drop) m.second = bytes;
    return drop;
  });
  return members;
}

// One member as a hand-made archive holds it: the bytes as stored and what the headers claim,
// which need not be true.
struct RawMember {
  std::string name;
  std::string stored;
  std::uint16_t method = 0;  // 0 stored, 8 deflated
  std::uint32_t crc = 0;
  std::uint32_t comp_size = 0;
  std::uint32_t size = 0;
};

RawMember Stored(std::string name, std::string bytes) {
  const auto n = static_cast<std::uint32_t>(bytes.size());
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  return {std::move(name), std::move(bytes), 0, crc, n, n};
}

// Raw deflate (no zlib header), as zip members hold it; the claims are the true ones.
RawMember Deflated(std::string name, const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  RawMember m = Stored(std::move(name), bytes);
  m.method = 8;
  m.comp_size = static_cast<std::uint32_t>(out.size());
  m.stored = std::move(out);
  return m;
}

void Le(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A zip archive written byte by byte: local headers, the central directory, its end record.
std::string RawZip(const std::vector<RawMember>& members) {
  std::string zip, central;
  for (const RawMember& m : members) {
    const auto offset = static_cast<std::uint32_t>(zip.size());
    const auto fields = [&](std::string& out) {
      Le(out, 20, 2);      // version needed
      Le(out, 0, 2);       // flags
      Le(out, m.method, 2);
      Le(out, 0, 2);       // time
      Le(out, 0x21, 2);    // date 1980-01-01
      Le(out, m.crc, 4);
      Le(out, m.comp_size, 4);
      Le(out, m.size, 4);
      Le(out, static_cast<std::uint32_t>(m.name.size()), 2);
      Le(out, 0, 2);  // extra field length
    };
    Le(zip, 0x04034b50, 4);
    fields(zip);
    zip += m.name + m.stored;
    Le(central, 0x02014b50, 4);
    Le(central, 20, 2);  // version made by
    fields(central);
    Le(central, 0, 2);  // comment length
    Le(central, 0, 2);  // disk
    Le(central, 0, 2);  // internal attributes
    Le(central, 0, 4);  // external attributes
    Le(central, offset, 4);
    central += m.name;
  }
  const auto central_offset = static_cast<std::uint32_t>(zip.size());
  zip += central;
  Le(zip, 0x06054b50, 4);
  Le(zip, 0, 4);  // disks
  Le(zip, static_cast<std::uint32_t>(members.size()), 2);
  Le(zip, static_cast<std::uint32_t>(members.size()), 2);
  Le(zip, static_cast<std::uint32_t>(central.size()), 4);
  Le(zip, central_offset, 4);
  Le(zip, 0, 2);  // comment length
  return zip;
}

// The good members as stored raw members, with one changed by `change`.
std::vector<RawMember> RawGoodMembers(const std::function<void(std::vector<RawMember>&)>& change) {
  std::vector<RawMember> raw;
  for (auto& [name, bytes] : GoodMembers()) raw.push_back(Stored(name, bytes));
  change(raw);
  return raw;
}

Refusal RawCase(const char* what, std::function<void(std::vector<RawMember>&)> change,
                TimetableFileProblem problem, const char* detail) {
  return {what,
          [change](const fs::path& p) { WriteBytes(p, RawZip(RawGoodMembers(change))); },
          problem, detail};
}

Refusal MetaCase(const char* what, std::string meta, TimetableFileProblem problem,
                 const char* detail) {
  return {what, [meta](const fs::path& p) { WriteZip(p, GoodMembers("meta.txt", meta)); },
          problem, detail};
}

RawMember& Member(std::vector<RawMember>& members, std::string_view name) {
  for (RawMember& m : members) {
    if (m.name == name) return m;
  }
  throw std::logic_error("no member " + std::string(name));
}

std::vector<Refusal> Refusals() {
  std::vector<Refusal> cases = {
      {"no such file", [](const fs::path&) {}, TimetableFileProblem::kUnreadable, ""},
      {"a text file", [](const fs::path& p) { WriteBytes(p, "format: 1\n"); },
       TimetableFileProblem::kNotArchive, ""},
      {"cut in half",
       [](const fs::path& p) {
         WriteTimetableFile(p, SampleMeta(), FixtureTexts());
         const std::string bytes = ReadBytes(p);
         WriteBytes(p, bytes.substr(0, bytes.size() / 2));
       },
       TimetableFileProblem::kNotArchive, ""},
      {"a flipped byte inside STRAIN",
       [](const fs::path& p) {
         WriteTimetableFile(p, SampleMeta(), FixtureTexts());
         std::string bytes = ReadBytes(p);
         const std::string packed = ReadTimetableFile(p).tables.strain;
         const std::size_t at = bytes.find(packed);
         ASSERT_NE(at, std::string::npos);  // stored, not recompressed
         bytes[at + packed.size() / 2] ^= 0x10;
         WriteBytes(p, bytes);
       },
       TimetableFileProblem::kDamaged, "STRAIN"},
      {"format version 4",
       [](const fs::path& p) { WriteZip(p, GoodMembers("meta.txt", GoodMetaText("4"))); },
       TimetableFileProblem::kWrongVersion, "format version \"4\""},
      {"format version 2 without its calendar",
       [](const fs::path& p) { WriteZip(p, GoodMembers("meta.txt", GoodMetaText("2"))); },
       TimetableFileProblem::kMissingMember, "member CALENDAR is missing"},
      {"a period that is no period",
       [](const fs::path& p) {
         std::string meta = GoodMetaText();
         meta.replace(meta.find("2024-07-05"), 10, "2024-07-32");
         WriteZip(p, GoodMembers("meta.txt", meta));
       },
       TimetableFileProblem::kBadMeta, "valid is not a date"},
      {"no format line",
       [](const fs::path& p) {
         WriteZip(p, GoodMembers("meta.txt", GoodMetaText().substr(GoodMetaText().find('\n') + 1)));
       },
       TimetableFileProblem::kBadMeta, "format"},
      {"a count that is no number",
       [](const fs::path& p) {
         std::string meta = GoodMetaText();
         meta.replace(meta.find("53"), 2, "5x");
         WriteZip(p, GoodMembers("meta.txt", meta));
       },
       TimetableFileProblem::kBadMeta, "stops"},
      {"SM as plain table text",
       [](const fs::path& p) { WriteZip(p, GoodMembers("SM", FixtureTexts().sm)); },
       TimetableFileProblem::kBadTable, "SM"},
      {"SLIST announcing more than its stream holds",
       [](const fs::path& p) {
         std::string packed = PackResource(FixtureTexts().slist);
         packed[3] = 0x7F;
         WriteZip(p, GoodMembers("SLIST", packed));
       },
       TimetableFileProblem::kBadTable, "SLIST"},
  };
  // Headers that lie about sizes: refused from the directory, before anything is reserved.
  using P = TimetableFileProblem;
  cases.push_back(RawCase("a stored member claiming 1 GiB",
                          [](auto& m) {
                            Member(m, "STRAIN").size = 1u << 30;
                            Member(m, "STRAIN").comp_size = 1u << 30;
                          },
                          P::kNotArchive, ""));
  cases.push_back(RawCase("a stored member whose two sizes differ",
                          [](auto& m) { Member(m, "SPY").size += 1000; }, P::kDamaged,
                          "member SPY is stored but its directory gives two sizes"));
  cases.push_back(RawCase("sizes of 0xFFFFFFFF", [](auto& m) {
    Member(m, "SM").size = 0xFFFFFFFFu;
    Member(m, "SM").comp_size = 0xFFFFFFFFu;
  }, P::kNotArchive, "damaged directory"));
  cases.push_back(RawCase("a deflated member longer in its directory than in its content",
                          [](auto& m) {
                            Member(m, "meta.txt") = Deflated("meta.txt", GoodMetaText());
                            Member(m, "meta.txt").size += 10;
                          },
                          P::kDamaged, "member meta.txt is shorter than its directory says"));
  cases.push_back(RawCase("a deflated member claiming more than deflate can give",
                          [](auto& m) {
                            RawMember& spy = Member(m, "SPY");
                            spy = Deflated("SPY", spy.stored);
                            spy.size = static_cast<std::uint32_t>(1032 * spy.comp_size + 1);
                          },
                          P::kDamaged, "more than deflate can give"));
  cases.push_back(RawCase("two members of one name",
                          [](auto& m) { m.push_back(Member(m, "SM")); }, P::kNotArchive,
                          "two members"));
  cases.push_back({"a zip bomb: two honest members of 40 MiB of zeros",
                   [](const fs::path& p) {
                     auto members = GoodMembers();
                     members.emplace_back("A", std::string(40u << 20, '\0'));
                     members.emplace_back("B", std::string(40u << 20, '\0'));
                     WriteZip(p, members);
                   },
                   P::kDamaged, "more than 64 MiB together"});
  cases.push_back({"a folder", [](const fs::path& p) { fs::create_directory(p); },
                   P::kUnreadable, "is a folder"});
  cases.push_back({"a file larger than any timetable",
                   [](const fs::path& p) {
                     WriteZip(p, GoodMembers());
                     fs::resize_file(p, (64u << 20) + 1);
                   },
                   P::kNotArchive, "more than the 64 MiB a timetable file may have"});

  // meta.txt: bounded, UTF-8, every required key, real values.
  std::string many_keys = GoodMetaText();
  for (int i = 0; i < 60; ++i) many_keys += "k" + std::to_string(i) + ": v\n";
  const std::string good = GoodMetaText();
  const auto with = [&](std::string_view from, std::string_view to) {
    std::string meta = good;
    meta.replace(meta.find(from), from.size(), to);
    return meta;
  };
  cases.push_back(MetaCase("a NUL after the format", with("format: 1", std::string("format: 1\0", 10)),
                           P::kWrongVersion, "format version \"1\\x00\""));
  cases.push_back(MetaCase("more than 64 keys", many_keys, P::kBadMeta, "more than 64 keys"));
  cases.push_back(MetaCase("a meta.txt larger than 64 KiB", good + std::string(70'000, '#'),
                           P::kDamaged, "member meta.txt is 70"));
  cases.push_back(MetaCase("a name of 65 characters", with("全国", std::string(65, 'x')),
                           P::kBadMeta, "a name of 65 characters"));
  cases.push_back(MetaCase("a name that is not UTF-8", with("全国", "\xC8\xAB\xB9\xFA"),
                           P::kBadMeta, "is not UTF-8 text"));
  cases.push_back(MetaCase("a day that does not exist", with("2024-07-05", "2024-02-30"),
                           P::kBadMeta, "valid is not a date"));
  cases.push_back(MetaCase("a period that ends before it begins",
                           with("2024-07-05", "2024-09-10..2024-06-15"), P::kBadMeta,
                           "valid is not a date"));
  cases.push_back(MetaCase("a key given twice", good + "name: 二\n", P::kBadMeta,
                           "has two name lines"));
  for (const char* key : {"format", "name", "valid", "trains", "stops", "stations"}) {
    std::string meta = good;
    const std::size_t at = meta.find(std::string(key) + ":");
    meta.erase(at, meta.find('\n', at) + 1 - at);
    cases.push_back(MetaCase(key, meta, P::kBadMeta, key));
  }
  for (const char* member : {"meta.txt", "STRAIN", "SLIST", "SM", "SPY"}) {
    cases.push_back({member,
                     [member](const fs::path& p) { WriteZip(p, GoodMembers(member, "", true)); },
                     TimetableFileProblem::kMissingMember, member});
  }
  return cases;
}

TEST(TimetableFileTest, RefusesEveryDamagedOrForeignFileWithItsReason) {
  for (const Refusal& refusal : Refusals()) {
    SCOPED_TRACE(refusal.what);
    testing::TempDir dir;
    const fs::path path = dir / "t.lzt";
    refusal.make(path);
    try {
      (void)ReadTimetableFile(path);
      ADD_FAILURE() << "accepted";
    } catch (const TimetableFileError& e) {
      EXPECT_EQ(static_cast<int>(e.problem()), static_cast<int>(refusal.problem)) << e.what();
      EXPECT_THAT(e.what(), HasSubstr(path.string()));
      EXPECT_THAT(e.detail(), HasSubstr(refusal.detail));
    }
  }
}

TEST(TimetableFileTest, MetaTextReadsDatesPeriodsAndAByteOrderMark) {
  const TimetableMeta meta = ParseMetaText("\xEF\xBB\xBF" + GoodMetaText(), "x.lzt");
  EXPECT_EQ(meta.name, "全国");
  for (const auto& [valid, ok] : std::vector<std::pair<std::string, bool>>{
           {"2024-07-05", true}, {"2024-02-29", true}, {"2023-02-29", false},
           {"2024-06-15..2024-09-10", true}, {"2024-06-15..2024-06-15", true},
           {"2024-6-15", false}, {"2024-06-15..", false}, {"+024-06-15", false},
           {"2024-13-01", false}, {"2024-06-15 ", false}, {"", false}}) {
    EXPECT_EQ(IsValidPeriod(valid), ok) << valid;
  }
}

// The writer runs the reader's rules on every table: what it writes, the reader opens.
TEST(TimetableFileTest, WriterRefusesWhatTheReaderWouldRefuseAndWritesNothing) {
  struct Case {
    const char* what;
    std::function<void(TimetableMeta&, TimetableTexts&)> change;
    const char* detail;
  };
  const Case cases[] = {
      {"a stop number over 999",
       [](TimetableMeta&, TimetableTexts& t) {
         const std::size_t at = t.strain.find("\",\"1\",\"");
         ASSERT_NE(at, std::string::npos);
         t.strain.replace(at, 7, "\",\"1000\",\"");
       },
       "stop numbers run 1..999"},
      {"a train count that is not the table's",
       [](TimetableMeta& m, TimetableTexts&) { m.trains = 10; },
       "says 10 trains but table SLIST holds 9"},
      {"a stop count that is not the table's",
       [](TimetableMeta& m, TimetableTexts&) { m.stops = 52; }, "says 52 stops"},
      {"a station count that is not the table's",
       [](TimetableMeta& m, TimetableTexts&) { m.stations = 1; }, "says 1 stations"},
      {"no trains", [](TimetableMeta& m, TimetableTexts&) { m.trains = 0; }, "holds no trains"},
      {"a name too long", [](TimetableMeta& m, TimetableTexts&) { m.name = std::string(65, 'n'); },
       "a name of 65 characters"},
      {"a day that does not exist",
       [](TimetableMeta& m, TimetableTexts&) { m.valid_date = "2024-02-30"; },
       "valid is not a date"},
      {"SM that is no table", [](TimetableMeta&, TimetableTexts& t) { t.sm = "junk"; },
       "table SM: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    TimetableMeta meta = SampleMeta();
    TimetableTexts texts = FixtureTexts();
    c.change(meta, texts);
    try {
      WriteTimetableFile(dir / "t.lzt", meta, texts);
      ADD_FAILURE() << "written";
    } catch (const TimetableFileError& e) {
      EXPECT_THAT(e.detail(), HasSubstr(c.detail));
    }
    EXPECT_FALSE(fs::exists(dir / "t.lzt"));
  }
}

// A file of the current format carries its running days to the loaded store; one of format 1
// (no calendar) opens as its one day, on which every train runs.
TEST(TimetableFileTest, RunningDaysTravelInTheFileAndOldFilesAreOneDay) {
  testing::TempDir dir;
  Calendar calendar(ParsePeriod("2024-07-01..2024-07-31"));
  calendar.Add("G1", DaySet{}.set(4), {0, 0, 0, 0});
  TimetableTexts texts = FixtureTexts();
  texts.calendar = calendar.Text();
  TimetableMeta meta = SampleMeta();
  meta.valid_date = "2024-07-01..2024-07-31";
  WriteTimetableFile(dir / "period.lzt", meta, texts);
  const TimetableFile file = ReadTimetableFile(dir / "period.lzt");
  EXPECT_EQ(file.meta.valid_date, "2024-07-01..2024-07-31");
  EXPECT_EQ(UnpackResource(file.tables.calendar), calendar.Text());

  WriteZip(dir / "old.lzt", GoodMembers());
  const TimetableFile old = ReadTimetableFile(dir / "old.lzt");
  EXPECT_EQ(old.meta.format_version, 1);
  // Format 2: table texts, as format 1, with the running days beside them.
  std::vector<std::pair<std::string, std::string>> members =
      GoodMembers("meta.txt", GoodMetaText("2"));
  members.emplace_back("CALENDAR", PackResource(calendar.Text()));
  members[0].second.replace(members[0].second.find("2024-07-05"), 10, "2024-07-01..2024-07-31");
  WriteZip(dir / "texts.lzt", members);
  const TimetableFile texts_file = ReadTimetableFile(dir / "texts.lzt");
  EXPECT_EQ(texts_file.meta.format_version, 2);
  EXPECT_FALSE(IsTableImage(UnpackResource(texts_file.tables.strain)));
  for (const TimetableFile* f : {&file, &old, &texts_file}) {
    ResourceRegistry registry;
    RegisterTimetable(*f, registry);
    TimetableStore store(registry);
    store.StartLoading();
    store.WaitUntilLoaded();
    ASSERT_TRUE(store.KMTrainReady);
    const Calendar& c = store.calendar;
    const Date jul5 = ParseIsoDate("2024-07-05");
    if (f != &old) {
      EXPECT_TRUE(c.KnowsRunningDays());
      EXPECT_TRUE(c.RunsOn(c.Find("G1"), jul5));
      EXPECT_FALSE(c.RunsOn(c.Find("G1"), ParseIsoDate("2024-07-06")));
    } else {
      EXPECT_FALSE(c.KnowsRunningDays());
      EXPECT_EQ(c.period()->Text(), "2024-07-05");
      EXPECT_TRUE(c.CallsOn(c.Find("G1"), 1, jul5));  // left the day before: still runs
    }
  }
}

}  // namespace
}  // namespace lanzhou::data
