// Start-up load of the stop table at the shipped scale: unpack + parse + index of a generated
// STRAIN-schema table text of 45,512 stop rows over 4,151 trains (budget: under 30 ms on one
// core), and unpacking alone. Then the tables the program actually embeds (lanzhou_timetable):
// all four loaded as the two loader threads load them (budget: under 60 ms on one core).
//
//   taskset -c 0 build/bench/load_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/resource_registry.h"
#include "lanzhou_timetable.h"
#include "text/gbk.h"

namespace {

using lanzhou::data::CsvTableFormat;
using lanzhou::data::MemTable;

constexpr int kTrains = 4151;
constexpr int kStops = 45'512;
constexpr int kStations = 2952;

// Stops per train: 11 on average, 2 to 40, summing to kStops.
std::vector<int> StopCounts(std::mt19937& rng) {
  std::vector<int> counts(kTrains, kStops / kTrains);
  for (int extra = kStops - (kStops / kTrains) * kTrains; extra > 0; --extra) {
    ++counts[static_cast<std::size_t>(extra)];
  }
  std::uniform_int_distribution<int> pick(0, kTrains - 1);
  for (int moves = 0; moves < 30'000; ++moves) {
    int& from = counts[static_cast<std::size_t>(pick(rng))];
    int& to = counts[static_cast<std::size_t>(pick(rng))];
    if (&from != &to && from > 2 && to < 40) {
      --from;
      ++to;
    }
  }
  return counts;
}

// Train numbers as the data writes them: class letters, digits, some double numbers; sorted
// in character-code order like the shipped text.
std::vector<std::string> TrainNumbers(std::mt19937& rng) {
  const std::vector<std::pair<std::string, int>> prefixes = {
      {"D", 1057}, {"G", 504}, {"C", 160}, {"Z", 54}, {"T", 308}, {"K", 1169}, {"", 899}};
  std::vector<int> weights;
  for (const auto& p : prefixes) weights.push_back(p.second);
  std::discrete_distribution<std::size_t> prefix(weights.begin(), weights.end());
  std::uniform_int_distribution<int> number(1, 8999);
  std::bernoulli_distribution doubled(0.23);
  std::set<std::string> ids;
  while (ids.size() < static_cast<std::size_t>(kTrains)) {
    const std::string& p = prefixes[prefix(rng)].first;
    const int n = number(rng) | 1;
    std::string id = p + std::to_string(n);
    if (doubled(rng)) id += "/" + p + std::to_string(n + 1);
    ids.insert(id);
  }
  return {ids.begin(), ids.end()};
}

// Distinct Chinese station names of two or three characters, some with a direction suffix.
std::vector<std::string> StationNames(std::mt19937& rng) {
  static const char* kChars[] = {
      "安", "北", "长", "成", "大", "德", "东", "丰", "广", "贵", "哈", "海", "汉", "河",
      "衡", "湖", "华", "淮", "吉", "济", "嘉", "江", "金", "锦", "荆", "九", "开", "昆",
      "兰", "乐", "临", "柳", "龙", "洛", "满", "绵", "南", "宁", "平", "齐", "秦", "青",
      "泉", "山", "上", "韶", "沈", "石", "太", "泰", "天", "通", "威", "潍", "乌", "武",
      "西", "厦", "襄", "新", "徐", "阳", "宜", "鹰", "榆", "岳", "湛", "张", "郑", "州"};
  static const char* kSuffixes[] = {"", "", "", "", "东", "西", "南", "北"};
  constexpr int kCharCount = sizeof(kChars) / sizeof(kChars[0]);
  std::uniform_int_distribution<int> ch(0, kCharCount - 1);
  std::uniform_int_distribution<int> suffix(0, 7);
  std::bernoulli_distribution three(0.3);
  std::set<std::string> seen;
  std::vector<std::string> names;
  while (names.size() < static_cast<std::size_t>(kStations)) {
    std::string name = std::string(kChars[ch(rng)]) + kChars[ch(rng)];
    if (three(rng)) name += kChars[ch(rng)];
    name += kSuffixes[suffix(rng)];
    if (seen.insert(name).second) names.push_back(name);
  }
  return names;
}

std::string Clock(int minutes) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", (minutes / 60) % 24, minutes % 60);
  return text;
}

std::string Elapsed(int minutes) {
  if (minutes < 60) return std::to_string(minutes);
  const int m = minutes % 60;
  return std::to_string(minutes / 60) + ":" + (m == 0 ? "" : std::to_string(m));
}

std::string Fare(double yuan) {
  const int halves = static_cast<int>(yuan * 2 + 0.5);
  return std::to_string(halves / 2) + (halves % 2 != 0 ? ".5" : "");
}

void AppendRow(std::string& out, const std::vector<std::string>& values) {
  for (const std::string& v : values) {
    out += '"';
    out += v;
    out += "\",";
  }
  out += "\r\n";
}

// Railway lines: fixed station sequences with fixed section lengths. Trains run along them, so
// stop sequences, distances and fares repeat across trains as in the shipped table (which is
// what makes it pack about 4.6 : 1).
struct Line {
  std::vector<std::size_t> stations;
  std::vector<int> km;  // from the line's first station
};

std::vector<Line> Lines(std::mt19937& rng, std::size_t station_count) {
  std::uniform_int_distribution<std::size_t> station(0, station_count - 1);
  std::uniform_int_distribution<int> section(15, 120);
  std::vector<Line> lines(160);
  for (Line& line : lines) {
    int km = 0;
    for (int i = 0; i < 70; ++i) {
      line.stations.push_back(station(rng));
      line.km.push_back(km);
      km += section(rng);
    }
  }
  return lines;
}

// The whole STRAIN-schema table text, GBK with CR LF.
std::string StrainText() {
  std::mt19937 rng(20110815);
  const std::vector<int> counts = StopCounts(rng);
  const std::vector<std::string> ids = TrainNumbers(rng);
  const std::vector<std::string> stations = StationNames(rng);
  const std::vector<Line> lines = Lines(rng, stations.size());
  std::uniform_int_distribution<std::size_t> pick_line(0, lines.size() - 1);
  std::uniform_int_distribution<int> start(0, 24 * 60 - 1);
  std::uniform_int_distribution<int> speed(50, 160);  // km/h
  std::uniform_int_distribution<int> dwell(2, 12);
  std::uniform_int_distribution<int> skip(1, 2);
  std::bernoulli_distribution sleeper(0.6);

  std::string text =
      "\"@@FILE VERSION@@\",\"251\"\r\n"
      "\"@@TABLEDEF START@@\"\r\n";
  for (const char* def :
       {"ID=WideString,35", "Station=WideString,20", "S_No=Integer,0", "A_Time=WideString,20",
        "D_Time=WideString,20", "R_Date=WideString,20", "Distance=Integer,0", "P1=WideString,20",
        "P2=WideString,20", "P3=WideString,20", "P4=WideString,20"}) {
    const std::string d = def;
    const std::string name = d.substr(0, d.find('='));
    const std::string width = d.ends_with(",0") ? "10" : d.substr(d.rfind(',') + 1);
    text += "\"" + d + ",\"\"" + name + "\"\",\"\"\"\"," + width + ",Data,\"\"\"\"\"\r\n";
  }
  text +=
      "\"@@INDEXDEF START@@\"\r\n"
      "\"SIDNo=\"\"ID;S_No\"\",\"\"SIDNo\"\",UNIQ\"\r\n"
      "\"SStation=\"\"Station\"\",\"\"SStation\"\"\"\r\n"
      "\"@@INDEXDEF END@@\"\r\n"
      "\"@@TABLEDEF END@@\"\r\n";
  AppendRow(text, {"ID", "Station", "S_No", "A_Time", "D_Time", "R_Date", "Distance", "P1", "P2",
                   "P3", "P4"});
  for (std::size_t t = 0; t < ids.size(); ++t) {
    const Line& line = lines[pick_line(rng)];
    const int stops = counts[t];
    const int step = stops * 2 <= static_cast<int>(line.stations.size()) ? skip(rng) : 1;
    const int span = (stops - 1) * step;
    const int first = std::uniform_int_distribution<int>(
        0, static_cast<int>(line.stations.size()) - 1 - span)(rng);
    const int kmh = speed(rng);
    const int departure = start(rng);
    const bool sleepers = sleeper(rng);
    int clock = departure;
    for (int s = 1; s <= stops; ++s) {
      const auto at = static_cast<std::size_t>(first + (s - 1) * step);
      const std::string& name = stations[line.stations[at]];
      if (s == 1) {
        AppendRow(text, {ids[t], name, "1", "", Clock(clock), "0", "0", "", "", "", ""});
        continue;
      }
      const int km = line.km[at] - line.km[static_cast<std::size_t>(first)];
      const int section_km = line.km[at] - line.km[at - static_cast<std::size_t>(step)];
      clock += std::max(3, section_km * 60 / kmh);
      const bool last = s == stops;
      const int stay = last ? 0 : dwell(rng);
      const double seat = 0.0861 * km + 1;
      AppendRow(
          text,
          {ids[t], name, std::to_string(s), Clock(clock), last ? "" : Clock(clock + stay),
           Elapsed(clock - departure), std::to_string(km), Fare(seat), "-",
           sleepers ? Fare(seat * 1.8) + "/" + Fare(seat * 1.86) + "/" + Fare(seat * 1.92) : "-",
           sleepers ? Fare(seat * 2.8) + "/" + Fare(seat * 2.95) : "-"});
      clock += stay;
    }
  }
  return lanzhou::text::Utf8ToGbk(text);
}

struct Data {
  std::string text = StrainText();
  std::string packed = lanzhou::data::PackResource(text);
  lanzhou::data::ResourceRegistry registry;
  Data() { registry.Add("STRAIN", lanzhou::data::kResourceTypeMe, packed); }
};

const Data& Strain() {
  static const Data data;
  return data;
}

void Describe(benchmark::State& state, const Data& data) {
  state.counters["unpacked_bytes"] = static_cast<double>(data.text.size());
  state.counters["packed_bytes"] = static_cast<double>(data.packed.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.text.size()));
}

void BM_UnpackStrain(benchmark::State& state) {
  const Data& data = Strain();
  for (auto _ : state) {
    std::string text = lanzhou::data::UnpackResource(data.packed);
    benchmark::DoNotOptimize(text.data());
  }
  Describe(state, data);
}
BENCHMARK(BM_UnpackStrain)->Unit(benchmark::kMillisecond);

// What TThreadLoad1 does for KMTrain: unpack, read the table text, build both indexes, select
// the working index.
void BM_LoadPackedStrain(benchmark::State& state) {
  const Data& data = Strain();
  const CsvTableFormat format;
  for (auto _ : state) {
    auto table = std::make_unique<MemTable>();
    lanzhou::data::LoadPackedTable(data.registry, "STrain", *table, format);
    table->SetIndexName("SIDNo");
    state.PauseTiming();
    if (table->RecordCount() != static_cast<std::size_t>(kStops)) {
      state.SkipWithError("wrong record count");
      break;
    }
    table.reset();
    state.ResumeTiming();
  }
  Describe(state, data);
  state.counters["records"] = kStops;
}
BENCHMARK(BM_LoadPackedStrain)->Unit(benchmark::kMillisecond);

// The same without unpacking: reading and indexing the text alone.
void BM_ParseStrainText(benchmark::State& state) {
  const Data& data = Strain();
  const CsvTableFormat format;
  for (auto _ : state) {
    auto table = std::make_unique<MemTable>();
    lanzhou::data::LoadFromStream(*table, data.text, format);
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  Describe(state, data);
}
BENCHMARK(BM_ParseStrainText)->Unit(benchmark::kMillisecond);

const lanzhou::data::ResourceRegistry& Shipped() {
  static const lanzhou::data::ResourceRegistry registry = [] {
    lanzhou::data::ResourceRegistry r;
    r.Register(lanzhou::resources::TimetableResources());
    return r;
  }();
  return registry;
}

// The shipped tables, one after the other on one core: what TThreadLoad1 (STrain) and
// TThreadLoad (SPY, SList, SM) do, with the same readers and working indexes.
void BM_LoadShippedTables(benchmark::State& state) {
  const auto& registry = Shipped();
  const CsvTableFormat sfCSV1;
  const CsvTableFormat sfCSV;
  std::size_t records = 0;
  for (auto _ : state) {
    auto train = std::make_unique<MemTable>();
    auto py = std::make_unique<MemTable>();
    auto list = std::make_unique<MemTable>();
    auto sm = std::make_unique<MemTable>();
    lanzhou::data::LoadPackedTable(registry, "STrain", *train, sfCSV1);
    train->SetIndexName("SIDNo");
    lanzhou::data::LoadPackedTable(registry, "SPY", *py, sfCSV);
    lanzhou::data::LoadPackedTable(registry, "SList", *list, sfCSV);
    list->SetIndexName("SID");
    lanzhou::data::LoadPackedTable(registry, "SM", *sm, sfCSV);
    sm->SetIndexName("SStation");
    state.PauseTiming();
    records = train->RecordCount() + py->RecordCount() + list->RecordCount() + sm->RecordCount();
    train.reset();
    py.reset();
    list.reset();
    sm.reset();
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadShippedTables)->Unit(benchmark::kMillisecond);

// The shipped stop table alone, the largest load and the one the query buttons wait for.
void BM_LoadShippedStrain(benchmark::State& state) {
  const auto& registry = Shipped();
  const CsvTableFormat format;
  std::size_t records = 0;
  for (auto _ : state) {
    auto table = std::make_unique<MemTable>();
    lanzhou::data::LoadPackedTable(registry, "STrain", *table, format);
    table->SetIndexName("SIDNo");
    state.PauseTiming();
    records = table->RecordCount();
    table.reset();
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(records);
  state.counters["unpacked_bytes"] =
      static_cast<double>(lanzhou::data::ReadPackedResource(registry, "STrain").size());
}
BENCHMARK(BM_LoadShippedStrain)->Unit(benchmark::kMillisecond);

}  // namespace
