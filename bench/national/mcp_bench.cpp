// lanzhou-query mcp on the national timetable file, spoken to over pipes as an assistant speaks
// to it: the first answer after the start (the tables are loaded before the first message is
// read), and a journeys tool call inside a running server.
#include <benchmark/benchmark.h>

#include <string>

#include "cli/child_pipes.h"

namespace {

using lanzhou::testing::ChildPipes;

const std::string kInitialize =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"bench","version":"1"}}})";

std::string JourneysCall(int id, const std::string& from, const std::string& to) {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
         R"(,"method":"tools/call","params":{"name":"journeys","arguments":{"from":")" + from +
         R"(","to":")" + to + R"("}}})";
}

ChildPipes Start() {
  return ChildPipes(LANZHOU_QUERY_BINARY, {"mcp", "--timetable", LANZHOU_NATIONAL_TIMETABLE_FILE},
                    "/dev/null");
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

// From the start of the process to the answer of a first journeys call, which also builds the
// journey network.
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

// One journeys call inside a running server, from the request written to the answer read.
void BM_McpJourneysCall(benchmark::State& state, const std::string& from, const std::string& to) {
  ChildPipes server = Start();
  int id = 1;
  if (!server.Send(kInitialize) || !server.Receive() ||
      !server.Send(JourneysCall(++id, from, to)) || !server.Receive()) {
    state.SkipWithError("the server did not answer");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    server.Send(JourneysCall(++id, from, to));
    const auto answer = server.Receive();
    if (!answer) {
      state.SkipWithError("no answer");
      break;
    }
    bytes = answer->size();
  }
  state.counters["answer_bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(BM_McpJourneysCall, beijing_shanghai, "北京", "上海")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_McpJourneysCall, harbin_kunming, "哈尔滨", "昆明")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
