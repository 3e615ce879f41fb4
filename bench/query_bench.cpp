// The queries as their buttons run them (input check, query, grid fill) on the timetable the
// program embeds: 北京 -> 上海 (budget 1 ms), a transfer search for a pair without through
// trains with its chooser (10 ms), the station query for 北京 (1 ms), a train number (0.2 ms),
// one completion keystroke (0.2 ms). Built without the shipped timetable, it runs on the test
// fixtures instead and labels every result "fixture timetable".
//
//   taskset -c 0 build/bench/query_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true   (one line)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "query/chooser_grid.h"
#include "query/completion.h"
#include "query/input_checks.h"
#include "query/query_state.h"
#include "query/show_results.h"
#include "query/station_query.h"
#include "query/through_query.h"
#include "query/train_number_query.h"
#include "query/transfer_search.h"

#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
#include "lanzhou_test_fixtures.h"
#endif

namespace {

using lanzhou::data::TimetableStore;
namespace query = lanzhou::query;

#if defined(LANZHOU_HAVE_TIMETABLE)
constexpr const char* kTimetable = "";
// A pair the shipped timetable has no through train for, with transfer stations between.
constexpr const char* kTransferFrom = "西安";
constexpr const char* kTransferTo = "厦门";
constexpr const char* kTrainNumber = "1112";
#else
constexpr const char* kTimetable = "fixture timetable";
constexpr const char* kTransferFrom = "西安";
constexpr const char* kTransferTo = "上海";
constexpr const char* kTrainNumber = "1112";
#endif

// The four tables, loaded once by the program's loaders.
TimetableStore& Tables() {
  static lanzhou::data::ResourceRegistry registry;
  static TimetableStore* store = [] {
#if defined(LANZHOU_HAVE_TIMETABLE)
    registry.Register(lanzhou::resources::TimetableResources());
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
    registry.Register(lanzhou::testing::FixtureResources());
#endif
    auto* s = new TimetableStore(registry);
    s->StartLoading();
    s->WaitUntilLoaded();
    return s;
  }();
  return *store;
}

// Skips the benchmark unless the tables stand.
bool Ready(benchmark::State& state) {
  if (Tables().AllReady()) {
    state.SetLabel(kTimetable);
    return true;
  }
  state.SkipWithError("the timetable did not load");
  return false;
}

// The grid fill that follows every query.
int Show(query::QueryState& qs, query::ResultGrid& grid, std::string_view station_box = {}) {
  query::ClearResultGrid(grid);
  query::ShowResults(qs, grid, {}, station_box);
  return qs.VisibleCount;
}

void BM_Between_Beijing_Shanghai(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckThroughQuery("北京", "上海", t).GoOn()) std::abort();
    if (!query::FindThroughTrains(t, qs, "北京", "上海")) std::abort();
    rows = Show(qs, grid);
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_Between_Beijing_Shanghai)->Unit(benchmark::kMicrosecond);

// The walk over KMTrain alone, without the check and the grid fill.
void BM_Between_Beijing_Shanghai_QueryOnly(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  for (auto _ : state) {
    if (!query::FindThroughTrains(t, qs, "北京", "上海")) std::abort();
    benchmark::DoNotOptimize(qs.ResultList.data());
  }
  state.counters["rows"] = static_cast<double>(qs.ResultList.size());
}
BENCHMARK(BM_Between_Beijing_Shanghai_QueryOnly)->Unit(benchmark::kMicrosecond);

void BM_Transfer_WithChooser(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  if (!query::FindThroughTrains(t, qs, kTransferFrom, kTransferTo) || !qs.ResultList.empty()) {
    state.SkipWithError("the pair has through trains: pick another");
    return;
  }
  int listed = 0;
  for (auto _ : state) {
    if (!query::CheckThroughQuery(kTransferFrom, kTransferTo, t).GoOn()) std::abort();
    if (!query::FindTransfers(t, qs, kTransferFrom, kTransferTo)) std::abort();
    query::ChooserGrid chooser;
    query::FillChooserGrid(chooser, query::ListTransferCandidates(qs).Listed);
    listed = chooser.CandidateCount;
    benchmark::DoNotOptimize(chooser.ZGrid.Cell(0, 0).data());
  }
  state.counters["stations"] = listed;
  state.counters["legs"] = static_cast<double>(qs.FromLegs.size() + qs.ToLegs.size());
}
BENCHMARK(BM_Transfer_WithChooser)->Unit(benchmark::kMicrosecond);

void BM_Station_Beijing(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckStationQuery("北京", t).GoOn()) std::abort();
    if (!query::FindStationTrains(t, qs, "北京")) std::abort();
    rows = Show(qs, grid, "北京");
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_Station_Beijing)->Unit(benchmark::kMicrosecond);

void BM_Station_Beijing_QueryOnly(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  for (auto _ : state) {
    if (!query::FindStationTrains(t, qs, "北京")) std::abort();
    benchmark::DoNotOptimize(qs.ResultList.data());
  }
  state.counters["rows"] = static_cast<double>(qs.ResultList.size());
}
BENCHMARK(BM_Station_Beijing_QueryOnly)->Unit(benchmark::kMicrosecond);

void BM_TrainNumber(benchmark::State& state) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  query::QueryState qs;
  query::ResultGrid grid;
  int rows = 0;
  for (auto _ : state) {
    if (!query::CheckTrainNumberQuery(kTrainNumber, t).GoOn()) std::abort();
    if (!query::FindTrainNumber(t, qs, kTrainNumber)) std::abort();
    rows = Show(qs, grid);
    benchmark::DoNotOptimize(grid.SGrid.Cell(0, 0).data());
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_TrainNumber)->Unit(benchmark::kMicrosecond);

// One keystroke: the box's new drop-down list. "bj" is a typical key; "s" lists every S
// station, the longest list one letter gives.
void BM_CompletionKeystroke(benchmark::State& state, const char* typed) {
  if (!Ready(state)) return;
  TimetableStore& t = Tables();
  std::size_t entries = 0;
  for (auto _ : state) {
    const auto list = query::DropDownForText(t.KMPy, typed);
    entries = list ? list->size() : 0;
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK_CAPTURE(BM_CompletionKeystroke, bj, "bj")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CompletionKeystroke, s, "s")->Unit(benchmark::kMicrosecond);

}  // namespace
