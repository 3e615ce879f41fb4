#include "ui/dialogs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QSpacerItem>

#include "system/atomic_file.h"
#include "system/settings.h"

#include "ui/application.h"

namespace lanzhou::ui {
namespace {

// A message box reads a bare letter as its button's mnemonic ("否(N)"): a user still typing a
// station's initials as the box opens would answer it by accident. Bare letters and digits are
// swallowed; Alt+letter, Enter, Escape, Space and the arrows work as usual.
class StrayKeyGuard : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool plain = (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
      const QString text = key->text();
      if (plain && text.size() == 1 && text[0].isLetterOrNumber()) return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

QString SuggestedFileStem(const QStringList& words) {
  QStringList parts;
  for (QString word : words) {
    word.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("-"));
    word = word.trimmed();
    if (!word.isEmpty()) parts.push_back(word);
  }
  return parts.join(QLatin1Char('-'));
}

QMessageBox::StandardButton QtDialogs::Message(QWidget* parent, QMessageBox::Icon icon,
                                               const QString& caption, const QString& text,
                                               QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, parent);
  // Wide enough for the caption in the title bar beside the window icon and its buttons, in a
  // title font up to a third larger than the box's.
  const int caption_width = box.fontMetrics().horizontalAdvance(caption) * 4 / 3 + 120;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(caption_width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  StrayKeyGuard guard;
  box.installEventFilter(&guard);
  for (QAbstractButton* button : box.buttons()) button->installEventFilter(&guard);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                const QString& default_suffix, const QString& suggested_name) {
  // The dialog writes its history into the user's settings when it closes.
  KeepUserSettingsForThisRunOnly();
  QString folder = QDir::homePath();
  if (const auto remembered = system::ReadSettings().save_folder) {
    const QString path = QString::fromStdString(remembered->string());
    if (QFileInfo(path).isDir()) folder = path;
  }
  QFileDialog dialog(parent, caption, folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(default_suffix);
  if (!suggested_name.isEmpty()) dialog.selectFile(QDir(folder).filePath(suggested_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString chosen = dialog.selectedFiles().constFirst();
  try {
    system::UpdateSettings([&](system::Settings& settings) {
      settings.save_folder = std::filesystem::path(QFileInfo(chosen).absolutePath().toStdString());
    });
  } catch (const system::FileWriteError&) {
    // The folder is a convenience; the file itself is what the user asked for.
  }
  return chosen;
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

}  // namespace lanzhou::ui
