// lanzhou-query journeys on the fixture timetable: whole answers in the three formats, the
// options that change the answer, and refused values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

using ::testing::HasSubstr;

// Z98/Z95 广州 15:00 reaches 郑州 07:30 next day; 1112/1113 leaves 郑州 18:05 for 上海西 (09:05)
// and 上海. 1043 西安 21:25 reaches 郑州 04:43: 13 h 22 min before 1112/1113 leaves.
TEST(cli_journeys, TableAnswerWithDayMarkerWaitAndFare) {
  const RunResult r = RunQuery(OnFixtures({"journeys", "广州", "上海"}));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "出发   到达       历时   换乘  车次                 换乘站  等候   参考票价\n"
            "15:00  09:05+2天  42:05  1     Z98/Z95 → 1112/1113  郑州    10:35  300\n"
            "结果:1\n");
}

TEST(cli_journeys, JsonKeysForEveryJourneyAndLeg) {
  // From the 武汉 group: Z98/Z95 from 汉口 (its 武昌 stop is the same run, earlier), and a later
  // start with G1001 to 广州南 and a change of station to 广州 (50:05, beyond 1.5 times 30:37
  // plus three hours: listed with --all only).
  const RunResult r =
      RunQuery(OnFixtures({"journeys", "武汉", "上海", "--all", "--format", "json"}));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(
      r.out,
      "[\n"
      R"({"depart":"02:28","arrive":"09:05","arrive_day":1,"minutes":1837,"changes":1,)"
      R"("trains":"Z98/Z95 → 1112/1113","distance":1521,"fare":"187.5","legs":[)"
      R"({"train":"Z98/Z95","from":"汉口","depart":"02:28","depart_day":0,"to":"郑州",)"
      R"("arrive":"07:30","arrive_day":0,"wait":0,"station_change":false,"from_no":4,"to_no":5,)"
      R"("distance":529,"fare":"82"},)"
      R"({"train":"1112/1113","from":"郑州","depart":"18:05","depart_day":0,"to":"上海西",)"
      R"("arrive":"09:05","arrive_day":1,"wait":635,"station_change":false,"from_no":1,)"
      R"("to_no":11,"distance":992,"fare":"105.5"}]},)"
      "\n"
      R"({"depart":"07:00","arrive":"09:05","arrive_day":2,"minutes":3005,"changes":2,)"
      R"("trains":"G1001 → Z98/Z95 → 1112/1113","distance":3678,"fare":"764","legs":[)"
      R"({"train":"G1001","from":"武汉","depart":"07:00","depart_day":0,"to":"广州南",)"
      R"("arrive":"10:52","arrive_day":0,"wait":0,"station_change":false,"from_no":1,"to_no":3,)"
      R"("distance":1069,"fare":"464"},)"
      R"({"train":"Z98/Z95","from":"广州","depart":"15:00","depart_day":0,"to":"郑州",)"
      R"("arrive":"07:30","arrive_day":1,"wait":248,"station_change":true,"from_no":1,)"
      R"("to_no":5,"distance":1617,"fare":"194.5"},)"
      R"({"train":"1112/1113","from":"郑州","depart":"18:05","depart_day":1,"to":"上海西",)"
      R"("arrive":"09:05","arrive_day":2,"wait":635,"station_change":false,"from_no":1,)"
      R"("to_no":11,"distance":992,"fare":"105.5"}]})"
      "\n]\n");
}

TEST(cli_journeys, OptionsChangeTheAnswer) {
  struct Case {
    std::vector<std::string> words;
    std::string out;
  };
  const std::vector<Case> cases = {
      // The wait at 郑州 is over the 12 h default.
      {{"journeys", "西安", "上海", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"},
      {{"journeys", "西安", "上海", "--format", "csv", "--max-wait", "802"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"
       "21:25,09:05+2天,35:40,1,1043 → 1112/1113,郑州,13:22,151.5\n"},
      {{"journeys", "西安", "上海", "--format=csv", "--max-wait=801"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"},
      // No change allowed, or a window without the departure: nothing.
      {{"journeys", "广州", "上海", "--max-changes", "0", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"},
      {{"journeys", "广州", "上海", "--after", "15:01", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"},
      {{"journeys", "广州", "上海", "--before", "15:00", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"
       "15:00,09:05+2天,42:05,1,Z98/Z95 → 1112/1113,郑州,10:35,300\n"},
      // A change of station within 广州 needs --min-change-city; 248 minutes are there.
      {{"journeys", "武汉", "上海", "--min-change-city", "249", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"
       "02:28,09:05+1天,30:37,1,Z98/Z95 → 1112/1113,郑州,10:35,187.5\n"},
      // By default the slow journey is left out; --all (anywhere) lists it, here sorted by
      // duration, longest first, then cut to one.
      {{"journeys", "武汉", "上海", "--format", "csv"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"
       "02:28,09:05+1天,30:37,1,Z98/Z95 → 1112/1113,郑州,10:35,187.5\n"},
      {{"journeys", "武汉", "上海", "--sort", "历时:desc", "--limit", "1", "--format", "csv",
        "--all"},
       "出发,到达,历时,换乘,车次,换乘站,等候,参考票价\n"
       "07:00,09:05+2天,50:05,2,G1001 → Z98/Z95 → 1112/1113,广州南→广州 同城换站、郑州,"
       "4:08、10:35,764\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    // OnFixtures puts --data DIR before the command word.
    const RunResult r = RunQuery(OnFixtures(c.words));
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(cli_journeys, RefusedValuesAndStations) {
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"journeys", "广州", "上海", "--after", "24:00"}, "--after takes a time of day HH:MM"},
      {{"journeys", "广州", "上海", "--before", "7"}, "--before takes a time of day HH:MM"},
      {{"journeys", "广州", "上海", "--after", "7:5"}, "--after takes a time of day HH:MM"},
      {{"journeys", "广州", "上海", "--max-changes", "3"}, "--max-changes takes 0, 1 or 2"},
      {{"journeys", "广州", "上海", "--min-change", "-1"}, "--min-change takes whole minutes"},
      {{"journeys", "广州", "上海", "--min-change-city", "1441"},
       "--min-change-city takes whole minutes from 0 to 1440"},
      {{"journeys", "广州", "上海", "--max-wait", "12h"}, "--max-wait takes whole minutes"},
      {{"journeys", "广州", "上海", "--sort", "车次"}, "--sort takes 出发, 到达, 历时 or 换乘"},
      {{"journeys", "广州", "上海", "--limit", "0"}, "--limit takes a number of journeys from 1"},
      {{"journeys", "广州", "上海", "--format", "xml"}, "--format takes table, csv or json"},
      {{"journeys", "广州", "上海", "--via", "郑州"}, "unknown option '--via'"},
      {{"journeys", "广州"}, "usage: journeys FROM TO"},
      {{"journeys", "广州", "上海", "--limit"}, "option --limit needs a value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const RunResult r = RunQuery(OnFixtures(c.words));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_EQ(r.out, "");
  }
  // The station checks of the 查询 button, with the window's messages.
  for (const auto& [from, to, message] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"东京", "上海", "输入错误: 发站不存在。"},
           {"广州", "广州", "输入错误: 发站与到站相同。"},
           {"gz", "上海", "信息不完整: 请输入发站。"}}) {
    const RunResult r = RunQuery(OnFixtures({"journeys", from, to}));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, message + "\n");
  }
}

}  // namespace
}  // namespace lanzhou::cli::testing
