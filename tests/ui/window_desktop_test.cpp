// The main window and its dialogs as a desktop user meets them: windows that grow, shrink back
// and come back where they were left; a keyboard that reaches everything and shows where it
// is; message boxes a stray key cannot answer; offline pages that say so; a dark desktop.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QSpinBox>
#include <cmath>
#include <set>

#include "system/settings.h"
#include "temp_dir.h"
#include "text/gbk.h"
#include "ui/frm_journey.h"
#include "ui/frm_msg.h"
#include "ui/frm_zzz.h"
#include "ui/window_frame.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

struct ActiveWindow : LoadedWindow {
  ActiveWindow() {
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
};

// The right edge of column c of a grid, in its parent's coordinates.
int ColumnRight(const ui::GridView* grid, int c) {
  return grid->x() + grid->frameWidth() + grid->columnViewportPosition(c) + grid->columnWidth(c);
}

TEST(WindowSize, TheMainWindowGrowsItsGridAndShrinksBackToItsDesign) {
  LoadedWindow t;
  QWidget& w = *t.window;
  ui::GridView* grid = t.Grid();
  const QRect design_grid = grid->geometry();
  const QRect design_group = t.Find("GroupBox1")->geometry();
  const QRect design_update = t.Find("BtnUpdate")->geometry();
  const int design_rows = grid->viewport()->height() / ui::kGridRowHeight;
  EXPECT_EQ(design_rows, 16);
  // Where each title ends against where its column ends, as designed.
  const auto title_of = [&](int c) {
    return t.Find(QStringLiteral("Lab%1").arg(c + 1).toUtf8().constData());
  };
  std::vector<int> design_offsets;
  for (int c = 0; c < 15; ++c) {
    design_offsets.push_back(title_of(c)->geometry().right() - ColumnRight(grid, c));
  }

  // As a maximised window on a 1920 × 1080 desktop leaves it.
  w.resize(1920, 1040);
  QApplication::processEvents();
  const int dw = 1920 - 985;
  const int dh = 1040 - 681;
  EXPECT_EQ(grid->geometry(), design_grid.adjusted(0, 0, dw, dh));
  EXPECT_EQ(t.Find("GroupBox1")->geometry(), design_group.translated(0, dh));
  EXPECT_EQ(t.Find("BtnUpdate")->geometry(), design_update.translated(dw, dh));
  EXPECT_EQ(t.Find("StatusBar1")->geometry(), QRect(0, 1040 - 19, 1920, 19));
  EXPECT_GE(grid->viewport()->height() / ui::kGridRowHeight, design_rows + dh / ui::kGridRowHeight);
  // The columns share the width; each title still ends where its column ends.
  int columns = 0;
  for (int c = 0; c < 15; ++c) {
    columns += grid->columnWidth(c);
    EXPECT_EQ(title_of(c)->geometry().right() - ColumnRight(grid, c),
              design_offsets[static_cast<std::size_t>(c)])
        << c;
    EXPECT_GT(grid->columnWidth(c), 0);
  }
  const int design_columns = 97 + 77 + 77 + 70 + 77 + 45 + 77 + 45 + 32 + 45 + 37 + 42 + 43 + 91 + 70;
  EXPECT_EQ(columns, design_columns + dw);

  // Smaller than the design is refused; back at the design size every control is where it was.
  w.resize(600, 400);
  EXPECT_EQ(w.size(), QSize(985, 681));
  QApplication::processEvents();
  EXPECT_EQ(grid->geometry(), design_grid);
  EXPECT_EQ(t.Find("GroupBox1")->geometry(), design_group);
  EXPECT_EQ(grid->columnWidth(0), 88);  // the train column gives room to a wider 到时
  EXPECT_EQ(grid->columnWidth(14), 70);
}

TEST(WindowSize, PlacesAreRememberedAndTakenBackOnlyOnAScreen) {
  TempDir dir;
  const ScopedEnv config("XDG_CONFIG_HOME", dir.path().string());
  {
    TestWindow t(false);
    t.window->show();
    t.window->setGeometry(40, 50, 1200, 800);
    t.window->close();
  }
  const system::Settings settings = system::ReadSettings();
  ASSERT_EQ(settings.windows.count("FrmPelory"), 1u);
  EXPECT_EQ(settings.windows.at("FrmPelory").width, 1200);
  EXPECT_EQ(settings.windows.at("FrmPelory").height, 800);
  {
    TestWindow t(false);
    ui::RestoreWindowPlace(t.window.get(), "FrmPelory");
    EXPECT_EQ(t.window->size(), QSize(1200, 800));
  }
  // A place below the smallest size grows to it; one on no screen keeps only its size.
  system::UpdateSettings([](system::Settings& s) {
    s.windows["FrmPelory"] = {-50000, -50000, 300, 200, false};
  });
  {
    TestWindow t(false);
    const QPoint before = t.window->pos();
    ui::RestoreWindowPlace(t.window.get(), "FrmPelory");
    EXPECT_EQ(t.window->size(), QSize(985, 681));
    EXPECT_EQ(t.window->pos(), before);
  }
}

// The detail window and the chooser grow too, from their design sizes up.
TEST(WindowSize, TheDetailWindowAndTheChooserGrow) {
  ActiveWindow t;
  t.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  ASSERT_EQ(t.Result(), QStringLiteral("结果:1"));
  QSize minimum;
  int grid_growth = -1;
  OnNextModal([&](QDialog* dialog) {
    auto* detail = qobject_cast<ui::TFrmMsg*>(dialog);
    ASSERT_NE(detail, nullptr);
    minimum = detail->minimumSize();
    const int before = detail->MGrid()->height();
    detail->resize(426, 603);
    QApplication::processEvents();
    grid_growth = detail->MGrid()->height() - before;
    EXPECT_EQ(detail->findChild<QWidget*>(QStringLiteral("BTNClose"))->y(), 366 + 200);
  });
  // Enter on the grid with no row selected opens the first row.
  t.Grid()->setFocus();
  Press(Qt::Key_Return);
  EXPECT_EQ(minimum, QSize(426, 403));
  EXPECT_EQ(grid_growth, 200);

  t.SetBox("ComboFZ", QStringLiteral("广州"));
  t.SetBox("ComboDZ", QStringLiteral("保定"));
  QSize chooser_minimum;
  int chooser_growth = -1;
  OnNextModal([&](QDialog* dialog) {
    auto* chooser = qobject_cast<ui::TFrmZzz*>(dialog);
    ASSERT_NE(chooser, nullptr);
    chooser_minimum = chooser->minimumSize();
    const int before = chooser->ZGrid()->width();
    chooser->resize(732, 356);
    QApplication::processEvents();
    chooser_growth = chooser->ZGrid()->width() - before;
  });
  QTest::mouseClick(t.Find<QPushButton>("BTNZZZZ"), Qt::LeftButton);
  EXPECT_EQ(chooser_minimum, QSize(532, 356));
  EXPECT_EQ(chooser_growth, 200);
}

TEST(Keyboard, TabWalksEveryControlThroughTheGridAndEachStopShowsItsFocus) {
  ActiveWindow t;
  t.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  t.Find("ComboFZ")->setFocus();
  std::vector<QWidget*> forward;
  for (int i = 0; i < 40; ++i) {
    Press(Qt::Key_Tab);
    QWidget* now = QApplication::focusWidget();
    ASSERT_NE(now, nullptr);
    if (now == t.Find("ComboFZ")) break;
    forward.push_back(now);
  }
  // The grid is one stop: the next Tab leaves it, Shift+Tab comes back.
  const auto at = std::find(forward.begin(), forward.end(), t.Grid());
  ASSERT_NE(at, forward.end());
  EXPECT_EQ(std::count(forward.begin(), forward.end(), t.Grid()), 1);
  t.Grid()->setFocus();
  Press(Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), t.Grid());
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), t.Grid());
  // Every stop is a kind of control that draws its focus: the grid by its own frame (below),
  // the others by the style or their style sheet.
  for (QWidget* stop : forward) {
    const bool marked = qobject_cast<ui::GridView*>(stop) || qobject_cast<QComboBox*>(stop) ||
                        qobject_cast<QLineEdit*>(stop) || qobject_cast<QPushButton*>(stop) ||
                        qobject_cast<QCheckBox*>(stop) || qobject_cast<QAbstractSpinBox*>(stop);
    EXPECT_TRUE(marked) << stop->metaObject()->className() << " " << stop->objectName().toStdString();
  }
  // The grid's focus frame: the same pixels differ with and without the focus.
  t.Grid()->setFocus();
  QApplication::processEvents();
  const QImage focused = t.Grid()->viewport()->grab().toImage();
  t.Find("ComboFZ")->setFocus();
  QApplication::processEvents();
  const QImage unfocused = t.Grid()->viewport()->grab().toImage();
  EXPECT_NE(focused.pixelColor(1, 40), unfocused.pixelColor(1, 40));
}

TEST(Keyboard, ShortcutsReachEachQueryBoxAndRepeatOrReverseTheQuery) {
  ActiveWindow t;
  QWidget* start = t.Grid();
  start->setFocus();
  const struct {
    Qt::Key key;
    const char* box;
  } boxes[] = {{Qt::Key_1, "ComboFZ"}, {Qt::Key_2, "ECC"}, {Qt::Key_3, "ComboCZ"}};
  for (const auto& b : boxes) {
    Press(b.key, Qt::AltModifier);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    // A combo box's focus may sit on its line edit.
    EXPECT_TRUE(focus == t.Find(b.box) || focus->parentWidget() == t.Find(b.box)) << b.box;
  }
  // Each shortcut is written where the user sees it.
  EXPECT_TRUE(t.Find("ComboFZ")->toolTip().contains(QStringLiteral("Alt+1")));
  EXPECT_TRUE(t.Find("ECC")->toolTip().contains(QStringLiteral("Alt+2")));
  EXPECT_TRUE(t.Find("ComboCZ")->toolTip().contains(QStringLiteral("Alt+3")));
  EXPECT_TRUE(t.Find("BTNZZFX")->toolTip().contains(QStringLiteral("Ctrl+R")));
  const QByteArray& help = t.window->AboutPageText();
  const std::string help_text =
      text::GbkToUtf8(std::string_view(help.constData(), static_cast<std::size_t>(help.size())));
  for (const char* key : {"Alt+1", "Alt+2", "Alt+3", "F5", "Ctrl+R"}) {
    EXPECT_NE(help_text.find(key), std::string::npos) << key;
  }

  t.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  ASSERT_EQ(Cell(t.Grid(), 0, 0), QStringLiteral("G1"));
  t.Grid()->setFocus();
  Press(Qt::Key_R, Qt::ControlModifier);  // 反向: 上海 to 北京
  EXPECT_EQ(t.Find<QComboBox>("ComboFZ")->currentText(), QStringLiteral("上海"));
  EXPECT_EQ(t.Find<QComboBox>("ComboDZ")->currentText(), QStringLiteral("北京"));
  const QString reversed = Cell(t.Grid(), 0, 0);
  EXPECT_NE(reversed, QStringLiteral("G1"));
  // F5 asks the last kind of query again with the boxes as they are now.
  t.SetBox("ComboFZ", QStringLiteral("北京"));
  t.SetBox("ComboDZ", QStringLiteral("上海"));
  Press(Qt::Key_F5);
  EXPECT_EQ(Cell(t.Grid(), 0, 0), QStringLiteral("G1"));
}

// A message box opened while the user is still typing: the letters do not answer it; its own
// keys (Enter for the default) still do.
TEST(MessageBoxes, AStrayLetterDoesNotAnswer) {
  App();
  ui::QtDialogs dialogs;
  bool still_open_after_letters = false;
  QTimer::singleShot(50, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    for (const Qt::Key key : {Qt::Key_N, Qt::Key_Y, Qt::Key_O}) {
      QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : box;
      QTest::keyClick(target, key);
    }
    still_open_after_letters = box->isVisible();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box,
                    Qt::Key_Escape);
  });
  const QMessageBox::StandardButton answer =
      dialogs.Message(nullptr, QMessageBox::Question, QStringLiteral("岚舟时刻"),
                      QStringLiteral("没有直达车次，要查找中转吗？"),
                      QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(still_open_after_letters);
  EXPECT_EQ(answer, QMessageBox::No);  // Escape: the box's own "no"
}

TEST(Offline, PagesAndVersionCheckSayTheNetworkIsNeededAndWhere) {
  TestWindow t(false);
  t.window->show();
  for (const auto& [button, address] :
       {std::pair{"TB2", ui::FlightPage()}, std::pair{"TB3", ui::HotelPage()},
        std::pair{"TB4", ui::RemainingTicketPage()}}) {
    QTest::mouseClick(t.Find(button), Qt::LeftButton);
    const FakeWebView* view = t.views[static_cast<std::size_t>(button[2] - '1')];
    EXPECT_TRUE(view->last_html.contains(QStringLiteral("需要网络连接"))) << button;
    EXPECT_TRUE(view->last_html.contains(address)) << button;
  }
  t.window->OnVersionMessage(QStringLiteral("网络未连通，无法获取最新版本信息。"));
  EXPECT_TRUE(t.Find<QLabel>("LabNew")->text().startsWith(QStringLiteral("需要网络连接")));
  EXPECT_TRUE(t.Find<QLabel>("LabNew")->text().contains(ui::MakerHomePage()));
}

TEST(Offline, ALinkNoBrowserCanOpenIsSaidInAMessageBox) {
  App();
  // No browser anywhere: nothing on the path, none named.
  const ScopedEnv path("PATH", std::string("/nonexistent"));
  const ScopedEnv browser("BROWSER", std::nullopt);
  const ui::UrlOpener before = ui::SetUrlOpener({});
  QString shown;
  QTimer::singleShot(50, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->reject();
    }
  });
  ui::OpenUrl(QStringLiteral("http://trip.lanzhou-shike.cn/r/hotel/1"));
  ui::SetUrlOpener(before);
  EXPECT_EQ(shown, ui::NoBrowserText(QStringLiteral("http://trip.lanzhou-shike.cn/r/hotel/1")));
}

// Relative luminance contrast of two colours (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a) + 0.05;
  const double lb = luminance(b) + 0.05;
  return la > lb ? la / lb : lb / la;
}

// The background a widget's text stands on: the nearest ancestor that fills its own.
QColor BackgroundOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w->autoFillBackground()) return w->palette().color(QPalette::Window);
  }
  return widget->palette().color(QPalette::Window);
}

TEST(DarkDesktop, NoTextIsLightOnTheWindowsLightBackgrounds) {
  App();
  const QPalette before = QApplication::palette();
  QPalette dark;
  for (const auto& [role, colour] :
       {std::pair{QPalette::Window, QColor(0x2B, 0x2B, 0x2B)},
        std::pair{QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE)},
        std::pair{QPalette::Base, QColor(0x1E, 0x1E, 0x1E)},
        std::pair{QPalette::Text, QColor(0xEE, 0xEE, 0xEE)},
        std::pair{QPalette::Button, QColor(0x35, 0x35, 0x35)},
        std::pair{QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE)}}) {
    dark.setColor(role, colour);
  }
  QApplication::setPalette(dark);
  {
    TestWindow t(false);
    t.window->show();
    int checked = 0;
    for (QWidget* w : t.window->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(t.window.get())) continue;
      const auto* label = qobject_cast<QLabel*>(w);
      // Texts in the colour they inherit (those given their own colour stand on their own
      // boxes: orange on black, blue on the panel).
      const bool inherited = w->parentWidget() != nullptr &&
                             w->palette().color(QPalette::WindowText) ==
                                 w->parentWidget()->palette().color(QPalette::WindowText);
      if (!inherited) continue;
      if ((label != nullptr && !label->text().isEmpty()) || qobject_cast<QCheckBox*>(w)) {
        const QColor text = w->palette().color(QPalette::WindowText);
        EXPECT_GE(Contrast(text, BackgroundOf(w)), 3.0) << w->objectName().toStdString();
        ++checked;
      } else if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w)) {
        EXPECT_GE(Contrast(w->palette().color(QPalette::Text), w->palette().color(QPalette::Base)),
                  3.0)
            << w->objectName().toStdString();
        ++checked;
      }
    }
    EXPECT_GT(checked, 20);
  }
  QApplication::setPalette(before);
}

}  // namespace
}  // namespace lanzhou::testing
