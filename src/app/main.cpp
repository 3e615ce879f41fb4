// Program start: the application titled "岚舟时刻", the main window FrmPelory over the embedded
// resources (or the timetable file of --timetable, else the one chosen last time in the menu),
// the message loop until that window closes.
#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "data/resource_registry.h"
#include "lanzhou_ui_resources.h"
#include "system/settings.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#include "ui/web_view.h"
#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
#include "lanzhou_test_fixtures.h"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: lanzhou [--timetable FILE]\n"
    "Opens the 岚舟时刻 window. --timetable FILE answers from a timetable file (made by\n"
    "lanzhou-timetable) instead of the built-in sample; without it the window opens the\n"
    "timetable last chosen in its 高级 menu.\n";

// The words of the program's own options; Qt's options were taken out by QApplication.
struct Arguments {
  std::optional<std::filesystem::path> timetable;
  bool help = false;
  std::string error;
};

Arguments ParseArguments(const QStringList& words) {
  Arguments args;
  for (qsizetype i = 1; i < words.size(); ++i) {
    const QString& word = words[i];
    if (word == QStringLiteral("--help") || word == QStringLiteral("-h")) {
      args.help = true;
    } else if (word == QStringLiteral("--timetable") && i + 1 < words.size()) {
      args.timetable = std::filesystem::path(words[++i].toStdString());
    } else if (word.startsWith(QStringLiteral("--timetable="))) {
      args.timetable = std::filesystem::path(word.mid(12).toStdString());
    } else {
      args.error = "lanzhou: unknown argument '" + word.toStdString() + "'\n";
    }
  }
  return args;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Chromium refuses to start its sandbox as root; the embedded pages are ours or the partner's.
  if (geteuid() == 0) {
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  }
  // QtWebEngine shares OpenGL contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("岚舟时刻"));
  QApplication::setApplicationDisplayName(QStringLiteral("岚舟时刻"));
  const Arguments args = ParseArguments(QApplication::arguments());
  if (args.help || !args.error.empty()) {
    (args.help ? std::cout : std::cerr) << args.error << kUsage;
    return args.help ? 0 : 2;
  }

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
  deps.timetable_file = lanzhou::system::TimetableAtStart(args.timetable);
  auto window = std::make_unique<lanzhou::ui::TFrmPelory>(std::move(deps));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  window->show();
  const int code = QApplication::exec();
  window.reset();
  return code;
}
