#include "journey/journey.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "timetable/fares.h"
#include "timetable/grid_result.h"
#include "timetable/station_match.h"
#include "timetable/train_class.h"

namespace lanzhou::journey {
namespace {

constexpr std::int32_t kNever = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kNothingCovered = std::numeric_limits<std::int32_t>::min() / 2;

std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int32_t DayMinute(std::int32_t minutes) {
  return minutes - FloorDiv(minutes, kMinutesPerDay) * kMinutesPerDay;
}

bool InWindow(std::int32_t minute, std::int32_t after, std::int32_t before) {
  return after <= before ? (minute >= after && minute <= before)
                         : (minute >= after || minute <= before);
}

std::size_t U(std::int32_t i) {
  return static_cast<std::size_t>(i);
}

// One ridden train in a journey under construction: the network's stops and the minutes added
// to the train's own times for the day it is ridden on.
struct LegRef {
  std::int32_t train = -1;
  std::int32_t board = -1;   // index into Network::stops
  std::int32_t alight = -1;  // index into Network::stops
  std::int32_t shift = 0;    // multiple of 1440
};

struct Candidate {
  std::int32_t depart = 0;
  std::int32_t arrive = 0;
  std::int32_t leg_count = 0;
  std::array<LegRef, 3> legs{};
};

struct Event {
  std::int32_t minute;  // departure minute of the day
  NetCall call;
};

struct Alight {
  std::int32_t station;
  std::int32_t arrive;
  std::int32_t stop;
};

// The journeys of chosen candidates, in their order, with texts, distances and fares.
// With a date, each leg carries the day it departs.
std::vector<Journey> MakeJourneys(const Network& net, const std::vector<Candidate>& kept,
                                  std::optional<std::chrono::sys_days> date) {
  std::vector<Journey> journeys;
  journeys.reserve(kept.size());
  const data::MemTable& KMTrain = *net.KMTrain;
  const data::MemTable& KMList = *net.KMList;
  const Network::StopColumns& sc = net.stop_columns;
  const Network::TrainColumns& tc = net.train_columns;
  for (const Candidate& cand : kept) {
    Journey j;
    bool all_distances = true;
    bool all_fares = true;
    double fare_sum = 0;
    std::int32_t distance_sum = 0;
    for (std::int32_t k = 0; k < cand.leg_count; ++k) {
      const LegRef& ref = cand.legs[U(k)];
      const NetStop& board = net.stops[U(ref.board)];
      const NetStop& alight = net.stops[U(ref.alight)];
      Leg leg;
      leg.train = ref.train;
      leg.train_id = std::string(net.train_ids[U(ref.train)]);
      leg.from = net.station_names[U(board.station)];
      leg.to = net.station_names[U(alight.station)];
      leg.from_no = static_cast<std::int32_t>(KMTrain.IntOfRecord(board.record, sc.S_No));
      leg.to_no = static_cast<std::int32_t>(KMTrain.IntOfRecord(alight.record, sc.S_No));
      leg.depart = board.depart + ref.shift;
      leg.arrive = alight.arrive + ref.shift;
      if (date) leg.date = *date + std::chrono::days{DayOf(leg.depart)};
      if (k > 0) {
        const Leg& previous = j.legs.back();
        leg.wait = leg.depart - previous.arrive;
        leg.station_change = leg.from != previous.to;
      }
      const std::int32_t distance = alight.distance - board.distance;
      leg.distance = distance > 0 ? distance : -1;
      // The section fare as the station query prices it.
      timetable::TPub_GridResult row;
      const std::uint32_t lr = net.train_list_record[U(ref.train)];
      row.TrainId = KMList.TextOfRecord(lr, tc.ID);
      row.NType = static_cast<std::int32_t>(KMList.IntOfRecord(lr, tc.NType));
      row.StartStation = KMList.TextOfRecord(lr, tc.StartStation);
      row.TrainDistance = static_cast<std::int32_t>(KMList.IntOfRecord(lr, tc.Distance));
      row.TrainP1 = KMList.TextOfRecord(lr, tc.P1);
      row.TrainP2 = KMList.TextOfRecord(lr, tc.P2);
      row.TrainP3 = KMList.TextOfRecord(lr, tc.P3);
      row.TrainP4 = KMList.TextOfRecord(lr, tc.P4);
      row.FromStation = leg.from;
      row.FromP1 = KMTrain.TextOfRecord(board.record, sc.P1);
      row.FromP2 = KMTrain.TextOfRecord(board.record, sc.P2);
      row.FromP3 = KMTrain.TextOfRecord(board.record, sc.P3);
      row.FromP4 = KMTrain.TextOfRecord(board.record, sc.P4);
      row.ToP1 = KMTrain.TextOfRecord(alight.record, sc.P1);
      row.ToP2 = KMTrain.TextOfRecord(alight.record, sc.P2);
      row.ToP3 = KMTrain.TextOfRecord(alight.record, sc.P3);
      row.ToP4 = KMTrain.TextOfRecord(alight.record, sc.P4);
      row.FromDistance = board.distance;
      row.ToDistance = alight.distance;
      row.SegDistance = alight.distance - board.distance;
      timetable::ComputeSectionFares(row);
      const double fare = timetable::FarePart(row.FareHardSeat, 0);
      if (fare > 0) {
        leg.fare = row.FareHardSeat;
        fare_sum += fare;
      } else {
        all_fares = false;
      }
      if (leg.distance > 0) {
        distance_sum += leg.distance;
      } else {
        all_distances = false;
      }
      j.legs.push_back(std::move(leg));
    }
    j.distance = all_distances ? distance_sum : -1;
    if (all_fares) j.fare = timetable::ShortestDecimalText(fare_sum);
    journeys.push_back(std::move(j));
  }
  return journeys;
}

}  // namespace

// ---- Request -------------------------------------------------------------------------------

void SetEndpoints(data::MemTable& KMSM, std::string_view from_text, std::string_view to_text,
                  Request& request) {
  timetable::TPub_FZStruct from;
  timetable::TPub_DZStruct to;
  const bool exact = timetable::ResolveStationPair(from_text, to_text, KMSM, from, to);
  const auto side = [exact](const timetable::TPub_FZStruct& spec) {
    if (exact || spec.Stations.empty()) return std::vector<std::string>{spec.Name};
    return spec.Stations;
  };
  request.from = side(from);
  request.to = side(to);
}

std::optional<std::string> CheckRequest(const Request& r) {
  const auto out_of = [](std::string_view what, std::int32_t value, std::string_view range) {
    return std::string(what) + " must be " + std::string(range) + ", not " + std::to_string(value);
  };
  if (r.after < 0 || r.after >= kMinutesPerDay) return out_of("after", r.after, "0 .. 1439");
  if (r.before < 0 || r.before >= kMinutesPerDay) return out_of("before", r.before, "0 .. 1439");
  if (r.max_changes < 0 || r.max_changes > 2) {
    return out_of("max changes", r.max_changes, "0, 1 or 2");
  }
  if (r.min_change < 0 || r.min_change > kMinutesPerDay) {
    return out_of("min change", r.min_change, "0 .. 1440 minutes");
  }
  if (r.min_change_city < 0 || r.min_change_city > kMinutesPerDay) {
    return out_of("min change city", r.min_change_city, "0 .. 1440 minutes");
  }
  if (r.max_wait < 0 || r.max_wait > 7 * kMinutesPerDay) {
    return out_of("max wait", r.max_wait, "0 .. 10080 minutes");
  }
  return std::nullopt;
}

// ---- Texts ---------------------------------------------------------------------------------

std::string ClockText(std::int32_t minutes) {
  const std::int32_t m = DayMinute(minutes);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(m / 60), static_cast<int>(m % 60));
  return text;
}

std::int32_t DayOf(std::int32_t minutes) {
  return FloorDiv(minutes, kMinutesPerDay);
}

std::string TrainChainText(const Journey& journey) {
  std::string text;
  for (const Leg& leg : journey.legs) {
    if (!text.empty()) text += " → ";
    text += timetable::TrainNumberOfId(leg.train_id);
  }
  return text;
}

// ---- Planner -------------------------------------------------------------------------------

struct Planner::Scratch {
  explicit Scratch(const Network& net)
      : is_from(U(net.StationCount()), 0),
        is_to(U(net.StationCount()), 0),
        hop_to(U(net.StationCount()), 0),
        feeder_begin(U(net.StationCount()) + 1, 0),
        next_to(net.stops.size(), -1),
        shortest_feeder(U(net.StationCount()), kNever),
        rest_to(U(net.StationCount()), kNever),
        reach_bound(net.stops.size(), kNever),
        last_hop(U(net.TrainCount()), -1),
        train_mark(U(net.TrainCount()), 0),
        bound_ready(U(net.TrainCount()), 0),
        ridden_stop(U(net.TrainCount()), 0),
        ridden_shift(U(net.TrainCount()), kNever) {
    explored.resize(U(net.StationCount()));
  }

  // Per station.
  std::vector<std::uint8_t> is_from;
  std::vector<std::uint8_t> is_to;
  std::vector<std::uint8_t> hop_to;  // the station or a peer has a train on to the arrival set
  std::vector<std::int32_t> feeder_begin;
  std::vector<NetCall> feeders;  // by station, then departure minute
  // Per stop: the first later stop of the train in the arrival set, -1 when none.
  std::vector<std::int32_t> next_to;
  // Per train.
  std::vector<std::int32_t> shortest_feeder;  // per station: shortest feeder ride, kNever
  std::vector<std::int32_t> rest_to;          // per station: least change + feeder ride
  std::vector<std::int32_t> reach_bound;      // per stop: see Find
  std::vector<std::int32_t> last_hop;         // last stop index at a hop_to station, -1 when none
  std::vector<std::uint8_t> train_mark;
  std::vector<std::uint8_t> bound_ready;   // reach_bound holds this train's stops
  std::vector<std::int32_t> ridden_stop;   // this departure's rides: boarded from this stop
  std::vector<std::int32_t> ridden_shift;  // ... on this day
  // Lists of what was set, to reset it.
  std::vector<std::int32_t> from_stations, to_stations, to_trains, hop_stations, hop_trains,
      ridden_trains, bound_trains;
  std::vector<Event> events;
  std::vector<Alight> alights;
  std::vector<Candidate> candidates;
  // Per station: the arrivals by one train whose changes were explored, ascending.
  std::vector<std::vector<std::int32_t>> explored;
  std::vector<std::int32_t> explored_stations;
  std::vector<std::int32_t> feeder_keys;
  std::vector<NetCall> feeder_items;
  // Per train, with a date: 1 when the train runs on some day a journey of that date may ride
  // it (kept for the next request of the same date).
  std::vector<std::uint8_t> active;
  // Per train, with a date: bit k set when it runs on the service day `active_first` + k days
  // (the days of the active window, at most 64), so that boarding tests one bit.
  std::vector<std::uint64_t> run_days;
  std::optional<std::chrono::sys_days> active_date;
  std::int32_t active_first = 0;  // days from the date to the mask's first day
  std::int32_t active_rounds = 0;
};

Planner::Planner(const Network& network)
    : network_(network), scratch_(std::make_unique<Scratch>(network)) {}

Planner::~Planner() = default;

std::size_t Planner::MemoryBytes() const {
  const Scratch& x = *scratch_;
  const auto bytes = [](const auto& v) { return v.capacity() * sizeof(v[0]); };
  return bytes(x.is_from) + bytes(x.is_to) + bytes(x.hop_to) + bytes(x.feeder_begin) +
         bytes(x.feeders) + bytes(x.next_to) + bytes(x.last_hop) + bytes(x.train_mark) + bytes(x.bound_ready) +
         bytes(x.bound_trains) +
         bytes(x.ridden_stop) + bytes(x.ridden_shift) + bytes(x.from_stations) +
         bytes(x.to_stations) + bytes(x.to_trains) + bytes(x.hop_stations) + bytes(x.hop_trains) +
         bytes(x.ridden_trains) + bytes(x.run_days) + bytes(x.events) + bytes(x.alights) + bytes(x.candidates) +
         bytes(x.feeder_keys) + bytes(x.feeder_items) + bytes(x.shortest_feeder) +
         bytes(x.rest_to) + bytes(x.reach_bound) + bytes(x.explored) + bytes(x.explored_stations) +
         [&x] {
           std::size_t inner = 0;
           for (const auto& seen : x.explored) inner += seen.capacity() * sizeof(std::int32_t);
           return inner;
         }();
}

std::vector<Journey> Planner::Find(const Request& request) {
  if (CheckRequest(request)) return {};
  const Network& net = network_;
  Scratch& x = *scratch_;
  const std::int32_t max_legs = request.max_changes + 1;
  const std::int32_t W = request.max_wait;
  const std::int32_t mc = request.min_change;
  const std::int32_t mcc = request.min_change_city;

  const auto station_of = [&](std::int32_t stop) { return net.stops[U(stop)].station; };
  // Whether train t's run shifted by `shift` minutes from the journey's first day runs: its
  // service day is the request's date plus shift / 1440 days. Without a date every run runs.
  const bool dated = request.date.has_value() && net.calendar != nullptr &&
                     net.calendar->KnowsRunningDays();
  const auto runs = [&](std::int32_t t, std::int32_t shift) {
    if (!dated) return true;
    // A shift moves a run by whole days (a call's minute of the day stays), so the division is
    // exact, for negative shifts too.
    const std::int32_t day = shift / kMinutesPerDay;
    const std::int32_t bit = day - x.active_first;
    if (bit >= 0 && bit < 64) return ((x.run_days[U(t)] >> bit) & 1u) != 0;
    return net.calendar->RunsOn(net.train_version[U(t)], *request.date + std::chrono::days{day});
  };
  // With dates a train that does not run on the first day met may run on the next: a change
  // looks that many days ahead (up to the wait limit).
  const std::int32_t rounds = !dated ? 1 : W > 0 ? W / kMinutesPerDay + 2 : 8;
  // Trains that run on no day such a journey could ride them (the other versions of a number,
  // trains of other seasons) are left out of the whole search, not only at boarding.
  if (dated && (x.active_date != request.date || x.active_rounds != rounds)) {
    x.active.assign(U(net.TrainCount()), 0);
    x.run_days.assign(U(net.TrainCount()), 0);
    // A run boarded on the journey's days may have left its first station as many days before
    // as the longest run lasts; each of three legs may ride that long and wait `rounds` days.
    std::int32_t longest = 0;
    for (const NetStop& stop : net.stops) longest = std::max(longest, stop.depart / kMinutesPerDay);
    const std::int32_t before = longest + 1, after = 3 * (longest + rounds + 1);
    x.active_first = -before;
    for (std::int32_t t = 0; t < net.TrainCount(); ++t) {
      for (std::int32_t d = -before; d <= after; ++d) {
        if (net.calendar->RunsOn(net.train_version[U(t)], *request.date + std::chrono::days{d})) {
          x.active[U(t)] = 1;
          if (d + before < 64) x.run_days[U(t)] |= std::uint64_t{1} << (d + before);
        }
      }
    }
    x.active_date = request.date;
    x.active_rounds = rounds;
  }
  const auto active = [&](std::int32_t t) { return !dated || x.active[U(t)] != 0; };
  const auto train_end = [&](std::int32_t t) { return net.train_stop_begin[U(t) + 1]; };
  // Every leg is boarded through one of three lists below (the departures, the trains on to the
  // arrival set, the middle trains of two changes); each skips a train not allowed.
  const auto allowed = [&](std::int32_t t) {
    return request.allowed_trains.empty() ||
           (U(t) < request.allowed_trains.size() && request.allowed_trains[U(t)] != 0);
  };

  // ---- Endpoints.
  for (const std::string& name : request.from) {
    if (const auto s = net.StationNumber(name); s && !x.is_from[U(*s)]) {
      x.is_from[U(*s)] = 1;
      x.from_stations.push_back(*s);
    }
  }
  for (const std::string& name : request.to) {
    if (const auto s = net.StationNumber(name); s && !x.is_to[U(*s)] && !x.is_from[U(*s)]) {
      x.is_to[U(*s)] = 1;
      x.to_stations.push_back(*s);
    }
  }

  // ---- Trains on to the arrival set: for each of their stops, the first later stop there.
  for (const std::int32_t s : x.to_stations) {
    for (std::int32_t v = net.visit_begin[U(s)]; v < net.visit_begin[U(s) + 1]; ++v) {
      const std::int32_t t = net.visits[U(v)].train;
      if (x.train_mark[U(t)] || !allowed(t) || !active(t)) continue;
      x.train_mark[U(t)] = 1;
      x.to_trains.push_back(t);
    }
  }
  x.feeder_keys.clear();
  x.feeder_items.clear();
  for (const std::int32_t t : x.to_trains) {
    std::int32_t next = -1;
    for (std::int32_t i = train_end(t) - 1; i >= net.train_stop_begin[U(t)]; --i) {
      x.next_to[U(i)] = next;
      const std::int32_t s = station_of(i);
      if (x.is_to[U(s)]) {
        next = i;
      } else if (next >= 0) {
        x.feeder_keys.push_back(s);
        x.feeder_items.push_back({t, i, DayMinute(net.stops[U(i)].depart)});
      }
    }
  }
  // Feeders by station and minute (counting sort by station, then each station's slice).
  std::fill(x.feeder_begin.begin(), x.feeder_begin.end(), 0);
  for (const std::int32_t s : x.feeder_keys) ++x.feeder_begin[U(s) + 1];
  for (std::size_t s = 1; s < x.feeder_begin.size(); ++s)
    x.feeder_begin[s] += x.feeder_begin[s - 1];
  x.feeders.resize(x.feeder_items.size());
  {
    // Stable placement: walk the items and write each at its station's next free slot.
    std::vector<std::int32_t> next_slot(x.feeder_begin.begin(), x.feeder_begin.end() - 1);
    for (std::size_t i = 0; i < x.feeder_items.size(); ++i) {
      x.feeders[U(next_slot[U(x.feeder_keys[i])]++)] = x.feeder_items[i];
      const std::int32_t s = x.feeder_keys[i];
      if (!x.hop_to[U(s)]) {
        x.hop_to[U(s)] = 1;
        x.hop_stations.push_back(s);
      }
    }
  }
  const std::size_t feeder_station_count = x.hop_stations.size();
  for (std::size_t h = 0; h < feeder_station_count; ++h) {
    const std::int32_t s = x.hop_stations[h];
    std::sort(x.feeders.begin() + x.feeder_begin[U(s)],
              x.feeders.begin() + x.feeder_begin[U(s) + 1], [](const NetCall& a, const NetCall& b) {
                return a.minute != b.minute ? a.minute < b.minute : a.stop < b.stop;
              });
    for (std::int32_t p = net.city_peer_begin[U(s)]; p < net.city_peer_begin[U(s) + 1]; ++p) {
      const std::int32_t peer = net.city_peers[U(p)];
      if (!x.hop_to[U(peer)]) {
        x.hop_to[U(peer)] = 1;
        x.hop_stations.push_back(peer);
      }
    }
  }
  // For each train, the last stop from which a change leads on to the arrival set, and for
  // each stop a lower bound of the arrival there when riding on from it: the least of arrival
  // + change + shortest feeder ride over the stops from it on.
  if (max_legs >= 3) {
    for (std::size_t h = 0; h < feeder_station_count; ++h) {
      const std::int32_t s = x.hop_stations[h];
      std::int32_t shortest = kNever;
      for (std::int32_t f = x.feeder_begin[U(s)]; f < x.feeder_begin[U(s) + 1]; ++f) {
        const NetCall& call = x.feeders[U(f)];
        shortest = std::min(shortest, net.stops[U(x.next_to[U(call.stop)])].arrive -
                                          net.stops[U(call.stop)].depart);
      }
      x.shortest_feeder[U(s)] = shortest;
    }
    for (const std::int32_t s : x.hop_stations) {
      std::int32_t rest = x.shortest_feeder[U(s)] == kNever ? kNever : x.shortest_feeder[U(s)] + mc;
      for (std::int32_t p = net.city_peer_begin[U(s)]; p < net.city_peer_begin[U(s) + 1]; ++p) {
        const std::int32_t peer = x.shortest_feeder[U(net.city_peers[U(p)])];
        if (peer != kNever) rest = std::min(rest, peer + mcc);
      }
      x.rest_to[U(s)] = rest;
      for (std::int32_t v = net.visit_begin[U(s)]; v < net.visit_begin[U(s) + 1]; ++v) {
        const NetCall& visit = net.visits[U(v)];
        if (!active(visit.train)) continue;
        std::int32_t& last = x.last_hop[U(visit.train)];
        if (last < 0) x.hop_trains.push_back(visit.train);
        last = std::max(last, visit.stop);
      }
    }
  }
  // A train's bounds are worked out when it is first boarded for two changes: most trains at the
  // hop stations never are.
  const auto ensure_bound = [&](std::int32_t t) {
    if (x.bound_ready[U(t)]) return;
    x.bound_ready[U(t)] = 1;
    x.bound_trains.push_back(t);
    std::int32_t bound = kNever;
    for (std::int32_t j = x.last_hop[U(t)]; j >= net.train_stop_begin[U(t)]; --j) {
      const std::int32_t rest = x.rest_to[U(station_of(j))];
      if (rest != kNever) bound = std::min(bound, net.stops[U(j)].arrive + rest);
      x.reach_bound[U(j)] = bound;
    }
  };

  // ---- Departures from the departure set inside the window, latest first.
  x.events.clear();
  for (const std::int32_t s : x.from_stations) {
    for (std::int32_t c = net.call_begin[U(s)]; c < net.call_begin[U(s) + 1]; ++c) {
      const NetCall& call = net.calls[U(c)];
      if (InWindow(call.minute, request.after, request.before) && allowed(call.train) &&
          active(call.train))
        x.events.push_back({call.minute, call});
    }
  }
  std::stable_sort(x.events.begin(), x.events.end(),
                   [](const Event& a, const Event& b) { return a.minute > b.minute; });

  // Best arrival of the journeys found so far (all depart no earlier than the current one)
  // with at most 1, 2, 3 legs; a partial journey of m legs that cannot arrive before best[m]
  // leads to nothing that would be listed.
  std::array<std::int32_t, 4> best{kNever, kNever, kNever, kNever};
  x.candidates.clear();
  Candidate building;
  const auto record = [&](std::int32_t legs, std::int32_t arrive) {
    if (arrive >= best[U(legs)]) return;
    for (std::int32_t m = legs; m <= 3; ++m) best[U(m)] = std::min(best[U(m)], arrive);
    building.arrive = arrive;
    building.leg_count = legs;
    x.candidates.push_back(building);
  };
  // Calls of a sorted slice that can be boarded after arriving at `arrive` and being ready at
  // `ready`: in order of departure, until the wait limit or `limit`.
  // Departures up to `covered` were met before (see Covered) and are skipped.
  const auto each_boarding = [&](const std::vector<NetCall>& list, std::int32_t begin,
                                 std::int32_t end, std::int32_t arrive, std::int32_t ready,
                                 std::int32_t covered, std::int32_t limit, auto&& visit) {
    const std::int32_t n = end - begin;
    if (n == 0 || covered >= ready + rounds * kMinutesPerDay - 1) return;
    const std::int32_t ready_minute = DayMinute(ready);
    const std::int32_t from_minute = DayMinute(std::max(ready, covered + 1));
    const auto first =
        std::lower_bound(list.begin() + begin, list.begin() + end, from_minute,
                         [](const NetCall& c, std::int32_t m) { return c.minute < m; });
    // Walked round the clock from the first call at or after `from_minute`, `rounds` times; the
    // index and the day are carried along (no division in this, the planner's hottest loop).
    std::int32_t at = static_cast<std::int32_t>(first - list.begin()) - begin;
    std::int32_t later_days = 0;  // minutes of the whole days added for the rounds so far
    std::int32_t left_in_round = n;
    for (std::int32_t j = 0; j < n * rounds; ++j, ++at, --left_in_round) {
      if (at == n) at = 0;
      if (left_in_round == 0) {
        left_in_round = n;
        later_days += kMinutesPerDay;
      }
      const NetCall& call = list[U(begin + at)];
      // The train's first run at or after `ready`, and its runs on the following days.
      std::int32_t gap = call.minute - ready_minute;  // both minutes of a day
      if (gap < 0) gap += kMinutesPerDay;
      const std::int32_t depart = ready + gap + later_days;
      if (depart <= covered) {
        // Round the clock back to what was met before; on later days (dates) it is new again.
        if (rounds == 1) return;
        continue;
      }
      if (W > 0 && depart - arrive > W) return;
      if (depart >= limit) return;
      const std::int32_t shift = depart - net.stops[U(call.stop)].depart;
      if (!runs(call.train, shift)) continue;
      visit(call, shift);
    }
  };
  // A change at station s after the first train's arrival at `arrive` can board what an
  // earlier arrival there, explored for this or a later departure, could board too: from
  // arrive + change up to that arrival + max_wait. All of that led to journeys no better than
  // those found then, so only later departures are new. Returns the last departure so covered
  // (kNothingCovered when none is) and notes this arrival.
  const auto covered_after = [&](std::int32_t s, std::int32_t arrive) {
    std::vector<std::int32_t>& seen = x.explored[U(s)];
    const auto at = std::upper_bound(seen.begin(), seen.end(), arrive);
    std::int32_t covered = kNothingCovered;
    if (at != seen.begin()) covered = W > 0 ? *(at - 1) + W : kNever / 2;
    if (seen.empty()) x.explored_stations.push_back(s);
    seen.insert(at, arrive);
    return covered;
  };
  const auto each_place = [&](std::int32_t s, auto&& visit) {
    visit(s, mc);
    for (std::int32_t p = net.city_peer_begin[U(s)]; p < net.city_peer_begin[U(s) + 1]; ++p) {
      visit(net.city_peers[U(p)], mcc);
    }
  };

  for (const Event& e : x.events) {
    const std::int32_t t1 = e.call.train;
    const std::int32_t shift1 = e.minute - net.stops[U(e.call.stop)].depart;
    if (!runs(t1, shift1)) continue;
    building.depart = e.minute;
    building.legs[0] = {t1, e.call.stop, -1, shift1};
    x.alights.clear();
    for (std::int32_t i = e.call.stop + 1; i < train_end(t1); ++i) {
      const std::int32_t a = net.stops[U(i)].arrive + shift1;
      if (a >= best[1]) break;
      const std::int32_t s = station_of(i);
      if (x.is_from[U(s)]) continue;
      if (x.is_to[U(s)]) {
        building.legs[0].alight = i;
        record(1, a);
        break;
      }
      // A change here leads to journeys of two or three legs.
      if (max_legs >= 2 && a < best[2]) x.alights.push_back({s, a, i});
    }
    for (const Alight& al : x.alights) {
      if (al.arrive >= best[2]) break;
      building.legs[0].alight = al.stop;
      const std::int32_t covered = covered_after(al.station, al.arrive);
      each_place(al.station, [&](std::int32_t p, std::int32_t change) {
        if (x.is_to[U(p)]) return;
        const std::int32_t ready = al.arrive + change;
        // One change: a train from here on to the arrival set.
        each_boarding(x.feeders, x.feeder_begin[U(p)], x.feeder_begin[U(p) + 1], al.arrive, ready,
                      covered, best[2], [&](const NetCall& call, std::int32_t shift) {
                        const std::int32_t end = x.next_to[U(call.stop)];
                        building.legs[1] = {call.train, call.stop, end, shift};
                        record(2, net.stops[U(end)].arrive + shift);
                      });
        if (max_legs < 3) return;
        // Two changes: any train to a station from which one goes on. What follows has three
        // legs, so best[3] bounds it.
        const bool boarded_in_from = x.is_from[U(p)] != 0;
        each_boarding(net.calls, net.call_begin[U(p)], net.call_begin[U(p) + 1], al.arrive, ready,
                      covered, best[3], [&](const NetCall& call, std::int32_t shift2) {
                        const std::int32_t t2 = call.train;
                        if (!allowed(t2)) return;
                        const std::int32_t last = x.last_hop[U(t2)];
                        if (last <= call.stop) return;
                        ensure_bound(t2);
                        if (std::int64_t{x.reach_bound[U(call.stop + 1)]} + shift2 >= best[3])
                          return;
                        if (!boarded_in_from) {
                          // The same run, ridden before from this stop or an earlier one (for this
                          // or a later departure), met every change from here on; what it led to is
                          // in best[3] already, whatever the first leg was.
                          if (x.ridden_shift[U(t2)] == shift2 && x.ridden_stop[U(t2)] <= call.stop)
                            return;
                          if (x.ridden_shift[U(t2)] == kNever) x.ridden_trains.push_back(t2);
                          x.ridden_shift[U(t2)] = shift2;
                          x.ridden_stop[U(t2)] = call.stop;
                        }
                        for (std::int32_t j = call.stop + 1; j <= last; ++j) {
                          if (std::int64_t{x.reach_bound[U(j)]} + shift2 >= best[3]) break;
                          const std::int32_t a2 = net.stops[U(j)].arrive + shift2;
                          const std::int32_t y = station_of(j);
                          if (x.is_to[U(y)]) break;
                          if (boarded_in_from && x.is_from[U(y)]) continue;
                          if (!x.hop_to[U(y)]) continue;
                          building.legs[1] = {t2, call.stop, j, shift2};
                          each_place(y, [&](std::int32_t q, std::int32_t change2) {
                            if (x.is_to[U(q)]) return;
                            each_boarding(x.feeders, x.feeder_begin[U(q)], x.feeder_begin[U(q) + 1],
                                          a2, a2 + change2, kNothingCovered, best[3],
                                          [&](const NetCall& c3, std::int32_t shift3) {
                                            const std::int32_t end = x.next_to[U(c3.stop)];
                                            building.legs[2] = {c3.train, c3.stop, end, shift3};
                                            record(3, net.stops[U(end)].arrive + shift3);
                                          });
                          });
                        }
                      });
      });
    }
  }

  // ---- Reset the scratch arrays for the next request.
  for (const std::int32_t s : x.from_stations) x.is_from[U(s)] = 0;
  for (const std::int32_t s : x.to_stations) x.is_to[U(s)] = 0;
  for (const std::int32_t s : x.hop_stations) {
    x.hop_to[U(s)] = 0;
    x.shortest_feeder[U(s)] = kNever;
    x.rest_to[U(s)] = kNever;
  }
  for (const std::int32_t t : x.bound_trains) {
    x.bound_ready[U(t)] = 0;
    for (std::int32_t j = net.train_stop_begin[U(t)]; j <= x.last_hop[U(t)]; ++j) {
      x.reach_bound[U(j)] = kNever;
    }
  }
  x.bound_trains.clear();
  for (const std::int32_t t : x.to_trains) {
    x.train_mark[U(t)] = 0;
    for (std::int32_t i = net.train_stop_begin[U(t)]; i < train_end(t); ++i) x.next_to[U(i)] = -1;
  }
  for (const std::int32_t t : x.hop_trains) x.last_hop[U(t)] = -1;
  for (const std::int32_t t : x.ridden_trains) x.ridden_shift[U(t)] = kNever;
  for (const std::int32_t s : x.explored_stations) x.explored[U(s)].clear();
  x.explored_stations.clear();
  x.from_stations.clear();
  x.to_stations.clear();
  x.hop_stations.clear();
  x.to_trains.clear();
  x.hop_trains.clear();
  x.ridden_trains.clear();

  // ---- The Pareto set: drop every candidate another one dominates (equal ones: the first).
  std::vector<Candidate>& c = x.candidates;
  std::stable_sort(c.begin(), c.end(), [](const Candidate& a, const Candidate& b) {
    if (a.depart != b.depart) return a.depart > b.depart;
    if (a.leg_count != b.leg_count) return a.leg_count < b.leg_count;
    return a.arrive < b.arrive;
  });
  // Walking from the latest departure, fewest legs first: a candidate is kept when it arrives
  // before every kept one with at most as many legs.
  std::array<std::int32_t, 4> kept_best{kNever, kNever, kNever, kNever};
  std::vector<Candidate> kept;
  for (const Candidate& cand : c) {
    if (cand.arrive >= kept_best[U(cand.leg_count)]) continue;
    kept.push_back(cand);
    for (std::int32_t m = cand.leg_count; m <= 3; ++m) {
      kept_best[U(m)] = std::min(kept_best[U(m)], cand.arrive);
    }
  }
  std::sort(kept.begin(), kept.end(), [](const Candidate& a, const Candidate& b) {
    if (a.depart != b.depart) return a.depart < b.depart;
    if (a.arrive != b.arrive) return a.arrive < b.arrive;
    return a.leg_count < b.leg_count;
  });
  return MakeJourneys(net, kept, request.date);
}

std::vector<Journey> FindJourneys(const Network& network, const Request& request) {
  Planner planner(network);
  return planner.Find(request);
}

std::vector<Journey> WithoutSlowJourneys(std::vector<Journey> journeys) {
  if (journeys.empty()) return journeys;
  std::int32_t fastest = journeys.front().Minutes();
  for (const Journey& j : journeys) fastest = std::min(fastest, j.Minutes());
  // Compared in tenths of a minute: 1.5 times is 15 tenths.
  const std::int64_t limit = std::int64_t{15} * fastest + std::int64_t{10} * kSlowJourneyMargin;
  std::erase_if(journeys,
                [&](const Journey& j) { return std::int64_t{10} * j.Minutes() > limit; });
  return journeys;
}

std::vector<Journey> DirectJourneys(const Network& net, const Request& request) {
  if (CheckRequest(request)) return {};
  std::vector<std::uint8_t> is_to(U(net.StationCount()), 0);
  for (const std::string& name : request.to) {
    if (const auto s = net.StationNumber(name)) is_to[U(*s)] = 1;
  }
  // With a date, only runs that leave their first station on a day they run (the one rule).
  const bool dated = request.date.has_value() && net.calendar != nullptr &&
                     net.calendar->KnowsRunningDays();
  // Per train, the earliest boarding stop in the departure set that leaves in the window.
  std::vector<std::int32_t> board(U(net.TrainCount()), -1);
  std::vector<std::int32_t> shift(U(net.TrainCount()), 0);
  for (const std::string& name : request.from) {
    const auto s = net.StationNumber(name);
    if (!s || is_to[U(*s)]) continue;
    for (std::int32_t c = net.call_begin[U(*s)]; c < net.call_begin[U(*s) + 1]; ++c) {
      const NetCall& call = net.calls[U(c)];
      if (!InWindow(call.minute, request.after, request.before)) continue;
      // A whole number of days: the run left its first station that many days before.
      const std::int32_t days = (call.minute - net.stops[U(call.stop)].depart) / kMinutesPerDay;
      if (dated && !net.calendar->RunsOn(net.train_version[U(call.train)],
                                         *request.date + std::chrono::days{days})) {
        continue;
      }
      std::int32_t& b = board[U(call.train)];
      if (b < 0 || call.stop < b) {
        b = call.stop;
        shift[U(call.train)] = call.minute - net.stops[U(call.stop)].depart;
      }
    }
  }
  std::vector<Candidate> candidates;
  for (std::int32_t t = 0; t < net.TrainCount(); ++t) {
    const std::int32_t b = board[U(t)];
    if (b < 0) continue;
    // The last later stop in the arrival set, as the station query alights.
    std::int32_t alight = -1;
    for (std::int32_t i = b + 1; i < net.train_stop_begin[U(t) + 1]; ++i) {
      if (is_to[U(net.stops[U(i)].station)]) alight = i;
    }
    if (alight < 0) continue;
    Candidate cand;
    cand.depart = net.stops[U(b)].depart + shift[U(t)];
    cand.arrive = net.stops[U(alight)].arrive + shift[U(t)];
    cand.leg_count = 1;
    cand.legs[0] = LegRef{t, b, alight, shift[U(t)]};
    candidates.push_back(cand);
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     if (a.depart != b.depart) return a.depart < b.depart;
                     return a.arrive < b.arrive;
                   });
  return MakeJourneys(net, candidates, request.date);
}

// ---- Sorting -------------------------------------------------------------------------------

std::optional<SortKey> SortKeyFromCaption(std::string_view caption) {
  if (caption == "出发") return SortKey::Depart;
  if (caption == "到达") return SortKey::Arrive;
  if (caption == "历时") return SortKey::Duration;
  if (caption == "换乘") return SortKey::Changes;
  return std::nullopt;
}

void SortJourneys(std::vector<Journey>& journeys, SortKey key, bool descending) {
  const auto value = [key](const Journey& j) {
    switch (key) {
      case SortKey::Depart:
        return j.Depart();
      case SortKey::Arrive:
        return j.Arrive();
      case SortKey::Duration:
        return j.Minutes();
      case SortKey::Changes:
        return j.Changes();
    }
    return 0;
  };
  std::stable_sort(journeys.begin(), journeys.end(), [&](const Journey& a, const Journey& b) {
    return descending ? value(a) > value(b) : value(a) < value(b);
  });
}

}  // namespace lanzhou::journey
