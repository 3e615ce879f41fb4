#include "app/program.h"

#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "data/resource_registry.h"
#include "lanzhou_ui_resources.h"
#include "net/version_check.h"
#include "system/settings.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#include "ui/web_view.h"
#include "ui/window_frame.h"
#if defined(LANZHOU_HAVE_TIMETABLE)
#include "lanzhou_timetable.h"
#elif defined(LANZHOU_HAVE_TEST_TIMETABLE)
#include "lanzhou_test_fixtures.h"
#endif

namespace lanzhou::app {

namespace {

constexpr const char* kHelpText =
    "Usage: lanzhou [OPTIONS]\n"
    "\n"
    "Opens the window of 岚舟时刻, the offline timetable of the Chinese passenger railway: trains\n"
    "between two stations (a station name stands for its whole city), a train number, all trains\n"
    "at a station, and a train's full stop list, with section fares, sorting, filtering, printing\n"
    "and CSV export. A sample timetable is built into the program; a real one is opened from a\n"
    "timetable file (made by lanzhou-timetable). Tables load in the background.\n"
    "\n"
    "Options:\n"
    "  --timetable FILE  answer from the timetable file FILE instead of the timetable last\n"
    "                    chosen in the 高级 menu (at first the built-in sample)\n"
    "  -h, --help        this text\n"
    "  --version         the program's version\n"
    "\n"
    "Standard Qt options (-platform, -style, ...) are passed on to Qt.\n";

// --help and --version answer before any window system is needed, so they work in a terminal
// without a display (and for the man page, which is made from this text at build time).
bool AnswerInformationOption(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelpText, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      const std::string_view version = net::ProgramVersion;
      std::printf("lanzhou (岚舟时刻) %.*s\n", static_cast<int>(version.size()), version.data());
      return true;
    }
  }
  return false;
}

// The words of the program's own options; Qt's options were taken out by QApplication.
struct Arguments {
  std::optional<std::filesystem::path> timetable;
  std::string error;
};

Arguments ParseArguments(const QStringList& words) {
  Arguments args;
  for (qsizetype i = 1; i < words.size(); ++i) {
    const QString& word = words[i];
    if (word == QStringLiteral("--timetable") && i + 1 < words.size()) {
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

int RunProgram(int argc, char* argv[], const WindowHook& on_window) {
  if (AnswerInformationOption(argc, argv)) return 0;
#if defined(LANZHOU_WEB_ENGINE)
  // Chromium refuses to start its sandbox as root; the embedded pages are ours or the partner's.
  if (geteuid() == 0) {
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  }
  // QtWebEngine shares OpenGL contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
  QApplication app(argc, argv);
  ui::SetUpApplication(app);
  const Arguments args = ParseArguments(QApplication::arguments());
  if (!args.error.empty()) {
    std::cerr << args.error << kHelpText;
    return 2;
  }

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
  system::Settings settings = system::ReadSettings();
  deps.timetable_file = args.timetable ? args.timetable : settings.timetable;
  deps.settings_problem = std::move(settings.problem);
  auto window = std::make_unique<ui::TFrmPelory>(std::move(deps));
  if (on_window) on_window(*window);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  // Where the user left it last time, when that place is still on a screen.
  ui::RestoreWindowPlace(window.get(), "FrmPelory");
  window->show();
  const int code = QApplication::exec();
  window.reset();
  return code;
}

}  // namespace lanzhou::app
