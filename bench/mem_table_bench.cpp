// MemTable at KMTrain's scale: 45,512 records × 11 fields, 4,151 trains, 2,952 stations,
// indexes SIDNo ("ID;S_No", unique) and SStation ("Station"). The rows are made up but shaped
// like the shipped text: in SIDNo order, Chinese station names of 2 to 5 characters, train
// numbers such as "D102", "1112/1113" and "K1032/K1033/K1035".
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "data/mem_table.h"

using namespace lanzhou::data;

namespace {

constexpr int kTrains = 4151;
constexpr int kRecords = 45512;
constexpr int kStations = 2952;
using Row = std::array<std::string, 11>;

std::string Cjk(std::uint32_t cp) {  // one BMP character as UTF-8
  std::string s;
  s += static_cast<char>(0xE0 | (cp >> 12));
  s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (cp & 0x3F));
  return s;
}

std::string Clock(int minutes) {
  minutes %= 24 * 60;
  std::string s = std::to_string(100 + minutes / 60).substr(1);
  return s + ":" + std::to_string(100 + minutes % 60).substr(1);
}

struct Data {
  std::vector<Row> rows;  // in SIDNo order, as shipped
  std::vector<std::string> ids;
};

const Data& TrainData() {
  static const Data data = [] {
    std::mt19937 rng(2011);
    std::vector<std::string> stations;
    for (int i = 0; i < kStations; ++i) {
      const int len = 2 + static_cast<int>(rng() % 4);
      std::string name;
      for (int k = 0; k < len; ++k) name += Cjk(0x4E00 + rng() % 0x5000);
      stations.push_back(name);
    }
    std::set<std::string> unique_ids;
    const char* prefixes[] = {"", "D", "G", "C", "K", "T", "Z", "L", "Y"};
    while (static_cast<int>(unique_ids.size()) < kTrains) {
      const std::string p = prefixes[rng() % 9];
      const int num = 1 + static_cast<int>(rng() % 9000);
      std::string id = p + std::to_string(num);
      if (rng() % 4 == 0) id += "/" + p + std::to_string(num + 1);
      if (rng() % 60 == 0) id += "/" + p + std::to_string(num + 3);
      unique_ids.insert(id);
    }
    const std::vector<std::string> ids(unique_ids.begin(), unique_ids.end());  // byte order
    Data d;
    d.ids = ids;
    // 45,512 stops over 4,151 trains: 10 or 11 stops each (11.0 on average).
    int remaining = kRecords;
    for (int t = 0; t < kTrains; ++t) {
      const int stops = t == kTrains - 1 ? remaining : (t % 1000 < 964 ? 11 : 10);
      remaining -= stops;
      int minutes = static_cast<int>(rng() % 1440), distance = 0;
      for (int s = 1; s <= stops; ++s) {
        const int run = minutes;
        Row r;
        r[0] = ids[static_cast<std::size_t>(t)];
        r[1] = stations[rng() % stations.size()];
        r[2] = std::to_string(s);
        r[3] = s == 1 ? "" : Clock(minutes);
        r[4] = s == stops ? "" : Clock(minutes + 5);
        r[5] = s == 1 ? "0" : std::to_string(run / 60) + ":" + std::to_string(run % 60);
        r[6] = std::to_string(distance);
        r[7] = s == 1 ? "" : std::to_string(distance / 10) + ".5";
        r[8] = s == 1 ? "" : "-";
        r[9] = s == 1 ? ""
                      : std::to_string(distance / 5) + "/" + std::to_string(distance / 5 + 3) +
                            "/" + std::to_string(distance / 5 + 5);
        r[10] = s == 1 ? "" : std::to_string(distance / 3) + "/" + std::to_string(distance / 3 + 4);
        d.rows.push_back(std::move(r));
        minutes += 20 + static_cast<int>(rng() % 90);
        distance += 10 + static_cast<int>(rng() % 150);
      }
    }
    return d;
  }();
  return data;
}

void Define(MemTable& t) {
  t.Close();
  t.ClearFieldDefs();
  const std::pair<const char*, FieldType> fields[] = {
      {"ID", FieldType::WideString},     {"Station", FieldType::WideString},
      {"S_No", FieldType::Integer},      {"A_Time", FieldType::WideString},
      {"D_Time", FieldType::WideString}, {"R_Date", FieldType::WideString},
      {"Distance", FieldType::Integer},  {"P1", FieldType::WideString},
      {"P2", FieldType::WideString},     {"P3", FieldType::WideString},
      {"P4", FieldType::WideString}};
  for (const auto& [name, type] : fields) {
    t.AddFieldDef(name, type, type == FieldType::Integer ? 0 : 20, false).display_label = name;
  }
  t.ClearIndexDefs();
  t.AddIndexDef("SIDNo", "ID;S_No", IndexOptions{.unique = true});
  t.AddIndexDef("SStation", "Station", IndexOptions{});
  t.Open();
}

void AppendRows(MemTable& t, const std::vector<Row>& rows) {
  std::array<Field, 11> fields;
  for (int i = 0; i < 11; ++i)
    fields[static_cast<std::size_t>(i)] =
        t.FieldByName(t.FieldDefs()[static_cast<std::size_t>(i)].name);
  for (const Row& row : rows) {
    t.Append();
    for (std::size_t i = 0; i < 11; ++i) fields[i].SetAsString(row[i]);
    t.Post();
  }
}

// Append/SetAsString/Post of every record, then EndLoad: the table's share of a load.
void BM_LoadAll(benchmark::State& state) {
  const Data& d = TrainData();
  for (auto _ : state) {
    MemTable t;
    Define(t);
    AppendRows(t, d.rows);
    t.EndLoad();
    t.SetIndexName("SIDNo");
    benchmark::DoNotOptimize(t.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_LoadAll)->Unit(benchmark::kMillisecond);

// EndLoad alone: both indexes built over 45,512 records (SIDNo already in order, SStation
// sorted); with range(0) = 1 the rows are shuffled first so SIDNo must be sorted too.
void BM_EndLoad(benchmark::State& state) {
  std::vector<Row> rows = TrainData().rows;
  if (state.range(0) == 1) std::shuffle(rows.begin(), rows.end(), std::mt19937(7));
  for (auto _ : state) {
    state.PauseTiming();
    auto t = std::make_unique<MemTable>();
    Define(*t);
    AppendRows(*t, rows);
    state.ResumeTiming();
    t->EndLoad();
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_EndLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

MemTable& LoadedTable() {
  static MemTable* t = [] {
    auto* table = new MemTable;
    Define(*table);
    AppendRows(*table, TrainData().rows);
    table->EndLoad();
    table->SetIndexName("SIDNo");
    return table;
  }();
  return *t;
}

// The station queries' pattern: First..Next over every record in SIDNo order, reading four
// fields by column (two texts, two integers).
void BM_WalkByColumn(benchmark::State& state) {
  MemTable& t = LoadedTable();
  const ColumnId id = t.ColumnOf("ID"), station = t.ColumnOf("Station"), s_no = t.ColumnOf("S_No"),
                 distance = t.ColumnOf("Distance");
  for (auto _ : state) {
    std::size_t bytes = 0;
    std::int64_t sum = 0;
    for (t.First(); !t.Eof(); t.Next()) {
      bytes += t.TextAt(id).size() + t.TextAt(station).size();
      sum += t.IntAt(s_no) + t.IntAt(distance);
    }
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_WalkByColumn)->Unit(benchmark::kMicrosecond);

// The same walk the old way: FieldByName per read, values copied out as strings.
void BM_WalkByName(benchmark::State& state) {
  MemTable& t = LoadedTable();
  for (auto _ : state) {
    std::size_t bytes = 0;
    std::int64_t sum = 0;
    for (t.First(); !t.Eof(); t.Next()) {
      bytes += t.FieldByName("ID").AsString().size() + t.FieldByName("Station").AsString().size();
      sum += t.FieldByName("S_No").AsInteger() + t.FieldByName("Distance").AsInteger();
    }
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_WalkByName)->Unit(benchmark::kMicrosecond);

// Locate by ID (binary search in SIDNo, the working index) for every train, in a shuffled order.
void BM_LocateId(benchmark::State& state) {
  MemTable& t = LoadedTable();
  std::vector<std::string> ids = TrainData().ids;
  std::shuffle(ids.begin(), ids.end(), std::mt19937(3));
  for (auto _ : state) {
    int found = 0;
    for (const auto& id : ids) found += t.Locate("ID", id) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kTrains);
}
BENCHMARK(BM_LocateId)->Unit(benchmark::kMicrosecond);

// Locate by Station through SStation while the working index is SIDNo (record → position map).
void BM_LocateStationThroughOtherIndex(benchmark::State& state) {
  MemTable& t = LoadedTable();
  std::vector<std::string> stations;
  for (std::size_t i = 0; i < TrainData().rows.size(); i += 17)
    stations.push_back(TrainData().rows[i][1]);
  for (auto _ : state) {
    int found = 0;
    for (const auto& s : stations) found += t.Locate("Station", s) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stations.size()));
}
BENCHMARK(BM_LocateStationThroughOtherIndex)->Unit(benchmark::kMicrosecond);

}  // namespace
