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
  // The save-file dialog, offering `suggested_name` (may be empty) in the folder last saved to;
  // an empty result means the user cancelled.
  virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                               const QString& default_suffix, const QString& suggested_name) = 0;
  // The open-file dialog; an empty result means the user cancelled, which is also the answer of
  // dialogs that never offer a file to open.
  virtual QString OpenFileName(QWidget* /*parent*/, const QString& /*caption*/,
                               const QString& /*filter*/) {
    return {};
  }
};

// A file name from a query's words: "北京-上海" from {"北京", "上海"}; characters no file name
// may hold ("/", "\\", ":", "*", "?", "\"", "<", ">", "|") become "-", blanks are trimmed.
[[nodiscard]] QString SuggestedFileStem(const QStringList& words);

// The real dialogs of the platform. A message box answers only to its buttons' own keys with
// Alt, Enter, Escape and clicks: a letter typed into the window as it opens does nothing.
class QtDialogs final : public Dialogs {
 public:
  QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                      const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  // Opens in the remembered folder (else the home folder) and remembers the chosen file's folder.
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                       const QString& default_suffix, const QString& suggested_name) override;
  QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
};

}  // namespace lanzhou::ui
