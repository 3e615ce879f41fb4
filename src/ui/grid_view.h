#pragma once
// The three string grids (SGrid, MGrid, ZGrid) on screen: a table model over the core's
// StringGrid and a view with the grids' look and rules. The StringGrid stays the one truth for
// cells and for the selected row; the view only draws it and turns clicks, keys and the wheel
// into StringGrid selection changes.
#include <QAbstractTableModel>
#include <QLabel>
#include <QTableView>
#include <functional>
#include <string>
#include <vector>

#include "query/sort_grid.h"
#include "query/string_grid.h"

namespace lanzhou::ui {

// Text colour of an unselected row, per grid.
using RowColourFn = std::function<query::RowColour(int row)>;

// Look shared by the grids.
inline constexpr int kGridRowHeight = 18;
inline constexpr QRgb kGridBackground = 0xFFFDF4;
// The selected row's colour: the classic active-title-bar blue, text white.
inline constexpr QRgb kGridSelectedBackground = 0x0A246A;

class StringGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  StringGridModel(const query::StringGrid& grid, RowColourFn colour, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Tells whether a cell's text is wider than its column; such cells carry it as their tip.
  void SetClipTest(std::function<bool(int column, const QString& text)> clipped) {
    clipped_ = std::move(clipped);
  }
  // After the core changed cells or the row count.
  void Reset();
  // After the selection moved: repaint without resetting the view.
  void SelectionChanged();

 private:
  const query::StringGrid& grid_;
  RowColourFn colour_;
  std::function<bool(int column, const QString& text)> clipped_;
};

class GridView : public QTableView {
  Q_OBJECT
 public:
  GridView(query::StringGrid& grid, RowColourFn colour, const std::vector<int>& column_widths,
           QWidget* parent = nullptr);
  // Shows the grid's current cells, rows and selection.
  void Refresh();
  [[nodiscard]] query::StringGrid& Grid() { return grid_; }
  // The row the keyboard acts on: the selected one, else the first row that holds text;
  // -1 when the grid holds none.
  [[nodiscard]] int KeyboardRow() const;

 signals:
  // A click on a row that holds text (after the selection moved there).
  void RowClicked(int row);
  // A double-click on a row that holds text (now the current row), or Enter on the current row
  // (with no row selected, the first row, which becomes selected).
  void RowDoubleClicked(int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // The focus shows as a frame inside the grid and a dotted line round the row Enter opens.
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void MoveBy(int delta);
  query::StringGrid& grid_;
  StringGridModel model_;
};

// Rows 0 .. count - 1 of a grid as cell texts, as print and export take them.
[[nodiscard]] std::vector<std::vector<std::string>> GridRowsOf(const query::StringGrid& grid,
                                                               int count);

// Tag of a sortable header label (Lab1 … Lab15 of the main window, Lab1 … Lab9 of the chooser).
inline constexpr int kHeaderLabelTag = 33;

// A column title above a grid that sorts on a click; its number is in its name ("Lab3").
class HeaderLabel : public QLabel {
  Q_OBJECT
 public:
  HeaderLabel(const QString& name, QWidget* parent);

 signals:
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// Writes the sort mark into the labels: captions with their arrow, the marked one bold.
void ApplyHeaderSort(const query::HeaderSort& headers, const std::vector<HeaderLabel*>& labels);

}  // namespace lanzhou::ui
