// Journey planning on one core: building the scanned network from the loaded tables, and the
// whole-day answer for four long-distance pairs with up to one and up to two changes. Built twice:
// journey_bench on the shipped sample, and bench/national/journey_national_bench on the national
// timetable of 2024-07-05 beside it (LANZHOU_NATIONAL_TABLES, converted at configure time), and
// on its whole period with dates (LANZHOU_NATIONAL_PERIOD_TABLES, journeys of 2024-07-05).
//
//   taskset -c 0 build/bench/journey_bench
//   taskset -c 0 build/bench/national/journey_national_bench --benchmark_filter=national
//
// Counters: bytes (the network's arrays, and the planner's working arrays), journeys (listed
// answers).
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

#include "cli/table_loading.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "journey/journey.h"
#include "journey/network.h"
#include "lanzhou_timetable.h"

namespace {

using lanzhou::data::ResourceRegistry;
using lanzhou::data::TimetableStore;
namespace journey = lanzhou::journey;

struct Dataset {
  std::optional<lanzhou::data::Date> date;  // the journeys' date (a whole-period timetable)
  ResourceRegistry registry;
  std::unique_ptr<TimetableStore> store;
  std::optional<journey::Network> network;
  std::string failure;
};

void Prepare(Dataset& d, const lanzhou::cli::TableSource& source) {
  d.store = std::make_unique<TimetableStore>(d.registry);
  const auto failures = lanzhou::cli::LoadTables(source, *d.store);
  if (!failures.empty()) {
    d.failure = failures.front().table + ": " + failures.front().message;
    return;
  }
  d.network = journey::BuildNetwork(*d.store);
  if (!d.network) d.failure = "the network was not built";
}

Dataset& Shipped() {
  static Dataset* d = [] {
    auto* out = new Dataset;
    out->registry.Register(lanzhou::resources::TimetableResources());
    Prepare(*out, lanzhou::cli::TableSource::Embedded(out->registry));
    return out;
  }();
  return *d;
}

#if defined(LANZHOU_NATIONAL_TABLES)
Dataset& National() {
  static Dataset* d = [] {
    auto* out = new Dataset;
    try {
      Prepare(*out, lanzhou::cli::TableSource::Folder(LANZHOU_NATIONAL_TABLES));
    } catch (const std::exception& e) {
      out->failure = std::string("no national tables (") + e.what() +
                     "); they are built from ../shared/realdata when it is there at configure time";
    }
    return out;
  }();
  return *d;
}
#endif

#if defined(LANZHOU_NATIONAL_PERIOD_TABLES)
// The whole period, journeys on Friday 2024-07-05.
Dataset& NationalPeriod() {
  static Dataset* d = [] {
    auto* out = new Dataset;
    out->date = lanzhou::data::ParseIsoDate("2024-07-05");
    try {
      Prepare(*out, lanzhou::cli::TableSource::Folder(LANZHOU_NATIONAL_PERIOD_TABLES));
    } catch (const std::exception& e) {
      out->failure = std::string("no national period tables (") + e.what() + ")";
    }
    return out;
  }();
  return *d;
}
#endif

using Pick = Dataset& (*)();

bool Skip(benchmark::State& state, const Dataset& d) {
  if (d.failure.empty()) return false;
  state.SkipWithError(d.failure.c_str());
  return true;
}

void BM_BuildNetwork(benchmark::State& state, Pick pick) {
  Dataset& d = pick();
  if (Skip(state, d)) return;
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto network = journey::BuildNetwork(*d.store);
    bytes = network->MemoryBytes();
    benchmark::DoNotOptimize(network);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["stations"] = d.network->StationCount();
  state.counters["trains"] = d.network->TrainCount();
}

void BM_Journeys(benchmark::State& state, Pick pick, const char* from, const char* to) {
  Dataset& d = pick();
  if (Skip(state, d)) return;
  journey::Request request;
  journey::SetEndpoints(d.store->KMSM, from, to, request);
  request.max_changes = static_cast<std::int32_t>(state.range(0));
  request.date = d.date;
  journey::Planner planner(*d.network);
  std::size_t listed = 0;
  for (auto _ : state) {
    const auto journeys = planner.Find(request);
    listed = journeys.size();
    benchmark::DoNotOptimize(journeys.data());
  }
  state.counters["journeys"] = static_cast<double>(listed);
  state.counters["bytes"] = static_cast<double>(planner.MemoryBytes());
}

#define JOURNEY_BENCHES(size, pick)                                                \
  BENCHMARK_CAPTURE(BM_BuildNetwork, size, pick)->Unit(benchmark::kMillisecond);   \
  BENCHMARK_CAPTURE(BM_Journeys, size##_lasa_sanya, pick, "拉萨", "三亚")          \
      ->Arg(1)                                                                     \
      ->Arg(2)                                                                     \
      ->Unit(benchmark::kMillisecond);                                             \
  BENCHMARK_CAPTURE(BM_Journeys, size##_harbin_haikou, pick, "哈尔滨", "海口")     \
      ->Arg(1)                                                                     \
      ->Arg(2)                                                                     \
      ->Unit(benchmark::kMillisecond);                                             \
  BENCHMARK_CAPTURE(BM_Journeys, size##_urumqi_shanghai, pick, "乌鲁木齐", "上海") \
      ->Arg(1)                                                                     \
      ->Arg(2)                                                                     \
      ->Unit(benchmark::kMillisecond);                                             \
  BENCHMARK_CAPTURE(BM_Journeys, size##_beijing_shanghai, pick, "北京", "上海")    \
      ->Arg(1)                                                                     \
      ->Arg(2)                                                                     \
      ->Unit(benchmark::kMillisecond)

JOURNEY_BENCHES(shipped, &Shipped);
#if defined(LANZHOU_NATIONAL_TABLES)
JOURNEY_BENCHES(national, &National);
#endif
#if defined(LANZHOU_NATIONAL_PERIOD_TABLES)
JOURNEY_BENCHES(national_period, &NationalPeriod);
#endif

}  // namespace
