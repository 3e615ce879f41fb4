// Reading of train blocks (trains/*.txt). Only what one block shows is checked here; rules that
// need the network (lines, stations along a route) are checked when the train is built.
#include "import/train_reader.h"

#include <algorithm>
#include <set>

#include "import/running_days.h"

namespace lanzhou::timetable_build {

namespace {

// A number, or a further version of one running on other days: "G1#2".
bool IsTrainId(std::string id) {
  if (const std::size_t hash = id.find('#'); hash != std::string::npos) {
    const std::string k = id.substr(hash + 1);
    if (k.empty() || k.size() > 2 || k.front() < '2' || k.front() > '9' ||
        !std::all_of(k.begin(), k.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    id.resize(hash);
  }
  if (id.empty() || id.size() > 19 || id.front() == '/' || id.back() == '/' ||
      id.find("//") != std::string::npos) {
    return false;
  }
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/';
  });
}

constexpr const char* kStopFields[] = {"arr", "dep", "rdate", "km", "p1", "p2", "p3", "p4"};
constexpr const char* kListFields[] = {"from", "to", "dep", "arr", "rdate",
                                       "km",   "p1", "p2",  "p3",  "p4"};

template <std::size_t N>
bool Known(const std::string& field, const char* const (&names)[N]) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const char* name) { return field == name; });
}

class BlockReader {
 public:
  BlockReader(const std::string& file, Source& source, Diagnostics& diagnostics)
      : file_(file), source_(source), diagnostics_(diagnostics) {}

  void Line(const SourceLine& line) {
    line_ = line.number;
    const auto& f = line.fields;
    if (f[0] == "train") {
      Finish();
      if (f.size() != 2 || !IsTrainId(f[1])) {
        Error("train takes one number of 1 to 19 characters A-Z, 0-9 and '/', and #2, #3 … for "
              "a further version");
        return;
      }
      train_ = TrainSource{};
      train_->id = f[1];
      train_->place = Here();
      return;
    }
    if (!train_) {
      Error("a directive outside a train block: " + f[0]);
      return;
    }
    Directive(f);
  }

  void Finish() {
    if (!train_) return;
    TrainSource& t = *train_;
    const int saved = line_;
    line_ = t.place.line;
    if (t.ntype == 0) Error("train " + t.id + " has no class");
    if (!t.explicit_stops.empty()) {
      if (!t.route.empty() || t.stop_mode != StopMode::kUnset || !t.adds.empty() ||
          !t.skips.empty() || t.departure || t.dwell || !t.dwell_at.empty() || !t.returns.empty() ||
          t.speed) {
        Error("train " + t.id +
              " with stop rows has no route, stops, add, skip, depart, speed, dwell, "
              "dwell-at or return");
      }
    } else {
      if (t.route.empty()) Error("train " + t.id + " has neither a route nor stop rows");
      if (!t.departure) Error("train " + t.id + " has no departure time");
      if (t.stop_mode == StopMode::kUnset && t.adds.empty()) t.stop_mode = StopMode::kList;
    }
    line_ = saved;
    source_.trains.push_back(std::move(t));
    train_.reset();
  }

 private:
  Place Here() const { return {file_, line_}; }
  void Error(const std::string& rule) { diagnostics_.Error(file_, line_, rule); }

  std::optional<StopRef> Ref(const std::string& text) {
    StopRef ref{text, 1, Here()};
    const auto hash = text.find('#');
    if (hash != std::string::npos) {
      const auto k = ParseWhole(text.substr(hash + 1));
      ref.name = text.substr(0, hash);
      if (!k || *k < 1) {
        Error("an occurrence is written name#k with k from 1: " + text);
        return std::nullopt;
      }
      ref.occurrence = *k;
    }
    if (!source_.station_index.contains(ref.name)) {
      Error("not a station of stations.txt: " + ref.name);
      return std::nullopt;
    }
    return ref;
  }

  void Refs(const std::vector<std::string>& f, std::size_t first, std::vector<StopRef>& out) {
    if (f.size() <= first) Error(f[0] + " names at least one station");
    for (std::size_t i = first; i < f.size(); ++i) {
      if (auto ref = Ref(f[i])) out.push_back(*ref);
    }
  }

  template <std::size_t N>
  std::vector<FieldValue> Fields(const std::vector<std::string>& f, std::size_t first,
                                 const char* const (&names)[N]) {
    std::vector<FieldValue> out;
    for (std::size_t i = first; i < f.size(); ++i) {
      const auto eq = f[i].find('=');
      if (eq == std::string::npos || !Known(f[i].substr(0, eq), names)) {
        Error("not a known field=value: " + f[i]);
        continue;
      }
      out.push_back({f[i].substr(0, eq), f[i].substr(eq + 1)});
    }
    return out;
  }

  std::optional<int> Number(const std::vector<std::string>& f, std::size_t at) {
    return at < f.size() ? ParseWhole(f[at]) : std::nullopt;
  }

  void Directive(const std::vector<std::string>& f) {
    TrainSource& t = *train_;
    const std::string& d = f[0];
    if (d == "class") {
      const auto n = Number(f, 1);
      if (f.size() != 2 || !n || *n < 1 || *n > 11)
        Error("class is one NType 1..11");
      else
        t.ntype = *n;
    } else if (d == "route") {
      if (f.size() < 4 || (f.size() - 1) % 3 != 0) {
        Error("route takes segments of a line, a from station and a to station");
        return;
      }
      if (t.route.empty()) t.route_place = Here();
      for (std::size_t i = 1; i + 2 < f.size(); i += 3)
        t.route.push_back({f[i], f[i + 1], f[i + 2]});
    } else if (d == "stops") {
      if (f.size() == 2 && f[1] == "all") {
        t.stop_mode = StopMode::kAll;
      } else if (f.size() == 3 && f[1] == "every") {
        const auto n = Number(f, 2);
        if (!n || *n < 1)
          Error("stops every takes a whole number from 1");
        else
          t.stop_mode = StopMode::kEvery, t.every = *n;
      } else {
        if (t.stop_mode != StopMode::kUnset && t.stop_mode != StopMode::kList) {
          Error("stops lists cannot follow stops all or stops every");
        }
        t.stop_mode = StopMode::kList;
        Refs(f, 1, t.stops);
      }
    } else if (d == "add") {
      Refs(f, 1, t.adds);
    } else if (d == "skip") {
      Refs(f, 1, t.skips);
    } else if (d == "days") {
      if (f.size() != 2) {
        Error("days takes one running-day text");
        return;
      }
      try {
        (void)import::RunningDays(f[1]);
        t.days = f[1];
        t.days_place = Here();
      } catch (const import::RunningDaysError& e) {
        Error(e.what());
      }
    } else if (d == "depart") {
      const auto clock = f.size() == 2 ? ParseClock(f[1]) : std::nullopt;
      if (!clock)
        Error("depart takes one time HH:MM");
      else
        t.departure = clock;
    } else if (d == "speed" || d == "dwell") {
      const auto n = Number(f, 1);
      if (f.size() != 2 || !n || (d == "speed" && *n == 0)) {
        Error(d + " takes one whole number" + (d == "speed" ? " above 0" : ""));
      } else {
        (d == "speed" ? t.speed : t.dwell) = n;
      }
    } else if (d == "dwell-at") {
      const auto n = Number(f, 2);
      if (f.size() != 3 || !n) {
        Error("dwell-at takes a station and whole minutes");
      } else if (auto ref = Ref(f[1])) {
        t.dwell_at.emplace_back(*ref, *n);
      }
    } else if (d == "sells") {
      std::array<bool, 4> sells{};
      for (std::size_t i = 1; i < f.size(); ++i) {
        if (f[i].size() == 2 && f[i][0] == 'P' && f[i][1] >= '1' && f[i][1] <= '4') {
          sells[f[i][1] - '1'] = true;
        } else {
          Error("sells lists P1 to P4: " + f[i]);
        }
      }
      if (f.size() < 2) Error("sells lists at least one of P1 to P4");
      t.sells = sells;
    } else if (d == "aircon") {
      if (f.size() != 2 || (f[1] != "yes" && f[1] != "no"))
        Error("aircon is yes or no");
      else
        t.aircon = f[1] == "yes";
    } else if (d == "factor") {
      const auto x = f.size() == 2 ? ParseDecimal(f[1]) : std::nullopt;
      if (!x || *x < 1.0)
        Error("factor is a decimal number of at least 1");
      else
        t.factor = x;
    } else if (d == "rate") {
      const auto a = f.size() == 3 ? ParseDecimal(f[1]) : std::nullopt;
      const auto b = f.size() == 3 ? ParseDecimal(f[2]) : std::nullopt;
      if (!a || !b || *a <= 0 || *b <= 0)
        Error("rate takes two yuan-per-km values above 0");
      else
        t.rate = std::make_pair(*a, *b);
    } else if (d == "at") {
      if (f.size() < 3) {
        Error("at takes a station and field=value items");
      } else if (auto ref = Ref(f[1])) {
        t.at.push_back({*ref, Fields(f, 2, kStopFields)});
      }
    } else if (d == "list") {
      if (f.size() < 2) Error("list takes field=value items");
      for (auto& item : Fields(f, 1, kListFields)) t.list.push_back(std::move(item));
    } else if (d == "stop") {
      ExplicitStop stop;
      stop.place = Here();
      const auto km = Number(f, 4);
      if (f.size() < 5 || !km) {
        Error("stop takes a station, arrival, departure (or -) and km");
        return;
      }
      stop.name = f[1];
      if (!source_.station_index.contains(f[1])) Error("not a station of stations.txt: " + f[1]);
      for (int k : {2, 3}) {
        if (f[k] == "-") continue;
        const auto clock = ParseClock(f[k]);
        if (!clock) Error("a time is HH:MM or -: " + f[k]);
        (k == 2 ? stop.arrival : stop.departure) = clock;
      }
      stop.km = *km;
      stop.fields = Fields(f, 5, kStopFields);
      t.explicit_stops.push_back(std::move(stop));
    } else if (d == "return") {
      const auto clock = f.size() == 4 && f[2] == "depart" ? ParseClock(f[3]) : std::nullopt;
      if (!clock || !IsTrainId(f[1]))
        Error("return takes a train number, 'depart' and HH:MM");
      else
        t.returns.push_back({f[1], *clock, Here()});
    } else {
      Error("unknown directive: " + d);
    }
  }

  std::string file_;
  Source& source_;
  Diagnostics& diagnostics_;
  std::optional<TrainSource> train_;
  int line_ = 0;
};

}  // namespace

void ReadTrains(const std::filesystem::path& path, const std::string& file, Source& source,
                Diagnostics& diagnostics) {
  BlockReader reader(file, source, diagnostics);
  for (const auto& line : ReadSourceLines(path, file, diagnostics)) reader.Line(line);
  reader.Finish();
}

}  // namespace lanzhou::timetable_build
