#include "ui/dialogs.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QSpacerItem>

#include "ui/application.h"

namespace lanzhou::ui {

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
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                const QString& default_suffix) {
  // The dialog writes its history into the user's settings when it closes.
  KeepUserSettingsForThisRunOnly();
  QFileDialog dialog(parent, caption, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(default_suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

}  // namespace lanzhou::ui
