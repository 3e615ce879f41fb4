#pragma once
// Timetables for the journey tests, written as trains with absolute minutes (day 0 starts at
// 0, so 2940 is 01:00 on day 2) and turned into the three table texts the planner reads.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "journey/journey.h"
#include "query/query_test_tables.h"

namespace lanzhou::journey::test {

struct SpecStop {
  std::string station;
  std::int32_t arrive = -1;  // absolute minutes; -1 at the first stop
  std::int32_t depart = -1;  // absolute minutes; -1 at the last stop
  std::int32_t distance = 0;
  std::string fare = "";     // hard-seat fare from the first station ("" at the first stop)
};

struct SpecTrain {
  std::string id;
  std::vector<SpecStop> stops;
  std::int32_t ntype = 6;
};

struct SpecTimetable {
  std::vector<SpecTrain> trains;
  std::vector<std::pair<std::string, int>> groups = {};  // station, group number
};

inline std::string Clock(std::int32_t minutes) {
  const std::int32_t m = ((minutes % 1440) + 1440) % 1440;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", m / 60, m % 60);
  return text;
}

// Elapsed time as the timetable writes it: "18", "1:7", "23:".
inline std::string Elapsed(std::int32_t minutes) {
  if (minutes < 60) return std::to_string(minutes);
  const std::int32_t h = minutes / 60, m = minutes % 60;
  return std::to_string(h) + ":" + (m == 0 ? "" : std::to_string(m));
}

inline std::string Quoted(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& f : fields) line += "\"" + f + "\",";
  return line + "\n";
}

struct SpecTexts {
  std::string stops, trains, groups;
};

inline SpecTexts TableTexts(const SpecTimetable& timetable) {
  SpecTexts texts;
  for (const SpecTrain& t : timetable.trains) {
    const std::int32_t base = t.stops.front().depart;
    for (std::size_t i = 0; i < t.stops.size(); ++i) {
      const SpecStop& s = t.stops[i];
      const std::string a = i == 0 ? "" : Clock(s.arrive);
      const std::string d = i + 1 == t.stops.size() ? "" : Clock(s.depart);
      const std::string elapsed = i == 0 ? "0" : Elapsed(s.arrive - base);
      texts.stops += Quoted({t.id, s.station, std::to_string(i + 1), a, d, elapsed,
                             std::to_string(s.distance), s.fare, "-", "-", "-"});
    }
    const SpecStop& last = t.stops.back();
    texts.trains += Quoted({t.id, std::to_string(t.ntype), t.stops.front().station, last.station,
                            Clock(base), Clock(last.arrive), Elapsed(last.arrive - base),
                            std::to_string(last.distance), last.fare, "-", "-", "-"});
  }
  for (const auto& [station, group] : timetable.groups) {
    texts.groups += Quoted({station, std::to_string(group)});
  }
  return texts;
}

// The tables of a timetable, loaded, and the network built from them.
struct SpecTables {
  explicit SpecTables(const SpecTimetable& timetable)
      : texts(TableTexts(timetable)), tables(texts.stops, texts.trains, texts.groups) {
    auto built = BuildNetwork(tables.store);
    if (built) network = std::move(*built);
  }
  SpecTexts texts;
  query::Tables tables;
  Network network;
};

// One journey as a line: departure, arrival with its day, changes, then each leg.
inline std::string JourneyLine(const Journey& j) {
  const auto at = [](std::int32_t m) {
    const std::int32_t day = DayOf(m);
    return ClockText(m) + (day > 0 ? "+" + std::to_string(day) : "");
  };
  std::string line = at(j.Depart()) + " " + at(j.Arrive()) + " " + std::to_string(j.Changes());
  for (const Leg& leg : j.legs) {
    line += " |";
    if (leg.wait > 0 || &leg != &j.legs.front()) line += " wait " + std::to_string(leg.wait);
    if (leg.station_change) line += " city";
    line += " " + leg.train_id + " " + leg.from + " " + at(leg.depart) + " " + leg.to + " " +
            at(leg.arrive);
  }
  return line;
}

inline std::vector<std::string> JourneyLines(const std::vector<Journey>& journeys) {
  std::vector<std::string> lines;
  for (const Journey& j : journeys) lines.push_back(JourneyLine(j));
  return lines;
}

}  // namespace lanzhou::journey::test
