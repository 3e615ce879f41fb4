#include "import/crawl_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "data/calendar.h"
#include "timetable/train_class.h"

#include "text/gbk.h"

namespace lanzhou::import {
namespace {

using ::testing::HasSubstr;

// The station list: key, name, code, pinyin, initials, index, city code, city, (two more).
constexpr std::string_view kStations =
    "\xEF\xBB\xBF"
    "bjb,北京,BJP,beijing,bj,0,0357,北京,12,x\n"
    "bjn,北京南,VNP,beijingnan,bjn,1,0357,北京,12,x\n"
    "bft,北京丰台,FTP,beijingfengtai,bjft,2,0357,北京,12,x\n"
    "sha,上海,SHH,shanghai,sh,3,0712,上海,12,x\n"
    "hqo,上海虹桥,AOH,shanghaihongqiao,shhq,4,0712,上海,12,x\n"
    "cqi,重庆,CQW,chongqing,cq,5,1717,重庆,12,x\n"
    "cqb,重庆北,CUW,chongqingbei,cqb,6,1717,重庆,12,x\n"
    "hko,汉口,HKN,hankou,hk,7,1801,武汉,12,x\n"
    "wha,武汉,WHN,wuhan,wh,8,1801,武汉,12,x\n"
    "qzh,泉州,QYS,quanzhou,qz,9,2501,泉州,12,x\n"
    "qzd,泉州东,QRS,quanzhoudong,qzd,10,2501,泉州,12,x\n"
    "xmb,厦门北,XKS,xiamenbei,xmbei,11,2502,厦门,12,x\n"
    "xme,厦门,XMS,xiamen,xm,12,2502,厦门,12,x\n"
    "aya,安阳,AYF,anyang,ay,13,1004,安阳,12,x\n"
    "ayd,安阳东,ADF,anyangdong,ayd,14,1004,安阳,12,x\n";

// 清河 has no train; 武昌 is not in the station list; no train calls at 重庆 or 大同; 西昌
// and its group have no train at all. "Datong" is no station name and is passed over.
constexpr std::string_view kGroups =
    "北京,北京南,清河\n"
    "武昌,汉口,武汉\n"
    "重庆,重庆北\n"
    "上海,上 海虹桥\n"
    "Datong,大同,大同南\n"
    "西昌,西昌南\n";

constexpr std::string_view kTimetable =
    "\xEF\xBB\xBF"
    // Two versions of G1: the first runs on 2024-07-05.
    "24000000G10I,G1,240615-0721\n"
    "VNP,,07:00\n"
    "AOH,269\n"
    "\n"
    "24000000G10J,G1,240722-0910\n"
    "VNP,,09:00\n"
    "AOH,280\n"
    "\n"
    // An every-day version and a dated one: the dated one stands in on its day.
    "800000Y75203,Y752\n"
    "BJP,,10:00\n"
    "SHH,600\n"
    "\n"
    "020000Y75210,Y752,240705,0\n"
    "BJP,,11:00\n"
    "VNP,20,5\n"
    "SHH,600\n"
    "\n"
    // A train that changes number; a dwell written as the departure time, overnight.
    "05000041700A,4167,!240718\n"
    "FTP,,20:00\n"
    "HKN,230,00:10\n"
    "WHN,30\n"
    "\n"
    // Not on a Friday.
    "5l000000D100,D1,w1234\n"
    "CUW,,08:00\n"
    "BJP,700\n"
    "\n"
    // Even day, cycle day, and a station written by name with padding spaces.
    "5l000000D200,D2,双&240701-10\n"
    "CUW,,08:00\n"
    "VNP,700\n"
    "\n"
    "5l000000C300,C3,b0001&240705-0802\n"
    "QYS,,06:00\n"
    "QRS,10,2\n"
    "大 同东,600,3\n"
    "XKS,120\n"
    "\n"
    // Runs, but its block has no timed stop.
    "1200000Y34D0,Y34,240704-06,0\n"
    "SYT\n"
    "\n"
    "aa000000K500,K5,w5\n"
    "AYF,,23:00\n"
    "ADF,61\n";

CrawlImportInput Input() {
  CrawlImportInput in;
  in.timetable = kTimetable;
  in.stations = kStations;
  in.groups = kGroups;
  in.day = ParseIsoDate("2024-07-05");
  return in;
}

// The data rows of a table text, in UTF-8 (the definition lines are the writer's).
std::string Rows(const std::string& gbk) {
  const std::string text = text::GbkToUtf8(gbk);
  const std::string end = "\"@@TABLEDEF END@@\"\r\n";
  const std::size_t defs = text.find(end);
  const std::size_t rows = text.find("\r\n", defs + end.size()) + 2;
  std::string out;
  for (char c : text.substr(rows)) {
    if (c != '\r') out += c;
  }
  return out;
}

TEST(CrawlImport, SmallWholeImport) {
  const CrawlImport r = ImportCrawl(Input());
  EXPECT_EQ(Rows(r.texts.strain),
            R"("4167/4170","北京丰台","1","","20:00","0","0","","","","",
"4167/4170","汉口","2","23:50","00:10","3:50","0","-","-","-","-",
"4167/4170","武汉","3","00:40","","4:40","0","-","-","-","-",
"C3","泉州","1","","06:00","0","0","","","","",
"C3","泉州东","2","06:10","06:12","10","0","-","-","-","-",
"C3","大同东","3","16:12","16:15","10:12","0","-","-","-","-",
"C3","厦门北","4","18:15","","12:15","0","-","-","-","-",
"D2","重庆北","1","","08:00","0","0","","","","",
"D2","北京南","2","19:40","","11:40","0","-","-","-","-",
"G1","北京南","1","","07:00","0","0","","","","",
"G1","上海虹桥","2","11:29","","4:29","0","-","-","-","-",
"K5","安阳","1","","23:00","0","0","","","","",
"K5","安阳东","2","00:01","","1:1","0","-","-","-","-",
"Y752","北京","1","","11:00","0","0","","","","",
"Y752","北京南","2","11:20","11:25","20","0","-","-","-","-",
"Y752","上海","3","21:25","","10:25","0","-","-","-","-",
)");
  // City-level origins and termini: a group's city name that leads the station's name, or the
  // name less a direction when that is a station.
  EXPECT_EQ(Rows(r.texts.slist),
            R"("4167/4170","8","北京","武汉","20:00","00:40","4:40","0","-","-","-","-",
"C3","3","泉州","厦门北","06:00","18:15","12:15","0","-","-","-","-",
"D2","1","重庆","北京","08:00","19:40","11:40","0","-","-","-","-",
"G1","2","北京","上海","07:00","11:29","4:29","0","-","-","-","-",
"K5","6","安阳","安阳","23:00","00:01","1:1","0","-","-","-","-",
"Y752","5","北京","上海","11:00","21:25","10:25","0","-","-","-","-",
)");
  // The file's groups that serve a train, each with its city-level name (重庆 and 大同 without
  // trains), 北京丰台 and 大同东 placed, and the new groups of 泉州 and 安阳.
  EXPECT_EQ(Rows(r.texts.sm),
            R"("北京","1",
"北京南","1",
"北京丰台","1",
"汉口","2",
"武汉","2",
"重庆","3",
"重庆北","3",
"上海","4",
"上海虹桥","4",
"大同","5",
"大同东","5",
"泉州","6",
"泉州东","6",
"安阳","7",
"安阳东","7",
)");
  // By first initial, then by the stops there (北京南 and 重庆北 see more trains than 北京 and
  // 重庆 here), then the station list's order, then first use. 厦门北's own initials ("xmbei")
  // do not fit; it takes the letters its characters have elsewhere.
  EXPECT_EQ(Rows(r.texts.spy),
            R"("安阳","AY",
"安阳东","AYD",
"北京南","BJN",
"北京","BJ",
"北京丰台","BJFT",
"重庆北","CQB",
"重庆","CQ",
"大同东","DTD",
"大同","DT",
"汉口","HK",
"泉州","QZ",
"泉州东","QZD",
"上海","SH",
"上海虹桥","SHHQ",
"武汉","WH",
"厦门北","XMB",
)");
  EXPECT_EQ(r.trains, 6);
  EXPECT_EQ(r.stops, 16);
  EXPECT_EQ(r.stations, 14);
  EXPECT_EQ(r.names, 16);
  EXPECT_EQ(r.groups, 7);
  EXPECT_EQ(r.placed, 6);  // 北京丰台, 大同东, and the two of 泉州 and of 安阳
  EXPECT_EQ(r.versions, 10);
  EXPECT_EQ(r.running, 8);  // G1, both Y752, 4167, D2, C3, Y34, K5
  EXPECT_EQ(r.unusable, 1);
  EXPECT_EQ(r.doubled, 1);
}

TEST(CrawlImport, OtherDaysPickOtherVersions) {
  CrawlImportInput in = Input();
  in.day = ParseIsoDate("2024-07-22");  // a Monday: G1's second version, D1, no 4167 change
  const CrawlImport r = ImportCrawl(in);
  const std::string strain = Rows(r.texts.strain);
  EXPECT_THAT(strain, HasSubstr("\"G1\",\"北京南\",\"1\",\"\",\"09:00\""));
  EXPECT_THAT(strain, HasSubstr("\"D1\",\"重庆北\",\"1\""));
  EXPECT_THAT(strain, HasSubstr("\"Y752\",\"北京\",\"1\",\"\",\"10:00\""));  // every-day version
  EXPECT_THAT(strain, ::testing::Not(HasSubstr("\"D2\"")));
  EXPECT_THAT(strain, ::testing::Not(HasSubstr("\"C3\"")));
  EXPECT_THAT(strain, ::testing::Not(HasSubstr("\"K5\"")));
}

TEST(CrawlImport, InputErrorsNameTheInputAndLine) {
  struct Bad {
    std::string timetable;
    std::string stations;
    const char* message;
  };
  const std::string ok_stations(kStations);
  const Bad cases[] = {
      {"240000G10200,G102\nVNP,,06:00\nZZZ,300\n", ok_stations,
       "timetable:3: telegraph code ZZZ is not in the station list"},
      {"240000G10200,G102\nVNP,,06:00\nAB1,300\n", ok_stations,
       "timetable:3: not a station name: AB1"},
      {"240000G10200,G102\nVNP,,06:00\n\xF0\x9F\x9A\x84,300\n", ok_stations,
       "timetable:3: not a station name: \xF0\x9F\x9A\x84"},
      {"240000G10200,G102\nVNP,,06:00\n", "bj,北京\n", "stations:1: fewer than 5 columns"},
      {"240000G10200,G102\nVNP,,06:00\n一二三四五六七八九十一,300\n", ok_stations,
       "timetable:3: not a station name: 一二三四五六七八九十一"},
  };
  for (const Bad& c : cases) {
    CrawlImportInput in = Input();
    in.timetable = c.timetable;
    in.stations = c.stations;
    try {
      (void)ImportCrawl(in);
      ADD_FAILURE() << "accepted: " << c.timetable;
    } catch (const ImportError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.timetable;
    }
  }
}

TEST(CrawlImport, TrainClasses) {
  const std::pair<const char*, int> cases[] = {
      {"D1", 1},    {"G1", 2},         {"C3", 3},        {"Z5", 4},   {"T9", 5},
      {"Y752", 5},  {"K5", 6},         {"S201", 10},     {"1461", 8}, {"5999", 8},
      {"6001", 11}, {"7501/7502", 11}, {"4167/4170", 8}, {"X1", 8},
      // Numbers too long for any integer: slow trains still, never a wrapped sum.
      {"33333333333333333333", 11}, {"00000000000000000000001", 8}};
  for (const auto& [id, ntype] : cases) EXPECT_EQ(CrawlTrainClass(id), ntype) << id;
}

}  // namespace
}  // namespace lanzhou::import

namespace lanzhou::import {
namespace {

// The table IDs of a train list text.
std::set<std::string> ListIds(const std::string& slist_gbk) {
  std::set<std::string> ids;
  std::istringstream lines(Rows(slist_gbk));
  for (std::string line; std::getline(lines, line);) {
    ids.insert(line.substr(1, line.find('"', 1) - 1));
  }
  return ids;
}

// The whole period against the one-day import: on every day of the period the versions the
// calendar says leave that day carry exactly the numbers a one-day import of it holds.
TEST(CrawlImport, WholePeriodAgreesWithEveryOneDayImport) {
  CrawlImportInput in = Input();
  in.day.reset();
  const CrawlImport whole = ImportCrawl(in);
  EXPECT_EQ(whole.period.Text(), "2024-06-15..2024-09-10");
  EXPECT_TRUE(whole.warnings.empty());
  EXPECT_EQ(whole.unusable, 1);  // Y34
  EXPECT_EQ(whole.doubled, 1);   // Y752 gives 7月5日 to its dated version
  const data::Calendar calendar = data::Calendar::Parse(whole.texts.calendar);
  EXPECT_EQ(ListIds(whole.texts.slist),
            (std::set<std::string>{"4167/4170", "C3", "D1", "D2", "G1", "G1#2", "K5", "Y752",
                                   "Y752#2"}));
  int days_checked = 0;
  for (int d = 0; d < whole.period.days; ++d) {
    const data::Date day = whole.period.first + std::chrono::days{d};
    std::set<std::string> running;
    for (int v = 0; v < calendar.VersionCount(); ++v) {
      if (calendar.RunsOn(v, day)) running.insert(std::string(timetable::TrainNumberOfId(calendar.Id(v))));
    }
    in.day = day;
    ASSERT_EQ(running, ListIds(ImportCrawl(in).texts.slist)) << data::IsoDateText(day);
    ++days_checked;
  }
  EXPECT_EQ(days_checked, 88);
  // Day offsets of the overnight 4167: leaves 20:00, 汉口 23:50/00:10, 武汉 00:40.
  const int v = calendar.Find("4167/4170");
  EXPECT_EQ(calendar.ArrivalDay(v, 2), 0);
  EXPECT_EQ(calendar.DepartureDay(v, 2), 1);
  EXPECT_EQ(calendar.ArrivalDay(v, 3), 1);
}

TEST(CrawlImport, OneVersionOrStationNeverFailsTheWholeImport) {
  CrawlImportInput in = Input();
  in.day.reset();
  const std::string timetable = std::string(kTimetable) +
                                "\n240000G10200,G102,w9\nVNP,,06:00\nAOH,300\n"
                                "\n240000G10400,G104\nVNP,,06:00\n亍村,300\n";
  in.timetable = timetable;
  const CrawlImport r = ImportCrawl(in);
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_THAT(r.warnings[0],
              HasSubstr("timetable:44: weekday not 1..7 in running days \"w9\"; G102"));
  EXPECT_THAT(r.warnings[1], HasSubstr("no initial known for 亍 (station 亍村); the station is "
                                       "found by its name only"));
  EXPECT_EQ(r.unreadable_days, 1);
  EXPECT_THAT(Rows(r.texts.spy), HasSubstr("\"亍村\",\"\","));
  EXPECT_THAT(Rows(r.texts.slist), HasSubstr("\"G104\""));
  EXPECT_THAT(Rows(r.texts.slist), ::testing::Not(HasSubstr("\"G102\"")));
}

}  // namespace
}  // namespace lanzhou::import
