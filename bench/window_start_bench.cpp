// Start-up of the main window on the shipped timetable: from creating FrmPelory (which starts the
// loaders) to its first paint, and to the moment every station box and query button is enabled.
// The embedded browser is replaced by a plain widget: the window never waits for it.
//
//   QT_QPA_PLATFORM=offscreen taskset -c 0 build/bench/window_start_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <memory>

#include "data/resource_registry.h"
#include "lanzhou_ui_resources.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#else
#include "lanzhou_test_fixtures.h"
#endif

namespace {

using namespace lanzhou;

class PlainView final : public ui::WebView {
 public:
  explicit PlainView(QWidget* parent) : widget_(new QWidget(parent)) {}
  void Navigate(const QString&) override {}
  void ShowHtml(const QString&) override {}
  QWidget* Widget() override { return widget_; }

 private:
  QWidget* widget_;
};

// Notes the first paint of the window it watches.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && at_ms < 0) at_ms = clock_.nsecsElapsed() / 1e6;
    return false;
  }
  double at_ms = -1;

 private:
  const QElapsedTimer& clock_;
};

bool AllEnabled(const ui::TFrmPelory& window) {
  for (const char* name : {"BTNZZCX", "BTNZZZZ", "BTNCCCX", "BTNCZCX"}) {
    if (!window.findChild<QPushButton*>(QString::fromUtf8(name))->isEnabled()) return false;
  }
  for (const char* name : {"ComboFZ", "ComboDZ", "ComboCZ"}) {
    if (!window.findChild<QComboBox*>(QString::fromUtf8(name))->isEnabled()) return false;
  }
  return true;
}

void BM_WindowStart(benchmark::State& state) {
  data::ResourceRegistry registry;
#if defined(LANZHOU_HAVE_TIMETABLE)
  registry.Register(resources::TimetableResources());
#else
  registry.Register(testing::FixtureResources());
#endif
  registry.Register(resources::WindowResources());
  ui::QtDialogs dialogs;
  double paint_total = 0;
  double enabled_total = 0;
  for (auto _ : state) {
    ui::FrmPeloryDeps deps;
    deps.registry = &registry;
    deps.dialogs = &dialogs;
    deps.web_views = [](QWidget* parent, const QString&) {
      return std::unique_ptr<ui::WebView>(std::make_unique<PlainView>(parent));
    };
    QElapsedTimer clock;
    FirstPaint paint(clock);
    clock.start();
    auto window = std::make_unique<ui::TFrmPelory>(std::move(deps));
    window->installEventFilter(&paint);
    window->show();
    while (paint.at_ms < 0 || !AllEnabled(*window)) {
      QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double enabled_ms = clock.nsecsElapsed() / 1e6;
    state.SetIterationTime(enabled_ms / 1000);
    paint_total += paint.at_ms;
    enabled_total += enabled_ms;
    window.reset();
  }
  state.counters["first_paint_ms"] = paint_total / static_cast<double>(state.iterations());
  state.counters["enabled_ms"] = enabled_total / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WindowStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
