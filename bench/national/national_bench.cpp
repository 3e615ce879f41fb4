// The load and query benchmarks at two sizes, side by side: the shipped sample the program embeds
// (≈45,600 stops, 4,150 trains) and the national timetable of 2024-07-05 (≈105,000 stops, 11,413
// trains), imported into the build folder by bench/national/CMakeLists.txt. Both are
// read the same way: packed resources in a registry, loaded by the loaders' readers, then queried
// as the buttons query them (input check, query, grid fill).
//
//   taskset -c 0 build/bench/national/national_bench --benchmark_filter=shipped
//   taskset -c 0 build/bench/national/national_bench --benchmark_filter=national
//
// One size per process: the load benchmark's figure depends on what the allocator kept from
// earlier benchmarks (the national load measures about twice as slow after the shipped one has
// run in the same process), and the program itself loads once, in a fresh process.
//
// LANZHOU_NATIONAL_TABLES in the environment points at another folder of the four table texts.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "lanzhou_timetable.h"
#include "query/chooser_grid.h"
#include "query/completion.h"
#include "query/input_checks.h"
#include "query/query_state.h"
#include "query/show_results.h"
#include "query/station_query.h"
#include "query/through_query.h"
#include "query/train_number_query.h"
#include "query/transfer_search.h"

namespace {

using lanzhou::data::CsvTableFormat;
using lanzhou::data::MemTable;
using lanzhou::data::ResourceRegistry;
using lanzhou::data::TimetableStore;
namespace query = lanzhou::query;
namespace fs = std::filesystem;

// One timetable and the query inputs that suit it.
struct Dataset {
  const char* transfer_from;  // a pair without through trains, with transfer stations between
  const char* transfer_to;
  const char* train_number;
  ResourceRegistry registry;
  std::vector<std::string> packed;  // the registry's bytes, for a folder read at run time
  std::unique_ptr<TimetableStore> store;
  std::string failure;  // why the tables are not there; empty when they are
};

void LoadStore(Dataset& d) {
  d.store = std::make_unique<TimetableStore>(d.registry);
  d.store->StartLoading();
  d.store->WaitUntilLoaded();
  if (d.failure.empty() && !d.store->AllReady()) d.failure = "the timetable did not load";
}

Dataset& Shipped() {
  static Dataset* d = [] {
    auto* out = new Dataset{"西安", "厦门", "1112", {}, {}, {}, {}};
    out->registry.Register(lanzhou::resources::TimetableResources());
    LoadStore(*out);
    return out;
  }();
  return *d;
}

// The national tables, packed here as the build packs the shipped ones, so that loading them
// includes the same unpacking.
Dataset& National() {
  static Dataset* d = [] {
    auto* out = new Dataset{"拉萨", "厦门", "G1", {}, {}, {}, {}};
    const char* env = std::getenv("LANZHOU_NATIONAL_TABLES");
    const fs::path dir = env != nullptr ? env : LANZHOU_NATIONAL_TABLES;
    const char* const names[][2] = {
        {"STRAIN", "strain.txt"}, {"SLIST", "slist.txt"}, {"SM", "sm.txt"}, {"SPY", "spy.txt"}};
    out->packed.reserve(4);
    for (const auto& [name, file] : names) {
      std::ifstream in(dir / file, std::ios::binary);
      if (!in) {
        out->failure = "no national table " + (dir / file).string() +
                       " (built from ../shared/realdata when it is present at configure time)";
        return out;
      }
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      out->packed.push_back(lanzhou::data::PackResource(text));
      out->registry.Add(name, lanzhou::data::kResourceTypeMe, out->packed.back());
    }
    LoadStore(*out);
    return out;
  }();
  return *d;
}

using Pick = Dataset& (*)();

// The tables of the dataset, or nullptr after marking the benchmark skipped.
TimetableStore* Ready(benchmark::State& state, Dataset& d) {
  if (!d.failure.empty()) {
    state.SkipWithError(d.failure.c_str());
    return nullptr;
  }
  return d.store.get();
}

// All four tables one after the other on one core, as the two loader threads load them.
void BM_LoadTables(benchmark::State& state, Pick pick) {
  Dataset& d = pick();
  if (Ready(state, d) == nullptr) return;
  const CsvTableFormat sfCSV1;
  const CsvTableFormat sfCSV;
  std::size_t records = 0;
  for (auto _ : state) {
    auto train = std::make_unique<MemTable>();
    auto py = std::make_unique<MemTable>();
    auto list = std::make_unique<MemTable>();
    auto sm = std::make_unique<MemTable>();
    lanzhou::data::LoadPackedTable(d.registry, "STrain", *train, sfCSV1);
    train->SetIndexName("SIDNo");
    lanzhou::data::LoadPackedTable(d.registry, "SPY", *py, sfCSV);
    lanzhou::data::LoadPackedTable(d.registry, "SList", *list, sfCSV);
    list->SetIndexName("SID");
    lanzhou::data::LoadPackedTable(d.registry, "SM", *sm, sfCSV);
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
  state.counters["stops"] = static_cast<double>(d.store->KMTrain.RecordCount());
}

// The grid fill that follows every query.
int Show(query::QueryState& qs, query::ResultGrid& grid, std::string_view station_box = {}) {
  query::ClearResultGrid(grid);
  query::ShowResults(qs, grid, {}, station_box);
  return qs.VisibleCount;
}

void BM_Between_Beijing_Shanghai(benchmark::State& state, Pick pick) {
  TimetableStore* t = Ready(state, pick());
  if (t == nullptr) return;
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckThroughQuery("北京", "上海", *t).GoOn()) std::abort();
    if (!query::FindThroughTrains(*t, qs, "北京", "上海")) std::abort();
    rows = Show(qs, grid);
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.counters["rows"] = rows;
}

void BM_Transfer_WithChooser(benchmark::State& state, Pick pick) {
  Dataset& d = pick();
  TimetableStore* t = Ready(state, d);
  if (t == nullptr) return;
  query::QueryState qs;
  if (!query::FindThroughTrains(*t, qs, d.transfer_from, d.transfer_to) || !qs.ResultList.empty()) {
    state.SkipWithError("the pair has through trains: pick another");
    return;
  }
  int listed = 0;
  for (auto _ : state) {
    if (!query::CheckThroughQuery(d.transfer_from, d.transfer_to, *t).GoOn()) std::abort();
    if (!query::FindTransfers(*t, qs, d.transfer_from, d.transfer_to)) std::abort();
    query::ChooserGrid chooser;
    query::FillChooserGrid(chooser, query::ListTransferCandidates(qs).Listed);
    listed = chooser.CandidateCount;
    benchmark::DoNotOptimize(chooser.ZGrid.Cell(0, 0).data());
  }
  state.SetLabel(std::string(d.transfer_from) + "-" + d.transfer_to);
  state.counters["stations"] = listed;
  state.counters["legs"] = static_cast<double>(qs.FromLegs.size() + qs.ToLegs.size());
}

void BM_Station_Beijing(benchmark::State& state, Pick pick) {
  TimetableStore* t = Ready(state, pick());
  if (t == nullptr) return;
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckStationQuery("北京", *t).GoOn()) std::abort();
    if (!query::FindStationTrains(*t, qs, "北京")) std::abort();
    rows = Show(qs, grid, "北京");
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.counters["rows"] = rows;
}

void BM_TrainNumber(benchmark::State& state, Pick pick) {
  Dataset& d = pick();
  TimetableStore* t = Ready(state, d);
  if (t == nullptr) return;
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckTrainNumberQuery(d.train_number, *t).GoOn()) std::abort();
    if (!query::FindTrainNumber(*t, qs, d.train_number)) std::abort();
    rows = Show(qs, grid);
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.SetLabel(d.train_number);
  if (rows == 0) state.SkipWithError("the train number is not in the timetable");
  state.counters["rows"] = rows;
}

// One keystroke: "bj" is a typical key, "s" the longest list one letter gives.
void BM_CompletionKeystroke(benchmark::State& state, Pick pick, const char* typed) {
  TimetableStore* t = Ready(state, pick());
  if (t == nullptr) return;
  std::size_t entries = 0;
  for (auto _ : state) {
    const auto list = query::DropDownForText(t->KMPy, typed);
    entries = list ? list->size() : 0;
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(entries);
}

#define LANZHOU_BOTH(bm)                                                   \
  BENCHMARK_CAPTURE(bm, shipped, &Shipped)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(bm, national, &National)->Unit(benchmark::kMicrosecond)

LANZHOU_BOTH(BM_LoadTables);
LANZHOU_BOTH(BM_Between_Beijing_Shanghai);
LANZHOU_BOTH(BM_Transfer_WithChooser);
LANZHOU_BOTH(BM_Station_Beijing);
LANZHOU_BOTH(BM_TrainNumber);
BENCHMARK_CAPTURE(BM_CompletionKeystroke, shipped_bj, &Shipped, "bj")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CompletionKeystroke, national_bj, &National, "bj")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CompletionKeystroke, shipped_s, &Shipped, "s")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CompletionKeystroke, national_s, &National, "s")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
