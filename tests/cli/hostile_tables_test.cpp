// Hostile tables given to lanzhou-query with --data: a table that lacks a field the queries
// read, an empty one, numbers no timetable holds, a cell of megabytes, a folder or a FIFO where
// a table file should be. Each ends in exit 3 and a message naming table and field (or file),
// or in an answer whose table cells stay a sensible width; never in a crash or wrapped numbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

using ::testing::HasSubstr;

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  for (; at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct LoadCase {
  std::string folder;
  std::string table;
  std::string text;
  std::vector<std::string> words;
  std::string message;
};

TEST(cli_hostile_tables, TablesTheQueriesCannotReadFailToLoad) {
  const std::string sm = FixtureTableText("sm.txt");
  const std::string strain = FixtureTableText("strain.txt");
  const std::vector<LoadCase> cases = {
      // These used to crash (column -1) or copy heap bytes into the answer.
      {"no_gp",
       "SM",
       Replaced(sm, "Gp", "Gq"),
       {"between", "北京", "上海"},
       "SM: Table SM has no field 'Gp'"},
      {"no_distance",
       "STRAIN",
       Replaced(strain, "Distance", "Distanz"),
       {"detail", "--row", "0", "train", "G1"},
       "STRAIN: Table STRAIN has no field 'Distance'"},
      {"no_r_date",
       "STRAIN",
       Replaced(strain, "R_Date", "R_Datum"),
       {"station", "北京南"},
       "STRAIN: Table STRAIN has no field 'R_Date'"},
      // Used to load as a ready table with no fields.
      {"empty_strain",
       "STRAIN",
       "",
       {"train", "G1"},
       "STRAIN: Couldnt determine field count for load."},
      {"nul_spy",
       "SPY",
       std::string(100, '\0'),
       {"complete", "bj"},
       "SPY: Couldnt determine field count for load."},
      // Used to wrap into nonsense distances, stop counts and fares.
      {"huge_distance",
       "STRAIN",
       Replaced(strain, "\"21:25\",\"0\",\"0\",", "\"21:25\",\"0\",\"2147483647\","),
       {"between", "西安", "郑州"},
       "STRAIN: Field 'Distance' of table STRAIN holds 2147483647 in record 1; distances run "
       "0..99999 km"},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.folder);
    std::vector<std::string> args = {"--data", DataDirWith(c.folder, c.table, c.text)};
    args.insert(args.end(), c.words.begin(), c.words.end());
    const RunResult r = RunQuery(args);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.err, "lanzhou-query: " + c.message + "\n");
    EXPECT_EQ(r.out, "");
  }
  // info shows the refused table as not ready.
  const RunResult info =
      RunQuery({"--data", DataDirWith("empty_sm", "SM", ""), "info", "--format", "csv"});
  EXPECT_EQ(info.exit_code, 3);
  EXPECT_THAT(info.out, HasSubstr("KMSM,0,not ready\n"));
}

TEST(cli_hostile_tables, AHugeCellIsCutInTableOutput) {
  // G1's departure in the train list, a hundred thousand characters long.
  const std::string slist = Replaced(FixtureTableText("slist.txt"), "\"09:00\",\"13:48\"",
                                     "\"" + std::string(100'000, '9') + "\",\"13:48\"");
  const std::string dir = DataDirWith("huge_cell", "SLIST", slist);
  const RunResult table = RunQuery({"--data", dir, "train", "G1"});
  ASSERT_EQ(table.exit_code, 0) << table.err;
  EXPECT_THAT(table.out, HasSubstr(std::string(63, '9') + "…"));
  EXPECT_THAT(table.out, ::testing::Not(HasSubstr(std::string(64, '9'))));
  for (std::size_t start = 0, end; start < table.out.size(); start = end + 1) {
    end = table.out.find('\n', start);
    EXPECT_LT(end - start, 2000u);
  }
  // Comma-separated and JSON output carry the value whole: they are data, not a screen.
  const RunResult csv = RunQuery({"--data", dir, "train", "G1", "--format", "csv"});
  EXPECT_THAT(csv.out, HasSubstr(std::string(100'000, '9')));
}

// A table file the user may not read says so, naming it. Root reads any file, so as root the
// query runs as the user nobody (setpriv), where the build folder lets that user in.
TEST(cli_hostile_tables, AnUnreadableTableFileSaysPermissionDenied) {
  const std::string dir = DataDirWith("spy_unreadable", "SPY", FixtureTableText("spy.txt"));
  const std::filesystem::path spy = std::filesystem::path(dir) / "SPY";
  std::filesystem::permissions(spy, std::filesystem::perms::none);
  const bool as_root = ::geteuid() == 0;
  const auto run = [&](std::vector<std::string> words) {
    if (!as_root) return RunQuery(words);
    words.insert(words.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                 LANZHOU_QUERY_BINARY});
    return RunProgram("/usr/bin/setpriv", words);
  };
  if (as_root && run({"--help"}).exit_code != 0) {
    GTEST_SKIP() << "the user nobody cannot run the built program here";
  }
  const RunResult r = run({"--data", dir, "complete", "bj"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "lanzhou-query: SPY: cannot open " + spy.string() + ": Permission denied\n");
  EXPECT_EQ(r.out, "");
  std::filesystem::permissions(spy, std::filesystem::perms::owner_all);
}

TEST(cli_hostile_tables, AFileThatIsNoTableFileSaysWhy) {
  const std::string folder = DataDirWith("spy_folder", "SPY", std::nullopt);
  std::filesystem::create_directory(std::filesystem::path(folder) / "SPY");
  RunResult r = RunQuery({"--data", folder, "complete", "bj"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "lanzhou-query: SPY: " + folder + "/SPY is a folder, not a table file\n");

  // A FIFO would block the reader for ever.
  const std::string fifo = DataDirWith("spy_fifo", "SPY", std::nullopt);
  ASSERT_EQ(::mkfifo((fifo + "/spy.txt").c_str(), 0600), 0);
  r = RunQuery({"--data", fifo, "complete", "bj"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "lanzhou-query: SPY: " + fifo + "/spy.txt is not a regular file\n");

  r = RunQuery({"--data", folder + "/nowhere", "complete", "bj"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_THAT(r.err, HasSubstr("cannot read the folder " + folder + "/nowhere: No such file"));
}

}  // namespace
}  // namespace lanzhou::cli::testing
