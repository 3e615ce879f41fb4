#include "import/crawl_import.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "data/calendar.h"
#include "import/city_groups.h"
#include "import/source.h"
#include "import/station_list.h"
#include "import/table_writer.h"
#include "import/train_builder.h"
#include "text/gbk.h"

namespace lanzhou::import {
namespace {

namespace build = lanzhou::timetable_build;

std::string Clock(int minutes) {
  const int m = minutes % 1440;
  const char text[] = {
      static_cast<char>('0' + m / 600),     static_cast<char>('0' + m / 60 % 10), ':',
      static_cast<char>('0' + m % 60 / 10), static_cast<char>('0' + m % 10),      '\0'};
  return text;
}

bool IsTelegraphCode(std::string_view s) {
  return s.size() == 3 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

constexpr std::array<std::string_view, 4> kDirections{"东", "西", "南", "北"};

}  // namespace

int CrawlTrainClass(std::string_view train_id) {
  if (train_id.empty()) return 8;
  const char first = train_id.front();
  if (first >= '0' && first <= '9') {
    long number = 0;
    for (char c : train_id) {
      if (c < '0' || c > '9' || number >= 6000) break;  // more digits only say "not under 6000"
      number = number * 10 + (c - '0');
    }
    return number < 6000 ? 8 : 11;
  }
  switch (first) {
    case 'D':
      return 1;
    case 'G':
      return 2;
    case 'C':
      return 3;
    case 'Z':
      return 4;
    case 'T':
    case 'Y':
      return 5;
    case 'K':
      return 6;
    case 'S':
      return 10;
    default:
      return 8;
  }
}

CrawlImport ImportCrawl(const CrawlImportInput& input) {
  CrawlImport out;
  const CrawlTimetable crawl = ParseCrawlTimetable(input.timetable, input.timetable_name);
  const StationList list(input.stations, input.stations_name);
  auto fail = [&](int line, const std::string& rule) {
    throw ImportError(std::string(input.timetable_name) + ":" + std::to_string(line) + ": " + rule);
  };
  out.versions = static_cast<long>(crawl.trains.size());

  // Running days, read once per distinct text; an unreadable text leaves its versions out.
  std::unordered_map<std::string, std::optional<RunningDays>> readings;
  auto reading = [&](const CrawlTrain& t) -> const RunningDays* {
    auto [it, fresh] = readings.try_emplace(t.running_days);
    if (fresh) {
      try {
        it->second.emplace(t.running_days);
      } catch (const RunningDaysError&) {
      }
    }
    return it->second ? &*it->second : nullptr;
  };
  std::chrono::sys_days last = input.epoch;
  for (const CrawlTrain& t : crawl.trains) {
    if (const RunningDays* r = reading(t)) {
      if (const auto named = r->LastNamedDay(); named && *named > last) last = *named;
    }
  }
  const auto days = (last - input.epoch).count() + 1;
  out.period = {input.epoch, static_cast<int>(std::min<long long>(days, data::kMaxPeriodDays))};
  // The day set of each distinct text over the period.
  std::unordered_map<std::string, data::DaySet> day_sets;
  auto days_of = [&](const CrawlTrain& t, const RunningDays& r) -> const data::DaySet& {
    auto [it, fresh] = day_sets.try_emplace(t.running_days);
    if (fresh) {
      for (int d = 0; d < out.period.days; ++d) {
        if (r.RunsOn(out.period.first + std::chrono::days{d}, input.epoch)) {
          it->second.set(static_cast<std::size_t>(d));
        }
      }
    }
    return it->second;
  };

  // The versions taken, with their days. One day: one version per train number, a dated version
  // before an every-day one (it stands in for it on its dates), otherwise the first in the
  // file. The whole period: every version, a dated one taking its days from an every-day one of
  // the same number.
  struct Taken {
    const CrawlTrain* train;
    data::DaySet days;
  };
  std::vector<Taken> chosen;
  std::unordered_map<std::string, std::size_t> by_code;
  for (const CrawlTrain& t : crawl.trains) {
    const RunningDays* r = reading(t);
    if (r == nullptr) {
      ++out.unreadable_days;
      try {
        (void)RunningDays(t.running_days);
      } catch (const RunningDaysError& e) {
        out.warnings.push_back(std::string(input.timetable_name) + ":" + std::to_string(t.line) +
                               ": " + e.what() + "; " + t.code + " (" + t.train_no +
                               ") left out");
      }
      continue;
    }
    const data::DaySet& set = days_of(t, *r);
    if (input.day ? !r->RunsOn(*input.day, input.epoch) : set.none()) continue;
    ++out.running;
    if (crawl.blocks[t.stops].empty()) {
      ++out.unusable;
      continue;
    }
    if (!input.day) {
      chosen.push_back({&t, set});
      continue;
    }
    const auto [it, fresh] = by_code.try_emplace(t.code, chosen.size());
    if (fresh) {
      chosen.push_back({&t, set});
    } else {
      ++out.doubled;
      if (chosen[it->second].train->running_days.empty() && !t.running_days.empty()) {
        chosen[it->second] = {&t, set};
      }
    }
  }
  if (!input.day) {
    // Dated versions first, each number's days handed out once.
    std::unordered_map<std::string, data::DaySet> taken;
    for (const bool dated : {true, false}) {
      for (Taken& c : chosen) {
        if (c.train->running_days.empty() == dated) continue;
        data::DaySet& used = taken[c.train->code];
        if ((c.days & used).any()) ++out.doubled;
        c.days &= ~used;
        used |= c.days;
      }
    }
  }

  // Rows, stations in order of first use. Versions of one ID after the first take "#2", "#3" ….
  std::vector<build::TrainRow> rows;
  std::vector<const data::DaySet*> row_days;
  rows.reserve(chosen.size());
  std::vector<std::string> served;
  std::unordered_set<std::string> seen_station;
  std::unordered_map<std::string, int> seen_id;
  for (const Taken& c : chosen) {
    const CrawlTrain* t = c.train;
    build::TrainRow row;
    row.id = TrainId(t->train_no, t->code);
    const int n = ++seen_id[row.id];
    if (n > 1) {
      if (input.day) {
        ++out.doubled;
        continue;
      }
      row.id += "#" + std::to_string(n);
    }
    row.ntype = CrawlTrainClass(row.id);
    const std::vector<CrawlStop>& stops = crawl.blocks[t->stops];
    const int start = stops.front().departure;
    row.stops.reserve(stops.size());
    for (std::size_t i = 0; i < stops.size(); ++i) {
      const CrawlStop& s = stops[i];
      build::StopRow stop;
      if (IsTelegraphCode(s.station)) {
        const std::string* name = list.NameOfCode(s.station);
        if (name == nullptr)
          fail(s.line, "telegraph code " + s.station + " is not in the station list");
        stop.station = *name;
      } else {
        stop.station = s.station;
      }
      if (!IsStationName(stop.station)) fail(s.line, "not a station name: " + stop.station);
      if (s.arrival >= 0) stop.arrival = Clock(s.arrival);
      if (s.departure >= 0) stop.departure = Clock(s.departure);
      stop.rdate = build::FormatElapsed((s.arrival >= 0 ? s.arrival : s.departure) - start);
      if (i > 0) stop.fares = {"-", "-", "-", "-"};
      if (seen_station.insert(stop.station).second) served.push_back(stop.station);
      row.stops.push_back(std::move(stop));
    }
    rows.push_back(std::move(row));
    row_days.push_back(&c.days);
  }
  // Refused once every line has been read, so that a broken line is named first; a crawl with
  // no train has no period, and is refused as empty instead.
  if (input.day && out.versions > 0 && !out.period.Contains(*input.day)) {
    throw OutsidePeriodError(data::IsoDateText(*input.day) + " is outside the timetable's period " +
                             out.period.Text());
  }
  if (!input.day) {
    data::Calendar calendar(out.period);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      calendar.Add(rows[i].id, *row_days[i], build::StopDayOffsets(rows[i].stops));
    }
    out.texts.calendar = calendar.Text();
  }

  // Groups, and the typeable names: the stations and every group's city-level name.
  const std::vector<CityGroup> groups =
      BuildCityGroups(input.groups, input.groups_name, served, list);
  std::vector<std::string> names = served;
  std::unordered_set<std::string> is_name(served.begin(), served.end());
  std::unordered_map<std::string, const CityGroup*> group_of;
  for (const CityGroup& g : groups) {
    if (is_name.insert(g.city).second) names.push_back(g.city);
    for (const std::string& n : g.names) group_of.emplace(n, &g);
    out.placed += g.placed;
  }

  // City-level name of an origin or terminus: the group's city-level name when the station's
  // name begins with it (上海虹桥 -> 上海), else the name less a final direction when that is a
  // station (邯郸东 -> 邯郸), else the station itself.
  auto city_level = [&](const std::string& station) -> std::string {
    if (const auto g = group_of.find(station); g != group_of.end()) {
      const std::string& city = g->second->city;
      if (station.size() > city.size() && station.starts_with(city)) return city;
    }
    if (Utf8Characters(station).size() >= 3) {
      for (std::string_view d : kDirections) {
        if (station.ends_with(d)) {
          std::string stem = station.substr(0, station.size() - d.size());
          if (is_name.contains(stem)) return stem;
        }
      }
    }
    return station;
  };
  for (build::TrainRow& row : rows) {
    row.from = city_level(row.stops.front().station);
    row.to = city_level(row.stops.back().station);
    build::TakeListColumnsFromStops(row);  // the crawl has no distances: km stays 0
    out.stops += static_cast<long>(row.stops.size());
  }
  std::sort(rows.begin(), rows.end(),
            [](const build::TrainRow& a, const build::TrainRow& b) { return a.id < b.id; });

  // KMPy: by first initial (the writer's order), within a letter in the station list's order,
  // then the stations it does not have, in order of first use.
  build::Source source;
  {
    struct Keyed {
      int row;
      std::size_t use;
      const std::string* name;
    };
    std::vector<Keyed> keyed;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const int r = list.RowOf(names[i]);
      keyed.push_back({r < 0 ? std::numeric_limits<int>::max() : r, i, &names[i]});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
      return a.row != b.row ? a.row < b.row : a.use < b.use;
    });
    for (const Keyed& k : keyed) {
      build::Station s;
      s.name = *k.name;
      try {
        s.initials = list.Initials(*k.name);
      } catch (const ImportError& e) {
        // Found by its name only; one station never fails the import.
        out.warnings.push_back(std::string(input.stations_name) + ": " + e.what() +
                               "; the station is found by its name only");
      }
      source.stations.push_back(std::move(s));
    }
  }
  int number = 0;
  for (const CityGroup& g : groups) source.groups.push_back({++number, g.names, {}});

  out.texts.strain = build::StrainText(rows);
  out.texts.slist = build::SlistText(rows);
  out.texts.sm = build::SmText(source);
  out.texts.spy = build::SpyText(source, rows);
  out.trains = static_cast<long>(rows.size());
  out.stations = static_cast<long>(served.size());
  out.names = static_cast<long>(names.size());
  out.groups = static_cast<long>(groups.size());
  return out;
}

}  // namespace lanzhou::import
