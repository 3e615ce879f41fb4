// lanzhou-query's refusals: the window's input-check messages (exit 2), command lines that make
// no sense (exit 2), tables that cannot be loaded (exit 3, the reader's message), --help.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

using ::testing::HasSubstr;

// The window's message for a refused input: "caption: text" on standard error, nothing on
// standard output, exit code 2.
void ExpectRefused(const std::vector<std::string>& words, const std::string& message) {
  SCOPED_TRACE(::testing::PrintToString(words));
  const RunResult r = RunQuery(OnFixtures(words));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, message + "\n");
  EXPECT_EQ(r.out, "");
}

TEST(cli_lanzhou_query, ThroughAndTransferChecksInTheWindowsOrder) {
  for (const char* command : {"between", "transfer"}) {
    ExpectRefused({command, "", "上海"}, "信息不完整: 请输入发站。");
    ExpectRefused({command, "bj", "上海"}, "信息不完整: 请输入发站。");  // initials, no name
    ExpectRefused({command, "北京", "SH"}, "信息不完整: 请输入到站。");
    ExpectRefused({command, "北京", ""}, "信息不完整: 请输入到站。");
    ExpectRefused({command, "北京", "北京"}, "输入错误: 发站与到站相同。");
    ExpectRefused({command, "东京", "上海"}, "输入错误: 发站不存在。");
    ExpectRefused({command, "北京", "东京"}, "输入错误: 到站不存在。");
    // The check reads the text as typed: a blank makes the name unknown.
    ExpectRefused({command, " 北京", "上海"}, "输入错误: 发站不存在。");
    // Both missing: the departure box is checked first.
    ExpectRefused({command, "", ""}, "信息不完整: 请输入发站。");
  }
}

TEST(cli_lanzhou_query, TrainAndStationChecks) {
  ExpectRefused({"train", ""}, "信息不完整: 请输入车次。");
  ExpectRefused({"train", "  "}, "信息不完整: 请输入车次。");
  ExpectRefused({"station", ""}, "信息不完整: 请输入车站。");
  ExpectRefused({"station", "bj"}, "信息不完整: 请输入车站。");
  ExpectRefused({"station", "东京"}, "输入错误: 车站不存在。");
  ExpectRefused({"station", "北京 "}, "输入错误: 车站不存在。");
  // detail runs its query's checks first.
  ExpectRefused({"detail", "--row", "0", "between", "北京", "北京"}, "输入错误: 发站与到站相同。");
}

// A bad command line: exit 2, the reason and a pointer to --help on standard error.
void ExpectUsageError(const std::vector<std::string>& words, const std::string& reason) {
  SCOPED_TRACE(::testing::PrintToString(words));
  const RunResult r = RunQuery(words);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_THAT(r.err, HasSubstr(reason));
  EXPECT_THAT(r.err, HasSubstr("--help"));
  EXPECT_EQ(r.out, "");
}

TEST(cli_lanzhou_query, CommandLinesThatMakeNoSense) {
  ExpectUsageError({}, "no command given");
  ExpectUsageError({"timetable"}, "unknown command 'timetable'");
  ExpectUsageError({"between", "北京"}, "usage: between FROM TO");
  ExpectUsageError({"train", "G1", "D1"}, "usage: train NUMBER");
  ExpectUsageError({"info", "x"}, "usage: info");
  ExpectUsageError({"--frobnicate", "info"}, "unknown option '--frobnicate'");
  ExpectUsageError({"train", "G1", "--format"}, "option --format needs a value");
  ExpectUsageError({"train", "G1", "--format", "xml"}, "--format takes table, csv or json");
  ExpectUsageError({"train", "G1", "--filter", "sf,xx"}, "--filter takes sf, zd, jq and dc");
  ExpectUsageError({"train", "G1", "--filter="}, "--filter takes sf, zd, jq and dc");
  ExpectUsageError({"train", "G1", "--sort", "车次:up"}, "--sort takes COLUMN or COLUMN:desc");
  ExpectUsageError({"detail", "train", "G1"}, "detail needs --row N");
  ExpectUsageError({"detail", "--row", "-1", "train", "G1"}, "--row takes a row number from 0");
  ExpectUsageError({"detail", "--row", "x", "train", "G1"}, "--row takes a row number from 0");
  ExpectUsageError({"detail", "--row", "0"}, "detail needs a query");
  ExpectUsageError({"detail", "--row", "0", "complete", "bj"}, "detail needs a query");
  ExpectUsageError({"train", "G1", "--row", "0"}, "--row belongs to detail");
  ExpectUsageError({"between", "北京", "上海", "--via", "郑州"}, "--via belongs to transfer");
  ExpectUsageError({"detail", "--row", "0", "transfer", "西安", "上海"},
                   "detail of a transfer needs --via");
  ExpectUsageError({"complete", "bj", "--sort", "0"}, "--filter and --sort belong to");
  ExpectUsageError({"info", "--filter", "dc"}, "--filter and --sort belong to");
  ExpectUsageError({"transfer", "西安", "上海", "--filter", "sf"}, "not to the chooser");
  ExpectUsageError({"--timetable", "", "info"}, "--timetable needs a timetable file");
  ExpectUsageError({"--timetable", "a.lzt", "--data", "d", "info"},
                   "--data and --timetable both name the tables");
}

TEST(cli_lanzhou_query, RefusalsAfterTheQueryRan) {
  // A sort column that the grid does not have.
  RunResult r = RunQuery(OnFixtures({"train", "G1", "--sort", "15"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "lanzhou-query: no column '15' to sort by\n");
  r = RunQuery(OnFixtures({"transfer", "西安", "上海", "--sort", "车次"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "lanzhou-query: no column '车次' to sort by\n");
  // A transfer station the chooser does not list (here the typed arrival itself).
  r = RunQuery(OnFixtures({"transfer", "西安", "上海", "--via", "上海"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err,
            "lanzhou-query: 上海 is not among the transfer stations listed for 西安 -> 上海\n");
  // A detail row past the shown rows.
  r = RunQuery(OnFixtures({"detail", "--row", "1", "train", "G1"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "lanzhou-query: row 1 shows no train (结果:1)\n");
  EXPECT_EQ(r.out, "");
  // Completion takes letters only.
  r = RunQuery(OnFixtures({"complete", "北j"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "lanzhou-query: complete takes pinyin initials (letters A to Z), not '北j'\n");
}

TEST(cli_lanzhou_query, HelpExplainsEveryCommandAndOption) {
  const RunResult r = RunQuery({"--help"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  for (const char* word :
       {"between FROM TO", "transfer FROM TO", "--via", "train NUMBER", "station NAME",
        "detail --row N", "complete LETTERS", "info", "--filter sf,zd,jq,dc",
        "--sort COLUMN[:desc]", "--format table|csv|json", "--data DIR", "--timetable FILE",
        "Exit status"}) {
    EXPECT_THAT(r.out, HasSubstr(word));
  }
  EXPECT_EQ(RunQuery({"train", "G1", "-h"}).out, r.out);
}

// A load failure: exit 3 and the reader's message under the table's name; no answer.
void ExpectLoadFailure(const std::string& dir, const std::vector<std::string>& words,
                       const std::string& message) {
  std::vector<std::string> args = {"--data", dir};
  args.insert(args.end(), words.begin(), words.end());
  const RunResult r = RunQuery(args);
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, message + "\n");
  EXPECT_EQ(r.out, "");
}

TEST(cli_lanzhou_query, LoadFailuresGiveTheReadersMessage) {
  const std::string duplicate =
      DataDirWith("duplicate_key", "STRAIN", FixtureTableText("strain_duplicate_key.txt"));
  ExpectLoadFailure(duplicate, {"train", "G1"},
                    "lanzhou-query: STRAIN: Duplicate index value. Operation aborted.");

  std::string bad_type = FixtureTableText("sm.txt");
  bad_type.replace(bad_type.find("Gp=Integer"), 10, "Gp=integer");
  ExpectLoadFailure(DataDirWith("bad_type", "SM", bad_type), {"between", "北京", "上海"},
                    "lanzhou-query: SM: Unknown field type (integer) in CSV file. "
                    "(Gp=integer,0,\"Gp\",\"\",10,Data,\"\")");

  // Packed, but the stream is cut: the unpacker's message.
  const std::string packed = data::PackResource(FixtureTableText("slist.txt"));
  ExpectLoadFailure(
      DataDirWith("cut_stream", "SLIST", packed.substr(0, packed.size() / 2)), {"train", "G1"},
      "lanzhou-query: SLIST: " + [&] {
        try {
          (void)data::UnpackResource(packed.substr(0, packed.size() / 2));
        } catch (const data::ResourceError& e) {
          return std::string(e.what());
        }
        return std::string("(unpacked)");
      }());

  const std::string no_spy = DataDirWith("no_spy", "SPY", std::nullopt);
  ExpectLoadFailure(no_spy, {"complete", "bj"}, "lanzhou-query: SPY: no file SPY in " + no_spy);
}

// A timetable file that cannot be used is refused before any table loads, with the reason.
TEST(cli_lanzhou_query, ADamagedTimetableFileIsRefusedWithItsReason) {
  namespace fs = std::filesystem;
  const fs::path damaged = fs::path(LANZHOU_TEST_WORK_DIR) / "damaged.lzt";
  std::string bytes = [] {
    std::ifstream in(TimetableFileOfFixtures(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  // The packed STRAIN is stored as it is; one changed byte in it breaks the member's CRC.
  const std::string strain = data::ReadTimetableFile(TimetableFileOfFixtures()).tables.strain;
  const std::size_t at = bytes.find(strain);
  ASSERT_NE(at, std::string::npos);
  bytes[at + strain.size() / 2] ^= 0x01;
  std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
  for (const auto& [file, reason] :
       std::vector<std::pair<std::string, std::string>>{{damaged.string(), "member STRAIN: CRC error"},
                                                        {"/nonexistent/t.lzt", "there is no such file"}}) {
    const RunResult r = RunQuery({"--timetable", file, "between", "北京", "上海"});
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.err, "lanzhou-query: timetable file " + file + ": " + reason + "\n");
    EXPECT_EQ(r.out, "");
  }
}

// Each command loads the tables it reads and no others: without a table it needs, exit 3 and
// the reader's message; without one it does not need, the very answer it gives on all four.
TEST(cli_lanzhou_query, EachCommandNeedsExactlyItsTables) {
  struct Case {
    std::vector<std::string> words;
    std::set<std::string> needs;
  };
  const std::set<std::string> all = {"SPY", "SLIST", "SM", "STRAIN"};
  const std::vector<Case> cases = {
      {{"complete", "bj"}, {"SPY"}},
      {{"between", "北京", "上海"}, all},
      {{"transfer", "西安", "上海"}, all},
      {{"station", "北京"}, all},
      // The train number check waits for KMSM, as its button does.
      {{"train", "G1"}, {"SLIST", "SM", "STRAIN"}},
      {{"info"}, all},
  };
  for (const Case& c : cases) {
    const RunResult full = RunQuery(OnFixtures(c.words));
    ASSERT_EQ(full.exit_code, 0) << c.words[0] << full.err;
    ASSERT_FALSE(full.out.empty()) << c.words[0];
    for (const std::string& table : all) {
      const std::string dir = DataDirWith("without_" + table, table, std::nullopt);
      std::vector<std::string> args = {"--data", dir};
      args.insert(args.end(), c.words.begin(), c.words.end());
      const RunResult r = RunQuery(args);
      if (c.needs.count(table) != 0) {
        EXPECT_EQ(r.exit_code, 3) << c.words[0] << " without " << table;
        EXPECT_NE(r.err.find(": " + table + ": no file " + table), std::string::npos)
            << c.words[0] << " without " << table << ": " << r.err;
      } else {
        EXPECT_EQ(r.exit_code, full.exit_code) << c.words[0] << " without " << table;
        EXPECT_EQ(r.out, full.out) << c.words[0] << " without " << table;
        EXPECT_EQ(r.err, full.err) << c.words[0] << " without " << table;
      }
    }
  }
}

TEST(cli_lanzhou_query, InfoShowsWhichTablesStand) {
  RunResult r = RunQuery(OnFixtures({"info"}));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "KMTrain  53  ready\n"
            "KMList   9   ready\n"
            "KMSM     18  ready\n"
            "KMPy     48  ready\n");
  // Without SPY its loader stops at once, leaving KMList and KMSM unloaded too; KMTrain has a
  // loader of its own.
  const std::string no_spy = DataDirWith("no_spy_info", "SPY", std::nullopt);
  r = RunQuery({"--data", no_spy, "info", "--format", "json"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "lanzhou-query: SPY: no file SPY in " + no_spy + "\n");
  EXPECT_EQ(r.out,
            "[\n"
            "{\"Table\":\"KMTrain\",\"Records\":53,\"Ready\":true},\n"
            "{\"Table\":\"KMList\",\"Records\":0,\"Ready\":false},\n"
            "{\"Table\":\"KMSM\",\"Records\":0,\"Ready\":false},\n"
            "{\"Table\":\"KMPy\",\"Records\":0,\"Ready\":false}\n"
            "]\n");
  r = RunQuery({"--data", no_spy, "info", "--format", "csv"});
  EXPECT_EQ(r.out,
            "Table,Records,Ready\nKMTrain,53,ready\nKMList,0,not ready\nKMSM,0,not ready\n"
            "KMPy,0,not ready\n");
}

}  // namespace
}  // namespace lanzhou::cli::testing
