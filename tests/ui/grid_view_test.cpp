// The grids on screen: cells and colours from the StringGrid, selection only on rows with text,
// the keyboard, and the mouse wheel with and without a selected row.
#include "ui/grid_view.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

using query::StringGrid;
using ui::GridView;

// Rows 0..rows-1 hold text, the rest of the 30 rows are blank.
StringGrid FilledGrid(int rows) {
  StringGrid grid(3, 30);
  for (int r = 0; r < rows; ++r) {
    grid.SetCell(0, r, "T" + std::to_string(r));
    grid.SetCell(1, r, "x");
  }
  return grid;
}

void Wheel(GridView& view, int delta_y) {
  const QPointF pos(10, 10);
  QWheelEvent event(pos, view.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta_y),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &event);
}

void Click(GridView& view, int row) {
  const QRect cell = view.visualRect(view.model()->index(row, 0));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
}

struct ShownGrid {
  explicit ShownGrid(int rows) : grid(FilledGrid(rows)) {
    App();
    view = std::make_unique<GridView>(
        grid, [](int row) { return row == 1 ? query::RowColour::Red : query::RowColour::Normal; },
        std::vector<int>{60, 60, 60});
    view->resize(200, 5 * ui::kGridRowHeight + 4);
    view->show();
    view->Refresh();
  }
  StringGrid grid;
  std::unique_ptr<GridView> view;
};

TEST(GridView, ShowsCellsCentredWithRowColoursAndTheGridLook) {
  ShownGrid g(3);
  QAbstractItemModel* model = g.view->model();
  EXPECT_EQ(model->rowCount(), 30);
  EXPECT_EQ(model->columnCount(), 3);
  EXPECT_EQ(model->index(2, 0).data().toString(), "T2");
  EXPECT_EQ(model->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
  EXPECT_EQ(model->index(1, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(0xFF, 0, 0));
  EXPECT_EQ(model->index(0, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
  EXPECT_EQ(model->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0xFD, 0xF4));
  EXPECT_EQ(g.view->rowHeight(0), 18);
  EXPECT_EQ(g.view->columnWidth(1), 60);
  EXPECT_EQ(g.view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_TRUE(g.view->showGrid());
  EXPECT_TRUE(query::NoSelection(g.grid));
}

TEST(GridView, ClicksSelectOnlyRowsWithTextAndTheSelectedRowIsWhiteOnBlue) {
  ShownGrid g(3);
  Click(*g.view, 4);  // blank: nothing selected
  EXPECT_TRUE(query::NoSelection(g.grid));
  Click(*g.view, 1);
  EXPECT_EQ(g.grid.CurrentRow(), 1);
  QAbstractItemModel* model = g.view->model();
  EXPECT_EQ(model->index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
  EXPECT_EQ(model->index(1, 2).data(Qt::BackgroundRole).value<QColor>(),
            QColor::fromRgb(ui::kGridSelectedBackground));
  Click(*g.view, 3);  // blank: the selection stays on row 1
  EXPECT_EQ(g.grid.CurrentRow(), 1);
}

TEST(GridView, WheelMovesTheSelectionOrScrollsWhenNothingIsSelected) {
  ShownGrid g(20);
  QScrollBar* bar = g.view->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 2);
  // NoSelection: down scrolls one row, up scrolls back, nothing gets selected.
  Wheel(*g.view, -120);
  EXPECT_EQ(bar->value(), 1);
  Wheel(*g.view, 120);
  EXPECT_EQ(bar->value(), 0);
  Wheel(*g.view, 120);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(query::NoSelection(g.grid));

  // With a row selected the wheel moves the selection, never onto a blank row.
  Click(*g.view, 0);
  Wheel(*g.view, -120);
  EXPECT_EQ(g.grid.CurrentRow(), 1);
  Wheel(*g.view, 120);
  Wheel(*g.view, 120);
  EXPECT_EQ(g.grid.CurrentRow(), 0);
  for (int i = 0; i < 25; ++i) Wheel(*g.view, -120);
  EXPECT_EQ(g.grid.CurrentRow(), 19);
  // The selected row is kept in view.
  EXPECT_TRUE(
      g.view->viewport()->rect().intersects(g.view->visualRect(g.view->model()->index(19, 0))));
}

TEST(GridView, KeyboardReachesTheRowsAndEnterActsLikeADoubleClick) {
  ShownGrid g(3);
  int opened = -2;
  QObject::connect(g.view.get(), &GridView::RowDoubleClicked, [&](int row) { opened = row; });
  QTest::keyClick(g.view.get(), Qt::Key_Down);
  EXPECT_EQ(g.grid.CurrentRow(), 0);
  QTest::keyClick(g.view.get(), Qt::Key_Down);
  QTest::keyClick(g.view.get(), Qt::Key_Down);
  QTest::keyClick(g.view.get(), Qt::Key_Down);
  EXPECT_EQ(g.grid.CurrentRow(), 2);
  QTest::keyClick(g.view.get(), Qt::Key_Return);
  EXPECT_EQ(opened, 2);
}

}  // namespace
}  // namespace lanzhou::testing
