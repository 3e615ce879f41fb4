// The painting module for lanzhou-query (see diagram/render_module.h): PaintDiagram behind one C
// entry, with the offscreen Qt platform the fonts need when no application is running.
#include <QGuiApplication>

#include "diagram/render_module.h"
#include "ui/diagram_paint.h"

extern "C" __attribute__((visibility("default"))) bool lanzhou_render_diagram(
    const lanzhou::diagram::Diagram* diagram, lanzhou::diagram::FileKind kind, std::string* bytes) {
  if (QGuiApplication::instance() == nullptr) {
    // The command reports its own errors; Qt's notes about the session (no XDG_RUNTIME_DIR, no
    // display) are not the user's business here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Made once and kept to the end of the process: Qt's fonts live as long as the application.
    static int argc = 3;
    static char name[] = "lanzhou-query", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static auto* application = new QGuiApplication(argc, argv);
    (void)application;
  }
  const QByteArray out = lanzhou::ui::RenderDiagram(*diagram, kind);
  if (out.isEmpty()) return false;
  bytes->assign(out.constData(), static_cast<std::size_t>(out.size()));
  return true;
}
