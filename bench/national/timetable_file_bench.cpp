// Opening a national timetable file as the program does: read and check the archive, hand the
// packed tables to the two loader threads, wait until every table is ready. The file is built
// from the national timetable of 2024-07-05 into the build folder by bench/national/CMakeLists.txt
// (lanzhou-timetable import-crawl); LANZHOU_NATIONAL_TIMETABLE_FILE in the environment names another.
//
//   build/bench/national/timetable_file_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "data/resource_registry.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"

namespace {

std::string FilePath() {
  const char* env = std::getenv("LANZHOU_NATIONAL_TIMETABLE_FILE");
  return env != nullptr ? env : LANZHOU_NATIONAL_TIMETABLE_FILE;
}

// Everything one opening makes; released outside the timed part, as the program keeps it.
struct Opened {
  lanzhou::data::TimetableFile file;
  lanzhou::data::ResourceRegistry registry;
  std::unique_ptr<lanzhou::data::TimetableStore> store;
};

void BM_OpenTimetableFile(benchmark::State& state) {
  const std::string path = FilePath();
  long trains = 0;
  for (auto _ : state) {
    auto opened = std::make_unique<Opened>();
    try {
      opened->file = lanzhou::data::ReadTimetableFile(path);
    } catch (const lanzhou::data::TimetableFileError& e) {
      state.SkipWithError(e.what());
      return;
    }
    lanzhou::data::RegisterTimetable(opened->file, opened->registry);
    opened->store = std::make_unique<lanzhou::data::TimetableStore>(opened->registry);
    opened->store->StartLoading();
    opened->store->WaitUntilLoaded();
    state.PauseTiming();
    if (!opened->store->AllReady()) {
      state.SkipWithError("the timetable file's tables did not load");
      return;
    }
    trains = static_cast<long>(opened->store->KMList.RecordCount());
    opened.reset();
    state.ResumeTiming();
  }
  state.counters["trains"] = static_cast<double>(trains);
}
// Wall time until every table is ready (what the user waits for), and the CPU time of all
// threads, which does not grow when other processes share the machine.
BENCHMARK(BM_OpenTimetableFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
