#include "diagram/diagram.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "timetable/train_class.h"

namespace lanzhou::diagram {
namespace {

constexpr std::int32_t kDay = 1440;

std::vector<std::uint8_t> StationFlags(const journey::Network& network,
                                       const std::vector<std::string>& names) {
  std::vector<std::uint8_t> flags(static_cast<std::size_t>(network.StationCount()), 0);
  for (const std::string& name : names) {
    if (const auto s = network.StationNumber(name)) flags[static_cast<std::size_t>(*s)] = 1;
  }
  return flags;
}

// Trains calling at any of the stations flagged, in network (train-number) order.
std::vector<std::int32_t> TrainsAt(const journey::Network& network,
                                   const std::vector<std::int32_t>& stations) {
  std::vector<std::uint8_t> seen(static_cast<std::size_t>(network.TrainCount()), 0);
  std::vector<std::int32_t> trains;
  for (const std::int32_t s : stations) {
    const auto b = static_cast<std::size_t>(network.visit_begin[static_cast<std::size_t>(s)]);
    const auto e = static_cast<std::size_t>(network.visit_begin[static_cast<std::size_t>(s) + 1]);
    for (std::size_t v = b; v < e; ++v) {
      const std::int32_t t = network.visits[v].train;
      if (!seen[static_cast<std::size_t>(t)]) {
        seen[static_cast<std::size_t>(t)] = 1;
        trains.push_back(t);
      }
    }
  }
  std::sort(trains.begin(), trains.end());
  return trains;
}

const journey::NetStop& StopAt(const journey::Network& network, std::int32_t i) {
  return network.stops[static_cast<std::size_t>(i)];
}

std::int32_t StopBegin(const journey::Network& network, std::int32_t t) {
  return network.train_stop_begin[static_cast<std::size_t>(t)];
}
std::int32_t StopEnd(const journey::Network& network, std::int32_t t) {
  return network.train_stop_begin[static_cast<std::size_t>(t) + 1];
}

// Row of each network station, -1 off the line.
std::vector<std::int32_t> RowOfStation(const journey::Network& network, const Line& line) {
  std::vector<std::int32_t> row(static_cast<std::size_t>(network.StationCount()), -1);
  for (std::size_t r = 0; r < line.rows.size(); ++r) {
    row[static_cast<std::size_t>(line.rows[r].station_number)] = static_cast<std::int32_t>(r);
  }
  return row;
}

// Positions by the shortest running time between neighbouring rows over every train that runs
// between them without a stop between.
void SpaceByRunningTime(const journey::Network& network, const std::vector<double>& reference,
                        Line& line) {
  const std::vector<std::int32_t> row_of = RowOfStation(network, line);
  const std::size_t n = line.rows.size();
  std::vector<std::int32_t> shortest(n, std::numeric_limits<std::int32_t>::max());
  for (std::size_t r = 0; r < n; ++r) {
    const auto s = static_cast<std::size_t>(line.rows[r].station_number);
    for (auto v = network.visit_begin[s]; v < network.visit_begin[s + 1]; ++v) {
      const journey::NetCall& call = network.visits[static_cast<std::size_t>(v)];
      if (call.stop + 1 >= StopEnd(network, call.train)) continue;
      const std::int32_t next =
          row_of[static_cast<std::size_t>(StopAt(network, call.stop + 1).station)];
      // -1: the next stop is off the line (and would pass for the row before the first).
      if (next < 0) continue;
      if (next != static_cast<std::int32_t>(r) + 1 && next != static_cast<std::int32_t>(r) - 1) {
        continue;
      }
      const auto low = static_cast<std::size_t>(std::min<std::int32_t>(next, static_cast<std::int32_t>(r)));
      const std::int32_t run =
          StopAt(network, call.stop + 1).arrive - StopAt(network, call.stop).depart;
      shortest[low] = std::min(shortest[low], run);
    }
  }
  double position = 0;
  for (std::size_t r = 0; r + 1 < n; ++r) {
    std::int32_t run = shortest[r];
    // Rows next to each other that no train runs between directly (a station the line train
    // calls at twice was left out): the line train's own time between them.
    if (run == std::numeric_limits<std::int32_t>::max()) {
      run = static_cast<std::int32_t>(std::lround(std::abs(reference[r + 1] - reference[r])));
    }
    line.rows[r].position = position;
    // A zero-minute run would put two stations on one row.
    position += std::max(run, 1);
  }
  line.rows[n - 1].position = position;
  line.spacing = Spacing::ShortestRunningTime;
}

// Stations other trains call at between two neighbouring rows (a row, up to three stops off
// the line, the next row) join the line there, in the order of their share of the way, so that
// a train stopping where the line train passes is not cut into pieces. Repeated until nothing
// joins, as a joined station may reveal more.
void AddStationsBetween(const journey::Network& network, bool by_km, Line& line,
                        std::vector<double>& reference) {
  constexpr int kMaxOffLine = 3;
  constexpr int kMaxRounds = 4;
  for (int round = 0; round < kMaxRounds; ++round) {
    const std::vector<std::int32_t> row_of = RowOfStation(network, line);
    std::vector<std::int32_t> row_stations;
    for (const Row& row : line.rows) row_stations.push_back(row.station_number);
    struct Joining {
      std::int32_t gap = -1;  // between row gap and gap + 1
      double share_sum = 0;
      int count = 0;
    };
    std::unordered_map<std::int32_t, Joining> joining;
    for (const std::int32_t t : TrainsAt(network, row_stations)) {
      const std::int32_t e = StopEnd(network, t);
      for (std::int32_t i = StopBegin(network, t); i < e; ++i) {
        const std::int32_t from_row = row_of[static_cast<std::size_t>(StopAt(network, i).station)];
        if (from_row < 0) continue;
        std::int32_t k = i + 1;
        while (k < e && k - i <= kMaxOffLine &&
               row_of[static_cast<std::size_t>(StopAt(network, k).station)] < 0) {
          ++k;
        }
        if (k >= e || k == i + 1) continue;
        const std::int32_t to_row = row_of[static_cast<std::size_t>(StopAt(network, k).station)];
        if (to_row < 0 || std::abs(to_row - from_row) != 1) continue;
        const journey::NetStop& a = StopAt(network, i);
        const journey::NetStop& b = StopAt(network, k);
        for (std::int32_t m = i + 1; m < k; ++m) {
          const journey::NetStop& x = StopAt(network, m);
          double share = 0.5;
          if (by_km && a.distance < x.distance && x.distance < b.distance) {
            share = static_cast<double>(x.distance - a.distance) / (b.distance - a.distance);
          } else if (b.arrive > a.depart) {
            share = std::clamp(static_cast<double>(x.arrive - a.depart) / (b.arrive - a.depart),
                               0.01, 0.99);
          }
          if (to_row < from_row) share = 1 - share;
          Joining& j = joining[x.station];
          if (j.gap < 0) j.gap = std::min(from_row, to_row);
          // A station seen between other rows too keeps its first place.
          if (j.gap != std::min(from_row, to_row)) continue;
          j.share_sum += share;
          ++j.count;
        }
      }
    }
    if (joining.empty()) return;
    std::vector<std::vector<std::pair<double, std::int32_t>>> gaps(line.rows.size());
    for (const auto& [station, j] : joining) {
      gaps[static_cast<std::size_t>(j.gap)].emplace_back(j.share_sum / j.count, station);
    }
    std::vector<Row> rows;
    std::vector<double> references;
    for (std::size_t r = 0; r < line.rows.size(); ++r) {
      rows.push_back(line.rows[r]);
      references.push_back(reference[r]);
      std::sort(gaps[r].begin(), gaps[r].end());
      for (const auto& [gap_share, station] : gaps[r]) {
        // A copy: a lambda may not capture a structured binding before C++20 compilers caught up.
        const double share = gap_share;
        const auto at = [share](double lo, double hi) { return lo + share * (hi - lo); };
        rows.push_back({network.station_names[static_cast<std::size_t>(station)], station,
                        at(line.rows[r].position, line.rows[r + 1].position)});
        references.push_back(at(reference[r], reference[r + 1]));
      }
    }
    line.rows = std::move(rows);
    reference = std::move(references);
  }
}

// The part of a polyline with non-decreasing minutes that lies within [lo, hi].
std::vector<Point> Clip(const std::vector<Point>& points, double lo, double hi) {
  std::vector<Point> out;
  if (points.empty() || points.back().minute < lo || points.front().minute > hi) return out;
  const auto at = [](const Point& p, const Point& q, double minute) {
    const double dx = q.minute - p.minute;
    const double f = dx > 0 ? (minute - p.minute) / dx : 1.0;
    return Point{minute, p.position + f * (q.position - p.position)};
  };
  for (std::size_t k = 0; k < points.size(); ++k) {
    const Point& p = points[k];
    if (p.minute < lo) continue;
    if (out.empty() && k > 0 && points[k - 1].minute < lo) out.push_back(at(points[k - 1], p, lo));
    if (p.minute > hi) {
      if (k > 0) out.push_back(at(points[k - 1], p, hi));
      break;
    }
    out.push_back(p);
  }
  // A segment from before the window to after it.
  if (out.size() == 1 && out.front().minute == lo && points.back().minute > hi) {
    for (std::size_t k = 1; k < points.size(); ++k) {
      if (points[k].minute > hi) {
        out.push_back(at(points[k - 1], points[k], hi));
        break;
      }
    }
  }
  if (out.size() < 2 || out.front() == out.back()) out.clear();
  return out;
}

// A train's pieces along the line in its own minutes (from 00:00 of its first day).
std::vector<Piece> PiecesOf(const journey::Network& network, std::int32_t t,
                            const std::vector<std::int32_t>& row_of, const Line& line) {
  std::vector<Piece> pieces;
  const std::int32_t b = StopBegin(network, t), e = StopEnd(network, t);
  const auto row = [&](std::int32_t i) {
    return row_of[static_cast<std::size_t>(StopAt(network, i).station)];
  };
  const auto last_row = static_cast<std::int32_t>(line.rows.size()) - 1;
  std::int32_t i = b;
  while (i < e) {
    if (row(i) < 0) {
      ++i;
      continue;
    }
    std::int32_t j = i, dir = 0;
    while (j + 1 < e && row(j + 1) >= 0) {
      const std::int32_t d = row(j + 1) - row(j);
      if (d == 0) break;
      const std::int32_t s = d > 0 ? 1 : -1;
      if (dir != 0 && s != dir) break;
      dir = s;
      ++j;
    }
    if (j == i) {
      ++i;
      continue;
    }
    Piece piece;
    for (std::int32_t k = i; k <= j; ++k) {
      const journey::NetStop& stop = StopAt(network, k);
      const double position = line.rows[static_cast<std::size_t>(row(k))].position;
      piece.calls.push_back({row(k), stop.arrive, stop.depart, k});
      piece.points.push_back({static_cast<double>(stop.arrive), position});
      if (stop.depart > stop.arrive) piece.points.push_back({static_cast<double>(stop.depart), position});
    }
    const std::int32_t entry_end = dir > 0 ? 0 : last_row;
    const std::int32_t exit_end = dir > 0 ? last_row : 0;
    piece.from_beyond = i > b && row(i - 1) < 0 && row(i) == entry_end;
    piece.to_beyond = j + 1 < e && row(j + 1) < 0 && row(j) == exit_end;
    pieces.push_back(std::move(piece));
    // A train turning back at a line station starts its next piece there.
    i = (j + 1 < e && row(j + 1) >= 0) ? j : j + 1;
  }
  return pieces;
}

}  // namespace

namespace {

std::optional<Line> ChooseLineAmong(const journey::Network& network,
                                    const std::vector<std::string>& from,
                                    const std::vector<std::string>& to) {
  const std::vector<std::uint8_t> is_from = StationFlags(network, from);
  const std::vector<std::uint8_t> is_to = StationFlags(network, to);
  std::vector<std::int32_t> from_stations;
  for (std::size_t s = 0; s < is_from.size(); ++s) {
    if (is_from[s]) from_stations.push_back(static_cast<std::int32_t>(s));
  }
  // The best train and its A and B stops.
  std::int32_t best_train = -1, best_a = 0, best_b = 0, best_span = 0;
  for (const std::int32_t t : TrainsAt(network, from_stations)) {
    constexpr std::int32_t kNone = -1;
    std::int32_t first_a = kNone, last_a = kNone, first_b = kNone, last_b = kNone;
    for (std::int32_t i = StopBegin(network, t); i < StopEnd(network, t); ++i) {
      const auto s = static_cast<std::size_t>(StopAt(network, i).station);
      if (is_from[s]) {
        if (first_a == kNone) first_a = i;
        last_a = i;
      }
      if (is_to[s]) {
        if (first_b == kNone) first_b = i;
        last_b = i;
      }
    }
    if (first_a == kNone || first_b == kNone) continue;
    // Trains come in number order: only a longer span replaces the one in hand.
    if (last_b - first_a > best_span) {
      best_train = t, best_a = first_a, best_b = last_b, best_span = last_b - first_a;
    }
    if (last_a - first_b > best_span) {
      best_train = t, best_a = last_a, best_b = first_b, best_span = last_a - first_b;
    }
  }
  if (best_train < 0) return std::nullopt;

  Line line;
  line.line_train = best_train;
  std::vector<double> reference;  // minutes along the line train, for rows no train links
  std::vector<std::uint8_t> taken(static_cast<std::size_t>(network.StationCount()), 0);
  const std::int32_t step = best_b > best_a ? 1 : -1;
  const journey::NetStop& first = StopAt(network, best_a);
  bool by_km = true;
  for (std::int32_t i = best_a;; i += step) {
    const journey::NetStop& stop = StopAt(network, i);
    // A station the train calls at twice is one row, at its first call.
    if (!taken[static_cast<std::size_t>(stop.station)]) {
      taken[static_cast<std::size_t>(stop.station)] = 1;
      const double km = std::abs(stop.distance - first.distance);
      if (!line.rows.empty() && km <= line.rows.back().position) by_km = false;
      line.rows.push_back({network.station_names[static_cast<std::size_t>(stop.station)],
                           stop.station, km});
      reference.push_back(std::abs(stop.arrive - first.arrive));
    }
    if (i == best_b) break;
  }
  AddStationsBetween(network, by_km, line, reference);
  line.station_total = static_cast<std::int32_t>(line.rows.size());
  if (line.rows.size() > static_cast<std::size_t>(kMaxStations)) {
    line.rows.resize(kMaxStations);
    reference.resize(kMaxStations);
  }
  if (!by_km) SpaceByRunningTime(network, reference, line);
  return line;
}

}  // namespace

std::optional<Line> ChooseLine(const journey::Network& network,
                               const std::vector<std::string>& from,
                               const std::vector<std::string>& to,
                               std::string_view from_name, std::string_view to_name) {
  // The typed stations themselves first: 北京南 to 上海虹桥 is the high-speed line, not the
  // slowest train between any stations of the two cities.
  if (!from_name.empty() && !to_name.empty()) {
    if (auto line = ChooseLineAmong(network, {std::string(from_name)}, {std::string(to_name)})) {
      return line;
    }
  }
  return ChooseLineAmong(network, from, to);
}

void SetDay(Request& request, const journey::Network& network, data::Date day) {
  request.date = day;
  request.runs_on = nullptr;
  const data::Calendar* calendar = network.calendar;
  if (calendar == nullptr || !calendar->KnowsRunningDays()) return;
  request.runs_on = [&network, calendar, day](std::int32_t train, std::int32_t days_before) {
    return calendar->CallsOn(network.train_version[static_cast<std::size_t>(train)], days_before,
                             day);
  };
}

std::optional<Diagram> BuildDiagram(const journey::Network& network, const Request& request) {
  std::optional<Line> line =
      ChooseLine(network, request.from, request.to, request.from_name, request.to_name);
  if (!line) return std::nullopt;
  Diagram diagram;
  diagram.line = std::move(*line);
  if (request.date) diagram.day = data::IsoDateText(*request.date);
  diagram.after = std::clamp(request.after, 0, kDay - 1);
  diagram.before = request.before;
  if (diagram.before <= diagram.after) diagram.before += kDay;
  diagram.before = std::min(diagram.before, diagram.after + kDay);
  if (diagram.line.spacing == Spacing::ShortestRunningTime) diagram.axis_note = kShortestRunningNote;
  if (diagram.line.station_total > kMaxStations) {
    diagram.notes.push_back("线路共 " + std::to_string(diagram.line.station_total) +
                            " 站，只画出从发站起的前 " + std::to_string(kMaxStations) + " 站。");
  }

  const std::vector<std::int32_t> row_of = RowOfStation(network, diagram.line);
  std::vector<std::int32_t> row_stations;
  for (const Row& row : diagram.line.rows) row_stations.push_back(row.station_number);
  const double lo = diagram.after, hi = diagram.before;
  for (const std::int32_t t : TrainsAt(network, row_stations)) {
    const std::string_view id = network.train_ids[static_cast<std::size_t>(t)];
    const TrainClass cls = ClassOf(id);
    if (!Has(request.classes, cls)) continue;
    const std::vector<Piece> pieces = PiecesOf(network, t, row_of, diagram.line);
    if (pieces.empty()) continue;
    const std::int32_t first = pieces.front().calls.front().arrive;
    const std::int32_t last = pieces.back().calls.back().depart;
    // Every service day whose run of this train touches the window.
    for (std::int32_t days = -1; days <= last / kDay + 1; ++days) {
      const std::int32_t shift = -days * kDay;
      if (last + shift < lo || first + shift > hi) continue;
      if (request.runs_on && !request.runs_on(t, days)) continue;
      DrawnTrain drawn;
      drawn.train = t;
      drawn.id = id;
      drawn.number = timetable::TrainNumberOfId(id);
      drawn.train_class = cls;
      drawn.days_before = days;
      drawn.down = pieces.front().calls.back().row > pieces.front().calls.front().row;
      for (const Piece& piece : pieces) {
        Piece shifted = piece;
        for (Point& p : shifted.points) p.minute += shift;
        for (Call& c : shifted.calls) c.arrive += shift, c.depart += shift;
        shifted.points = Clip(shifted.points, lo, hi);
        if (shifted.points.empty()) continue;
        // The ends count as reaching beyond only where the piece is not cut by the window.
        if (shifted.points.front().minute == lo && piece.points.front().minute + shift < lo) {
          shifted.from_beyond = false;
        }
        if (shifted.points.back().minute == hi && piece.points.back().minute + shift > hi) {
          shifted.to_beyond = false;
        }
        drawn.pieces.push_back(std::move(shifted));
      }
      if (!drawn.pieces.empty()) diagram.trains.push_back(std::move(drawn));
    }
  }
  std::stable_sort(diagram.trains.begin(), diagram.trains.end(),
                   [](const DrawnTrain& a, const DrawnTrain& b) {
                     return a.pieces.front().points.front().minute <
                            b.pieces.front().points.front().minute;
                   });
  if (diagram.trains.size() > static_cast<std::size_t>(kMaxTrains)) {
    diagram.notes.push_back("共 " + std::to_string(diagram.trains.size()) + " 列车，只画出最早的 " +
                            std::to_string(kMaxTrains) + " 列；请缩短时段或选择车种。");
    diagram.trains.resize(kMaxTrains);
  }
  return diagram;
}

}  // namespace lanzhou::diagram
