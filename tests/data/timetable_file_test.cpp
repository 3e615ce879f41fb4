#include "data/timetable_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "data/packed_resource.h"
#include "data/timetable_store.h"
#include "lanzhou_test_fixtures.h"
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
          ReadPackedResource(registry, "SM"), ReadPackedResource(registry, "SPY")};
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
  // Packed exactly as the embedded resources: the same bytes the build's packer makes.
  EXPECT_EQ(file.tables.strain, PackResource(texts.strain));
  EXPECT_EQ(UnpackResource(file.tables.slist), texts.slist);
  EXPECT_EQ(UnpackResource(file.tables.sm), texts.sm);
  EXPECT_EQ(UnpackResource(file.tables.spy), texts.spy);

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
  EXPECT_EQ(loaded.KMTrain.RecordCount(), embedded.KMTrain.RecordCount());
  EXPECT_EQ(loaded.KMList.RecordCount(), embedded.KMList.RecordCount());
  EXPECT_EQ(loaded.KMSM.RecordCount(), embedded.KMSM.RecordCount());
  EXPECT_EQ(loaded.KMPy.RecordCount(), embedded.KMPy.RecordCount());
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
         const std::string packed = PackResource(FixtureTexts().strain);
         const std::size_t at = bytes.find(packed);
         ASSERT_NE(at, std::string::npos);  // stored, not recompressed
         bytes[at + packed.size() / 2] ^= 0x10;
         WriteBytes(p, bytes);
       },
       TimetableFileProblem::kDamaged, "STRAIN"},
      {"format version 3",
       [](const fs::path& p) { WriteZip(p, GoodMembers("meta.txt", GoodMetaText("3"))); },
       TimetableFileProblem::kWrongVersion, "format version 3"},
      {"format version 2 without its calendar",
       [](const fs::path& p) { WriteZip(p, GoodMembers("meta.txt", GoodMetaText("2"))); },
       TimetableFileProblem::kMissingMember, "member CALENDAR is missing"},
      {"a period that is no period",
       [](const fs::path& p) {
         std::string meta = GoodMetaText();
         meta.replace(meta.find("2024-07-05"), 10, "2024-07-32");
         WriteZip(p, GoodMembers("meta.txt", meta));
       },
       TimetableFileProblem::kBadMeta, "valid is not a day or a period"},
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
  for (const TimetableFile* f : {&file, &old}) {
    ResourceRegistry registry;
    RegisterTimetable(*f, registry);
    TimetableStore store(registry);
    store.StartLoading();
    store.WaitUntilLoaded();
    ASSERT_TRUE(store.KMTrainReady);
    const Calendar& c = store.calendar;
    const Date jul5 = ParseIsoDate("2024-07-05");
    if (f == &file) {
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
