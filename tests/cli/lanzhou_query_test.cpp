// lanzhou-query's answers on the fixture timetable (described in tests/fixtures/CMakeLists.txt):
// each query in the three formats, filters, sorts, the transfer chooser and legs, the detail
// window, completion; the same answers from plain and packed --data folders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>

#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Runs a query on the plain fixture folder and expects it to succeed quietly.
std::string Answer(const std::vector<std::string>& words) {
  const RunResult r = RunQuery(OnFixtures(words));
  EXPECT_EQ(r.exit_code, 0) << ::testing::PrintToString(words);
  EXPECT_EQ(r.err, "") << ::testing::PrintToString(words);
  return r.out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The export lines before the rows: two empty lines, company, web address, two empty lines.
constexpr const char* kCsvHead = "\n\n岚舟时刻公司\nhttp://www.lanzhou-shike.cn\n\n\n";
constexpr const char* kMainCaptions =
    "车次,始发,终到,车型,发站,发时,到站,到时,停站,里程,历时,硬座,软座,硬卧,软卧\n";

// Column 0 of the rows of a csv answer (the train numbers of a result grid).
std::vector<std::string> CsvFirstColumn(const std::string& csv) {
  std::vector<std::string> ids;
  const std::vector<std::string> lines = Lines(csv);
  for (std::size_t i = 7; i < lines.size(); ++i)
    ids.push_back(lines[i].substr(0, lines[i].find(',')));
  return ids;
}

std::vector<std::string> ShownTrains(std::vector<std::string> words) {
  words.insert(words.end(), {"--format", "csv"});
  return CsvFirstColumn(Answer(words));
}

// The TrainId values of a json answer, in row order.
std::vector<std::string> JsonTrainIds(const std::string& json) {
  std::vector<std::string> ids;
  const std::string key = "{\"TrainId\":\"";
  for (const std::string& line : Lines(json)) {
    if (line.starts_with(key))
      ids.push_back(line.substr(key.size(), line.find('"', key.size()) - key.size()));
  }
  return ids;
}

TEST(cli_lanzhou_query, BetweenInTheThreeFormats) {
  // 北京 and 上海 stand for their groups: G1 boards at 北京南 and alights at 上海虹桥. 1043 and
  // Z98/Z95 reach 北京西 only at their last stop; 1112/1113 never calls in the 北京 group.
  EXPECT_EQ(Answer({"between", "北京", "上海"}),
            "车 次  始发站  终到站  车型      发站    发时   到站      到时   停站  里程  历时  "
            "硬座  软座  硬卧上/中/下  软卧上/下\n"
            "G1     北京    上海    高速动车  北京南  09:00  上海虹桥  13:48  3     1318  4:48  "
            "555   935   -             -\n"
            "结果:1\n");
  EXPECT_EQ(Answer({"between", "北京", "上海", "--format", "csv"}),
            std::string(kCsvHead) + kMainCaptions +
                "G1,北京,上海,高速动车,北京南,09:00,上海虹桥,13:48,3,1318,4:48,555,935,-,-\n");
  EXPECT_EQ(
      Answer({"between", "北京", "上海", "--format", "json"}),
      "[\n"
      "{\"TrainId\":\"G1\",\"NType\":2,\"TypeName\":\"高速动车\",\"StartStation\":\"北京\","
      "\"EndStation\":\"上海\",\"TrainRunTime\":\"4:48\",\"TrainDistance\":1318,\"TrainP1\":"
      "\"555\","
      "\"TrainP2\":\"935\",\"TrainP3\":\"-\",\"TrainP4\":\"-\",\"FromStation\":\"北京南\","
      "\"FromNo\":1,\"FromDistance\":0,\"FromP1\":\"\",\"FromP2\":\"\",\"FromP3\":\"\","
      "\"FromP4\":\"\",\"DepartTime\":\"09:00\",\"FromRunTime\":\"0\",\"ToStation\":\"上海虹桥\","
      "\"ToNo\":4,\"ArriveTime\":\"13:48\",\"ToRunTime\":\"4:48\",\"ToDistance\":1318,"
      "\"ToP1\":\"555\",\"ToP2\":\"935\",\"ToP3\":\"-\",\"ToP4\":\"-\",\"Stops\":3,"
      "\"SegDistance\":1318,\"SegTime\":\"4:48\",\"FareHardSeat\":\"555\","
      "\"FareSoftSeat\":\"935\",\"FareHardSleeper\":\"-\",\"FareSoftSleeper\":\"-\"}\n"
      "]\n");
}

TEST(cli_lanzhou_query, EmptyAnswersAreAnswers) {
  // No through train 西安 -> 上海: the window would ask about a transfer; here the answer is
  // simply empty, exit 0.
  EXPECT_EQ(Answer({"between", "西安", "上海"}),
            "车 次  始发站  终到站  车型  发站  发时  到站  到时  停站  里程  历时  硬座  软座  "
            "硬卧上/中/下  软卧上/下\n结果:0\n");
  EXPECT_EQ(Answer({"between", "西安", "上海", "--format", "json"}), "[]\n");
  EXPECT_EQ(Answer({"between", "西安", "上海", "--format", "csv"}),
            std::string(kCsvHead) + kMainCaptions);
  // A number no train carries ("1113" is the second number of 1112/1113, found by it): refused
  // as an unknown station is.
  const RunResult unknown = RunQuery(OnFixtures({"train", "1111", "--format", "json"}));
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.err, "输入错误: 车次不存在。\n");
  EXPECT_EQ(unknown.out, "");
}

TEST(cli_lanzhou_query, TrainNumberRowsCoverTheWholeRun) {
  EXPECT_EQ(Answer({"train", "1112", "--format", "csv"}),
            std::string(kCsvHead) + kMainCaptions +
                "1112/1113,郑州,上海,空调普快,郑州,18:05,上海,09:25,11,998,15:20,106,-,"
                "191/198/205,304/319\n");
  // Blanks around the number are dropped and letters upper-cased; the whole-run values are
  // KMList's as stored ("4:25", "-").
  const std::string json = Answer({"train", " d1 ", "--format", "json"});
  EXPECT_THAT(JsonTrainIds(json), ElementsAre("D1"));
  EXPECT_THAT(json, HasSubstr("\"ToNo\":5,"));
  EXPECT_THAT(json, HasSubstr("\"SegTime\":\"4:25\",\"FareHardSeat\":\"218\","
                              "\"FareSoftSeat\":\"262\",\"FareHardSleeper\":\"-\""));
}

TEST(cli_lanzhou_query, StationQueryUnderEachFilter) {
  // Group 北京: seven trains; 1043 and Z98/Z95 end at 北京西 and so run from their first
  // stations.
  EXPECT_THAT(ShownTrains({"station", "北京"}),
              ElementsAre("1043", "4471", "C2001", "D1", "G1", "K7711", "Z98/Z95"));
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "sf"}),
              ElementsAre("4471", "C2001", "D1", "G1", "K7711"));
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "zd"}), ElementsAre("1043", "Z98/Z95"));
  // Only D1 boards at exactly 北京; the others use 北京西, 北京北, 北京南, 北京东.
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "jq"}), ElementsAre("D1"));
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "dc"}), ElementsAre("C2001", "D1", "G1"));
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "zd,dc"}), ElementsAre());
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "sf", "--filter", "DC"}),
              ElementsAre("C2001", "D1", "G1"));
  EXPECT_THAT(Answer({"station", "北京", "--filter", "jq"}), HasSubstr("\n结果:1\n"));
  // A train-number row passes 始发车, 终到车 and 精确站名 whatever its stations.
  EXPECT_THAT(ShownTrains({"train", "Z98", "--filter", "sf,zd,jq"}), ElementsAre("Z98/Z95"));
  EXPECT_THAT(ShownTrains({"train", "Z98", "--filter", "dc"}), ElementsAre());
}

TEST(cli_lanzhou_query, SortByCaptionOrIndexInEitherDirection) {
  // 里程 as numbers: 84 before 120 before 1200.
  const std::vector<std::string> by_km = {"4471", "C2001", "K7711", "D1", "1043", "G1", "Z98/Z95"};
  EXPECT_EQ(ShownTrains({"station", "北京", "--sort", "里程"}), by_km);
  EXPECT_EQ(ShownTrains({"station", "北京", "--sort", "9"}), by_km);
  EXPECT_EQ(ShownTrains({"station", "北京", "--sort", "9:asc"}), by_km);
  const std::vector<std::string> by_km_desc(by_km.rbegin(), by_km.rend());
  EXPECT_EQ(ShownTrains({"station", "北京", "--sort", "里程:desc"}), by_km_desc);
  // 历时 by minutes: "00:33" ... "04:25" before "04:30", "17:00" before "23:00".
  EXPECT_THAT(ShownTrains({"station", "北京", "--sort", "历时"}),
              ElementsAre("C2001", "4471", "D1", "K7711", "G1", "1043", "Z98/Z95"));
  // 软座 as numbers; "-" after every fare ascending, before them descending, in stable order.
  EXPECT_THAT(ShownTrains({"station", "北京", "--sort", "软座"}),
              ElementsAre("C2001", "D1", "Z98/Z95", "G1", "1043", "4471", "K7711"));
  EXPECT_THAT(ShownTrains({"station", "北京", "--sort", "软座:desc"}),
              ElementsAre("1043", "4471", "K7711", "G1", "Z98/Z95", "D1", "C2001"));
  // The label's caption with or without its blank, and the export's shorter caption.
  EXPECT_THAT(ShownTrains({"station", "北京", "--sort", "车 次:desc"}),
              ElementsAre("Z98/Z95", "K7711", "G1", "D1", "C2001", "4471", "1043"));
  EXPECT_EQ(ShownTrains({"station", "北京", "--sort", "车次:desc"}),
            ShownTrains({"station", "北京", "--sort", "0:desc"}));
  EXPECT_THAT(ShownTrains({"station", "北京", "--sort", "始发"}),
              ElementsAre("4471", "C2001", "D1", "G1", "K7711", "Z98/Z95", "1043"));
  // Sorting covers the rows the filters leave.
  EXPECT_THAT(ShownTrains({"station", "北京", "--filter", "dc", "--sort", "里程:desc"}),
              ElementsAre("G1", "D1", "C2001"));
  // The table marks the sorted header.
  EXPECT_THAT(Answer({"station", "北京", "--sort", "里程:desc"}), HasSubstr("  里程↓  "));
}

TEST(cli_lanzhou_query, JsonRowsFollowTheSortedGrid) {
  for (const char* sort : {"里程:desc", "历时", "软座:desc", "发站"}) {
    SCOPED_TRACE(sort);
    EXPECT_EQ(JsonTrainIds(Answer({"station", "北京", "--sort", sort, "--format", "json"})),
              ShownTrains({"station", "北京", "--sort", sort}));
  }
  EXPECT_EQ(JsonTrainIds(Answer(
                {"station", "北京", "--filter", "sf", "--sort", "1:desc", "--format", "json"})),
            ShownTrains({"station", "北京", "--filter", "sf", "--sort", "1:desc"}));
}

TEST(cli_lanzhou_query, TransferChooserAsItOpens) {
  // 西安 -> 上海: 1043 leaves 西安, 1112/1113 reaches 上海; they meet at 郑州 only.
  EXPECT_EQ(Answer({"transfer", "西安", "上海"}),
            "两地共有<1>个中转站供选择:\n"
            "中转站↑  前里程  后里程  总里程  前历时  后历时  总历时  发站车数  到站车数\n"
            "郑州     511     998     1509    7:18    15:20   22:38   1         1\n");
  EXPECT_EQ(Answer({"transfer", "西安", "上海", "--format", "json"}),
            "[\n"
            "{\"Name\":\"郑州\",\"FirstDistance\":511,\"SecondDistance\":998,"
            "\"TotalDistance\":1509,\"FirstTime\":\"7:18\",\"SecondTime\":\"15:20\","
            "\"TotalTime\":\"22:38\",\"FromTrains\":1,\"ToTrains\":1}\n"
            "]\n");
  EXPECT_EQ(Answer({"transfer", "西安", "上海", "--format", "csv"}),
            std::string(kCsvHead) +
                "中转站,前里程,后里程,总里程,前历时,后历时,总历时,发站车数,到站车数\n"
                "郑州,511,998,1509,7:18,15:20,22:38,1,1\n");
  EXPECT_THAT(Answer({"transfer", "西安", "上海", "--sort", "总里程:desc"}),
              HasSubstr("中转站  前里程  后里程  总里程↓  "));
  // 北京 -> 广州: the trains from 北京 and those into 广州 share no station.
  EXPECT_EQ(Answer({"transfer", "北京", "广州"}),
            "两地共有<0>个中转站供选择:\n"
            "中转站  前里程  后里程  总里程  前历时  后历时  总历时  发站车数  到站车数\n");
  EXPECT_EQ(Answer({"transfer", "北京", "广州", "--format", "json"}), "[]\n");
}

TEST(cli_lanzhou_query, TransferLegsThroughAChosenStation) {
  // First legs to the station, then second legs from it.
  EXPECT_EQ(Answer({"transfer", "西安", "上海", "--via", "郑州", "--format", "csv"}),
            std::string(kCsvHead) + kMainCaptions +
                "1043,西安,北京,普快,西安,21:25,郑州,04:43,5,511,7:18,46,-,88/91/95,139/146\n"
                "1112/1113,郑州,上海,空调普快,郑州,18:05,上海,09:25,11,998,15:20,106,-,"
                "191/198/205,304/319\n");
  EXPECT_THAT(ShownTrains({"transfer", "西安", "上海", "--via", "郑州", "--sort", "0:desc"}),
              ElementsAre("1112/1113", "1043"));
  EXPECT_THAT(ShownTrains({"transfer", "西安", "上海", "--via", "郑州", "--filter", "dc"}),
              ElementsAre());
}

TEST(cli_lanzhou_query, DetailOfAShownRow) {
  // 1112/1113 passes midnight before 蚌埠; elapsed times show as durations ("3:" as "3:00"),
  // speeds run from the departure at the stop before.
  EXPECT_EQ(Answer({"detail", "--row", "0", "train", "1112"}),
            "车次:1112/1113\n"
            "全程：998km/历时15:20/速度65km/h\n"
            "区间：998km/历时15:20/速度65km/h\n"
            "站序  车站    里程  到时   发时   天数   历时   时速\n"
            "1     郑州    0            18:05  当天   0:00\n"
            "2     开封    72    19:08  19:14  当天   1:03   69\n"
            "3     商丘    204   21:05  21:13  当天   3:00   71\n"
            "4     徐州    349   23:32  23:52  当天   5:27   63\n"
            "5     蚌埠    514   02:20  02:28  第2天  8:15   67\n"
            "6     南京    697   05:02  05:14  第2天  10:57  71\n"
            "7     镇江    766   06:10  06:13  第2天  12:05  74\n"
            "8     常州    833   07:00  07:04  第2天  12:55  86\n"
            "9     无锡    872   07:33  07:37  第2天  13:28  81\n"
            "10    苏州    914   08:07  08:11  第2天  14:02  84\n"
            "11    上海西  992   09:05  09:07  第2天  15:00  87\n"
            "12    上海    998   09:25         第2天  15:20  20\n");
  EXPECT_EQ(
      Answer({"detail", "--row", "0", "between", "北京", "上海", "--format", "json"}),
      "{\"Caption\":\"车次:G1\",\"LabQC\":\"全程：1318km/历时4:48/速度275km/h\","
      "\"LabQJ\":\"区间：1318km/历时4:48/速度275km/h\",\"StopCount\":4,"
      "\"FirstLegStop\":1,\"LastLegStop\":4,\"Stops\":[\n"
      "{\"S_No\":1,\"Station\":\"北京南\",\"Distance\":0,\"A_Time\":\"\",\"D_Time\":\"09:00\","
      "\"Day\":\"当天\",\"R_Date\":\"0:00\",\"Speed\":null},\n"
      "{\"S_No\":2,\"Station\":\"济南西\",\"Distance\":406,\"A_Time\":\"10:31\","
      "\"D_Time\":\"10:33\",\"Day\":\"当天\",\"R_Date\":\"1:31\",\"Speed\":268},\n"
      "{\"S_No\":3,\"Station\":\"南京南\",\"Distance\":1023,\"A_Time\":\"12:35\","
      "\"D_Time\":\"12:37\",\"Day\":\"当天\",\"R_Date\":\"3:35\",\"Speed\":303},\n"
      "{\"S_No\":4,\"Station\":\"上海虹桥\",\"Distance\":1318,\"A_Time\":\"13:48\","
      "\"D_Time\":\"\",\"Day\":\"当天\",\"R_Date\":\"4:48\",\"Speed\":249}\n"
      "]}\n");
  EXPECT_EQ(Answer({"detail", "--row", "0", "between", "北京", "上海", "--format", "csv"}),
            std::string(kCsvHead) +
                "站序,车站,里程,到时,发时,天数,历时,时速\n"
                "1,北京南,0,,09:00,当天,0:00,\n"
                "2,济南西,406,10:31,10:33,当天,1:31,268\n"
                "3,南京南,1023,12:35,12:37,当天,3:35,303\n"
                "4,上海虹桥,1318,13:48,,当天,4:48,249\n");
}

TEST(cli_lanzhou_query, DetailRowCountsAfterFilterAndSort) {
  // Sorted by 里程, row 6 is Z98/Z95, which ends at 北京西 and so boards at its first station.
  const std::vector<std::string> lines =
      Lines(Answer({"detail", "--row", "6", "station", "北京", "--sort", "里程"}));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "车次:Z98/Z95");
  EXPECT_EQ(lines[1], "全程：2310km/历时23:00/速度100km/h");
  EXPECT_EQ(lines[2], "区间：2310km/历时23:00/速度100km/h");
  EXPECT_EQ(lines[10], "7     北京西  2310  14:00         第2天  23:00  104");
  // The second leg of a transfer: boards at 郑州, stop 1 of 1112/1113, 11 stops on.
  const std::string json = Answer(
      {"detail", "--row", "1", "transfer", "西安", "上海", "--via", "郑州", "--format", "json"});
  EXPECT_THAT(json, HasSubstr("\"Caption\":\"车次:1112/1113\""));
  EXPECT_THAT(json, HasSubstr("\"FirstLegStop\":1,\"LastLegStop\":12,"));
  // Row 0 under 仅动车 is C2001, the first high-speed train of the list.
  EXPECT_THAT(Answer({"detail", "--row", "0", "station", "北京", "--filter", "dc"}),
              ::testing::StartsWith("车次:C2001\n"));
}

TEST(cli_lanzhou_query, CompleteListsMatchesInTableOrderWithoutPadding) {
  EXPECT_EQ(Answer({"complete", "bj"}), "北京\n北京西\n北京南\n北京北\n北京东\n");
  EXPECT_EQ(Answer({"complete", " BJ "}), "北京\n北京西\n北京南\n北京北\n北京东\n");
  // Nine S stations, in the initials table's order, not sorted.
  EXPECT_EQ(Answer({"complete", "s"}),
            "上海\n上海西\n上海虹桥\n石家庄\n沈阳北\n三门峡\n商丘\n苏州\n山海关\n");
  EXPECT_EQ(Answer({"complete", "qq"}), "");
  EXPECT_EQ(Answer({"complete", ""}), "");
  EXPECT_EQ(Answer({"complete", "bjx", "--format", "json"}), "[\n\"北京西\"\n]\n");
  EXPECT_EQ(Answer({"complete", "qq", "--format", "json"}), "[]\n");
}

TEST(cli_lanzhou_query, PackedPlainAndTimetableFileTablesGiveTheSameAnswers) {
  const std::vector<std::vector<std::string>> queries = {
      {"info"},
      {"between", "北京", "上海", "--format", "json"},
      {"station", "北京", "--sort", "历时:desc"},
      {"transfer", "西安", "上海"},
      {"detail", "--row", "0", "train", "Z98"},
      {"complete", "w"}};
  for (const auto& words : queries) {
    for (const std::vector<std::string>& source :
         {std::vector<std::string>{"--data", PackedDataDir()},
          std::vector<std::string>{"--timetable", TimetableFileOfFixtures()}}) {
      SCOPED_TRACE(::testing::PrintToString(words) + " " + source[0]);
      std::vector<std::string> other = source;
      other.insert(other.end(), words.begin(), words.end());
      const RunResult p = RunQuery(other);
      EXPECT_EQ(p.exit_code, 0);
      EXPECT_EQ(p.err, "");
      EXPECT_NE(p.out, "");
      EXPECT_EQ(p.out, Answer(words));
    }
  }
}

// The timetable builder names its output strain.txt, slist.txt, sm.txt and spy.txt; --data
// reads such a folder as it is.
TEST(cli_lanzhou_query, ReadsTheBuildersTxtNames) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(LANZHOU_TEST_WORK_DIR) / "builder_names";
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* name : {"STRAIN", "SLIST", "SM", "SPY"}) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
    fs::copy_file(fs::path(PlainDataDir()) / name, dir / (lower + ".txt"));
  }
  const RunResult r = RunQuery({"--data", dir.string(), "between", "北京", "上海"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, Answer({"between", "北京", "上海"}));
}

#ifdef LANZHOU_HAVE_TIMETABLE
TEST(cli_lanzhou_query, BuiltInTimetableWithoutData) {
  RunResult r = RunQuery({"info", "--format", "csv"});
  EXPECT_EQ(r.exit_code, 0);
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_THAT(lines[i], ::testing::EndsWith(",ready"));
    EXPECT_THAT(lines[i], ::testing::Not(HasSubstr(",0,")));
  }
  r = RunQuery({"station", "北京", "--format", "json"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_FALSE(JsonTrainIds(r.out).empty());
}
#endif

}  // namespace
}  // namespace lanzhou::cli::testing
