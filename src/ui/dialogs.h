#pragma once
// The window's seam to modal dialogs: message boxes and the save-file dialog go through this
// interface so widget tests can script the answers and record what was asked.
#include <QMessageBox>
#include <QString>

class QWidget;

namespace lanzhou::ui {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box; returns the button pressed (QMessageBox::Ok, Yes, No, Cancel ...).
  virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                              const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons) = 0;
  // The save-file dialog; an empty result means the user cancelled.
  virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                               const QString& default_suffix) = 0;
  // The open-file dialog; an empty result means the user cancelled, which is also the answer of
  // dialogs that never offer a file to open.
  virtual QString OpenFileName(QWidget* /*parent*/, const QString& /*caption*/,
                               const QString& /*filter*/) {
    return {};
  }
};

// The real dialogs of the platform.
class QtDialogs final : public Dialogs {
 public:
  QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                      const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                       const QString& default_suffix) override;
  QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
};

}  // namespace lanzhou::ui
