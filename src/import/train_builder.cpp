// Building the trains: everything here is integer or exactly rounded arithmetic in a fixed
// order, so the same source always gives the same rows.
#include "import/train_builder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "timetable/fares.h"
#include "timetable/times.h"

namespace lanzhou::timetable_build {

namespace {

using timetable::RoundHalfUp;

// Fare ratios of the multiple-unit rule: soft sleeper upper and lower over second class.
constexpr double kSoftSleeperUpper = 1.91651809;
constexpr double kSoftSleeperLower = 2.155609769;
constexpr int kDay = 24 * 60;

struct RouteStation {
  std::string name;
  int km = 0;
  double minutes = 0;  // exact running minutes from the origin
};

std::string Clock(int minutes) {
  minutes = ((minutes % kDay) + kDay) % kDay;
  const int h = minutes / 60;
  const int m = minutes % 60;
  std::string out;
  out += static_cast<char>('0' + h / 10);
  out += static_cast<char>('0' + h % 10);
  out += ':';
  out += static_cast<char>('0' + m / 10);
  out += static_cast<char>('0' + m % 10);
  return out;
}

// A train to build: the block, and for a return working its own ID and departure.
struct Job {
  const TrainSource* train;
  const ReturnWorking* working;  // null for the train itself
};

class TrainBuilder {
 public:
  TrainBuilder(const Source& source, Diagnostics& diagnostics)
      : source_(source), diagnostics_(diagnostics) {}

  std::optional<TrainRow> Build(const Job& job) {
    const TrainSource& t = *job.train;
    place_ = job.working ? job.working->place : t.place;
    route_place_ = job.working ? job.working->place : t.route_place;
    id_ = job.working ? job.working->id : t.id;
    const ClassInfo& info = source_.classes[t.ntype];
    if (!info.defined) {
      Error(t.place, "class " + std::to_string(t.ntype) + " is not in classes.txt");
      return std::nullopt;
    }
    TrainRow row;
    row.id = id_;
    row.ntype = t.ntype;
    row.days = t.days;  // a return working runs on the days of its outward train
    row.days_place = t.days_place;
    std::vector<int> elapsed;  // arrival (departure at the first stop) minutes from the origin
    if (!t.explicit_stops.empty()) {
      if (!ExplicitRows(t, row, elapsed)) return std::nullopt;
    } else if (!RouteRows(t, job.working, info, row, elapsed)) {
      return std::nullopt;
    }
    for (std::size_t i = 0; i < row.stops.size(); ++i) {
      if (elapsed[i] >= 100 * 60) {
        Error(place_, "train " + id_ + " runs 100 hours or more");
        return std::nullopt;
      }
      row.stops[i].rdate = FormatElapsed(elapsed[i]);
    }
    if (!Fares(t, info, row)) return std::nullopt;
    if (!job.working && !ApplyStopOverrides(t, row)) return std::nullopt;
    if (!DistancesNeverFall(t, row)) return std::nullopt;
    ListRecord(t, job.working == nullptr, row);
    return row;
  }

 private:
  void Error(const Place& place, const std::string& rule) {
    diagnostics_.Error(place.file, place.line, rule);
  }

  // Explicit rows: times as written; a day passes whenever a time is earlier than the one
  // before it.
  bool ExplicitRows(const TrainSource& t, TrainRow& row, std::vector<int>& elapsed) {
    std::optional<int> start;
    int last = 0;
    auto absolute = [&](int clock) {
      if (!start) {
        start = clock;
        last = clock;
        return 0;
      }
      int value = last - last % kDay + clock;
      if (value < last) value += kDay;
      last = value;
      return value - *start;
    };
    for (std::size_t i = 0; i < t.explicit_stops.size(); ++i) {
      const ExplicitStop& stop = t.explicit_stops[i];
      if (i == 0 && stop.arrival) {
        Error(stop.place, "the first stop has no arrival time");
        return false;
      }
      if (i == 0 && !stop.departure) {
        Error(stop.place, "the first stop has a departure time");
        return false;
      }
      if (i > 0 && !stop.arrival && !stop.departure) {
        Error(stop.place, "a later stop has an arrival or departure time");
        return false;
      }
      StopRow out;
      out.station = stop.name;
      out.km = stop.km;
      int at = 0;
      if (stop.arrival) {
        at = absolute(*stop.arrival);
        out.arrival = Clock(*stop.arrival);
      }
      if (stop.departure) {
        const int dep = absolute(*stop.departure);
        if (!stop.arrival) at = dep;
        out.departure = Clock(*stop.departure);
      }
      elapsed.push_back(i == 0 ? 0 : at);
      row.stops.push_back(std::move(out));
    }
    return true;
  }

  std::optional<std::vector<RouteStation>> Expand(const std::vector<Segment>& route,
                                                  const ClassInfo& info, std::optional<int> speed) {
    std::vector<RouteStation> stations;
    const Place& where = route_place_;
    for (std::size_t s = 0; s < route.size(); ++s) {
      const Segment& seg = route[s];
      const auto found = source_.lines.find(seg.line);
      if (found == source_.lines.end()) {
        Error(where, "train " + id_ + ": no line " + seg.line);
        return std::nullopt;
      }
      const Line& line = found->second;
      const auto index_of = [&](const std::string& name) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < line.stations.size(); ++i) {
          if (line.stations[i].name == name) return i;
        }
        return std::nullopt;
      };
      const auto from = index_of(seg.from);
      const auto to = index_of(seg.to);
      if (!from || !to || *from == *to) {
        Error(where, "train " + id_ + ": " + seg.from + " and " + seg.to +
                         " are two different stations of " + seg.line);
        return std::nullopt;
      }
      if (s > 0 && seg.from != route[s - 1].to) {
        Error(where, "train " + id_ + ": a segment starts where the previous one ended (" +
                         route[s - 1].to + ")");
        return std::nullopt;
      }
      const double kmh = speed             ? *speed
                         : line.high_speed ? info.high_speed_speed
                                           : info.conventional_speed;
      if (stations.empty()) stations.push_back({seg.from, 0, 0});
      const int step = *to > *from ? 1 : -1;
      for (std::size_t i = *from; i != *to;) {
        const std::size_t next = i + step;
        const int km = std::abs(line.stations[next].km - line.stations[i].km);
        const RouteStation& prev = stations.back();
        stations.push_back(
            {line.stations[next].name, prev.km + km, prev.minutes + km * 60.0 / kmh});
        i = next;
      }
    }
    return stations;
  }

  // Index of the k-th occurrence of ref's name in `names`, after position `after`.
  static std::optional<std::size_t> Find(const std::vector<std::string>& names,
                                         const StopRef& ref) {
    int seen = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == ref.name && ++seen == ref.occurrence) return i;
    }
    return std::nullopt;
  }

  std::optional<std::set<std::size_t>> StopPositions(const TrainSource& t,
                                                     const std::vector<std::string>& names) {
    std::set<std::size_t> stops;
    const std::size_t last = names.size() - 1;
    if (t.stop_mode == StopMode::kAll) {
      for (std::size_t i = 0; i <= last; ++i) stops.insert(i);
    } else if (t.stop_mode == StopMode::kEvery) {
      for (std::size_t i = 0; i <= last; i += t.every) stops.insert(i);
    } else {
      std::optional<std::size_t> previous;
      for (const StopRef& ref : t.stops) {
        const auto at = Find(names, ref);
        if (!at) {
          Error(ref.place, "train " + id_ + " does not pass " + ref.name);
          return std::nullopt;
        }
        if (previous && *at <= *previous) {
          Error(ref.place, "train " + id_ + ": stops are listed in route order (" + ref.name + ")");
          return std::nullopt;
        }
        previous = at;
        stops.insert(*at);
      }
    }
    stops.insert(0);
    stops.insert(last);
    for (const StopRef& ref : t.adds) {
      const auto at = Find(names, ref);
      if (!at) {
        Error(ref.place, "train " + id_ + " does not pass " + ref.name);
        return std::nullopt;
      }
      stops.insert(*at);
    }
    for (const StopRef& ref : t.skips) {
      const auto at = Find(names, ref);
      if (!at || *at == 0 || *at == last) {
        Error(ref.place, "train " + id_ + ": skip names an intermediate route station");
        return std::nullopt;
      }
      stops.erase(*at);
    }
    return stops;
  }

  bool RouteRows(const TrainSource& t, const ReturnWorking* working, const ClassInfo& info,
                 TrainRow& row, std::vector<int>& elapsed) {
    const auto outbound = Expand(t.route, info, t.speed);
    if (!outbound) return false;
    std::vector<std::string> names;
    for (const auto& s : *outbound) names.push_back(s.name);
    const auto positions = StopPositions(t, names);
    if (!positions) return false;
    std::vector<RouteStation> stations = *outbound;
    std::vector<std::size_t> stops(positions->begin(), positions->end());
    if (working) {
      std::vector<Segment> back;
      for (auto it = t.route.rbegin(); it != t.route.rend(); ++it) {
        back.push_back({it->line, it->to, it->from});
      }
      const auto reversed = Expand(back, info, t.speed);
      if (!reversed) return false;
      stations = *reversed;
      for (auto& p : stops) p = stations.size() - 1 - p;
      std::reverse(stops.begin(), stops.end());
    }
    const int dwell = t.dwell ? *t.dwell : info.dwell;
    std::map<std::size_t, int> dwell_at;  // by stop index
    if (!working) {
      std::vector<std::string> stop_names;
      for (auto p : stops) stop_names.push_back(stations[p].name);
      for (const auto& [ref, minutes] : t.dwell_at) {
        const auto at = Find(stop_names, ref);
        if (!at) {
          Error(ref.place, "train " + id_ + " does not stop at " + ref.name);
          return false;
        }
        dwell_at[*at] = minutes;
      }
    }
    const int departure = working ? working->departure : *t.departure;
    int dwell_sum = 0;
    for (std::size_t i = 0; i < stops.size(); ++i) {
      const RouteStation& s = stations[stops[i]];
      const int run = i == 0 ? 0 : RoundHalfUp(s.minutes) + dwell_sum;
      StopRow out;
      out.station = s.name;
      out.km = s.km;
      const bool first = i == 0;
      const bool last = i + 1 == stops.size();
      const int stand = first || last ? 0 : dwell_at.contains(i) ? dwell_at[i] : dwell;
      if (!first) out.arrival = Clock(departure + run);
      if (!last) out.departure = Clock(departure + run + stand);
      dwell_sum += stand;
      elapsed.push_back(run);
      row.stops.push_back(std::move(out));
    }
    return true;
  }

  bool Fares(const TrainSource& t, const ClassInfo& info, TrainRow& row) {
    const std::array<bool, 4> sells = t.sells ? *t.sells : info.sells;
    const int total = row.stops.back().km;
    if (t.ntype < 4) {
      if (sells[2]) {
        Error(place_, "train " + id_ + ": multiple-unit trains sell no hard sleeper");
        return false;
      }
      const double p1 = t.rate ? t.rate->first : info.rate_p1;
      const double p2 = t.rate ? t.rate->second : info.rate_p2;
      for (std::size_t i = 1; i < row.stops.size(); ++i) {
        const int km = row.stops[i].km;
        auto& fares = row.stops[i].fares;
        fares = {"-", "-", "-", "-"};
        if (sells[0]) fares[0] = std::to_string(RoundHalfUp(km * p1));
        if (sells[1]) fares[1] = std::to_string(RoundHalfUp(km * p2));
        if (sells[3]) {
          fares[3] = std::to_string(RoundHalfUp(km * p1 * kSoftSleeperUpper)) + "/" +
                     std::to_string(RoundHalfUp(km * p1 * kSoftSleeperLower));
        }
      }
      return true;
    }
    if (row.stops.size() < 2) return true;
    const bool aircon = t.aircon ? *t.aircon : info.aircon;
    const double factor = t.factor ? *t.factor : info.factor;
    const auto pricing = timetable::SettleTariffPricing(total, t.ntype, aircon, factor, sells);
    if (!pricing) {
      Error(place_, "train " + id_ +
                        ": its fares cannot be priced by the tariff rule "
                        "(sell hard seat, or change class or factor)");
      return false;
    }
    for (std::size_t i = 1; i < row.stops.size(); ++i) {
      const auto fares = timetable::TariffStandardFares(
          row.stops[i].km, t.ntype, pricing->airConditioned, pricing->factor, sells);
      std::copy(fares.begin(), fares.end(), row.stops[i].fares.begin());
    }
    return true;
  }

  bool ApplyStopOverrides(const TrainSource& t, TrainRow& row) {
    // field=value items of explicit stop rows, after the computed times and fares.
    for (std::size_t i = 0; i < t.explicit_stops.size(); ++i) {
      StopRow& stop = row.stops[i];
      for (const FieldValue& fv : t.explicit_stops[i].fields) {
        if (!SetField(fv, t.explicit_stops[i].place, stop.arrival, stop.departure, stop.rdate,
                      stop.km, stop.fares)) {
          return false;
        }
      }
    }
    std::vector<std::string> names;
    for (const auto& s : row.stops) names.push_back(s.station);
    for (const AtOverride& at : t.at) {
      const auto index = Find(names, at.stop);
      if (!index) {
        Error(at.stop.place, "train " + id_ + " does not stop at " + at.stop.name);
        return false;
      }
      StopRow& stop = row.stops[*index];
      for (const FieldValue& fv : at.fields) {
        if (!SetField(fv, at.stop.place, stop.arrival, stop.departure, stop.rdate, stop.km,
                      stop.fares)) {
          return false;
        }
      }
    }
    return true;
  }

  // A stop's distance counts from the first stop, so it cannot be less than the one before;
  // the row (or the override) that breaks this is reported.
  bool DistancesNeverFall(const TrainSource& t, const TrainRow& row) {
    for (std::size_t i = 1; i < row.stops.size(); ++i) {
      const StopRow& before = row.stops[i - 1];
      const StopRow& stop = row.stops[i];
      if (stop.km >= before.km) continue;
      Place place = i < t.explicit_stops.size() ? t.explicit_stops[i].place : place_;
      std::vector<std::string> names;
      for (std::size_t k = 0; k <= i; ++k) names.push_back(row.stops[k].station);
      for (const AtOverride& at : t.at) {
        const auto index = Find(names, at.stop);
        const bool sets_km = std::any_of(at.fields.begin(), at.fields.end(),
                                         [](const FieldValue& fv) { return fv.field == "km"; });
        if (sets_km && index && (*index == i || *index == i - 1)) place = at.stop.place;
      }
      Error(place, "train " + id_ + ": distances never decrease along a train (" + stop.station +
                       " " + std::to_string(stop.km) + " km after " + before.station + " " +
                       std::to_string(before.km) + " km)");
      return false;
    }
    return true;
  }

  // One override; times are HH:MM or "-", km a whole number, the rest taken as written.
  bool SetField(const FieldValue& fv, const Place& place, std::string& arrival,
                std::string& departure, std::string& rdate, int& km,
                std::array<std::string, 4>& fares) {
    if (fv.field == "arr" || fv.field == "dep") {
      if (fv.value != "-" && !ParseClock(fv.value)) {
        Error(place, "a time override is HH:MM or -: " + fv.value);
        return false;
      }
      (fv.field == "arr" ? arrival : departure) = fv.value == "-" ? "" : fv.value;
    } else if (fv.field == "km") {
      int value = 0;
      bool ok = !fv.value.empty() && fv.value.size() < 7;
      for (char c : fv.value) ok = ok && c >= '0' && c <= '9', value = value * 10 + (c - '0');
      if (!ok) {
        Error(place, "km is a whole number: " + fv.value);
        return false;
      }
      km = value;
    } else if (fv.field == "rdate") {
      rdate = fv.value;
    } else if (fv.field.size() == 2 && fv.field[0] == 'p') {
      fares[fv.field[1] - '1'] = fv.value;
    }
    return true;
  }

  // City-level name of a stop: its alias, else the name without a final 东/西/南/北 when it has
  // three characters or more and that is a station, else the name itself.
  std::string City(const std::string& name) const {
    if (const auto alias = source_.aliases.find(name); alias != source_.aliases.end()) {
      return alias->second;
    }
    static const char* const kDirections[] = {"东", "西", "南", "北"};
    if (name.size() >= 9) {
      for (const char* d : kDirections) {
        if (name.ends_with(d)) {
          const std::string city = name.substr(0, name.size() - 3);
          if (source_.station_index.contains(city)) return city;
        }
      }
    }
    return name;
  }

  void ListRecord(const TrainSource& t, bool own, TrainRow& row) {
    const StopRow& first = row.stops.front();
    const StopRow& last = row.stops.back();
    row.from = City(first.station);
    row.to = City(last.station);
    TakeListColumnsFromStops(row);
    if (!own) return;
    for (const FieldValue& fv : t.list) {
      if (fv.field == "from" || fv.field == "to") {
        if (!source_.station_index.contains(fv.value)) {
          Error(t.place, "train " + id_ + ": list " + fv.field + " is a station: " + fv.value);
          continue;
        }
        (fv.field == "from" ? row.from : row.to) = fv.value;
      } else {
        // KMList A_Time is the departure, D_Time the arrival.
        FieldValue mapped = fv;
        if (fv.field == "dep")
          mapped.field = "arr";
        else if (fv.field == "arr")
          mapped.field = "dep";
        SetField(mapped, t.place, row.departure, row.arrival, row.rdate, row.km, row.fares);
      }
    }
  }

  const Source& source_;
  Diagnostics& diagnostics_;
  Place place_;
  Place route_place_;  // where route errors are reported
  std::string id_;
};

}  // namespace

void TakeListColumnsFromStops(TrainRow& row) {
  const StopRow& first = row.stops.front();
  const StopRow& last = row.stops.back();
  row.departure = first.departure;
  row.arrival = last.arrival;
  row.rdate = last.rdate;
  row.km = last.km;
  row.fares = last.fares;
}

std::vector<std::uint8_t> StopDayOffsets(const std::vector<StopRow>& stops) {
  std::vector<std::uint8_t> days;
  days.reserve(2 * stops.size());
  if (stops.empty()) return days;
  const std::optional<int> origin =
      ParseClock(stops.front().departure.empty() ? stops.front().arrival : stops.front().departure);
  int day = 0;
  int previous = origin.value_or(0);
  // The day of one time of day (-1: none), walking forward.
  auto advance = [&](int clock) {
    if (clock < 0) return;
    if (clock < previous) ++day;
    previous = clock;
  };
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const StopRow& stop = stops[i];
    const std::optional<int> arrival = i == 0 ? std::nullopt : ParseClock(stop.arrival);
    const std::optional<int> departure = ParseClock(stop.departure);
    advance(arrival.value_or(-1));
    if (arrival && origin) {
      const int at = *origin + timetable::ElapsedToMinutes(stop.rdate);
      if (at % 1440 == *arrival) day = std::max(day, at / 1440);
    }
    const int arrival_day = day;
    advance(departure.value_or(-1));
    const int departure_day = departure ? day : arrival_day;
    days.push_back(static_cast<std::uint8_t>(std::min(arrival ? arrival_day : departure_day, 9)));
    days.push_back(static_cast<std::uint8_t>(std::min(departure_day, 9)));
  }
  return days;
}

std::string FormatElapsed(int minutes) {
  if (minutes < 60) return std::to_string(minutes);
  const int h = minutes / 60;
  const int m = minutes % 60;
  return std::to_string(h) + ":" + (m == 0 ? std::string() : std::to_string(m));
}

std::vector<TrainRow> BuildTrains(const Source& source, Diagnostics& diagnostics) {
  std::vector<Job> jobs;
  std::map<std::string, Place> ids;
  for (const TrainSource& t : source.trains) {
    auto claim = [&](const std::string& id, const Place& place) {
      const auto [it, fresh] = ids.emplace(id, place);
      if (!fresh) {
        diagnostics.Error(place.file, place.line,
                          "train number " + id + " already used at " + it->second.file + ":" +
                              std::to_string(it->second.line));
      }
      return fresh;
    };
    if (t.ntype == 0) continue;
    if (claim(t.id, t.place)) jobs.push_back({&t, nullptr});
    for (const ReturnWorking& w : t.returns) {
      if (claim(w.id, w.place)) jobs.push_back({&t, &w});
    }
  }
  TrainBuilder builder(source, diagnostics);
  std::vector<TrainRow> rows;
  rows.reserve(jobs.size());
  for (const Job& job : jobs) {
    if (auto row = builder.Build(job)) rows.push_back(std::move(*row));
  }
  std::sort(rows.begin(), rows.end(),
            [](const TrainRow& a, const TrainRow& b) { return a.id < b.id; });
  // Every station of the initials table is called at by some train.
  std::set<std::string> called;
  for (const auto& row : rows) {
    for (const auto& stop : row.stops) called.insert(stop.station);
  }
  for (const Station& station : source.stations) {
    if (!called.contains(station.name)) {
      diagnostics.Error(station.place.file, station.place.line,
                        "no train calls at " + station.name);
    }
  }
  return rows;
}

}  // namespace lanzhou::timetable_build
