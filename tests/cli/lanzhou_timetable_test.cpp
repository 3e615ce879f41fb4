// lanzhou-timetable, the real binary: build makes a timetable file holding exactly the tables the
// build-time builder makes from the same source, and which lanzhou-query answers from; info
// shows the metadata; broken sources and command lines are refused without writing anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "query_test_support.h"
#include "table_values.h"
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

// The meta.txt of a timetable file, read with libzip.
std::string ReadMeta(const fs::path& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) return "";
  std::string text(4096, '\0');
  zip_file_t* file = zip_fopen(archive, "meta.txt", 0);
  const zip_int64_t got = file ? zip_fread(file, text.data(), text.size()) : -1;
  if (file) zip_fclose(file);
  zip_discard(archive);
  text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return text;
}
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
  EXPECT_EQ(lanzhou::testing::TableValues("STRAIN", data::UnpackResource(read.tables.strain)),
            lanzhou::testing::TableValues("STRAIN", ReadBytes(tables / "strain.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SLIST", data::UnpackResource(read.tables.slist)),
            lanzhou::testing::TableValues("SLIST", ReadBytes(tables / "slist.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SM", data::UnpackResource(read.tables.sm)),
            lanzhou::testing::TableValues("SM", ReadBytes(tables / "sm.txt")));
  EXPECT_EQ(lanzhou::testing::TableValues("SPY", data::UnpackResource(read.tables.spy)),
            lanzhou::testing::TableValues("SPY", ReadBytes(tables / "spy.txt")));
  EXPECT_EQ(read.meta.source, "timetable source " + source.string());
  EXPECT_THAT(read.meta.made, ::testing::MatchesRegex("20[0-9-]+T[0-9:]+Z"));

  r = Tool({"info", file.string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("format:    3\nname:      沪宁\nvalid:     2024-07-05\n"));
  EXPECT_THAT(r.out, HasSubstr("trains:    2\nstops:     6\nstations:  3\n"));
  EXPECT_THAT(r.out, HasSubstr("table STRAIN: " +
                               std::to_string(data::PackedSize(read.tables.strain)) + " bytes, " +
                               std::to_string(read.tables.strain.size()) + " packed\n"));

  // lanzhou-query answers from the file: the city 上海 covers 上海虹桥.
  r = RunQuery({"--timetable", file.string(), "between", "上海", "苏州", "--format", "csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, ::testing::EndsWith("\n5001,上海,苏州,普快,上海,07:00,苏州,08:28,2,84,"
                                         "1:28,5.5,-,40/42/44,-\n"));

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
       "timetable file " + (kWork / "missing.lzt").string() + ": there is no such file"},
      {{"info", (source / "stations.txt").string()}, 1, "is not a zip archive"},
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

// A zip archive of these members, its checksums made by libzip from the bytes given: a damaged
// table inside passes the container's own check.
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

// Every refusal of both programs names the file and says in words what is wrong; what a file
// says about itself is shown with its control characters escaped; output that cannot be written
// is a failure.
TEST(lanzhou_timetable, RefusalsNameTheFileAndFileTextsAreShownSafely) {
  const fs::path source = WriteSource("messages", Source());
  const fs::path good = kWork / "messages.lzt";
  ASSERT_EQ(Tool({"build", source.string(), "-o", good.string(), "--valid", "2024-07-05"}).exit_code,
            0);
  const data::TimetableFile file = data::ReadTimetableFile(good);
  const std::string meta = ReadMeta(good);
  const auto members = [&](std::string meta_text, std::string sm) {
    return std::vector<std::pair<std::string, std::string>>{{"meta.txt", std::move(meta_text)},
                                                            {"STRAIN", file.tables.strain},
                                                            {"SLIST", file.tables.slist},
                                                            {"SM", std::move(sm)},
                                                            {"SPY", file.tables.spy},
                                                            {"CALENDAR", file.tables.calendar}};
  };
  std::string bad_check = file.tables.sm;
  bad_check.back() = static_cast<char>(bad_check.back() ^ 0x01);  // its Adler-32
  std::string counted = meta;
  counted.replace(counted.find("trains: 2"), 9, "trains: 3");
  std::string shouting = meta;
  shouting.replace(shouting.find("name: "), 6, "name: \x1B]0;owned\x07\x1B[2J");

  struct Case {
    const char* what;
    std::string meta, sm;
    std::vector<std::string> query;  // lanzhou-query's words after --timetable FILE
    int exit_code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a table whose stream fails its checksum", meta, bad_check, {"info"}, 3,
       "timetable file FILE: table SM: Packed resource is corrupt: incorrect data check"},
      {"counts that are not the tables'", counted, file.tables.sm, {"info"}, 3,
       "timetable file FILE: meta.txt says 3 trains but table SLIST holds 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path path = kWork / "message.lzt";
    WriteZip(path, members(c.meta, c.sm));
    std::vector<std::string> words = {"--timetable", path.string()};
    words.insert(words.end(), c.query.begin(), c.query.end());
    const RunResult q = RunQuery(words);
    EXPECT_EQ(q.exit_code, c.exit_code) << q.err;
    std::string message = c.message;
    message.replace(message.find("FILE"), 4, path.string());
    EXPECT_THAT(q.err, HasSubstr(message));
    // lanzhou-timetable info checks as much as the program does.
    const RunResult i = Tool({"info", path.string()});
    EXPECT_EQ(i.exit_code, 1);
    EXPECT_THAT(i.err, HasSubstr(message));
  }

  WriteZip(kWork / "shouting.lzt", members(shouting, file.tables.sm));
  const RunResult shown = Tool({"info", (kWork / "shouting.lzt").string()});
  ASSERT_EQ(shown.exit_code, 0) << shown.err;
  EXPECT_THAT(shown.out, HasSubstr("name:      \\x1B]0;owned\\x07\\x1B[2Jmessages\n"));
  EXPECT_EQ(shown.out.find('\x1B'), std::string::npos);

  const RunResult via = RunQuery({"--timetable", good.string(), "transfer", "上海", "苏州", "--via", ""});
  EXPECT_EQ(via.exit_code, 2);
  EXPECT_THAT(via.err, HasSubstr("--via needs a transfer station"));

  // An answer that cannot be written is no success.
  const std::string command = std::string(LANZHOU_TIMETABLE_BINARY) + " info '" + good.string() +
                              "' > /dev/full 2>/dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
}  // namespace lanzhou::cli::testing
