#pragma once
// The about box FrmAbout: the logo, the version, the maker's web address as a link and the
// credits. Modal, on top, centred on the main window; it lives only while shown.
#include <QDialog>
#include <QPixmap>

class QLabel;

namespace lanzhou::ui {

class ClickLabel;

class TFrmAbout : public QDialog {
  Q_OBJECT

 public:
  // `logo` is the main window's logo picture, shown by ImageLogo; `credit` names the source of
  // the timetable in use (timetable::SourceCredit), shown by Label1.
  TFrmAbout(const QPixmap& logo, const QString& credit, QWidget* parent = nullptr);

  // Label2's click: opens the maker's home page.
  void Label2Click();

 private:
  QLabel* image_logo_ = nullptr;
  QLabel* lab_ver_ = nullptr;
  ClickLabel* label2_ = nullptr;
};

// MAboutClick (BTNAbout and MAbout): shows the about box modally over `parent` and disposes of
// it when closed.
void MAboutClick(QWidget* parent, const QPixmap& logo, const QString& credit);

}  // namespace lanzhou::ui
