// lanzhou-query --date on the built-in sample, whose trains have running days: the answers of
// one day, the running days shown, the answer for a number that does not run, and refusals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query_test_support.h"

namespace lanzhou::cli {
namespace {

using testing::RunQuery;
using testing::RunResult;
using ::testing::HasSubstr;
using ::testing::Not;

#ifdef LANZHOU_HAVE_TIMETABLE
TEST(cli_dates, AnswersAreForTheDayAsked) {
  struct Case {
    std::vector<std::string> words;
    std::vector<std::string> contains;
    std::vector<std::string> lacks;
  };
  const Case cases[] = {
      // One number, two versions: the one running that day answers.
      {{"--date", "2024-07-10", "train", "1051"}, {"09:14", "7月22日起停运", "结果:1"}, {"10:14"}},
      {{"--date", "2024-07-25", "train", "1051"}, {"10:14", "7月22日起开行", "结果:1"}, {"09:14"}},
      {{"--date", "2024-07-25", "detail", "--row", "0", "train", "1051"},
       {"车次:1051  开行：7月22日起开行", "沈阳北"},
       {"四平"}},
      // Weekend trains: a Friday lists it, a Monday says when it runs next.
      {{"--date", "2024-07-05", "train", "D1197"}, {"周五、周日", "18:04"}, {}},
      {{"--date", "2024-07-08", "train", "D1197"}, {"D1197 在 7月8日 不开行，下次开行 7月12日"}, {"18:04"}},
      {{"--date", "2024-07-01", "train", "D1091", "--format", "json"},
       {R"({"NotRunning":"D1091 在 7月1日 不开行，下次开行 7月10日"})"},
       {}},
      {{"--date", "2024-08-01", "train", "D1091", "--format", "json"},
       {R"("TrainId":"D1091")", R"("RunningDays":"7月10日–8月25日")"},
       {}},
      // The station and between queries list only the trains calling that day.
      {{"--date", "2024-07-05", "station", "吉安"}, {"D1197"}, {}},
      {{"--date", "2024-07-08", "station", "吉安"}, {}, {"D1197"}},
      {{"--date", "2024-07-07", "between", "吉安", "福田"}, {"D1197"}, {}},
      {{"--date", "2024-07-09", "between", "吉安", "福田"}, {}, {"D1197"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const RunResult r = RunQuery(c.words);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");  // a date given: no notice
    for (const std::string& text : c.contains) EXPECT_THAT(r.out, HasSubstr(text));
    for (const std::string& text : c.lacks) EXPECT_THAT(r.out, Not(HasSubstr(text)));
  }
}

TEST(cli_dates, RefusalsAndTheDefaultDay) {
  struct Case {
    std::vector<std::string> words;
    int exit_code;
    std::string err;
  };
  const Case cases[] = {
      {{"--date", "2024-09-01", "between", "北京", "上海"},
       2,
       "lanzhou-query: --date 2024-09-01 is outside the timetable's period 2024-07-01..2024-08-31\n"},
      {{"--date", "0701", "station", "北京"}, 2, "lanzhou-query: --date: not a date YYYY-MM-DD: 0701\n"},
      {{"--date", "2024-02-30", "journeys", "北京", "上海"},
       2,
       "lanzhou-query: --date: no such date: 2024-02-30\n"},
      {{"--date", "2024-07-05", "complete", "bj"}, 2, "--date belongs to"},
      // Without --date: the period's first day (this machine's today lies outside 2024).
      {{"train", "G1"},
       0,
       "lanzhou-query: no --date: answering for 2024-07-01, the first day of the timetable's "
       "period 2024-07-01..2024-08-31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const RunResult r = RunQuery(c.words);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_THAT(r.err, HasSubstr(c.err));
    if (c.exit_code != 0) EXPECT_EQ(r.out, "");
  }
}

TEST(cli_dates, JourneyLegsCarryTheirDates) {
  // 1051 leaves 哈尔滨 in the morning and reaches 北京 the next morning.
  const RunResult r = RunQuery({"--date", "2024-07-20", "journeys", "哈尔滨", "北京", "--format",
                                "json", "--max-changes", "0", "--after", "09:00", "--before",
                                "09:30"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr(R"("train":"1051","date":"2024-07-20","from":"哈尔滨","depart":"09:14")"));
  EXPECT_THAT(r.out, HasSubstr(R"("arrive":"08:14","arrive_day":1)"));
  // From 22 July the number's second version leaves an hour later.
  const RunResult later = RunQuery({"--date", "2024-07-22", "journeys", "哈尔滨", "北京",
                                    "--max-changes", "0", "--after", "09:00", "--before", "10:30"});
  EXPECT_THAT(later.out, HasSubstr("10:14"));
  EXPECT_THAT(later.out, Not(HasSubstr("09:14")));
}
#endif

}  // namespace
}  // namespace lanzhou::cli
