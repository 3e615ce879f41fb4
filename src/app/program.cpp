#include "app/program.h"

#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <memory>

#include "data/resource_registry.h"
#include "lanzhou_ui_resources.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#include "ui/web_view.h"
#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
#include "lanzhou_test_fixtures.h"
#endif

namespace lanzhou::app {

int RunProgram(int argc, char* argv[], const WindowHook& on_window) {
#if defined(LANZHOU_WEB_ENGINE)
  // Chromium refuses to start its sandbox as root; the embedded pages are ours or the partner's.
  if (geteuid() == 0) {
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  }
  // QtWebEngine shares OpenGL contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("岚舟时刻"));
  QApplication::setApplicationDisplayName(QStringLiteral("岚舟时刻"));

  data::ResourceRegistry registry;
#if defined(LANZHOU_HAVE_TIMETABLE)
  registry.Register(resources::TimetableResources());
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
  registry.Register(testing::FixtureResources());
#endif
  registry.Register(resources::WindowResources());

  ui::QtDialogs dialogs;
  ui::FrmPeloryDeps deps;
  deps.registry = &registry;
  deps.dialogs = &dialogs;
  deps.web_views = &ui::CreatePageView;
  deps.net_check = net::NetCheckConfig{};
  auto window = std::make_unique<ui::TFrmPelory>(std::move(deps));
  if (on_window) on_window(*window);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  window->show();
  const int code = QApplication::exec();
  window.reset();
  return code;
}

}  // namespace lanzhou::app
