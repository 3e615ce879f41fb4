#include "ui/application.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

#include "ui/print_grid.h"

namespace lanzhou::ui {

void SetUpApplication(QCoreApplication& app) {
  // The task bar's title. No display name: the window system would append it to every caption.
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  KeepUserSettingsForThisRunOnly();
  InstallChineseQtTexts(app);
}

bool InstallChineseQtTexts(QCoreApplication& app) {
  static QTranslator* installed = nullptr;
  if (installed != nullptr) return true;
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}

void KeepUserSettingsForThisRunOnly() {
  // Removed with its contents when the program ends.
  static QTemporaryDir run_folder(QDir::tempPath() + QStringLiteral("/lanzhou-run-XXXXXX"));
  static const bool redirected = [] {
    if (!run_folder.isValid()) return false;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, run_folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, run_folder.path());
    return true;
  }();
  (void)redirected;
}

}  // namespace lanzhou::ui
