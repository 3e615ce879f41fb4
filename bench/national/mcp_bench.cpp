// lanzhou-query mcp on the national timetable file, spoken to over pipes as an assistant speaks
// to it: the first answers after the start (the handshake is answered while the tables load; a
// tool call waits for them and the journey network), and a journeys call in a running server.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

#include "cli/child_pipes.h"

namespace {

using lanzhou::testing::ChildPipes;

const std::string kInitialize =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"bench","version":"1"}}})";

// A journeys call; a date (YYYY-MM-DD) when one is given.
std::string JourneysCall(int id, const std::string& from, const std::string& to,
                         const std::string& date = "") {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
         R"(,"method":"tools/call","params":{"name":"journeys","arguments":{"from":")" + from +
         R"(","to":")" + to + (date.empty() ? "" : R"(","date":")" + date) + R"("}}})";
}

// CPU seconds (user and system) of the ended children so far.
double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds (user and system) a running process has used, from /proc (10 ms ticks).
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  double ticks = 0;
  for (int i = 1; i <= 15 && stat >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

ChildPipes Start(const char* file = LANZHOU_NATIONAL_TIMETABLE_FILE) {
  return ChildPipes(LANZHOU_QUERY_BINARY, {"mcp", "--timetable", file}, "/dev/null");
}

// From the start of the process to the answer to initialize.
void BM_McpFirstAnswer(benchmark::State& state) {
  for (auto _ : state) {
    ChildPipes server = Start();
    if (!server.Send(kInitialize) || !server.Receive()) state.SkipWithError("no answer");
    state.PauseTiming();
    server.Wait();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_McpFirstAnswer)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// From the start of the process to the answer of a first tool call, sent right after the
// handshake: the tables loaded and the journey network built.
void BM_McpFirstToolAnswer(benchmark::State& state) {
  const std::string info =
      R"({"jsonrpc":"2.0","id":2,"method":"tools/call","params":{"name":"timetable_info","arguments":{}}})";
  // The server's own CPU time until it ended, beside the wall time the benchmark measures.
  const double cpu_before = ChildrenCpuSeconds();
  for (auto _ : state) {
    ChildPipes server = Start();
    if (!server.Send(kInitialize) || !server.Send(info) || !server.Receive() || !server.Receive()) {
      state.SkipWithError("no answer");
    }
    state.PauseTiming();
    server.Wait();
    state.ResumeTiming();
  }
  state.counters["server_cpu_ms"] =
      (ChildrenCpuSeconds() - cpu_before) * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_McpFirstToolAnswer)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// From the start of the process to the answer of a first journeys call.
void BM_McpFirstJourneys(benchmark::State& state) {
  for (auto _ : state) {
    ChildPipes server = Start();
    if (!server.Send(JourneysCall(1, "北京", "上海")) || !server.Receive()) {
      state.SkipWithError("no answer");
    }
    state.PauseTiming();
    server.Wait();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_McpFirstJourneys)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// One journeys call inside a running server, from the request written to the answer read: on
// the one-day file, or on the whole period for a date (only that day's trains, each leg dated).
void BM_McpJourneysCall(benchmark::State& state, const std::string& from, const std::string& to,
                        const char* file = LANZHOU_NATIONAL_TIMETABLE_FILE,
                        const std::string& date = "") {
  ChildPipes server = Start(file);
  int id = 1;
  if (!server.Send(kInitialize) || !server.Receive() ||
      !server.Send(JourneysCall(++id, from, to, date)) || !server.Receive()) {
    state.SkipWithError("the server did not answer");
    return;
  }
  std::size_t bytes = 0;
  const double cpu_before = ProcessCpuSeconds(server.Pid());
  for (auto _ : state) {
    server.Send(JourneysCall(++id, from, to, date));
    const auto answer = server.Receive();
    if (!answer) {
      state.SkipWithError("no answer");
      break;
    }
    bytes = answer->size();
  }
  state.counters["answer_bytes"] = static_cast<double>(bytes);
  // The server's CPU time per call, which the machine's other work does not stretch.
  state.counters["server_cpu_ms"] = (ProcessCpuSeconds(server.Pid()) - cpu_before) * 1e3 /
                                    static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_McpJourneysCall, beijing_shanghai, "北京", "上海")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_McpJourneysCall, harbin_kunming, "哈尔滨", "昆明")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_McpJourneysCall, period_beijing_shanghai_dated, "北京", "上海",
                  LANZHOU_NATIONAL_PERIOD_FILE, "2024-07-05")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_McpJourneysCall, period_harbin_kunming_dated, "哈尔滨", "昆明",
                  LANZHOU_NATIONAL_PERIOD_FILE, "2024-07-05")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
