// The station boxes as people use them: keys go where the system sends them (the open list,
// else the focused widget) and clicks arrive through the window while the list holds the mouse.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>

#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

// A loaded window that is the active window, as on a desktop.
struct ActiveWindow : LoadedWindow {
  ActiveWindow() {
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  QComboBox* Box(const char* name) const { return Find<QComboBox>(name); }
  // The open list of a box: the active popup, a list of entries, hanging under the box.
  static QAbstractItemView* List(const QComboBox* box) {
    auto* list = qobject_cast<QAbstractItemView*>(QApplication::activePopupWidget());
    if (list == nullptr || !list->isVisible()) return nullptr;
    const QPoint under = box->mapToGlobal(QPoint(0, box->height()));
    if (std::abs(list->x() - under.x()) > 4 || std::abs(list->y() - under.y()) > 4) return nullptr;
    return list;
  }
  static bool ListOpen(const QComboBox* box) { return List(box) != nullptr; }
};

// A click as the system delivers it: the press to the window holding the mouse (the open popup,
// else the target's window), the release to whichever holds it after the press.
void SystemClick(QWidget* target, QPoint local) {
  const QPoint global = target->mapToGlobal(local);
  const auto holder = [target] {
    QWidget* popup = QApplication::activePopupWidget();
    return popup != nullptr ? popup : target->window();
  };
  QWidget* pressed = holder();
  QTest::mousePress(pressed->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    pressed->mapFromGlobal(global));
  QWidget* released = holder();
  QTest::mouseRelease(released->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      released->mapFromGlobal(global));
}

const std::vector<QString> kBeijing = {"北京", "北京西", "北京南", "北京北", "北京东",
                                       "",     "",       "",       ""};

TEST(StationFlow, KeyboardOnlyFromTypingToTheRows) {
  // Return and the keypad's Enter behave alike.
  for (const Qt::KeyboardModifiers enter_mods : {Qt::KeyboardModifiers(Qt::NoModifier),
                                                 Qt::KeyboardModifiers(Qt::KeypadModifier)}) {
    const Qt::Key enter = enter_mods == Qt::NoModifier ? Qt::Key_Return : Qt::Key_Enter;
    SCOPED_TRACE(enter_mods == Qt::NoModifier ? "Return" : "keypad Enter");
    ActiveWindow t;
    QComboBox* fz = t.Box("ComboFZ");
    QComboBox* dz = t.Box("ComboDZ");
    fz->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), fz);

    Type("bj");
    EXPECT_TRUE(ActiveWindow::ListOpen(fz));
    EXPECT_EQ(Items(fz), kBeijing);
    Press(Qt::Key_Down);
    Press(enter, enter_mods);  // takes 北京 and closes the list
    EXPECT_FALSE(ActiveWindow::ListOpen(fz));
    EXPECT_EQ(fz->currentText(), QStringLiteral("北京"));
    EXPECT_EQ(QApplication::focusWidget(), fz);
    Press(enter, enter_mods);  // moves on
    EXPECT_EQ(QApplication::focusWidget(), dz);

    Type("sh");
    EXPECT_TRUE(ActiveWindow::ListOpen(dz));
    Press(Qt::Key_Down);
    Press(enter, enter_mods);
    EXPECT_EQ(dz->currentText(), QStringLiteral("上海"));
    Press(enter, enter_mods);
    EXPECT_EQ(QApplication::focusWidget(), t.Find("BTNZZCX"));
    Press(enter, enter_mods);  // a focused button runs its query
    EXPECT_TRUE(t.dialogs.shown.empty());
    EXPECT_EQ(t.Result(), QStringLiteral("结果:1"));
    EXPECT_EQ(Cell(t.Grid(), 0, 0), QStringLiteral("G1"));

    // The station timetable box leads to its own button the same way.
    QComboBox* cz = t.Box("ComboCZ");
    cz->setFocus();
    Type("sh");
    Press(Qt::Key_Down);
    Press(enter, enter_mods);
    EXPECT_EQ(cz->currentText(), QStringLiteral("上海"));
    Press(enter, enter_mods);
    EXPECT_EQ(QApplication::focusWidget(), t.Find("BTNCZCX"));
    Press(enter, enter_mods);
    EXPECT_EQ(Cell(t.Grid(), 0, 0), QStringLiteral("1112/1113"));
    EXPECT_TRUE(t.dialogs.shown.empty());
  }
}

TEST(StationFlow, EnterWaitsForTheStopTableBeforeLeavingTheArrivalBox) {
  TestWindow t(/*start_loaders=*/false);
  t.window->show();
  QApplication::setActiveWindow(t.window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(t.window.get()));
  t.window->OnPyReady();
  auto* dz = t.Find<QComboBox>("ComboDZ");
  dz->setFocus();
  Press(Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), dz);  // 查询 is still disabled
  t.window->OnTrainReady();
  Press(Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), t.Find("BTNZZCX"));
}

TEST(StationFlow, OnlyLatinLettersOpenTheList) {
  ActiveWindow t;
  QComboBox* fz = t.Box("ComboFZ");
  fz->setFocus();
  Type("bj");
  ASSERT_TRUE(ActiveWindow::ListOpen(fz));
  Press(Qt::Key_Escape);
  ASSERT_FALSE(ActiveWindow::ListOpen(fz));

  // A digit: the list stays as it was, and closed.
  Type("1");
  EXPECT_EQ(fz->currentText(), QStringLiteral("bj1"));
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(Items(fz), kBeijing);
  // Back to letters: open again.
  Press(Qt::Key_Backspace);
  EXPECT_TRUE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(Items(fz), kBeijing);
  // A Chinese character typed while the list is open closes it and keeps the entries.
  Type(QStringLiteral("北"));
  EXPECT_EQ(fz->currentText(), QStringLiteral("bj北"));
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(Items(fz), kBeijing);

  // Emptied: nine blank entries, not shown.
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_Delete);
  EXPECT_EQ(fz->currentText(), QString());
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(Items(fz), std::vector<QString>(9));
  Type(QStringLiteral("北"));
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(Items(fz), std::vector<QString>(9));
}

TEST(StationFlow, AClickWhileTheListIsOpenClosesItAndTakesEffect) {
  ActiveWindow t;
  QComboBox* fz = t.Box("ComboFZ");
  QComboBox* dz = t.Box("ComboDZ");
  fz->setFocus();
  Type("bj");
  ASSERT_TRUE(ActiveWindow::ListOpen(fz));
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  // The list holds the mouse: the click goes in through the window, as the system sends it.
  SystemClick(dz, QPoint(20, dz->height() / 2));
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(QApplication::focusWidget(), dz);
  Type("sh");
  EXPECT_EQ(fz->currentText(), QStringLiteral("bj"));
  EXPECT_EQ(dz->currentText(), QStringLiteral("sh"));
  EXPECT_TRUE(ActiveWindow::ListOpen(dz));

  // A click on 查询 while 到站's list is open runs the query (which then asks for a station).
  auto* query = t.Find<QPushButton>("BTNZZCX");
  SystemClick(query, query->rect().center());
  EXPECT_FALSE(ActiveWindow::ListOpen(dz));
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("请输入发站。"));

  // A click on an entry chooses it.
  fz->setFocus();
  Press(Qt::Key_A, Qt::ControlModifier);
  Type("bj");
  QAbstractItemView* list = ActiveWindow::List(fz);
  ASSERT_NE(list, nullptr);
  SystemClick(list->viewport(), list->visualRect(list->model()->index(2, 0)).center());
  EXPECT_FALSE(ActiveWindow::ListOpen(fz));
  EXPECT_EQ(fz->currentText(), QStringLiteral("北京南"));
}

TEST(StationFlow, TheListShowsEightWholeRows) {
  ActiveWindow t;
  QComboBox* fz = t.Box("ComboFZ");
  fz->setFocus();
  for (const char* letters : {"s", "bj"}) {
    SCOPED_TRACE(letters);
    Press(Qt::Key_A, Qt::ControlModifier);
    Type(QString::fromUtf8(letters));
    ASSERT_TRUE(ActiveWindow::ListOpen(fz));
    QAbstractItemView* list = ActiveWindow::List(fz);
    ASSERT_NE(list, nullptr);
    const int viewport = list->viewport()->height();
    ASSERT_GE(list->model()->rowCount(), 9);
    for (int row = 0; row < 8; ++row) {
      const QRect r = list->visualRect(list->model()->index(row, 0));
      EXPECT_GE(r.top(), 0) << row;
      EXPECT_LE(r.bottom(), viewport - 1) << row;
    }
    // Not a sliver of the ninth.
    EXPECT_GE(list->visualRect(list->model()->index(8, 0)).top(), viewport);
  }
}

}  // namespace
}  // namespace lanzhou::testing
