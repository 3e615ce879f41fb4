// The train diagram on one core: the geometry of a line (the line, its rows, every train's pieces),
// the train numbers placed for the window's scale, and a redraw of the window's view (a
// 1100 x 650 picture, as the window paints it). Built twice: diagram_bench on the shipped sample
// (宝鸡–成都) and bench/national/diagram_national_bench on the national timetable of 2024-07-05
// (北京南–上海虹桥, the whole day), there also on the whole period with its running days
// (the trains of Friday 2024-07-05: the *Dated benchmarks).
//
//   taskset -c 0 build/bench/national/diagram_national_bench
//
// Counters: trains and rows drawn, labels placed.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>
#include <string>

#include "cli/table_loading.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "diagram/diagram.h"
#include "journey/journey.h"
#include "journey/network.h"
#include "lanzhou_timetable.h"
#include "ui/diagram_paint.h"

namespace {

using lanzhou::data::ResourceRegistry;
using lanzhou::data::TimetableStore;
namespace diagram = lanzhou::diagram;
namespace journey = lanzhou::journey;

struct Dataset {
  ResourceRegistry registry;
  std::unique_ptr<TimetableStore> store;
  std::optional<journey::Network> network;
  diagram::Request request;
  std::string failure;
};

void Prepare(Dataset& d, const lanzhou::cli::TableSource& source, const char* from,
             const char* to) {
  d.store = std::make_unique<TimetableStore>(d.registry);
  const auto failures = lanzhou::cli::LoadTables(source, *d.store);
  if (!failures.empty()) {
    d.failure = failures.front().table + ": " + failures.front().message;
    return;
  }
  d.network = journey::BuildNetwork(*d.store);
  if (!d.network) {
    d.failure = "the network was not built";
    return;
  }
  journey::Request endpoints;
  journey::SetEndpoints(d.store->KMSM, from, to, endpoints);
  d.request.from_name = from;
  d.request.to_name = to;
  d.request.from = endpoints.from;
  d.request.to = endpoints.to;
}

Dataset& Data() {
  static Dataset* d = [] {
    auto* out = new Dataset;
#if defined(LANZHOU_NATIONAL_TABLES)
    try {
      Prepare(*out, lanzhou::cli::TableSource::Folder(LANZHOU_NATIONAL_TABLES), "北京南",
              "上海虹桥");
    } catch (const std::exception& e) {
      out->failure = std::string("no national tables (") + e.what() +
                     "); they are built from ../shared/realdata when it is there at configure time";
    }
#else
    out->registry.Register(lanzhou::resources::TimetableResources());
    Prepare(*out, lanzhou::cli::TableSource::Embedded(out->registry), "宝鸡", "成都");
#endif
    return out;
  }();
  return *d;
}

#if defined(LANZHOU_NATIONAL_PERIOD_TABLES)
// The whole period: the diagram of 2024-07-05, each run drawn on the days its version runs.
Dataset& DatedData() {
  static Dataset* d = [] {
    auto* out = new Dataset;
    try {
      Prepare(*out, lanzhou::cli::TableSource::Folder(LANZHOU_NATIONAL_PERIOD_TABLES), "北京南",
              "上海虹桥");
      if (out->network) {
        diagram::SetDay(out->request, *out->network, lanzhou::data::ParseIsoDate("2024-07-05"));
      }
    } catch (const std::exception& e) {
      out->failure = std::string("no national period tables (") + e.what() + ")";
    }
    return out;
  }();
  return *d;
}
#endif

QGuiApplication& App() {
  static int argc = 3;
  static char name[] = "diagram_bench", option[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  static auto* app = new QGuiApplication(argc, argv);
  return *app;
}

bool Skip(benchmark::State& state, const Dataset& d) {
  if (d.failure.empty()) return false;
  state.SkipWithError(d.failure.c_str());
  return true;
}

void BM_Geometry(benchmark::State& state, Dataset& (*data)()) {
  Dataset& d = data();
  if (Skip(state, d)) return;
  std::size_t trains = 0, rows = 0;
  for (auto _ : state) {
    const std::optional<diagram::Diagram> drawn = diagram::BuildDiagram(*d.network, d.request);
    trains = drawn ? drawn->trains.size() : 0;
    rows = drawn ? drawn->line.rows.size() : 0;
    benchmark::DoNotOptimize(drawn);
  }
  state.counters["trains"] = static_cast<double>(trains);
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK_CAPTURE(BM_Geometry, , Data)->Unit(benchmark::kMillisecond);

// What the window does on 画图 or a resize: the geometry, the labels for the view's scale, and
// one paint of the view.
void BM_GeometryAndRedraw(benchmark::State& state, Dataset& (*data)()) {
  Dataset& d = data();
  if (Skip(state, d)) return;
  App();
  QImage image(1100, 650, QImage::Format_ARGB32_Premultiplied);
  const QFont font = lanzhou::ui::DiagramFont();
  std::size_t labels = 0;
  for (auto _ : state) {
    const std::optional<diagram::Diagram> drawn = diagram::BuildDiagram(*d.network, d.request);
    if (!drawn) {
      state.SkipWithError("no line");
      return;
    }
    const lanzhou::ui::DiagramFrame frame =
        lanzhou::ui::FitDiagram(*drawn, QRectF(0, 0, image.width(), image.height()), font);
    const std::vector<diagram::Label> placed = diagram::PlaceLabels(*drawn, frame.Scale());
    image.fill(Qt::white);
    QPainter painter(&image);
    lanzhou::ui::PaintDiagram(painter, *drawn, frame, placed, lanzhou::ui::DiagramTitle(*drawn));
    painter.end();
    labels = placed.size();
  }
  state.counters["labels"] = static_cast<double>(labels);
}
BENCHMARK_CAPTURE(BM_GeometryAndRedraw, , Data)->Unit(benchmark::kMillisecond);
#if defined(LANZHOU_NATIONAL_PERIOD_TABLES)
BENCHMARK_CAPTURE(BM_Geometry, Dated, DatedData)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GeometryAndRedraw, Dated, DatedData)->Unit(benchmark::kMillisecond);
#endif

// A repaint alone (panning): the geometry and labels stay.
void BM_Redraw(benchmark::State& state) {
  Dataset& d = Data();
  if (Skip(state, d)) return;
  App();
  const std::optional<diagram::Diagram> drawn = diagram::BuildDiagram(*d.network, d.request);
  if (!drawn) {
    state.SkipWithError("no line");
    return;
  }
  QImage image(1100, 650, QImage::Format_ARGB32_Premultiplied);
  const lanzhou::ui::DiagramFrame frame = lanzhou::ui::FitDiagram(
      *drawn, QRectF(0, 0, image.width(), image.height()), lanzhou::ui::DiagramFont());
  const std::vector<diagram::Label> placed = diagram::PlaceLabels(*drawn, frame.Scale());
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    lanzhou::ui::PaintDiagram(painter, *drawn, frame, placed, lanzhou::ui::DiagramTitle(*drawn));
  }
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMillisecond);

// The same without the train numbers: what the lines and the grid cost.
void BM_RedrawLinesOnly(benchmark::State& state) {
  Dataset& d = Data();
  if (Skip(state, d)) return;
  App();
  const std::optional<diagram::Diagram> drawn = diagram::BuildDiagram(*d.network, d.request);
  if (!drawn) {
    state.SkipWithError("no line");
    return;
  }
  QImage image(1100, 650, QImage::Format_ARGB32_Premultiplied);
  const lanzhou::ui::DiagramFrame frame = lanzhou::ui::FitDiagram(
      *drawn, QRectF(0, 0, image.width(), image.height()), lanzhou::ui::DiagramFont());
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    lanzhou::ui::PaintDiagram(painter, *drawn, frame, {}, lanzhou::ui::DiagramTitle(*drawn));
  }
}
BENCHMARK(BM_RedrawLinesOnly)->Unit(benchmark::kMillisecond);

}  // namespace
