#pragma once
// The look the windows share: the 宋体 font (with the CJK fonts Debian ships as stand-ins),
// background colours, the small framed boxes behind titles, labels placed by their top-left
// corner, and the push buttons' faces.
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace lanzhou::ui {

inline constexpr QRgb kPanelBackground = 0xE3EFF3;   // P1, the dialogs, the status bar
inline constexpr QRgb kTitleBoxColour = 0xF2F2F9;    // boxes behind column titles
inline constexpr QRgb kHeadingBoxColour = 0xFEFCDA;  // boxes behind the grid's group headings
inline constexpr QRgb kLinkBlue = 0x0000FF;
inline constexpr QRgb kLinkGreen = 0x008000;

// 宋体 at a pixel size; where it is missing, Noto Sans CJK SC or WenQuanYi.
[[nodiscard]] QFont WindowFont(int pixel_size = 12, bool bold = false);

// The windows' light look whatever the desktop's scheme: their backgrounds are fixed light
// colours, so their texts, boxes and buttons must be dark on light too (no white on white under
// a dark desktop palette).
[[nodiscard]] QPalette WindowPalette();

// Fills the widget's background with a plain colour.
void SetBackground(QWidget* widget, QColor colour);

// A filled rectangle; border (if valid) draws a one-pixel frame.
QFrame* MakeBox(QWidget* parent, const QString& name, int left, int top, int width, int height,
                QColor fill, QColor border = {});

// A label whose text's top-left corner sits at (left, top), sized to its text.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  QColor colour = Qt::black, int pixel_size = 12, bool bold = false);

// A push button with the windows' face (#F4F4F0), hot-track (#FFC73C) and pressed (#6A8DF4)
// colours and a visible keyboard focus.
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int left,
                        int top, int width, int height);

// Makes a label a link: underlined, hand cursor, given colour.
void MakeLink(QLabel* label, QColor colour);

// Moves a dialog to the middle of its parent's window (nothing without a parent).
void CentreOnParent(QWidget* dialog, QWidget* parent);

// The hourglass while a sort or a query rewrites a grid.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace lanzhou::ui
