#include "diagram/diagram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <map>
#include <set>
#include <tuple>

#include "diagram/label_box.h"
#include "journey/journey_test_timetable.h"

namespace lanzhou::diagram {
namespace {

using journey::test::SpecTables;
using journey::test::SpecTimetable;
using journey::test::SpecTrain;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::int32_t H = 60;
constexpr std::int32_t D = 1440;

// A train from (station, arrive, depart, km); -1 for the arrival at the first stop and the
// departure at the last.
SpecTrain Train(std::string id, std::vector<std::tuple<std::string, int, int, int>> stops) {
  SpecTrain t{std::move(id), {}};
  for (auto& [station, a, d, km] : stops) t.stops.push_back({station, a, d, km, ""});
  return t;
}

// The line 甲 乙 丙 丁 戊 (0, 50, 120, 200, 260 km) and trains that use it in every way the
// diagram knows: stopping everywhere, passing stations, turning back, leaving the line and
// coming back, running over midnight from beyond the line's end.
SpecTimetable Fixture(bool with_km) {
  const auto km = [with_km](int v) { return with_km ? v : 0; };
  return {{
      Train("L1", {{"甲", -1, 8 * H, km(0)},
                   {"乙", 8 * H + 30, 8 * H + 32, km(50)},
                   {"丙", 9 * H + 10, 9 * H + 12, km(120)},
                   {"丁", 10 * H, 10 * H + 5, km(200)},
                   {"戊", 10 * H + 40, -1, km(260)}}),
      Train("G2", {{"甲", -1, 9 * H, km(0)},
                   {"丙", 9 * H + 40, 9 * H + 42, km(120)},
                   {"戊", 10 * H + 30, -1, km(260)}}),
      Train("K3", {{"戊", -1, 7 * H, km(0)},
                   {"丁", 7 * H + 40, 7 * H + 50, km(60)},
                   {"丙", 8 * H + 30, -1, km(140)}}),
      Train("T4", {{"甲", -1, 6 * H, km(0)},
                   {"乙", 6 * H + 30, 6 * H + 31, km(50)},
                   {"支", 7 * H, 7 * H + 5, km(90)},
                   {"丁", 8 * H, 8 * H + 2, km(200)},
                   {"戊", 8 * H + 40, -1, km(260)}}),
      Train("D5", {{"外", -1, 22 * H, km(0)},
                   {"甲", 23 * H + 30, 23 * H + 35, km(100)},
                   {"乙", D + 10, D + 12, km(150)},
                   {"丙", D + 50, D + 50, km(220)},
                   {"西", D + 2 * H, -1, km(300)}}),
      Train("Z6", {{"戊", -1, 12 * H, km(0)},
                   {"丁", 12 * H + 30, 12 * H + 40, km(60)},
                   {"戊", 13 * H + 10, -1, km(120)}}),
      // A second version of its number: drawn and labelled as C7.
      Train("C7#2", {{"丙", -1, 14 * H, km(0)}, {"乙", 14 * H + 30, -1, km(70)}}),
  }};
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// A drawn train as one line: number, direction, service day, then each piece's points
// (minute,position) with > and < where it reaches beyond the line's ends.
std::string TrainLine(const DrawnTrain& t) {
  EXPECT_EQ(t.number, t.id.substr(0, t.id.find('#')));
  std::string line = std::string(t.number) + (t.down ? " down" : " up") + " d" +
                     std::to_string(t.days_before) + " " + std::string(ClassName(t.train_class));
  for (const Piece& piece : t.pieces) {
    line += " |";
    if (piece.from_beyond) line += " >";
    for (const Point& p : piece.points) line += " " + Number(p.minute) + "," + Number(p.position);
    if (piece.to_beyond) line += " >";
  }
  return line;
}

std::vector<std::string> TrainLines(const Diagram& d) {
  std::vector<std::string> lines;
  for (const DrawnTrain& t : d.trains) lines.push_back(TrainLine(t));
  return lines;
}

std::vector<std::string> RowLines(const Line& line) {
  std::vector<std::string> rows;
  for (const Row& r : line.rows) rows.push_back(r.station + " " + Number(r.position));
  return rows;
}

Request Between(std::string a, std::string b) {
  Request r;
  r.from = {std::move(a)};
  r.to = {std::move(b)};
  return r;
}

TEST(DiagramGeometry, RowsSpacedByKilometresOrByShortestRunningTime) {
  SpecTables km(Fixture(true));
  SpecTables plain(Fixture(false));
  const std::optional<Diagram> by_km = BuildDiagram(km.network, Between("甲", "戊"));
  const std::optional<Diagram> by_time = BuildDiagram(plain.network, Between("甲", "戊"));
  ASSERT_TRUE(by_km && by_time);
  // L1 and T4 both have four stops between 甲 and 戊: the smaller number makes the line.
  EXPECT_EQ(km.network.train_ids[static_cast<std::size_t>(by_km->line.line_train)], "L1");
  EXPECT_EQ(by_km->line.spacing, Spacing::Kilometres);
  EXPECT_EQ(by_km->axis_note, "");
  EXPECT_THAT(RowLines(by_km->line), ElementsAre("甲 0", "乙 50", "丙 120", "丁 200", "戊 260"));
  // Shortest runs: 甲-乙 30 (L1, T4), 乙-丙 30 (C7 upwards), 丙-丁 40 (K3), 丁-戊 30 (Z6 both
  // ways); G2 passes 乙 and 丁 and gives no neighbouring pair.
  EXPECT_EQ(by_time->line.spacing, Spacing::ShortestRunningTime);
  EXPECT_EQ(by_time->axis_note, "按最短运行时分排列");
  EXPECT_THAT(RowLines(by_time->line), ElementsAre("甲 0", "乙 30", "丙 60", "丁 100", "戊 130"));
  // From the other end the rows run the other way, kilometres counted from 戊.
  const std::optional<Diagram> reverse = BuildDiagram(km.network, Between("戊", "甲"));
  ASSERT_TRUE(reverse);
  EXPECT_THAT(RowLines(reverse->line), ElementsAre("戊 0", "丁 60", "丙 140", "乙 210", "甲 260"));
}

TEST(DiagramGeometry, EveryTrainsPiecesOverTheWholeDay) {
  SpecTables tables(Fixture(true));
  const std::optional<Diagram> d = BuildDiagram(tables.network, Between("甲", "戊"));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->after, 0);
  EXPECT_EQ(d->before, 1440);
  EXPECT_THAT(TrainLines(*d),
              ElementsAreArray({
                  // D5 of the day before: from beyond 甲, over midnight, cut at 00:00.
                  "D5 down d1 D | 0,35.7143 10,50 12,50 50,120",
                  "T4 down d0 T | 360,0 390,50 391,50 | 480,200 482,200 520,260",
                  "K3 up d0 K | 420,260 460,200 470,200 510,120",
                  "L1 down d0 其他 | 480,0 510,50 512,50 550,120 552,120 600,200 605,200 640,260",
                  "G2 down d0 G | 540,0 580,120 582,120 630,260",
                  // Turns back at 丁: two pieces meeting in its dwell.
                  "Z6 up d0 Z | 720,260 750,200 760,200 | 750,200 760,200 790,260",
                  "C7 up d0 C | 840,120 870,50",
                  "D5 down d0 D | > 1410,0 1415,0 1440,35.7143",
              }));
}

TEST(DiagramGeometry, PointingFindsTheLineAndItsNearestStop) {
  SpecTables tables(Fixture(true));
  const std::optional<Diagram> d = BuildDiagram(tables.network, Between("甲", "戊"));
  ASSERT_TRUE(d);
  const Scale scale{1, 1, 6, 10};
  // L1 runs from 甲 (480, 0) to 乙 (510, 50): at 08:15 it is at 25 km.
  std::optional<Hit> hit = HitTest(*d, scale, {495, 30}, 3);
  ASSERT_TRUE(hit);
  const DrawnTrain& l1 = d->trains[static_cast<std::size_t>(hit->train)];
  EXPECT_EQ(l1.id, "L1");
  EXPECT_EQ(l1.pieces[0].calls[static_cast<std::size_t>(hit->call)].row, 1);  // 乙
  EXPECT_FALSE(HitTest(*d, scale, {495, 40}, 3));
  // Z6's second piece, back towards 戊.
  hit = HitTest(*d, scale, {785, 250}, 3);
  ASSERT_TRUE(hit);
  EXPECT_EQ(d->trains[static_cast<std::size_t>(hit->train)].id, "Z6");
  EXPECT_EQ(hit->piece, 1);
  EXPECT_EQ(hit->call, 1);
}

TEST(DiagramGeometry, WindowClipsAndPassesMidnight) {
  SpecTables tables(Fixture(true));
  Request morning = Between("甲", "戊");
  morning.after = 6 * H + 15;
  morning.before = 8 * H + 35;
  std::optional<Diagram> d = BuildDiagram(tables.network, morning);
  ASSERT_TRUE(d);
  EXPECT_THAT(TrainLines(*d),
              ElementsAre("T4 down d0 T | 375,25 390,50 391,50 | 480,200 482,200 515,252.105",
                          "K3 up d0 K | 420,260 460,200 470,200 510,120",
                          "L1 down d0 其他 | 480,0 510,50 512,50 515,55.5263"));
  // 23:00 to 01:00 runs into the next day.
  Request night = Between("甲", "戊");
  night.after = 23 * H;
  night.before = 1 * H;
  d = BuildDiagram(tables.network, night);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->before, 25 * H);
  EXPECT_THAT(TrainLines(*d), ElementsAre("D5 down d0 D | > 1410,0 1415,0 1450,50 1452,50 1490,120"));
}

TEST(DiagramGeometry, ClassFilterAndRunningDaysChooseTrains) {
  SpecTables tables(Fixture(true));
  Request r = Between("甲", "戊");
  r.classes = *ParseClasses("G, z");
  std::optional<Diagram> d = BuildDiagram(tables.network, r);
  ASSERT_TRUE(d);
  std::vector<std::string> ids;
  for (const DrawnTrain& t : d->trains) ids.emplace_back(t.id);
  EXPECT_THAT(ids, ElementsAre("G2", "Z6"));
  // The running-day rule decides per service day: only yesterday's D5 and today's L1 run.
  r = Between("甲", "戊");
  std::vector<std::pair<std::string, int>> asked;
  r.runs_on = [&](std::int32_t train, std::int32_t days_before) {
    const std::string id(tables.network.train_ids[static_cast<std::size_t>(train)]);
    asked.emplace_back(id, days_before);
    return (id == "D5" && days_before == 1) || (id == "L1" && days_before == 0);
  };
  d = BuildDiagram(tables.network, r);
  ASSERT_TRUE(d);
  ids.clear();
  for (const DrawnTrain& t : d->trains) ids.emplace_back(std::string(t.id) + std::to_string(t.days_before));
  EXPECT_THAT(ids, ElementsAre("D51", "L10"));
  EXPECT_THAT(asked, ::testing::Contains(std::pair<std::string, int>("D5", 0)));
}

// The calendar decides through SetDay: L1 and D5 run on 2024-07-03 only, the rest every day of
// 2024-07-01..07. D5 leaves 外 at 22:00 and crosses midnight on the line, so the day after its
// running day shows its yesterday's piece; a window past midnight shows the next day's runs.
TEST(DiagramGeometry, RunningDaysFromTheCalendar) {
  SpecTables tables(Fixture(true));
  const data::Period period = data::ParsePeriod("2024-07-01..2024-07-07");
  data::Calendar calendar(period);
  for (const SpecTrain& t : Fixture(true).trains) {
    data::DaySet days;
    const bool every_day = t.id != "L1" && t.id != "D5";
    for (int d = 0; d < period.days; ++d) days.set(static_cast<std::size_t>(d), every_day || d == 2);
    calendar.Add(t.id, days, {});
  }
  struct Case {
    const char* day;
    std::int32_t after, before;
    bool knows_days;
    std::vector<std::string> drawn;  // "number service-day" in drawing order
  };
  const Case cases[] = {
      {"2024-07-03", 0, D, true, {"T4 0", "K3 0", "L1 0", "G2 0", "Z6 0", "C7 0", "D5 0"}},
      {"2024-07-04", 0, D, true, {"D5 1", "T4 0", "K3 0", "G2 0", "Z6 0", "C7 0"}},
      // 23:00 on the 2nd to 08:40 on the 3rd: only the 3rd's morning runs, L1 among them.
      {"2024-07-02", 23 * H, 8 * H + 40, true, {"T4 -1", "K3 -1", "L1 -1"}},
      // A calendar without running days draws every run.
      {"2024-07-04", 0, D, false,
       {"D5 1", "T4 0", "K3 0", "L1 0", "G2 0", "Z6 0", "C7 0", "D5 0"}},
  };
  for (const Case& c : cases) {
    tables.tables.store.calendar = c.knows_days ? calendar : data::Calendar::EveryDay(period);
    const journey::Network network = *journey::BuildNetwork(tables.tables.store);
    Request r = Between("甲", "戊");
    r.after = c.after;
    r.before = c.before;
    SetDay(r, network, data::ParseIsoDate(c.day));
    const std::optional<Diagram> d = BuildDiagram(network, r);
    ASSERT_TRUE(d) << c.day;
    EXPECT_EQ(d->day, c.day);
    std::vector<std::string> drawn;
    for (const DrawnTrain& t : d->trains) {
      drawn.push_back(std::string(t.number) + " " + std::to_string(t.days_before));
    }
    EXPECT_THAT(drawn, ElementsAreArray(c.drawn)) << c.day << (c.knows_days ? "" : " every day");
  }
}

TEST(DiagramLine, TypedStationsFirstThenTheirCities) {
  SpecTimetable tt = Fixture(true);
  tt.trains.push_back(Train("Q9", {{"甲东", -1, 5 * H, 0},
                                   {"乙", 5 * H + 30, 5 * H + 31, 50},
                                   {"支", 6 * H, 6 * H + 1, 90},
                                   {"丙", 6 * H + 30, 6 * H + 31, 120},
                                   {"丁", 7 * H, 7 * H + 1, 200},
                                   {"戊", 7 * H + 30, -1, 260}}));
  tt.groups = {{"甲", 3}, {"甲东", 3}, {"甲西", 3}};
  SpecTables tables(tt);
  const std::vector<std::string> city = {"甲", "甲东", "甲西"};
  const auto line_train = [&](std::string_view a, std::vector<std::string> from) {
    const std::optional<Line> line = ChooseLine(tables.network, from, {"戊"}, a, "戊");
    return line ? std::string(tables.network.train_ids[static_cast<std::size_t>(line->line_train)])
                : std::string("none");
  };
  // 甲 itself has trains to 戊: L1, though Q9 from 甲东 has more stops.
  EXPECT_EQ(line_train("甲", city), "L1");
  EXPECT_EQ(line_train("甲东", city), "Q9");
  // No train leaves 甲西: the city's stations answer, and Q9 has the most stops.
  EXPECT_EQ(line_train("甲西", city), "Q9");
  EXPECT_EQ(line_train("甲西", {"甲西"}), "none");
}

TEST(DiagramLine, StationsOtherTrainsCallAtBetweenNeighboursJoinTheLine) {
  for (const bool with_km : {true, false}) {
    const auto km = [with_km](int v) { return with_km ? v : 0; };
    SpecTimetable tt{{
        Train("L1", {{"甲", -1, 8 * H, km(0)},
                     {"乙", 9 * H, 9 * H + 2, km(50)},
                     {"丙", 10 * H, 10 * H + 2, km(100)},
                     {"丁", 11 * H, -1, km(150)}}),
        Train("G1", {{"甲", -1, 12 * H, km(0)},
                     {"子", 12 * H + 10, 12 * H + 11, km(20)},
                     {"乙", 12 * H + 31, 12 * H + 32, km(50)},
                     {"丙", 13 * H + 2, -1, km(100)}}),
        // Up, with a stop (丑) where L1 passes and a branch (寅) it leaves the line by.
        Train("K2", {{"丁", -1, 14 * H, km(0)},
                     {"丙", 15 * H, 15 * H + 2, km(50)},
                     {"丑", 15 * H + 26, 15 * H + 28, km(80)},
                     {"乙", 16 * H + 8, 16 * H + 10, km(100)},
                     {"寅", 17 * H, 17 * H + 2, km(130)},
                     {"卯", 18 * H, -1, km(180)}}),
    }};
    SpecTables tables(tt);
    const std::optional<Diagram> d = BuildDiagram(tables.network, Between("甲", "丁"));
    ASSERT_TRUE(d);
    if (with_km) {
      EXPECT_THAT(RowLines(d->line),
                  ElementsAre("甲 0", "子 20", "乙 50", "丑 70", "丙 100", "丁 150"));
    } else {
      // Shares of the running time; then spaced by the shortest runs (G1 甲-子 10, 子-乙 20,
      // L1 乙-丙 58 is beaten by nothing but K2's 丑-乙 40 and 丙-丑 24).
      EXPECT_THAT(RowLines(d->line),
                  ElementsAre("甲 0", "子 10", "乙 30", "丑 70", "丙 94", "丁 152"));
    }
    std::vector<std::string> pieces;
    for (const DrawnTrain& t : d->trains) {
      std::string rows = std::string(t.id);
      for (const Piece& p : t.pieces) {
        rows += " |";
        for (const Call& c : p.calls) rows += " " + d->line.rows[static_cast<std::size_t>(c.row)].station;
        if (p.to_beyond) rows += " >";
      }
      pieces.push_back(rows);
    }
    EXPECT_THAT(pieces, ElementsAre("L1 | 甲 乙 丙 丁", "G1 | 甲 子 乙 丙", "K2 | 丁 丙 丑 乙"))
        << with_km;
  }
}

TEST(DiagramLine, NoCommonTrainAndLimits) {
  SpecTables tables(Fixture(true));
  EXPECT_FALSE(BuildDiagram(tables.network, Between("外", "戊")));
  EXPECT_FALSE(BuildDiagram(tables.network, Between("甲", "不存在")));

  // 130 stations: drawn to the 120th, with a note.
  SpecTimetable long_line;
  SpecTrain t{"K1", {}};
  for (int i = 0; i < 130; ++i) {
    t.stops.push_back({"站" + std::to_string(i), i == 0 ? -1 : 10 * i, i == 129 ? -1 : 10 * i, i, ""});
  }
  long_line.trains.push_back(t);
  // 2,100 trains between two stations: the first 2,000 drawn, with a note.
  for (int i = 0; i < 2100; ++i) {
    long_line.trains.push_back(Train("G" + std::to_string(10000 + i),
                                     {{"站0", -1, i % 1400, 0}, {"站1", i % 1400 + 10, -1, 1}}));
  }
  SpecTables big(long_line);
  const std::optional<Diagram> d = BuildDiagram(big.network, Between("站0", "站129"));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->line.rows.size(), 120u);
  EXPECT_EQ(d->line.rows.back().station, "站119");
  EXPECT_EQ(d->trains.size(), 2000u);
  EXPECT_THAT(d->notes, ElementsAre("线路共 130 站，只画出从发站起的前 120 站。",
                                    "共 2101 列车，只画出最早的 2000 列；请缩短时段或选择车种。"));
}

TEST(DiagramClasses, NumbersAndLists) {
  const std::vector<std::pair<std::string_view, TrainClass>> numbers = {
      {"G1", TrainClass::G},  {"d301", TrainClass::D}, {"C2001", TrainClass::C},
      {"Z1", TrainClass::Z},  {"T109", TrainClass::T}, {"K1043", TrainClass::K},
      {"1461", TrainClass::Other}, {"Y501", TrainClass::Other}, {"", TrainClass::Other}};
  for (const auto& [id, cls] : numbers) EXPECT_EQ(ClassOf(id), cls) << id;
  const auto bits = [](std::initializer_list<TrainClass> cs) {
    ClassSet s = 0;
    for (TrainClass c : cs) s |= static_cast<ClassSet>(1u << static_cast<int>(c));
    return s;
  };
  EXPECT_EQ(ParseClasses("G,D"), bits({TrainClass::G, TrainClass::D}));
  EXPECT_EQ(ParseClasses(" k , 其他 "), bits({TrainClass::K, TrainClass::Other}));
  EXPECT_EQ(ParseClasses("G,D,C,Z,T,K,其他"), kAllClasses);
  for (const char* bad : {"", "G,", "GD", "X", "G,,D"}) EXPECT_FALSE(ParseClasses(bad)) << bad;
}

// ---- Random timetables against brute force -------------------------------------------------

SpecTimetable RandomTimetable(std::mt19937& rng) {
  const std::vector<std::string> names = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛"};
  std::uniform_int_distribution<int> count(2, 7), station(0, 7), step(1, 90), dwell(0, 6);
  SpecTimetable tt;
  const int trains = std::uniform_int_distribution<int>(1, 12)(rng);
  for (int k = 0; k < trains; ++k) {
    SpecTrain t{std::string("GDKTZC"[k % 6], 1) + std::to_string(k), {}};
    int clock = std::uniform_int_distribution<int>(0, 600)(rng);
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
      std::string name = names[static_cast<std::size_t>(station(rng))];
      if (!t.stops.empty() && t.stops.back().station == name) continue;
      const int a = clock;
      const int d = i + 1 == n ? -1 : a + dwell(rng);
      t.stops.push_back({name, t.stops.empty() ? -1 : a, d, 0, ""});
      clock = (d < 0 ? a : d) + step(rng);
    }
    if (t.stops.size() < 2) continue;
    t.stops.front().arrive = -1;
    t.stops.back().depart = -1;
    tt.trains.push_back(t);
  }
  return tt;
}

TEST(DiagramProperty, AgreesWithBruteForce) {
  std::mt19937 rng(26);
  int drawn = 0;
  for (int round = 0; round < 300; ++round) {
    SpecTimetable tt = RandomTimetable(rng);
    if (tt.trains.empty()) continue;
    SpecTables tables(tt);
    const journey::Network& net = tables.network;
    const std::optional<Diagram> d = BuildDiagram(net, Between("甲", "乙"));
    // Oracle of the line: every pair of calls at 甲 and 乙, most stops between, then number.
    int best_span = 0;
    std::string best_id;
    for (std::int32_t t = 0; t < net.TrainCount(); ++t) {
      const auto b = net.train_stop_begin[static_cast<std::size_t>(t)];
      const auto e = net.train_stop_begin[static_cast<std::size_t>(t) + 1];
      for (auto i = b; i < e; ++i) {
        for (auto j = b; j < e; ++j) {
          if (net.station_names[static_cast<std::size_t>(net.stops[static_cast<std::size_t>(i)].station)] == "甲" &&
              net.station_names[static_cast<std::size_t>(net.stops[static_cast<std::size_t>(j)].station)] == "乙" &&
              std::abs(j - i) > best_span) {
            best_span = std::abs(j - i);
            best_id = std::string(net.train_ids[static_cast<std::size_t>(t)]);
          }
        }
      }
    }
    ASSERT_EQ(d.has_value(), best_span > 0) << round;
    if (!d) continue;
    ++drawn;
    EXPECT_EQ(net.train_ids[static_cast<std::size_t>(d->line.line_train)], best_id) << round;
    EXPECT_EQ(d->line.rows.front().station, "甲");
    std::map<std::string, int> row_of;
    for (std::size_t r = 0; r < d->line.rows.size(); ++r) row_of[d->line.rows[r].station] = static_cast<int>(r);
    EXPECT_EQ(row_of.size(), d->line.rows.size()) << "a station twice among the rows";

    // Oracle of spacing: the shortest direct run between each pair of neighbouring rows.
    std::vector<int> shortest(d->line.rows.size(), 1 << 30);
    // Oracle of the drawing: every consecutive pair of stops on two different rows is one
    // running segment of some piece of the train (whole day, the service day itself).
    std::set<std::tuple<std::string, int, int>> expected_runs, drawn_runs;
    for (std::int32_t t = 0; t < net.TrainCount(); ++t) {
      const auto b = net.train_stop_begin[static_cast<std::size_t>(t)];
      const auto e = net.train_stop_begin[static_cast<std::size_t>(t) + 1];
      for (auto i = b; i + 1 < e; ++i) {
        const auto& s1 = net.stops[static_cast<std::size_t>(i)];
        const auto& s2 = net.stops[static_cast<std::size_t>(i + 1)];
        const auto r1 = row_of.find(net.station_names[static_cast<std::size_t>(s1.station)]);
        const auto r2 = row_of.find(net.station_names[static_cast<std::size_t>(s2.station)]);
        if (r1 == row_of.end() || r2 == row_of.end() || r1->second == r2->second) continue;
        expected_runs.emplace(std::string(net.train_ids[static_cast<std::size_t>(t)]), i, i + 1);
        if (std::abs(r1->second - r2->second) == 1) {
          auto& s = shortest[static_cast<std::size_t>(std::min(r1->second, r2->second))];
          s = std::min(s, s2.arrive - s1.depart);
        }
      }
    }
    ASSERT_EQ(d->line.spacing, Spacing::ShortestRunningTime);  // no distances in these tables
    for (std::size_t r = 0; r + 1 < d->line.rows.size(); ++r) {
      // Rows no train links directly (a station the line train calls at twice) are checked
      // by the fixture tests.
      if (shortest[r] == 1 << 30) continue;
      EXPECT_EQ(d->line.rows[r + 1].position - d->line.rows[r].position, std::max(shortest[r], 1))
          << round << " row " << r;
    }
    Request whole = Between("甲", "乙");
    whole.after = 0;
    whole.before = 0;  // the whole day from 00:00
    whole.runs_on = [](std::int32_t, std::int32_t days_before) { return days_before == 0; };
    const std::optional<Diagram> all = BuildDiagram(net, whole);
    ASSERT_TRUE(all);
    for (const DrawnTrain& t : all->trains) {
      for (const Piece& p : t.pieces) {
        for (std::size_t k = 0; k + 1 < p.calls.size(); ++k) {
          drawn_runs.emplace(std::string(t.id), p.calls[k].stop, p.calls[k + 1].stop);
          // Rows run one way within a piece.
          const int dir = p.calls[1].row > p.calls[0].row ? 1 : -1;
          EXPECT_EQ((p.calls[k + 1].row - p.calls[k].row) * dir > 0, true) << round;
        }
        for (std::size_t k = 0; k + 1 < p.points.size(); ++k) {
          EXPECT_LE(p.points[k].minute, p.points[k + 1].minute) << round;
        }
      }
    }
    // Trains of the service day start before 00:00 + 1440 and are all drawn from their start.
    EXPECT_EQ(drawn_runs, expected_runs) << round;
  }
  EXPECT_GT(drawn, 100);
}

TEST(DiagramLabels, PlacedOnTheirLinesWithoutOverlap) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    SpecTimetable tt;
    // Many trains over one line in a short time: more labels than room.
    for (int k = 0; k < 60; ++k) {
      int clock = std::uniform_int_distribution<int>(0, 300)(rng);
      const int run = std::uniform_int_distribution<int>(5, 60)(rng);
      tt.trains.push_back(Train("G" + std::to_string(100 + k),
                                {{"甲", -1, clock, 0}, {"乙", clock + run, clock + run + 2, 40},
                                 {"丙", clock + 2 * run + 2, -1, 80}}));
    }
    SpecTables tables(tt);
    Request r = Between("甲", "丙");
    r.after = 0;
    r.before = 8 * H;
    const std::optional<Diagram> d = BuildDiagram(tables.network, r);
    ASSERT_TRUE(d);
    const Scale scale{2.0, 3.0, 7, 12};
    const std::vector<Label> labels = PlaceLabels(*d, scale);
    EXPECT_GT(labels.size(), 5u);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const Label& l = labels[i];
      const Piece& piece = d->trains[static_cast<std::size_t>(l.train)].pieces[static_cast<std::size_t>(l.piece)];
      // The anchor lies on a running segment of its piece.
      bool on_line = false;
      for (std::size_t k = 0; k + 1 < piece.points.size(); ++k) {
        const Point& a = piece.points[k];
        const Point& b = piece.points[k + 1];
        if (a.position == b.position || l.anchor.minute < a.minute || l.anchor.minute > b.minute) continue;
        const double f = (l.anchor.minute - a.minute) / (b.minute - a.minute);
        on_line |= std::abs(a.position + f * (b.position - a.position) - l.anchor.position) < 1e-6;
      }
      EXPECT_TRUE(on_line) << round << " label " << i;
      for (std::size_t j = 0; j < i; ++j) {
        EXPECT_FALSE(BoxOf(l, scale).Overlaps(BoxOf(labels[j], scale))) << round << " " << i << " " << j;
      }
    }
  }
  // The overlap test itself: crossing bars overlap, parallel ones apart do not, and a slanted
  // bar beside a corner does not though their bounding boxes do.
  const LabelBox flat{0, 0, 1, 0, 10, 2};
  const double h = std::sqrt(0.5);
  EXPECT_TRUE(flat.Overlaps({0, 0, 0, 1, 10, 2}));
  EXPECT_FALSE(flat.Overlaps({0, 5, 1, 0, 10, 2}));
  EXPECT_TRUE(flat.Overlaps({19, 0, 1, 0, 10, 2}));
  EXPECT_TRUE(flat.Overlaps({10, 10, h, h, 10, 2}));
  const LabelBox slanted{17, 9, h, -h, 10, 2};
  EXPECT_LT(slanted.Bounds()[0], 10);
  EXPECT_LT(slanted.Bounds()[1], 2);
  EXPECT_FALSE(flat.Overlaps(slanted));
  EXPECT_FALSE(slanted.Overlaps(flat));
}

}  // namespace
}  // namespace lanzhou::diagram
