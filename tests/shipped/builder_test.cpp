// lanzhou-timetable-build as the build runs it: a small source gives exactly the expected table
// texts, the shipped source gives the same bytes every time (and the bytes that are embedded),
// and a broken source gives "file:line: rule" errors and writes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "data/resource_registry.h"
#include "lanzhou_timetable.h"
#include "text/gbk.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kWork{LANZHOU_TEST_WORK_DIR};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct BuildRun {
  int status = -1;
  std::string errors;
};

BuildRun RunBuilder(const fs::path& source, const fs::path& out) {
  const fs::path log = out.string() + ".stderr";
  const std::string command = std::string("'") + LANZHOU_TIMETABLE_BUILD + "' '" + source.string() +
                              "' '" + out.string() + "' >/dev/null 2>'" + log.string() + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(log)};
}

using Files = std::map<std::string, std::string>;

// A small network: two lines between 北京 and 天津 (one high-speed), one group.
Files SmallSource() {
  return {
      {"stations.txt", R"(# W before B: the initials table regroups by letter.
武清 WQ
北京 BJ
北京南 BJN
廊坊 LF
天津 TJ
)"},
      {"groups.txt", "5: 北京 北京南\n"},
      {"lines/a.txt", "line 京津线\nkind conventional\n0 北京\n60 廊坊\n90 武清\n137 天津\n"},
      {"lines/b.txt", "line 京津城际\nkind high-speed\n0 北京南\n60 武清\n120 天津\n"},
      {"classes.txt",
       R"(class 1 conventional 150 high-speed 240 dwell 2 sells P1 P2 rate 0.3097 0.3715
class 8 conventional 60 dwell 4 sells P1 P3
)"},
      {"trains/t.txt", R"(train 4401
class 8
route 京津线 北京 天津
stops all
depart 23:30
dwell-at 廊坊 6
return 4402 depart 08:00

train D7
class 1
route 京津城际 北京南 天津
stops all
depart 07:00
)"},
  };
}

fs::path WriteSource(const std::string& name, const Files& files) {
  const fs::path dir = kWork / name;
  fs::remove_all(dir);
  for (const auto& [path, text] : files) {
    fs::create_directories((dir / path).parent_path());
    std::ofstream(dir / path, std::ios::binary) << text;
  }
  return dir;
}

std::string Utf8Table(const fs::path& file) {
  return lanzhou::text::GbkToUtf8(ReadBytes(file));
}

// Everything after the header line, CR LF kept.
std::string Rows(const std::string& table) {
  const auto header = table.find("\r\n", table.find("@@TABLEDEF END@@"));
  return table.substr(table.find("\r\n", header + 2) + 2);
}

TEST(TimetableBuild, SmallSourceGivesTheExpectedTables) {
  const fs::path source = WriteSource("small", SmallSource());
  const fs::path out = kWork / "small_out";
  fs::remove_all(out);
  const BuildRun run = RunBuilder(source, out);
  ASSERT_EQ(run.status, 0) << run.errors;

  const std::string strain = Utf8Table(out / "strain.txt");
  EXPECT_TRUE(
      strain.starts_with("\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n"
                         "\"ID=WideString,35,\"\"ID\"\",\"\"\"\",35,Data,\"\"\"\"\"\r\n"
                         "\"Station=WideString,20,\"\"Station\"\",\"\"\"\",20,Data,\"\"\"\"\"\r\n"
                         "\"S_No=Integer,0,\"\"S_No\"\",\"\"\"\",10,Data,\"\"\"\"\"\r\n"))
      << strain.substr(0, 300);
  EXPECT_THAT(strain, HasSubstr("\"@@INDEXDEF START@@\"\r\n"
                                "\"SIDNo=\"\"ID;S_No\"\",\"\"SIDNo\"\",UNIQ\"\r\n"
                                "\"SStation=\"\"Station\"\",\"\"SStation\"\"\"\r\n"
                                "\"@@INDEXDEF END@@\"\r\n\"@@TABLEDEF END@@\"\r\n"
                                "\"ID\",\"Station\",\"S_No\",\"A_Time\",\"D_Time\",\"R_Date\","
                                "\"Distance\",\"P1\",\"P2\",\"P3\",\"P4\",\r\n"));
  // 60 km/h on the conventional line, 6 min at 廊坊, 4 elsewhere, crossing midnight; the
  // return runs the route backwards; the multiple unit runs at 240 km/h, 0.3097 yuan/km.
  EXPECT_EQ(
      Rows(strain),
      "\"4401\",\"北京\",\"1\",\"\",\"23:30\",\"0\",\"0\",\"\",\"\",\"\",\"\",\r\n"
      "\"4401\",\"廊坊\",\"2\",\"00:30\",\"00:36\",\"1:\",\"60\",\"3.5\",\"-\",\"38/40/"
      "42\",\"-\",\r\n"
      "\"4401\",\"武清\",\"3\",\"01:06\",\"01:10\",\"1:36\",\"90\",\"5.5\",\"-\",\"40/42/"
      "44\",\"-\",\r\n"
      "\"4401\",\"天津\",\"4\",\"01:57\",\"\",\"2:27\",\"137\",\"9\",\"-\",\"43/45/47\",\"-\",\r\n"
      "\"4402\",\"天津\",\"1\",\"\",\"08:00\",\"0\",\"0\",\"\",\"\",\"\",\"\",\r\n"
      "\"4402\",\"武清\",\"2\",\"08:47\",\"08:51\",\"47\",\"47\",\"3.5\",\"-\",\"38/40/"
      "42\",\"-\",\r\n"
      "\"4402\",\"廊坊\",\"3\",\"09:21\",\"09:25\",\"1:21\",\"77\",\"4.5\",\"-\",\"39/41/"
      "43\",\"-\",\r\n"
      "\"4402\",\"北京\",\"4\",\"10:25\",\"\",\"2:25\",\"137\",\"9\",\"-\",\"43/45/47\",\"-\",\r\n"
      "\"D7\",\"北京南\",\"1\",\"\",\"07:00\",\"0\",\"0\",\"\",\"\",\"\",\"\",\r\n"
      "\"D7\",\"武清\",\"2\",\"07:15\",\"07:17\",\"15\",\"60\",\"19\",\"22\",\"-\",\"-\",\r\n"
      "\"D7\",\"天津\",\"3\",\"07:32\",\"\",\"32\",\"120\",\"37\",\"45\",\"-\",\"-\",\r\n");

  // The train list: departure at the origin, arrival at the terminus, city-level names.
  const std::string slist = Utf8Table(out / "slist.txt");
  EXPECT_THAT(slist, HasSubstr("\"SID=\"\"ID\"\",\"\"SID\"\",UNIQ\"\r\n"
                               "\"SstartStation=\"\"startStation\"\",\"\"SstartStation\"\"\"\r\n"
                               "\"SendStation=\"\"endStation\"\",\"\"SendStation\"\"\"\r\n"));
  EXPECT_EQ(Rows(slist),
            "\"4401\",\"8\",\"北京\",\"天津\",\"23:30\",\"01:57\",\"2:27\",\"137\",\"9\",\"-\","
            "\"43/45/47\",\"-\",\r\n"
            "\"4402\",\"8\",\"天津\",\"北京\",\"08:00\",\"10:25\",\"2:25\",\"137\",\"9\",\"-\","
            "\"43/45/47\",\"-\",\r\n"
            "\"D7\",\"1\",\"北京\",\"天津\",\"07:00\",\"07:32\",\"32\",\"120\",\"37\",\"45\",\"-\","
            "\"-\",\r\n");
  EXPECT_EQ(Rows(Utf8Table(out / "sm.txt")), "\"北京\",\"5\",\r\n\"北京南\",\"5\",\r\n");
  const std::string spy = Utf8Table(out / "spy.txt");
  EXPECT_THAT(spy, HasSubstr("\"PyIndex=\"\"ShortCode\"\",\"\"PyIndex\"\"\"\r\n"
                             "\"StationIndex=\"\"Station\"\",\"\"StationIndex\"\"\"\r\n"));
  EXPECT_EQ(Rows(spy),
            "\"北京\",\"BJ\",\r\n\"北京南\",\"BJN\",\r\n\"廊坊\",\"LF\",\r\n\"天津\",\"TJ\",\r\n"
            "\"武清\",\"WQ\",\r\n");
}

TEST(TimetableBuild, OverridesAndExplicitRowsKeepTheirOddShapes) {
  Files files = SmallSource();
  files["trains/t.txt"] += R"(
train 4403
class 8
stop 北京 - 22:00 0
stop 廊坊 23:10 23:15 60 rdate=1:9
stop 天津 21:00 21:05 137

train 4405
class 8
route 京津线 北京 天津
stops all
depart 06:00
at 武清 km=95 dep=-
list from=北京南 rdate=3: km=140

train 4407
class 8
route 京津线 天津 北京
depart 12:00
)";
  const fs::path out = kWork / "odd_out";
  fs::remove_all(out);
  const BuildRun run = RunBuilder(WriteSource("odd", files), out);
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string strain = Rows(Utf8Table(out / "strain.txt"));
  // Explicit rows: a day passes whenever a time is earlier than the one before; the last stop
  // keeps its departure; an R_Date override is taken as written.
  EXPECT_THAT(strain, HasSubstr("\"4403\",\"廊坊\",\"2\",\"23:10\",\"23:15\",\"1:9\",\"60\","));
  EXPECT_THAT(strain, HasSubstr("\"4403\",\"天津\",\"3\",\"21:00\",\"21:05\",\"23:\",\"137\","));
  // An override replaces its fields and nothing else: the next stop keeps its own values.
  EXPECT_THAT(strain, HasSubstr("\"4405\",\"武清\",\"3\",\"07:34\",\"\",\"1:34\",\"95\","));
  EXPECT_THAT(strain, HasSubstr("\"4405\",\"天津\",\"4\",\"08:25\",\"\",\"2:25\",\"137\","));
  // Without a stops directive a route train stops at its two ends only.
  EXPECT_THAT(strain, HasSubstr("\"4407\",\"北京\",\"2\",\"14:17\",\"\",\"2:17\",\"137\","));
  EXPECT_THAT(strain, Not(HasSubstr("\"4407\",\"廊坊\"")));
  const std::string slist = Rows(Utf8Table(out / "slist.txt"));
  EXPECT_THAT(slist,
              HasSubstr("\"4403\",\"8\",\"北京\",\"天津\",\"22:00\",\"21:00\",\"23:\",\"137\","));
  EXPECT_THAT(slist,
              HasSubstr("\"4405\",\"8\",\"北京南\",\"天津\",\"06:00\",\"08:25\",\"3:\",\"140\","));
}

TEST(TimetableBuild, ShippedSourceGivesTheSameBytesEveryTimeAndTheEmbeddedOnes) {
  const fs::path first = kWork / "shipped_a";
  const fs::path second = kWork / "shipped_b";
  fs::remove_all(first);
  fs::remove_all(second);
  const BuildRun a = RunBuilder(LANZHOU_TIMETABLE_SOURCE, first);
  const BuildRun b = RunBuilder(LANZHOU_TIMETABLE_SOURCE, second);
  ASSERT_EQ(a.status, 0) << a.errors;
  ASSERT_EQ(b.status, 0) << b.errors;
  lanzhou::data::ResourceRegistry registry;
  registry.Register(lanzhou::resources::TimetableResources());
  for (const auto& [file, resource] : std::map<std::string, std::string>{{"strain.txt", "STrain"},
                                                                         {"slist.txt", "SList"},
                                                                         {"sm.txt", "SM"},
                                                                         {"spy.txt", "SPY"}}) {
    const std::string bytes = ReadBytes(first / file);
    ASSERT_GT(bytes.size(), 1000u) << file;
    EXPECT_TRUE(bytes == ReadBytes(second / file)) << file << " differs between two builds";
    EXPECT_TRUE(bytes == lanzhou::data::ReadPackedResource(registry, resource))
        << file << " differs from the embedded " << resource;
  }
}

struct Broken {
  const char* name;
  const char* file;  // file to change
  const char* find;  // text replaced in it ("" appends)
  const char* replace;
  const char* message;  // expected "file:line: rule" (or its start)
};

class BrokenSource : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenSource, ReportsFileLineAndRuleAndWritesNothing) {
  const Broken& broken = GetParam();
  Files files = SmallSource();
  std::string& text = files[broken.file];
  if (std::string(broken.find).empty()) {
    text += broken.replace;
  } else {
    const auto at = text.find(broken.find);
    ASSERT_NE(at, std::string::npos) << broken.find;
    text.replace(at, std::string(broken.find).size(), broken.replace);
  }
  const fs::path out = kWork / (std::string("broken_") + broken.name);
  fs::remove_all(out);
  const BuildRun run = RunBuilder(WriteSource(std::string("src_") + broken.name, files), out);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.errors, HasSubstr(broken.message));
  EXPECT_THAT(run.errors, HasSubstr("nothing written"));
  EXPECT_FALSE(fs::exists(out)) << "the builder wrote into " << out;
}

INSTANTIATE_TEST_SUITE_P(
    TimetableBuild, BrokenSource,
    ::testing::Values(
        Broken{"unknown_line", "trains/t.txt", "route 京津线 北京 天津", "route 京沪线 北京 天津",
               "trains/t.txt:3: train 4401: no line 京沪线"},
        Broken{"unknown_station", "trains/t.txt", "stops all", "stops 北京 上海",
               "trains/t.txt:4: not a station of stations.txt: 上海"},
        Broken{"stops_out_of_order", "trains/t.txt", "stops all", "stops 武清 廊坊",
               "trains/t.txt:4: train 4401: stops are listed in route order (廊坊)"},
        Broken{"duplicate_number", "trains/t.txt", "train D7", "train 4402",
               "trains/t.txt:9: train number 4402 already used at trains/t.txt:7"},
        Broken{"bad_time", "trains/t.txt", "depart 07:00", "depart 24:10",
               "trains/t.txt:13: depart takes one time HH:MM"},
        Broken{"no_class", "trains/t.txt", "class 1\n", "",
               "trains/t.txt:9: train D7 has no class"},
        Broken{"station_not_served", "stations.txt", "", "杨村 YC\n",
               "stations.txt:7: station on no line: 杨村"},
        Broken{"km_not_increasing", "lines/a.txt", "90 武清", "50 武清",
               "lines/a.txt:5: km posts start at 0 and increase strictly down the file"},
        Broken{"bad_initials", "stations.txt", "廊坊 LF", "廊坊 L",
               "stations.txt:5: initials are one letter A-Z (not I, U, V) per character: L"},
        Broken{"unsellable_tariff", "trains/t.txt", "depart 23:30", "depart 23:30\nsells P2",
               "trains/t.txt:1: train 4401: its fares cannot be priced by the tariff rule"},
        // A distance that falls along a train, in an explicit row or through an override.
        Broken{"distance_falls_in_rows", "trains/t.txt", "",
               "\ntrain 4409\nclass 8\nstop 北京 - 08:00 0\nstop 廊坊 08:50 08:54 60\n"
               "stop 武清 09:20 - 50\n",
               "trains/t.txt:19: train 4409: distances never decrease along a train (武清 50 km "
               "after 廊坊 60 km)"},
        Broken{"distance_falls_by_override", "trains/t.txt", "dwell-at 廊坊 6",
               "dwell-at 廊坊 6\nat 廊坊 km=100",
               "trains/t.txt:7: train 4401: distances never decrease along a train (武清 90 km "
               "after 廊坊 100 km)"}),
    [](const ::testing::TestParamInfo<Broken>& info) { return std::string(info.param.name); });

}  // namespace
