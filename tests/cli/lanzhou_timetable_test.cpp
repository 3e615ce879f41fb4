// lanzhou-timetable, the real binary: build makes a timetable file holding exactly the tables the
// build-time builder makes from the same source, and which lanzhou-query answers from; info
// shows the metadata; broken sources and command lines are refused without writing anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "query_test_support.h"
#include "temp_dir.h"

namespace lanzhou::cli::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kWork = fs::path(LANZHOU_TEST_WORK_DIR) / "timetable_tool";

RunResult Tool(const std::vector<std::string>& words) {
  return RunProgram(LANZHOU_TIMETABLE_BINARY, words);
}

using lanzhou::testing::ReadBytes;
// Two stations of one city and a third, one line, a train and its return working.
std::map<std::string, std::string> Source() {
  return {{"stations.txt", "上海 SH\n上海虹桥 SHHQ\n苏州 SZ\n"},
          {"groups.txt", "7: 上海 上海虹桥\n"},
          {"lines/a.txt", "line 沪宁线\nkind conventional\n0 上海\n10 上海虹桥\n84 苏州\n"},
          {"classes.txt", "class 8 conventional 60 dwell 4 sells P1 P3\n"},
          {"trains/t.txt",
           "train 5001\nclass 8\nroute 沪宁线 上海 苏州\nstops all\ndepart 07:00\n"
           "return 5002 depart 18:00\n"}};
}

fs::path WriteSource(const std::string& name, const std::map<std::string, std::string>& files) {
  const fs::path dir = kWork / name;
  fs::remove_all(dir);
  for (const auto& [path, text] : files) {
    fs::create_directories((dir / path).parent_path());
    std::ofstream(dir / path, std::ios::binary) << text;
  }
  return dir;
}

TEST(lanzhou_timetable, BuildMakesTheBuildersTablesAndInfoShowsThem) {
  const fs::path source = WriteSource("good", Source());
  const fs::path file = kWork / "good.lzt";
  fs::remove(file);
  RunResult r = Tool(
      {"build", source.string(), "-o", file.string(), "--name", "沪宁", "--valid", "2024-07-05"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "lanzhou-timetable: " + file.string() + ": 2 trains, 6 stops, 3 stations\n");

  // The same tables, byte for byte, as the build-time tool writes for the program.
  const fs::path tables = kWork / "good_tables";
  fs::remove_all(tables);
  const RunResult built = RunProgram(LANZHOU_TIMETABLE_BUILD, {source.string(), tables.string()});
  ASSERT_EQ(built.exit_code, 0) << built.err;
  const data::TimetableFile read = data::ReadTimetableFile(file);
  EXPECT_EQ(data::UnpackResource(read.tables.strain), ReadBytes(tables / "strain.txt"));
  EXPECT_EQ(data::UnpackResource(read.tables.slist), ReadBytes(tables / "slist.txt"));
  EXPECT_EQ(data::UnpackResource(read.tables.sm), ReadBytes(tables / "sm.txt"));
  EXPECT_EQ(data::UnpackResource(read.tables.spy), ReadBytes(tables / "spy.txt"));
  EXPECT_EQ(read.meta.source, "timetable source " + source.string());
  EXPECT_THAT(read.meta.made, ::testing::MatchesRegex("20[0-9-]+T[0-9:]+Z"));

  r = Tool({"info", file.string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("format:    2\nname:      沪宁\nvalid:     2024-07-05\n"));
  EXPECT_THAT(r.out, HasSubstr("trains:    2\nstops:     6\nstations:  3\n"));
  EXPECT_THAT(r.out, HasSubstr("table STRAIN: " +
                               std::to_string(ReadBytes(tables / "strain.txt").size()) + " bytes"));

  // lanzhou-query answers from the file: the city 上海 covers 上海虹桥.
  r = RunQuery({"--timetable", file.string(), "between", "上海", "苏州", "--format", "csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, ::testing::EndsWith("\n5001,上海,苏州,普快,上海,07:00,苏州,08:28,2,84,"
                                         "01:28,5.5,-,40/42/44,-\n"));

  // Without --name and --valid: the folder's name and the day the file is made.
  r = Tool({"build", source.string() + "/", "--output=" + file.string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const data::TimetableMeta meta = data::ReadTimetableFile(file).meta;
  EXPECT_EQ(meta.name, "good");
  EXPECT_EQ(meta.valid_date, meta.made.substr(0, 10));
}

TEST(lanzhou_timetable, ABrokenSourceGetsFileLineRuleAndNothingIsWritten) {
  auto files = Source();
  files["trains/t.txt"] += "\ntrain 5003\nclass 8\nroute 沪宁线 上海 南京\n";
  const fs::path source = WriteSource("broken", files);
  const fs::path file = kWork / "kept.lzt";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "old bytes";
  const RunResult r = Tool({"build", source.string(), "-o", file.string()});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_THAT(r.err, ::testing::ContainsRegex("trains/t.txt:[0-9]+: "));
  EXPECT_THAT(r.err, HasSubstr("nothing written"));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(file), "old bytes");
}

TEST(lanzhou_timetable, CommandLinesAndFilesItRefuses) {
  const fs::path source = WriteSource("usage", Source());
  const std::string out = (kWork / "usage.lzt").string();
  struct Case {
    std::vector<std::string> words;
    int exit_code;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{}, 2, "Usage: lanzhou-timetable COMMAND"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"build", source.string()}, 2, "Usage: lanzhou-timetable build SOURCE_DIR -o FILE"},
      {{"build", source.string(), "-o"}, 2, "-o needs a value"},
      {{"build", source.string(), "-o", out, "--valid", "5.7.2024"},
       2,
       "--valid takes a date YYYY-MM-DD"},
      {{"build", source.string(), "-o", out, "--fast"}, 2, "unknown option '--fast'"},
      {{"build", (kWork / "no_such_folder").string(), "-o", out}, 1, "is not a folder"},
      {{"info"}, 2, "Usage: lanzhou-timetable info FILE"},
      {{"info", (kWork / "missing.lzt").string()},
       1,
       "timetable file " + (kWork / "missing.lzt").string() + ": No such file"},
      {{"info", (source / "stations.txt").string()}, 1, "Not a zip archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const RunResult r = Tool(c.words);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_THAT(r.err, HasSubstr(c.err));
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(out));

  const RunResult help = Tool({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_THAT(help.out, HasSubstr("build SOURCE_DIR -o FILE"));
  EXPECT_THAT(help.out, HasSubstr("info FILE"));
  const RunResult build_help = Tool({"build", "--help"});
  EXPECT_EQ(build_help.exit_code, 0);
  EXPECT_THAT(build_help.out, HasSubstr("Usage: lanzhou-timetable build SOURCE_DIR -o FILE"));
}

}  // namespace
}  // namespace lanzhou::cli::testing
