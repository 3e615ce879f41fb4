// The planner against plain enumeration: on random small timetables every journey of up to three
// legs is listed by brute force, the dominated ones dropped, and the rest must be exactly the
// planner's answer (as departure, arrival and changes); each journey the planner reports must
// also be one the timetable really offers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "data/calendar.h"
#include "journey/journey.h"
#include "journey_test_timetable.h"

namespace lanzhou::journey::test {
namespace {

using Triple = std::tuple<int, int, int>;  // departure, arrival, changes

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

SpecTimetable RandomTimetable(std::mt19937& rng, int station_count, int train_count) {
  SpecTimetable t;
  const auto uniform = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  const auto name = [](int s) { return "站" + std::to_string(s); };
  // Cities: 0-2 (departure), 3-4 (arrival), 5-6, 7-8; the rest stand alone.
  for (const auto& [s, g] : std::vector<std::pair<int, int>>{
           {0, 1}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}, {7, 4}, {8, 4}}) {
    t.groups.push_back({name(s), g});
  }
  for (int k = 0; k < train_count; ++k) {
    SpecTrain train{"X" + std::to_string(100 + k), {}};
    const int length = uniform(2, 6);
    std::vector<int> stations(static_cast<std::size_t>(station_count));
    for (int s = 0; s < station_count; ++s) stations[static_cast<std::size_t>(s)] = s;
    std::shuffle(stations.begin(), stations.end(), rng);
    int time = uniform(0, 1439);
    int km = 0;
    for (int i = 0; i < length; ++i) {
      SpecStop stop{name(stations[static_cast<std::size_t>(i)])};
      stop.distance = km;
      stop.fare = i == 0 ? "" : std::to_string(km / 20 + 1);
      if (i > 0) stop.arrive = time;
      if (i + 1 < length) {
        time += i == 0 ? 0 : uniform(0, 12);
        stop.depart = time;
        time += uniform(15, uniform(0, 3) == 0 ? 1500 : 300);
        km += uniform(10, 300);
      }
      train.stops.push_back(stop);
    }
    t.trains.push_back(train);
  }
  return t;
}

// Whether a train's run leaving its first station `day` days after the journey's first day runs.
using RunsFn = std::function<bool(const std::string& train, int day)>;

// Every journey the rules allow, by enumeration, reduced to the non-dominated triples. With
// `runs`, a leg rides the first run after the change that runs on its day (trains and days
// enumerated one by one).
std::set<Triple> BruteForce(const SpecTimetable& t, const Request& r, const RunsFn& runs = {}) {
  std::map<std::string, int> group;
  for (const auto& [s, g] : t.groups) group[s] = g;
  const std::set<std::string> from(r.from.begin(), r.from.end());
  const std::set<std::string> to(r.to.begin(), r.to.end());
  struct OLeg {
    std::string from, to;
    int depart, arrive;
    std::string train;
  };
  std::vector<OLeg> legs;
  for (const SpecTrain& train : t.trains) {
    for (std::size_t i = 0; i + 1 < train.stops.size(); ++i) {
      for (std::size_t j = i + 1; j < train.stops.size(); ++j) {
        const OLeg leg{train.stops[i].station, train.stops[j].station, train.stops[i].depart,
                       train.stops[j].arrive, train.id};
        if (from.count(leg.from) && from.count(leg.to)) continue;
        // Nothing leaves the arrival set: whoever stands there has arrived.
        if (to.count(leg.from)) continue;
        legs.push_back(leg);
      }
    }
  }
  // Legs leaving a station or another station of its city.
  std::map<std::string, std::vector<OLeg>> legs_near;
  for (const OLeg& leg : legs) {
    legs_near[leg.from].push_back(leg);
    for (const auto& [s, g] : t.groups) {
      if (s != leg.from && group.count(leg.from) && g == group[leg.from])
        legs_near[s].push_back(leg);
    }
  }
  std::set<Triple> all;
  const int max_legs = r.max_changes + 1;
  // Extends a journey that departed at `first` and now stands at `station` since `arrive`.
  const auto extend = [&](auto&& self, int first, const std::string& station, int arrive,
                          int count) -> void {
    if (to.count(station)) all.insert({first, arrive, count - 1});
    if (count == max_legs) return;
    for (const OLeg& leg : legs_near[station]) {
      int change;
      if (leg.from == station) {
        change = r.min_change;
      } else if (group.count(station) && group.count(leg.from) &&
                 group[station] == group[leg.from]) {
        change = r.min_change_city;
      } else {
        continue;
      }
      int days = -FloorDiv(leg.depart - (arrive + change), 1440);  // ceil
      // The train's own times are those of its run leaving on day 0 of the journey.
      while (runs && !runs(leg.train, days) && leg.depart + 1440 * days - arrive <= r.max_wait) {
        ++days;
      }
      const int depart = leg.depart + 1440 * days;
      if (r.max_wait > 0 && depart - arrive > r.max_wait) continue;
      self(self, first, leg.to, leg.arrive + 1440 * days, count + 1);
    }
  };
  for (const OLeg& leg : legs) {
    if (!from.count(leg.from)) continue;
    const int minute = ((leg.depart % 1440) + 1440) % 1440;
    const bool inside = r.after <= r.before ? (minute >= r.after && minute <= r.before)
                                            : (minute >= r.after || minute <= r.before);
    if (!inside) continue;
    const int shift = minute - leg.depart;
    if (runs && !runs(leg.train, FloorDiv(shift, 1440))) continue;
    extend(extend, minute, leg.to, leg.arrive + shift, 1);
  }
  std::set<Triple> pareto;
  for (const Triple& a : all) {
    bool dominated = false;
    for (const Triple& b : all) {
      if (b != a && std::get<0>(b) >= std::get<0>(a) && std::get<1>(b) <= std::get<1>(a) &&
          std::get<2>(b) <= std::get<2>(a)) {
        dominated = true;
        break;
      }
    }
    if (!dominated) pareto.insert(a);
  }
  return pareto;
}

// Every train from the departure set to the arrival set in the window, once: boarding at its
// first stop of the departure set that leaves in the window, alighting at its last later stop
// of the arrival set. As (departure, arrival, boarding stop number).
// With `runs`, a boarding counts only when its run leaves its first station on a day it runs.
std::set<Triple> DirectBruteForce(const SpecTimetable& t, const Request& r, const RunsFn& runs = {}) {
  const std::set<std::string> from(r.from.begin(), r.from.end());
  const std::set<std::string> to(r.to.begin(), r.to.end());
  std::set<Triple> out;
  for (const SpecTrain& train : t.trains) {
    for (std::size_t i = 0; i + 1 < train.stops.size(); ++i) {
      const SpecStop& board = train.stops[i];
      if (!from.count(board.station) || to.count(board.station)) continue;
      const int minute = ((board.depart % 1440) + 1440) % 1440;
      const bool inside = r.after <= r.before ? (minute >= r.after && minute <= r.before)
                                              : (minute >= r.after || minute <= r.before);
      if (!inside) continue;
      if (runs && !runs(train.id, FloorDiv(minute - board.depart, 1440))) continue;
      std::size_t alight = 0;
      for (std::size_t j = i + 1; j < train.stops.size(); ++j) {
        if (to.count(train.stops[j].station)) alight = j;
      }
      if (alight > 0) {
        out.insert({minute, train.stops[alight].arrive + minute - board.depart,
                    static_cast<int>(i) + 1});
      }
      break;
    }
  }
  return out;
}

// The journey is one the timetable offers under the request's rules.
void ExpectRealJourney(const SpecTimetable& t, const Request& r, const Journey& j) {
  std::map<std::string, const SpecTrain*> trains;
  for (const SpecTrain& train : t.trains) trains[train.id] = &train;
  std::map<std::string, int> group;
  for (const auto& [s, g] : t.groups) group[s] = g;
  const std::set<std::string> from(r.from.begin(), r.from.end());
  const std::set<std::string> to(r.to.begin(), r.to.end());
  ASSERT_FALSE(j.legs.empty());
  ASSERT_LE(j.Changes(), r.max_changes);
  EXPECT_TRUE(from.count(j.legs.front().from));
  EXPECT_TRUE(to.count(j.legs.back().to));
  EXPECT_GE(j.Depart(), 0);
  EXPECT_LT(j.Depart(), 1440);
  for (std::size_t k = 0; k < j.legs.size(); ++k) {
    const Leg& leg = j.legs[k];
    const SpecTrain& train = *trains.at(leg.train_id);
    const SpecStop& board = train.stops.at(static_cast<std::size_t>(leg.from_no - 1));
    const SpecStop& alight = train.stops.at(static_cast<std::size_t>(leg.to_no - 1));
    EXPECT_LT(leg.from_no, leg.to_no);
    EXPECT_EQ(board.station, leg.from);
    EXPECT_EQ(alight.station, leg.to);
    EXPECT_EQ((leg.depart - board.depart) % 1440, 0);
    EXPECT_EQ(leg.arrive - leg.depart, alight.arrive - board.depart);
    EXPECT_FALSE(from.count(leg.from) && from.count(leg.to));
    EXPECT_FALSE(to.count(leg.from));
    if (k == 0) {
      EXPECT_EQ(leg.wait, 0);
      continue;
    }
    const Leg& before = j.legs[k - 1];
    EXPECT_EQ(leg.wait, leg.depart - before.arrive);
    EXPECT_EQ(leg.station_change, leg.from != before.to);
    const int change = leg.station_change ? r.min_change_city : r.min_change;
    if (leg.station_change) {
      EXPECT_TRUE(group.count(leg.from) && group[leg.from] == group[before.to]);
    }
    EXPECT_GE(leg.wait, change);
    // The first run that can be caught (with dates, the first that runs: maybe a day later).
    if (!r.date) {
      EXPECT_LT(leg.wait - change, 1440);
    }
    if (r.max_wait > 0) {
      EXPECT_LE(leg.wait, r.max_wait);
    }
  }
}

TEST(JourneyPlannerProperty, EqualsBruteForceOnRandomTimetables) {
  std::map<int, int> listed_by_changes;
  for (const unsigned seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u, 55u, 89u, 144u, 233u}) {
    std::mt19937 rng(seed);
    const SpecTimetable timetable = RandomTimetable(rng, 16, 48);
    const SpecTables tables(timetable);
    Planner planner(tables.network);
    for (int q = 0; q < 12; ++q) {
      const auto uniform = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
      };
      Request r;
      if (q % 3 == 0) {
        r.from = {"站0", "站1", "站2"};
        r.to = {"站3", "站4"};
      } else {
        const int a = uniform(0, 15);
        int b = uniform(0, 14);
        if (b >= a) ++b;
        r.from = {"站" + std::to_string(a)};
        r.to = {"站" + std::to_string(b)};
      }
      r.max_changes = uniform(0, 2) == 0 ? uniform(0, 1) : 2;
      r.min_change = uniform(0, 60);
      r.min_change_city = uniform(0, 150);
      r.max_wait = std::vector<int>{0, 180, 720, 1440}[static_cast<std::size_t>(uniform(0, 3))];
      if (uniform(0, 2) == 0) {
        r.after = uniform(0, 1439);
        r.before = uniform(0, 1439);
      }
      SCOPED_TRACE("seed " + std::to_string(seed) + " request " + std::to_string(q));
      const std::vector<Journey> journeys = planner.Find(r);
      std::set<Triple> found;
      for (const Journey& j : journeys) {
        ExpectRealJourney(timetable, r, j);
        EXPECT_TRUE(found.insert({j.Depart(), j.Arrive(), j.Changes()}).second)
            << "listed twice: " << JourneyLine(j);
        ++listed_by_changes[j.Changes()];
      }
      EXPECT_EQ(found, BruteForce(timetable, r));

      // Left out by default: exactly those beyond 1.5 times the fastest plus three hours.
      const std::vector<Journey> kept = WithoutSlowJourneys(journeys);
      std::vector<Journey> expected;
      int fastest = 1 << 30;
      for (const Journey& j : journeys) fastest = std::min(fastest, j.Minutes());
      for (const Journey& j : journeys) {
        if (2 * j.Minutes() <= 3 * fastest + 360) expected.push_back(j);
      }
      EXPECT_EQ(kept, expected);
      if (!journeys.empty()) EXPECT_FALSE(kept.empty());

      // Every direct train, dominated or not, against enumeration.
      std::set<Triple> direct;
      for (const Journey& j : DirectJourneys(tables.network, r)) {
        ExpectRealJourney(timetable, Request{r.from, r.to, r.after, r.before, 0}, j);
        EXPECT_TRUE(direct.insert({j.Depart(), j.Arrive(), j.legs.front().from_no}).second);
      }
      EXPECT_EQ(direct, DirectBruteForce(timetable, r));
    }
  }
  // The timetables are dense enough for every kind of journey to be among the answers.
  EXPECT_GT(listed_by_changes[0], 5);
  EXPECT_GT(listed_by_changes[1], 5);
  EXPECT_GT(listed_by_changes[2], 5);
}

// Leaving trains out through the request is the same as planning on the timetable without them:
// no leg of a listed journey uses a train left out, and nothing a left-out train dominated is
// lost.
TEST(JourneyPlannerProperty, AllowedTrainsEqualsPlanningWithoutTheOthers) {
  for (const unsigned seed : {4u, 7u, 11u, 19u, 29u, 42u}) {
    std::mt19937 rng(seed);
    const SpecTimetable timetable = RandomTimetable(rng, 12, 40);
    const SpecTables tables(timetable);
    Planner planner(tables.network);
    for (int q = 0; q < 8; ++q) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " request " + std::to_string(q));
      Request r;
      r.from = {"站0", "站1", "站2"};
      r.to = {"站3", "站4"};
      r.max_wait = 0;
      // Each train kept with probability one half (never all: the restriction must bite).
      SpecTimetable kept_only = timetable;
      kept_only.trains.clear();
      r.allowed_trains.assign(tables.network.train_ids.size(), 0);
      for (std::size_t t = 0; t < tables.network.train_ids.size(); ++t) {
        if (std::uniform_int_distribution<int>(0, 1)(rng) == 0) continue;
        r.allowed_trains[t] = 1;
        const std::string id(tables.network.train_ids[t]);
        for (const SpecTrain& train : timetable.trains) {
          if (train.id == id) kept_only.trains.push_back(train);
        }
      }
      const SpecTables kept_tables(kept_only);
      Request without = r;
      without.allowed_trains.clear();
      const std::vector<Journey> restricted = planner.Find(r);
      EXPECT_EQ(JourneyLines(restricted), JourneyLines(FindJourneys(kept_tables.network, without)));
      std::set<Triple> found;
      for (const Journey& j : restricted) found.insert({j.Depart(), j.Arrive(), j.Changes()});
      EXPECT_EQ(found, BruteForce(kept_only, without));
    }
  }
}

// With dates: each train runs on random days of a short period; the planner must equal the
// brute force that tries every train on every day, and each leg must run on its own day.
TEST(JourneyPlannerProperty, WithDatesEqualsBruteForceOverTrainsAndDays) {
  int checked = 0;
  int later_day_legs = 0;
  for (const unsigned seed : {4u, 7u, 11u, 19u, 42u, 77u}) {
    std::mt19937 rng(seed);
    const auto uniform = [&rng](int lo, int hi) {
      return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    const SpecTimetable timetable = RandomTimetable(rng, 14, 44);
    SpecTables tables(timetable);
    const data::Period period = data::ParsePeriod("2024-07-01..2024-07-12");
    data::Calendar calendar(period);
    std::map<std::string, data::DaySet> days_of;
    for (const SpecTrain& train : timetable.trains) {
      data::DaySet set;
      for (int d = 0; d < period.days; ++d) {
        if (uniform(0, 2) != 0) set.set(static_cast<std::size_t>(d));
      }
      days_of[train.id] = set;
      calendar.Add(train.id, set, {});
    }
    tables.tables.store.calendar = calendar;
    const Network network = *BuildNetwork(tables.tables.store);
    Planner planner(network);
    for (int q = 0; q < 14; ++q) {
      Request r;
      const int a = uniform(0, 13);
      int b = uniform(0, 12);
      if (b >= a) ++b;
      r.from = {"站" + std::to_string(a)};
      r.to = {"站" + std::to_string(b)};
      if (q % 4 == 0) {
        r.from = {"站0", "站1", "站2"};
        r.to = {"站3", "站4"};
      }
      r.max_changes = uniform(0, 2);
      r.min_change = uniform(0, 60);
      r.min_change_city = uniform(0, 150);
      r.max_wait = std::vector<int>{180, 720, 1440, 2000}[static_cast<std::size_t>(uniform(0, 3))];
      const int first_day = uniform(-1, period.days);  // a day before and after the period too
      r.date = period.first + std::chrono::days{first_day};
      const RunsFn runs = [&](const std::string& train, int day) {
        const int d = first_day + day;
        return d >= 0 && d < period.days && days_of.at(train)[static_cast<std::size_t>(d)];
      };
      SCOPED_TRACE("seed " + std::to_string(seed) + " request " + std::to_string(q));
      std::set<Triple> found;
      for (const Journey& j : planner.Find(r)) {
        ExpectRealJourney(timetable, r, j);
        found.insert({j.Depart(), j.Arrive(), j.Changes()});
        for (const Leg& leg : j.legs) {
          // The run ridden leaves its first station on the leg's service day, and the leg's
          // date is the day it departs.
          const SpecTrain& train = *std::find_if(
              timetable.trains.begin(), timetable.trains.end(),
              [&](const SpecTrain& t) { return t.id == leg.train_id; });
          const int board = train.stops[static_cast<std::size_t>(leg.from_no - 1)].depart;
          EXPECT_TRUE(runs(leg.train_id, FloorDiv(leg.depart - board, 1440))) << JourneyLine(j);
          ASSERT_TRUE(leg.date.has_value());
          EXPECT_EQ(*leg.date, *r.date + std::chrono::days{FloorDiv(leg.depart, 1440)});
          if (FloorDiv(leg.depart, 1440) > 0) ++later_day_legs;
        }
      }
      EXPECT_EQ(found, BruteForce(timetable, r, runs));
      // Every direct train that runs that day, against enumeration.
      std::set<Triple> direct;
      for (const Journey& j : DirectJourneys(network, r)) {
        direct.insert({j.Depart(), j.Arrive(), j.legs.front().from_no});
      }
      EXPECT_EQ(direct, DirectBruteForce(timetable, r, runs));
      ++checked;
    }
  }
  EXPECT_EQ(checked, 84);
  EXPECT_GT(later_day_legs, 5);  // legs on the next day were part of the answers
}

}  // namespace
}  // namespace lanzhou::journey::test
