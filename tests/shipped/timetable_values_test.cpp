// Values of the shipped timetable: clock and elapsed times, distances, the train list against
// the stop table, and fares that the program's own fare rule reproduces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "query/grid_result.h"
#include "shipped_tables.h"
#include "timetable/fares.h"
#include "timetable/times.h"

namespace {

using lanzhou::testing::ClockMinutes;
using lanzhou::testing::IsClock;
using lanzhou::testing::IsElapsed;
using lanzhou::testing::Shipped;
using lanzhou::testing::Stop;
using lanzhou::testing::Train;
using ::testing::ElementsAre;

TEST_F(Shipped, TimesAreClockTimesAndElapsedTimesMatchThem) {
  int overnight = 0;
  for (const auto& t : trains_) {
    const bool odd = t.id == "1984/1985A" || t.id == "1984/1985B";
    const Stop& first = t.stops.front();
    EXPECT_EQ(first.a_time, "") << t.id;
    EXPECT_EQ(first.r_date, "0") << t.id;
    ASSERT_TRUE(IsClock(first.d_time)) << t.id;
    int previous = 0;
    for (std::size_t i = 1; i < t.stops.size(); ++i) {
      const Stop& s = t.stops[i];
      const bool last = i + 1 == t.stops.size();
      EXPECT_TRUE(IsClock(s.a_time)) << t.id << " stop " << s.s_no;
      if (last && !odd) {
        EXPECT_EQ(s.d_time, "") << t.id;
      } else {
        EXPECT_TRUE(IsClock(s.d_time)) << t.id << " stop " << s.s_no;
      }
      ASSERT_TRUE(IsElapsed(s.r_date)) << t.id << " " << s.r_date;
      const int elapsed = lanzhou::timetable::ElapsedToMinutes(s.r_date);
      EXPECT_GE(elapsed, previous) << t.id << " stop " << s.s_no;
      previous = elapsed;
      EXPECT_EQ((ClockMinutes(first.d_time) + elapsed) % 1440, ClockMinutes(s.a_time))
          << t.id << " stop " << s.s_no;
    }
    if (previous >= 1440) ++overnight;
  }
  EXPECT_GT(overnight, 100);
  for (const auto& t : list_) {
    EXPECT_TRUE(t.a_time.empty() || IsClock(t.a_time)) << t.id;
    EXPECT_TRUE(t.d_time.empty() || IsClock(t.d_time)) << t.id;
    EXPECT_TRUE(IsElapsed(t.r_date)) << t.id;
  }
}

TEST_F(Shipped, DistancesStartAtZeroAndNeverFall) {
  std::vector<std::string> falls;
  for (const auto& t : trains_) {
    EXPECT_EQ(t.stops.front().distance, 0) << t.id;
    for (std::size_t i = 1; i < t.stops.size(); ++i) {
      if (t.stops[i].distance < t.stops[i - 1].distance) {
        falls.push_back(t.id + " " + std::to_string(t.stops[i - 1].s_no));
      }
    }
  }
  EXPECT_THAT(falls, ::testing::IsEmpty());
}

TEST_F(Shipped, TrainListAgreesWithTheLastStopButForAHandful) {
  std::vector<std::string> r_date, distance, fares, start;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    const Train& l = list_[i];
    const Stop& first = trains_[i].stops.front();
    const Stop& last = trains_[i].stops.back();
    if (l.r_date != last.r_date) r_date.push_back(l.id);
    if (l.distance != last.distance) distance.push_back(l.id);
    if (l.fares != last.fares) fares.push_back(l.id);
    // Departure at the origin and arrival at the terminus, the reverse of the stop table's use.
    EXPECT_EQ(l.a_time, first.d_time) << l.id;
    EXPECT_EQ(l.d_time, last.a_time) << l.id;
    // City-level names: a leading part of the stop's name, or a city alias, and a station.
    const bool alias = l.start == "武汉" || l.start == "泰安" || l.start == "上海" ||
                       l.start == "苏州" || l.start == "无锡" || l.start == "洛阳" ||
                       l.start == "白河县";
    EXPECT_TRUE(first.station.starts_with(l.start) || alias) << l.id << " " << l.start;
    if (l.start != first.station) start.push_back(l.id);
    for (const std::string& city : {l.start, l.end}) {
      EXPECT_TRUE(
          std::any_of(py_.begin(), py_.end(), [&](const auto& p) { return p.first == city; }))
          << l.id << " " << city;
    }
  }
  EXPECT_THAT(r_date, ElementsAre("1986/1983B", "K7430", "T97B"));
  EXPECT_THAT(distance, ElementsAre("D10", "G1001"));
  EXPECT_THAT(fares, ElementsAre("D100"));
  EXPECT_GT(start.size(), 50u);
  EXPECT_LT(start.size(), list_.size() / 2);
}

TEST_F(Shipped, FaresHaveTheirFormsAndFollowTheClass) {
  auto is_amount = [](const std::string& f) {
    if (f.empty() || f == "-") return false;
    const auto dot = f.find('.');
    const std::string whole = f.substr(0, dot);
    return !whole.empty() && std::all_of(whole.begin(), whole.end(), ::isdigit) &&
           (dot == std::string::npos || f.substr(dot) == ".5");
  };
  auto parts = [](const std::string& f) {
    std::vector<int> out;
    std::size_t at = 0;
    while (at <= f.size()) {
      const auto slash = std::min(f.find('/', at), f.size());
      out.push_back(std::stoi(f.substr(at, slash - at)));
      at = slash + 1;
    }
    return out;
  };
  for (std::size_t k = 0; k < trains_.size(); ++k) {
    const Train& t = trains_[k];
    const int ntype = list_[k].ntype;
    for (const auto& f : t.stops.front().fares) EXPECT_EQ(f, "") << t.id;
    for (std::size_t i = 1; i < t.stops.size(); ++i) {
      const auto& f = t.stops[i].fares;
      for (int p : {0, 1}) EXPECT_TRUE(f[p] == "-" || is_amount(f[p])) << t.id << " " << f[p];
      if (f[2] != "-") {
        const auto berths = parts(f[2]);
        ASSERT_EQ(berths.size(), 3u) << t.id;
        EXPECT_TRUE(berths[0] <= berths[1] && berths[1] <= berths[2]) << t.id << " " << f[2];
      }
      if (f[3] != "-") {
        const auto berths = parts(f[3]);
        ASSERT_EQ(berths.size(), 2u) << t.id;
        EXPECT_LE(berths[0], berths[1]) << t.id << " " << f[3];
      }
      if (ntype < 4) {
        EXPECT_EQ(f[2], "-") << t.id;
      }
      // D trains: second class near 0.3097 yuan per km.
      if (t.id[0] == 'D' && t.stops[i].distance >= 100 && f[0] != "-") {
        const double rate = std::stod(f[0]) / t.stops[i].distance;
        EXPECT_NEAR(rate, 0.3097, 0.005) << t.id;
      }
    }
  }
}

// The stop fares of tariff trains are what the program's fare rule computes for sections from
// the first station, starting from the train list's whole-run fares.
TEST_F(Shipped, TariffFaresAreReproducedByTheFareRule) {
  int sections = 0;
  int matched = 0;
  for (std::size_t k = 0; k < trains_.size(); ++k) {
    const Train& l = list_[k];
    if (l.ntype < 4) continue;
    for (std::size_t i = 1; i < trains_[k].stops.size(); ++i) {
      const Stop& s = trains_[k].stops[i];
      lanzhou::query::TPub_GridResult row;
      row.TrainId = l.id;
      row.NType = l.ntype;
      row.TrainDistance = l.distance;
      row.TrainP1 = l.fares[0];
      row.TrainP2 = l.fares[1];
      row.TrainP3 = l.fares[2];
      row.TrainP4 = l.fares[3];
      row.SegDistance = s.distance;
      lanzhou::timetable::TariffFares(row);
      const std::array<std::string, 4> computed = {row.FareHardSeat, row.FareSoftSeat,
                                                   row.FareHardSleeper, row.FareSoftSleeper};
      bool same = true;
      for (int p = 0; p < 4; ++p) {
        same = same && (s.fares[p] == "-" ? computed[p].empty() : computed[p] == s.fares[p]);
      }
      ++sections;
      if (same) ++matched;
      EXPECT_TRUE(same) << l.id << " stop " << s.s_no << ": " << s.fares[0] << " " << s.fares[2]
                        << " vs " << computed[0] << " " << computed[2];
    }
  }
  std::cout << "[ shipped  ] tariff fares reproduced: " << matched << " of " << sections << '\n';
  ::testing::Test::RecordProperty("tariff_sections", sections);
  ::testing::Test::RecordProperty("tariff_matched", matched);
  EXPECT_GT(sections, 10000);
}

}  // namespace
