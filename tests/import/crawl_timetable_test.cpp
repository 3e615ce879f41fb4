#include "import/crawl_timetable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lanzhou::import {
namespace {

using ::testing::HasSubstr;

// A stop as "station arrival departure", minutes after midnight of the origin day, - for none.
std::string StopText(const CrawlStop& s) {
  auto t = [](int m) { return m < 0 ? std::string("-") : std::to_string(m); };
  return s.station + " " + t(s.arrival) + " " + t(s.departure);
}

// Each train as "code running_days @line: stop; stop; ...".
std::vector<std::string> Trains(const CrawlTimetable& t) {
  std::vector<std::string> out;
  for (const CrawlTrain& train : t.trains) {
    std::string line = train.train_no + " " + train.code + " [" + train.running_days + "] @" +
                       std::to_string(train.line) + ":";
    for (const CrawlStop& s : t.blocks[train.stops]) line += " " + StopText(s) + ";";
    out.push_back(line);
  }
  return out;
}

TEST(CrawlTimetable, ReadsEveryLineShape) {
  const std::string text =
      "\xEF\xBB\xBF"
      // Two headers share one stop list; a header with a flag; relative dwells; a terminus
      // with an empty dwell field.
      "24000000G10I,G1,240615-0721,0\n"
      "24000000G10J,G1,240722-0910\n"
      "VNP,,07:00\n"
      "NJH,200,2\n"
      "AOH,100,\n"
      "\n"
      // No running days at all; a Chinese name padded with spaces; the terminus without a
      // dwell field; a run past midnight.
      "5l000D752100,D7521\n"
      "肇  庆,,23:50\n"
      "东莞  西,20,3\n"
      "GZQ,15\n"
      "\r\n"
      // A dwell written as the departure time: the same day, and past midnight.
      "01000000Y100,Y1,240718,0\n"
      "HBB,,16:35\n"
      "QHX,175,20:00\n"
      "JGX,230,00:10\n"
      "MVX,451\n"
      "\n"
      // A lone station without a time, and a header without any stop line.
      "1200000Y34D0,Y34,240702,0\n"
      "SYT\n"
      "\n"
      "57000000Y700,Y7,240725,0\n"
      "\n"
      "\n"
      // A header straight after stop lines begins the next block.
      "240000G10200,G102\n"
      "VNP,,06:00\n"
      "AOH,300\n"
      "240000G10400,G104\n"
      "VNP,,07:00\n"
      "AOH,290\n";
  const CrawlTimetable t = ParseCrawlTimetable(text, "t.csv");
  EXPECT_THAT(Trains(t),
              ::testing::ElementsAre(
                  "24000000G10I G1 [240615-0721] @1: VNP - 420; NJH 620 622; AOH 722 -;",
                  "24000000G10J G1 [240722-0910] @2: VNP - 420; NJH 620 622; AOH 722 -;",
                  "5l000D752100 D7521 [] @7: 肇庆 - 1430; 东莞西 1450 1453; GZQ 1468 -;",
                  "01000000Y100 Y1 [240718] @12: HBB - 995; QHX 1170 1200; JGX 1430 1450; "
                  "MVX 1901 -;",
                  "1200000Y34D0 Y34 [240702] @18:", "57000000Y700 Y7 [240725] @21:",
                  "240000G10200 G102 [] @24: VNP - 360; AOH 660 -;",
                  "240000G10400 G104 [] @27: VNP - 420; AOH 710 -;"));
  EXPECT_EQ(t.unusable_blocks, 2);
}

TEST(CrawlTimetable, ErrorsNameTheInputAndLine) {
  struct Bad {
    const char* text;
    const char* message;
  };
  const Bad cases[] = {
      {"VNP,,07:00\n", "t.csv:1: stop line before any header"},
      {"240000G10200,G102\nVNP,5,07:00\n", "t.csv:2: first stop is not STATION,,HH:MM"},
      {"240000G10200,G102\nVNP,,7:00\n", "t.csv:2: first stop is not STATION,,HH:MM"},
      {"240000G10200,G102\nVNP,,24:00\n", "t.csv:2: first stop is not STATION,,HH:MM"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,x,3\n", "t.csv:3: stop is not STATION,run,dwell"},
      {"240000G10200,G102\nVNP,,07:00\nAOH\n", "t.csv:3: stop is not STATION,run,dwell"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,3,4,5\n", "t.csv:3: stop is not STATION,run,dwell"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,3,7:5\n", "t.csv:3: dwell is neither minutes nor HH:MM"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,3\nNJH,4,1\n",
       "t.csv:4: stop after the terminus (a stop without dwell)"},
      {"240000G10200,G102\nSYT\nAOH,3\n", "t.csv:3: stop after a stop without a time"},
      {"240000G10200,\nVNP,,07:00\n", "t.csv:1: header without a train number"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,5999,0\nNJH,1,0\n",
       "t.csv:4: stop 100 hours or more after the departure from the first stop"},
      {"240000G10200,G102\nVNP,,07:00\nAOH,5999,1\n",
       "t.csv:3: stop 100 hours or more after the departure from the first stop"},
      {"240000G10200,G102\n  ,,07:00\n", "t.csv:2: stop without a station"},
  };
  for (const Bad& c : cases) {
    try {
      (void)ParseCrawlTimetable(c.text, "t.csv");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ImportError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
}

TEST(CrawlTimetable, TrainIds) {
  struct Case {
    const char* train_no;
    const char* code;
    const char* id;
  };
  const Case cases[] = {
      {"24000000G10I", "G1", "G1"},
      {"05000041700A", "4167", "4167/4170"},  // the number at the origin first
      {"8c0000Y75408", "Y751", "Y751/Y754"},
      {"04000000Y600", "Y3", "Y3/Y6"},
      {"6d000S806210", "S8061", "S8061/S8062"},
      {"240000146100", "1461", "1461"},
      {"0000000000ab", "K12", "K12"},  // nothing usable in train_no: the code alone
      {"240000000G1I", "G1", "G1"},    // "G": no digits
      {"2400000G1X0I", "G1", "G1"},    // "G1X": a letter after the digits
      {"short", "T9", "T9"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrainId(c.train_no, c.code), c.id) << c.train_no;
}

}  // namespace
}  // namespace lanzhou::import
