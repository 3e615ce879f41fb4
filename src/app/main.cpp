#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("岚舟时刻"));
  QLabel window(QStringLiteral("岚舟时刻"));
  window.setWindowTitle(QStringLiteral("岚舟时刻"));
  window.resize(985, 681);
  window.show();
  return app.exec();
}
