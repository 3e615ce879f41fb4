// What the program leaves in the user's folders: an export writes only the chosen file (the
// file dialog keeps no history in the settings), and the shortcuts carry the program's icon.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

#include "ui/dialogs.h"
#include "ui/export_dialog.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

// HOME and the XDG folders in a fresh folder, set before Qt reads them.
class SandboxedHome : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    for (const char* sub : {"config", "data", "Desktop"}) QDir(home_.path()).mkpath(sub);
    ::setenv("HOME", home_.path().toUtf8().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8().constData(), 1);
    ::setenv("XDG_DATA_HOME", (home_.path() + "/data").toUtf8().constData(), 1);
    App();
  }
  static QString Path(const char* sub) { return home_.path() + QLatin1Char('/') + sub; }

 private:
  static inline QTemporaryDir home_;
};
[[maybe_unused]] ::testing::Environment* const kHome =
    ::testing::AddGlobalTestEnvironment(new SandboxedHome);

QStringList FilesUnder(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  return files;
}

TEST(UserFiles, AnExportThroughTheFileDialogStoresOnlyItsFolderInOurSettings) {
  const QString config = SandboxedHome::Path("config");
  ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), config);
  const QString target = SandboxedHome::Path("rows.csv");
  // Name the file in the real dialog and accept it, as a user would.
  bool dialog_seen = false;
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [&, weak = std::weak_ptr<std::function<void()>>(poll)] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      if (auto again = weak.lock()) QTimer::singleShot(10, [again] { (*again)(); });
      return;
    }
    dialog_seen = true;
    // Type the name and press Enter, as a user would.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) {
      ADD_FAILURE() << "no file name box";
      dialog->reject();
      return;
    }
    QTest::keyClicks(name, target);
    // The first Enter may only close the name box's completion list.
    for (int i = 0; i < 3 && dialog->isVisible(); ++i) {
      QWidget* popup = QApplication::activePopupWidget();
      QTest::keyClick(popup != nullptr ? popup : static_cast<QWidget*>(name), Qt::Key_Return);
    }
  };
  QTimer::singleShot(0, [poll] { (*poll)(); });
  ui::QtDialogs dialogs;
  const std::vector<report::GridRow> rows = {
      {"G1", "北京南", "上海虹桥", "高速", "北京南", "09:00", "上海虹桥", "13:48", "3", "1318",
       "04:48", "555", "935", "-", "-"}};
  EXPECT_TRUE(ui::ExportGridCsv(dialogs, nullptr, report::GridKind::Main, rows));
  EXPECT_TRUE(dialog_seen);
  EXPECT_TRUE(QFile::exists(target));
  // Only the program's own settings file, remembering the folder; nothing of the toolkit's.
  EXPECT_EQ(FilesUnder(config), QStringList{config + QStringLiteral("/lanzhou/lanzhou.conf")});
  QFile settings(config + QStringLiteral("/lanzhou/lanzhou.conf"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(settings.readAll())
                  .contains(QStringLiteral("save_folder=") + QFileInfo(target).absolutePath()));
}

TEST(UserFiles, ShortcutsCarryTheInstalledIcon) {
  TestWindow t(/*start_loaders=*/false);
  QMenu* menu = t.window->MAdvanced();
  for (const auto& [action, folder] : {std::pair{"MDesktop", "Desktop"},
                                       std::pair{"NStart", "data/applications"}}) {
    menu->findChild<QAction*>(QString::fromUtf8(action))->trigger();
    QFile launcher(SandboxedHome::Path(folder) + QStringLiteral("/岚舟时刻.desktop"));
    ASSERT_TRUE(launcher.open(QIODevice::ReadOnly)) << action;
    const QStringList lines = QString::fromUtf8(launcher.readAll()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("Icon=lanzhou"))) << action;
  }
}

}  // namespace
}  // namespace lanzhou::testing
