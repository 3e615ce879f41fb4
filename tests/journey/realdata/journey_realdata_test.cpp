// Journeys on the real national timetable of 2024 (the tables bench/national converts from
// ../shared/realdata at configure time; skipped where they are not there): the planner's answer
// for 拉萨 → 三亚 holds a journey at least as fast as the fastest through train and the fastest
// one-change pair that plain enumeration finds under the same rules, and with at most one change
// exactly as fast.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/table_loading.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "journey/journey.h"
#include "timetable/times.h"

namespace lanzhou::journey {
namespace {

struct Stop {
  std::string station;
  int arrive;  // absolute minutes: the first departure plus the elapsed time
  int depart;
};

int Clock(std::string_view text) {
  return timetable::ElapsedToMinutes(text) % 1440;
}

// Every train's stops with absolute times, read plainly through the table's cursor.
std::map<std::string, std::vector<Stop>> ReadTrains(data::MemTable& KMTrain) {
  std::map<std::string, std::vector<Stop>> trains;
  const data::ColumnId id = KMTrain.ColumnOf("ID"), station = KMTrain.ColumnOf("Station"),
                       a = KMTrain.ColumnOf("A_Time"), d = KMTrain.ColumnOf("D_Time"),
                       r = KMTrain.ColumnOf("R_Date");
  for (KMTrain.First(); !KMTrain.Eof(); KMTrain.Next()) {  // SIDNo: by train, then stop number
    std::vector<Stop>& stops = trains[std::string(KMTrain.TextAt(id))];
    const std::string_view at = KMTrain.TextAt(a), dt = KMTrain.TextAt(d);
    if (stops.empty()) {
      const int base = Clock(dt);
      stops.push_back({std::string(KMTrain.TextAt(station)), base, base});
      continue;
    }
    const int arrive = std::max(
        stops.back().depart, stops.front().depart + timetable::ElapsedToMinutes(KMTrain.TextAt(r)));
    const int dwell =
        (!at.empty() && !dt.empty()) ? ((Clock(dt) - Clock(at)) % 1440 + 1440) % 1440 : 0;
    stops.push_back({std::string(KMTrain.TextAt(station)), arrive, arrive + dwell});
  }
  return trains;
}

TEST(JourneyRealData, LhasaToSanyaIsNoSlowerThanAnyOneChangePair) {
  const std::filesystem::path dir = LANZHOU_NATIONAL_TABLES;
  if (!std::filesystem::exists(dir / "strain.txt")) {
    GTEST_SKIP() << "no national tables in " << dir
                 << " (converted from ../shared/realdata when it is there at configure time)";
  }
  data::ResourceRegistry registry;
  data::TimetableStore store(registry);
  ASSERT_TRUE(cli::LoadTables(cli::TableSource::Folder(dir), store).empty());
  const auto network = BuildNetwork(store);
  ASSERT_TRUE(network.has_value());
  Request request;
  SetEndpoints(store.KMSM, "拉萨", "三亚", request);
  const std::vector<Journey> journeys = FindJourneys(*network, request);
  ASSERT_FALSE(journeys.empty());
  int fastest = std::numeric_limits<int>::max();
  for (const Journey& j : journeys) fastest = std::min(fastest, j.Minutes());

  // Brute force: every through train, and every pair of trains changing at one station or
  // between two stations of one group, within 30/90 minutes and a 12 h wait.
  const std::set<std::string> from(request.from.begin(), request.from.end());
  const std::set<std::string> to(request.to.begin(), request.to.end());
  std::map<std::string, int> group;
  {
    data::MemTable& KMSM = store.KMSM;
    const data::ColumnId s = KMSM.ColumnOf("Station"), g = KMSM.ColumnOf("Gp");
    for (KMSM.First(); !KMSM.Eof(); KMSM.Next())
      group[std::string(KMSM.TextAt(s))] = static_cast<int>(KMSM.IntAt(g));
  }
  const auto trains = ReadTrains(store.KMTrain);
  struct Ride {
    std::string from, to;
    int depart, arrive;
  };
  std::vector<Ride> first_legs;  // from the departure set
  std::vector<Ride> last_legs;   // into the arrival set
  int best = std::numeric_limits<int>::max();
  for (const auto& [id, stops] : trains) {
    for (std::size_t i = 0; i < stops.size(); ++i) {
      for (std::size_t j = i + 1; j < stops.size(); ++j) {
        const Ride ride{stops[i].station, stops[j].station, stops[i].depart, stops[j].arrive};
        if (from.count(ride.from) && from.count(ride.to)) continue;
        if (to.count(ride.from)) continue;
        if (from.count(ride.from) && to.count(ride.to))
          best = std::min(best, ride.arrive - ride.depart);
        if (from.count(ride.from) && !to.count(ride.to)) first_legs.push_back(ride);
        if (to.count(ride.to) && !from.count(ride.from)) last_legs.push_back(ride);
      }
    }
  }
  for (const Ride& a : first_legs) {
    for (const Ride& b : last_legs) {
      int change;
      if (a.to == b.from) {
        change = request.min_change;
      } else if (group.count(a.to) && group.count(b.from) && group[a.to] == group[b.from]) {
        change = request.min_change_city;
      } else {
        continue;
      }
      // The first run of the second train that can be caught.
      const int ready = a.arrive + change;
      const int depart = ready + ((b.depart - ready) % 1440 + 1440) % 1440;
      if (depart - a.arrive > request.max_wait) continue;
      best = std::min(best, depart - a.arrive + (b.arrive - b.depart) + (a.arrive - a.depart));
    }
  }
  ASSERT_LT(best, std::numeric_limits<int>::max()) << "no through train nor one-change pair";
  EXPECT_LE(fastest, best);
  // With at most one change the fastest listed journey is exactly the fastest pair: the Pareto
  // set holds, for every journey, one at least as fast.
  request.max_changes = 1;
  int fastest_one_change = std::numeric_limits<int>::max();
  for (const Journey& j : FindJourneys(*network, request)) {
    fastest_one_change = std::min(fastest_one_change, j.Minutes());
  }
  EXPECT_EQ(fastest_one_change, best);
  std::cout << "拉萨 → 三亚: fastest listed " << DurationText(fastest) << ", brute force "
            << DurationText(best) << ", " << journeys.size() << " journeys\n";
}

}  // namespace
}  // namespace lanzhou::journey
