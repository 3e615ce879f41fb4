// lanzhou-timetable import-crawl through the program's command table: a timetable file and the
// four table files holding the same tables, and refusals that write nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "table_values.h"
#include "temp_dir.h"
#include "timetable-cli/commands.h"

namespace lanzhou::timetable_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using lanzhou::testing::ReadBytes;
struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

class ImportCrawlCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_ / "t.csv", std::ios::binary)
        << "24000000G10I,G1,240701-10\nVNP,,07:00\nAOH,269\n\n"
           "24000000G30I,G3,w1\nVNP,,08:00\nAOH,280\n";
    std::ofstream(dir_ / "s.csv", std::ios::binary)
        << "bjn,北京南,VNP,beijingnan,bjn,1,0357,北京\n"
           "hqo,上海虹桥,AOH,shanghaihongqiao,shhq,4,0712,上海\n";
    std::ofstream(dir_ / "g.csv", std::ios::binary) << "北京,北京南\n上海,上海虹桥\n";
  }

  ToolRun Tool(std::vector<std::string> words) {
    std::ostringstream out, err;
    words.insert(words.begin(), "import-crawl");
    const int code = RunTimetableTool(words, out, err);
    return {code, out.str(), err.str()};
  }

  std::vector<std::string> Inputs(const std::string& day = "2024-07-05") {
    return {"--timetable", (dir_ / "t.csv").string(), "--stations", (dir_ / "s.csv").string(),
            "--groups",    (dir_ / "g.csv").string(), "--day",      day};
  }

  testing::TempDir dir_;
};

TEST_F(ImportCrawlCommand, WritesTheFileAndTheTables) {
  std::vector<std::string> words = Inputs();
  const fs::path file = dir_ / "day.lzt";
  words.insert(words.end(),
               {"-o", file.string(), "--tables", (dir_ / "tables").string(), "--name", "测试"});
  const ToolRun r = Tool(words);
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("2024-07-05, 1 trains, 2 stops, 2 stations"));

  const data::TimetableFile read = data::ReadTimetableFile(file);
  EXPECT_EQ(read.meta.name, "测试");
  EXPECT_EQ(read.meta.valid_date, "2024-07-05");
  EXPECT_EQ(read.meta.source, "import-crawl t.csv, s.csv, g.csv");
  EXPECT_EQ(read.meta.trains, 1);
  EXPECT_EQ(read.meta.stops, 2);
  EXPECT_EQ(read.meta.stations, 2);
  EXPECT_EQ(lanzhou::testing::TableValues("STRAIN", data::UnpackResource(read.tables.strain)),
            lanzhou::testing::TableValues("STRAIN", ReadBytes(dir_ / "tables/strain.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SLIST", data::UnpackResource(read.tables.slist)),
            lanzhou::testing::TableValues("SLIST", ReadBytes(dir_ / "tables/slist.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SM", data::UnpackResource(read.tables.sm)),
            lanzhou::testing::TableValues("SM", ReadBytes(dir_ / "tables/sm.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SPY", data::UnpackResource(read.tables.spy)),
            lanzhou::testing::TableValues("SPY", ReadBytes(dir_ / "tables/spy.txt")));
  EXPECT_THAT(ReadBytes(dir_ / "tables/strain.txt"), HasSubstr("\"G1\","));
  EXPECT_THAT(ReadBytes(dir_ / "tables/strain.txt"), ::testing::Not(HasSubstr("\"G3\",")));
}

TEST_F(ImportCrawlCommand, RefusalsWriteNothing) {
  const fs::path file = dir_ / "day.lzt";
  struct Case {
    std::vector<std::string> words;
    int code;
    const char* message;
  };
  std::vector<std::string> no_output = Inputs();
  std::vector<std::string> bad_day = Inputs("2024-02-30");
  bad_day.insert(bad_day.end(), {"-o", file.string()});
  std::vector<std::string> extra = Inputs();
  extra.insert(extra.end(), {"-o", file.string(), "surplus"});
  std::vector<std::string> missing = Inputs();
  missing[1] = (dir_ / "absent.csv").string();
  missing.insert(missing.end(), {"-o", file.string()});
  std::vector<std::string> outside = Inputs("2025-03-01");
  outside.insert(outside.end(), {"-o", file.string()});
  const Case cases[] = {
      {no_output, kExitUsage, "Usage: lanzhou-timetable import-crawl"},
      {outside, kExitUsage,
       "--day: 2025-03-01 is outside the timetable's period 2024-06-15..2024-07-10"},
      {bad_day, kExitUsage, "--day: no such date: 2024-02-30"},
      {extra, kExitUsage, "unexpected 'surplus'"},
      {missing, kExitFailed, "absent.csv: cannot be opened"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(c.words);
    EXPECT_EQ(r.code, c.code) << c.message;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(fs::exists(file)) << c.message;
  }
  // An input line that breaks the format: its file and line.
  std::ofstream(dir_ / "t.csv", std::ios::binary) << "240000000G1I,G1\nVNP,,07:00\nAOH,x\n";
  std::vector<std::string> words = Inputs();
  words.insert(words.end(), {"-o", file.string()});
  const ToolRun r = Tool(words);
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr((dir_ / "t.csv").string() + ":3: stop is not STATION,run,dwell"));
  EXPECT_FALSE(fs::exists(file));
}

// What the importer writes, the reader opens: a crawl the reader's rules would refuse (a train of
// 1,000 stops), an empty or header-only crawl, and an input without end are refused with the
// reason, and neither output is written.
TEST_F(ImportCrawlCommand, CrawlsTheReaderWouldRefuseWriteNothing) {
  std::string long_train = "24000000K10I,K1,240701-10\n";
  std::string stations;
  for (int i = 0; i < 1000; ++i) {
    const std::string code = {static_cast<char>('A' + i / 676), static_cast<char>('A' + i / 26 % 26),
                              static_cast<char>('A' + i % 26)};
    // Station names are Chinese characters: two of 32 make 1,024 names.
    static const std::vector<std::string> kChars = {
        "甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸", "子", "丑", "寅", "卯", "辰", "巳",
        "午", "未", "申", "酉", "戌", "亥", "东", "南", "西", "北", "中", "山", "河", "湖", "海", "江"};
    const std::string name = kChars[static_cast<std::size_t>(i / 32)] +
                             kChars[static_cast<std::size_t>(i % 32)] + "站";
    stations += "z,"  + name + "," + code + ",zhan,z,1,0001," + name + "\n";
    long_train += code + (i == 0 ? ",,07:00\n" : i == 999 ? ",2\n" : ",2,1\n");
  }
  struct Case {
    const char* what;
    std::string crawl, stations;
    std::string input;  // replaces --timetable when set
    const char* message;
  };
  const Case cases[] = {
      {"a train of 1,000 stops", long_train, stations, "", "stop numbers run 1..999"},
      {"an empty crawl", "", "", "", "no train runs on 2024-07-05"},
      {"a header-only crawl", "24000000G10I,G1,240701-10\n", "", "",
       "no train runs on 2024-07-05"},
      {"an input without end", "", "", "/dev/zero", "/dev/zero: too large: more than 64 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(dir_ / "t.csv", std::ios::binary | std::ios::trunc) << c.crawl;
    if (!c.stations.empty()) {
      std::ofstream(dir_ / "s.csv", std::ios::binary | std::ios::trunc) << c.stations;
    }
    std::vector<std::string> words = Inputs();
    if (!c.input.empty()) words[1] = c.input;
    const fs::path file = dir_ / "day.lzt";
    const fs::path tables = dir_ / "tables";
    words.insert(words.end(), {"-o", file.string(), "--tables", tables.string()});
    const ToolRun r = Tool(words);
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(tables / "strain.txt"));
  }
}

}  // namespace
}  // namespace lanzhou::timetable_cli
