// The main window in use: print and export follow the rows shown, long train numbers stay
// readable, nothing is clipped, the shortcut carries the program's icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QToolTip>

#include "query/string_grid.h"
#include "ui/grid_view.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

TEST(WindowUse, PrintAndExportFollowTheRowsShownAfterAnEmptyAnswer) {
  LoadedWindow t;
  QMenu* menu = t.window->MAdvanced();
  const auto enabled = [menu](const char* name) {
    menu->popup(QPoint(0, 0));
    const bool on = menu->findChild<QAction*>(QString::fromUtf8(name))->isEnabled();
    menu->hide();
    return on;
  };
  struct Step {
    const char* what;
    std::function<void()> act;
  };
  const std::vector<Step> empty_answers = {
      {"no through train, no transfer wanted",
       [&] {
         t.dialogs.answers = {QMessageBox::No};
         t.Through(QStringLiteral("西安"), QStringLiteral("上海"));
       }},
      {"transfer chooser closed without a pick",
       [&] {
         t.SetBox("ComboFZ", QStringLiteral("西安"));
         t.SetBox("ComboDZ", QStringLiteral("上海"));
         bool chooser_seen = false;
         OnNextModal([&](QDialog*) { chooser_seen = true; });
         QTest::mouseClick(t.Find<QPushButton>("BTNZZZZ"), Qt::LeftButton);
         EXPECT_TRUE(chooser_seen);
       }},
  };
  for (const Step& step : empty_answers) {
    SCOPED_TRACE(step.what);
    t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
    ASSERT_EQ(t.Result(), QStringLiteral("结果:2"));
    ASSERT_TRUE(enabled("MPrint"));
    step.act();
    EXPECT_EQ(t.Result(), QStringLiteral("结果:0"));
    EXPECT_EQ(t.window->State().VisibleCount, 0);
    EXPECT_FALSE(enabled("MPrint"));
    EXPECT_FALSE(enabled("MExport"));
  }
}

// A grid of one column 97 pixels wide (SGrid's train number column).
struct NumberGrid {
  NumberGrid() : grid(1, 3) {
    App();
    grid.SetCell(0, 0, "1152/1153/1154/1155");
    grid.SetCell(0, 1, "G1");
    grid.SetCell(0, 2, "K1234/K1235/K1236/K1237/K1238");
    view = std::make_unique<ui::GridView>(grid, nullptr, std::vector<int>{97});
    view->resize(130, 100);
    view->show();
  }
  // What a pause of the mouse over the cell of `row` shows.
  QString TipOver(int row) {
    QToolTip::hideText();
    EXPECT_TRUE(WaitUntil([] { return !QToolTip::isVisible(); }, 3000));
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QHelpEvent help(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(view->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  }
  query::StringGrid grid;
  std::unique_ptr<ui::GridView> view;
};

TEST(WindowUse, LongTrainNumbersAreElidedOnTheRightWithTheWholeNumberAsTip) {
  NumberGrid g;
  EXPECT_EQ(g.view->textElideMode(), Qt::ElideRight);
  EXPECT_EQ(g.TipOver(0), QStringLiteral("1152/1153/1154/1155"));
  EXPECT_EQ(g.TipOver(2), QStringLiteral("K1234/K1235/K1236/K1237/K1238"));
  EXPECT_EQ(g.TipOver(1), QString());  // fits: no tip
}

TEST(WindowUse, HeadingsAndGroupTitlesAreNotClipped) {
  LoadedWindow t;
  const QImage shot = t.window->grab().toImage();  // lays everything out as shown
  ASSERT_FALSE(shot.isNull());
  const int title_row_top = t.Find("Shape3")->y();
  for (const char* name : {"LabLcxx", "Labcxqj", "Labckpj"}) {
    auto* label = t.Find<QLabel>(name);
    EXPECT_GE(label->height(), label->sizeHint().height()) << name;
    EXPECT_LE(label->y() + label->sizeHint().height(), title_row_top) << name;
  }
  for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3"}) {
    auto* group = t.Find<QGroupBox>(name);
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.textAlignment = group->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect frame = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                       QStyle::SC_GroupBoxFrame, group);
    const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                       QStyle::SC_GroupBoxLabel, group);
    EXPECT_GE(title.height(), group->fontMetrics().height()) << name;
    for (QWidget* child : group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      const QRect r = child->geometry();
      const std::string what = std::string(name) + "/" + child->objectName().toStdString();
      EXPECT_FALSE(r.intersects(title)) << what;
      // Inside the frame, clear of its lines.
      EXPECT_GT(r.top(), frame.top()) << what;
      EXPECT_LT(r.bottom(), frame.bottom()) << what;
    }
  }
}

}  // namespace
}  // namespace lanzhou::testing
