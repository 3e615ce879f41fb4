// Program start: the application titled "岚舟时刻", the main window FrmPelory over the embedded
// resources, the message loop until that window closes.
#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <memory>

#include "data/resource_registry.h"
#include "lanzhou_ui_resources.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#include "ui/web_view.h"
#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
#include "lanzhou_test_fixtures.h"
#endif

int main(int argc, char* argv[]) {
  // Chromium refuses to start its sandbox as root; the embedded pages are ours or the partner's.
  if (geteuid() == 0) {
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  }
  // QtWebEngine shares OpenGL contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  lanzhou::ui::SetUpApplication(app);

  lanzhou::data::ResourceRegistry registry;
#if defined(LANZHOU_HAVE_TIMETABLE)
  registry.Register(lanzhou::resources::TimetableResources());
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
  registry.Register(lanzhou::testing::FixtureResources());
#endif
  registry.Register(lanzhou::resources::WindowResources());

  lanzhou::ui::QtDialogs dialogs;
  lanzhou::ui::FrmPeloryDeps deps;
  deps.registry = &registry;
  deps.dialogs = &dialogs;
  deps.web_views = &lanzhou::ui::CreateEngineWebView;
  deps.net_check = lanzhou::net::NetCheckConfig{};
  auto window = std::make_unique<lanzhou::ui::TFrmPelory>(std::move(deps));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  window->show();
  const int code = QApplication::exec();
  window.reset();
  return code;
}
