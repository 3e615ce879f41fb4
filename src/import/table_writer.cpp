// Writing the table texts. The texts are assembled in UTF-8 and converted to GBK once at the
// end; station names were checked to be GBK-representable when they were read.
#include "import/table_writer.h"

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <unordered_map>

#include "text/gbk.h"

namespace lanzhou::timetable_build {

namespace {

struct FieldDef {
  const char* name;
  const char* type;
  int size;
  int width;
};

// Quoted value with inner quotes doubled.
std::string Quote(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string Definitions(std::initializer_list<FieldDef> fields,
                        std::initializer_list<std::tuple<const char*, const char*, bool>> indexes) {
  std::string text = "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n";
  for (const FieldDef& f : fields) {
    const std::string def = std::string(f.name) + "=" + f.type + "," + std::to_string(f.size) +
                            "," + Quote(f.name) + "," + Quote("") + "," + std::to_string(f.width) +
                            ",Data," + Quote("");
    text += Quote(def) + "\r\n";
  }
  text += "\"@@INDEXDEF START@@\"\r\n";
  for (const auto& [name, keys, unique] : indexes) {
    std::string def = std::string(name) + "=" + Quote(keys) + "," + Quote(name);
    if (unique) def += ",UNIQ";
    text += Quote(def) + "\r\n";
  }
  text += "\"@@INDEXDEF END@@\"\r\n\"@@TABLEDEF END@@\"\r\n";
  for (const FieldDef& f : fields) text += Quote(f.name) + ",";
  return text + "\r\n";
}

void AppendRow(std::string& text, std::initializer_list<std::string> values) {
  for (const auto& v : values) text += Quote(v) + ",";
  text += "\r\n";
}

constexpr FieldDef kId{"ID", "WideString", 35, 35};
constexpr FieldDef kStation{"Station", "WideString", 20, 20};
constexpr FieldDef kATime{"A_Time", "WideString", 20, 20};
constexpr FieldDef kDTime{"D_Time", "WideString", 20, 20};
constexpr FieldDef kRDate{"R_Date", "WideString", 20, 20};
constexpr FieldDef kDistance{"Distance", "Integer", 0, 10};
constexpr FieldDef kP1{"P1", "WideString", 20, 20};
constexpr FieldDef kP2{"P2", "WideString", 20, 20};
constexpr FieldDef kP3{"P3", "WideString", 20, 20};
constexpr FieldDef kP4{"P4", "WideString", 20, 20};

}  // namespace

std::string StrainText(const std::vector<TrainRow>& trains) {
  std::string text = Definitions({kId,
                                  kStation,
                                  {"S_No", "Integer", 0, 10},
                                  kATime,
                                  kDTime,
                                  kRDate,
                                  kDistance,
                                  kP1,
                                  kP2,
                                  kP3,
                                  kP4},
                                 {{"SIDNo", "ID;S_No", true}, {"SStation", "Station", false}});
  for (const TrainRow& train : trains) {
    for (std::size_t i = 0; i < train.stops.size(); ++i) {
      const StopRow& s = train.stops[i];
      AppendRow(text, {train.id, s.station, std::to_string(i + 1), s.arrival, s.departure, s.rdate,
                       std::to_string(s.km), s.fares[0], s.fares[1], s.fares[2], s.fares[3]});
    }
  }
  return text::Utf8ToGbk(text);
}

std::string SlistText(const std::vector<TrainRow>& trains) {
  std::string text = Definitions({kId,
                                  {"NType", "SmallInt", 0, 10},
                                  {"StartStation", "WideString", 20, 20},
                                  {"endStation", "WideString", 20, 20},
                                  kATime,
                                  kDTime,
                                  kRDate,
                                  kDistance,
                                  kP1,
                                  kP2,
                                  kP3,
                                  kP4},
                                 {{"SID", "ID", true},
                                  {"SstartStation", "startStation", false},
                                  {"SendStation", "endStation", false}});
  for (const TrainRow& t : trains) {
    AppendRow(text, {t.id, std::to_string(t.ntype), t.from, t.to, t.departure, t.arrival, t.rdate,
                     std::to_string(t.km), t.fares[0], t.fares[1], t.fares[2], t.fares[3]});
  }
  return text::Utf8ToGbk(text);
}

std::string SmText(const Source& source) {
  std::string text = Definitions({kStation, {"Gp", "Integer", 0, 10}},
                                 {{"SStation", "Station", true}, {"SGp", "Gp", false}});
  for (const Group& group : source.groups) {
    for (const auto& name : group.names) AppendRow(text, {name, std::to_string(group.number)});
  }
  return text::Utf8ToGbk(text);
}

std::string SpyText(const Source& source, const std::vector<TrainRow>& trains) {
  std::string text =
      Definitions({kStation, {"Shortcode", "WideString", 10, 10}},
                  {{"PyIndex", "ShortCode", false}, {"StationIndex", "Station", false}});
  // The completion lists the stations in table order: the busiest first among those of one
  // initial letter, so that "sh" offers 上海 before 沙河市.
  std::unordered_map<std::string_view, int> calls;
  for (const TrainRow& train : trains) {
    for (const StopRow& stop : train.stops) ++calls[stop.station];
  }
  const auto calls_at = [&](const Station* s) {
    const auto it = calls.find(s->name);
    return it == calls.end() ? 0 : it->second;
  };
  std::vector<const Station*> order;
  for (const auto& s : source.stations) order.push_back(&s);
  // By first initial, the busiest station first; a station without initials (found by its name
  // only) comes last.
  const auto first = [](const Station* s) { return s->initials.empty() ? '\x7f' : s->initials.front(); };
  std::stable_sort(order.begin(), order.end(), [&](const Station* a, const Station* b) {
    if (first(a) != first(b)) return first(a) < first(b);
    return calls_at(a) > calls_at(b);
  });
  for (const Station* s : order) AppendRow(text, {s->name, s->initials});
  return text::Utf8ToGbk(text);
}

}  // namespace lanzhou::timetable_build
