// The national import, from the raw crawl of 2024 (≈1.8 MB, 21,557 train versions) to the four
// table texts of 2024-07-05 (11,413 trains, 104,646 stops): parsing the three inputs, choosing
// the day's versions, grouping, initials, and writing the GBK texts. The input files are read
// once, outside the timing; lanzhou-timetable import-crawl adds only reading and writing files.
//
//   taskset -c 0 build/bench/national/import_crawl_bench
//
// LANZHOU_REALDATA_DIR in the environment names another folder of the real data.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "import/crawl_import.h"

namespace {

namespace fs = std::filesystem;
using lanzhou::import::CrawlImport;
using lanzhou::import::CrawlImportInput;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_ImportCrawl(benchmark::State& state) {
  const char* env = std::getenv("LANZHOU_REALDATA_DIR");
  const fs::path dir = env != nullptr ? env : LANZHOU_REALDATA_DIR;
  const std::string timetable = ReadWhole(dir / "cr2024/raw/cr240615.min.csv");
  const std::string stations = ReadWhole(dir / "stations/station_20240820.csv");
  const std::string groups = ReadWhole(dir / "citygroups/samecity.csv");
  if (timetable.empty() || stations.empty() || groups.empty()) {
    state.SkipWithError(("no real timetable under " + dir.string()).c_str());
    return;
  }
  CrawlImportInput in;
  in.timetable = timetable;
  in.stations = stations;
  in.groups = groups;
  in.day = lanzhou::import::ParseIsoDate("2024-07-05");
  long trains = 0, stops = 0;
  for (auto _ : state) {
    const CrawlImport result = lanzhou::import::ImportCrawl(in);
    trains = result.trains;
    stops = result.stops;
    benchmark::DoNotOptimize(result.texts.strain.data());
  }
  state.counters["trains"] = static_cast<double>(trains);
  state.counters["stops"] = static_cast<double>(stops);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(timetable.size()));
}
BENCHMARK(BM_ImportCrawl)->Unit(benchmark::kMillisecond);

// The whole period: every version with its running days, the calendar included.
void BM_ImportCrawlWholePeriod(benchmark::State& state) {
  const char* env = std::getenv("LANZHOU_REALDATA_DIR");
  const fs::path dir = env != nullptr ? env : LANZHOU_REALDATA_DIR;
  const std::string timetable = ReadWhole(dir / "cr2024/raw/cr240615.min.csv");
  const std::string stations = ReadWhole(dir / "stations/station_20240820.csv");
  const std::string groups = ReadWhole(dir / "citygroups/samecity.csv");
  if (timetable.empty() || stations.empty() || groups.empty()) {
    state.SkipWithError(("no real timetable under " + dir.string()).c_str());
    return;
  }
  CrawlImportInput in;
  in.timetable = timetable;
  in.stations = stations;
  in.groups = groups;
  long trains = 0;
  for (auto _ : state) {
    const CrawlImport result = lanzhou::import::ImportCrawl(in);
    trains = result.trains;
    benchmark::DoNotOptimize(result.texts.calendar.data());
  }
  state.counters["trains"] = static_cast<double>(trains);
}
BENCHMARK(BM_ImportCrawlWholePeriod)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
