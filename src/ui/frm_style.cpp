#include "ui/frm_style.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace lanzhou::ui {

QFont WindowFont(int pixel_size, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

QPalette WindowPalette() {
  // Built from the button face, so the bevel shades are light-scheme ones too.
  QPalette p(QColor(0xF4, 0xF4, 0xF0), QColor::fromRgb(kPanelBackground));
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::WindowText, Qt::black);
    p.setColor(group, QPalette::Text, Qt::black);
    p.setColor(group, QPalette::ButtonText, Qt::black);
    p.setColor(group, QPalette::Base, Qt::white);
    p.setColor(group, QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    p.setColor(group, QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    p.setColor(group, QPalette::Link, QColor::fromRgb(kLinkBlue));
    p.setColor(group, QPalette::BrightText, Qt::white);
  }
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    p.setColor(QPalette::Disabled, role, QColor(0xA0, 0xA0, 0xA0));
  }
  p.setColor(QPalette::Disabled, QPalette::Base, QColor(0xF0, 0xF0, 0xF0));
  p.setColor(QPalette::Disabled, QPalette::Window, QColor::fromRgb(kPanelBackground));
  return p;
}

void SetBackground(QWidget* widget, QColor colour) {
  QPalette p = widget->palette();
  p.setColor(QPalette::Window, colour);
  widget->setPalette(p);
  widget->setAutoFillBackground(true);
}

QFrame* MakeBox(QWidget* parent, const QString& name, int left, int top, int width, int height,
                QColor fill, QColor border) {
  auto* box = new QFrame(parent);
  box->setObjectName(name);
  box->setGeometry(left, top, width, height);
  box->setStyleSheet(QStringLiteral("QFrame#%1 { background: %2; border: %3; }")
                         .arg(name, fill.name(),
                              border.isValid() ? QStringLiteral("1px solid %1").arg(border.name())
                                               : QStringLiteral("none")));
  return box;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  QColor colour, int pixel_size, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(WindowFont(pixel_size, bold));
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int left,
                        int top, int width, int height) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(left, top, width, height);
  // Enter on a focused button presses it, in the main window as in the dialogs.
  button->setAutoDefault(true);
  button->setStyleSheet(QStringLiteral(
      "QPushButton { background: #F4F4F0; border: 1px solid #8E8F8F; border-radius: 2px; }"
      "QPushButton:hover { border: 1px solid #FFC73C; }"
      "QPushButton:focus { border: 1px solid #6A8DF4; }"
      "QPushButton:pressed { background: #6A8DF4; color: #FFFFFF; }"
      "QPushButton:disabled { color: #A0A0A0; }"
      "QPushButton::menu-indicator { subcontrol-position: right center; right: 4px; }"));
  return button;
}

void MakeLink(QLabel* label, QColor colour) {
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  label->setCursor(Qt::PointingHandCursor);
  label->adjustSize();
}

void CentreOnParent(QWidget* dialog, QWidget* parent) {
  if (parent == nullptr) return;
  const QRect outer = parent->window()->geometry();
  dialog->move(outer.center() - dialog->rect().center());
}

}  // namespace lanzhou::ui
