#include "ui/grid_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace lanzhou::ui {
namespace {

// Cells are drawn from the model's colours only: no focus frame on the clicked cell.
class PlainCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
  }
};

QColor TextColour(query::RowColour colour) {
  switch (colour) {
    case query::RowColour::Red:
      return QColor(0xFF, 0x00, 0x00);
    case query::RowColour::Blue:
      return QColor(0x00, 0x00, 0xFF);
    case query::RowColour::Normal:
      break;
  }
  return QColor(Qt::black);
}

}  // namespace

StringGridModel::StringGridModel(const query::StringGrid& grid, RowColourFn colour, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), colour_(std::move(colour)) {}

int StringGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.RowCount();
}

int StringGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(grid_.Cell(index.column(), row));
    case Qt::ToolTipRole: {
      // The whole text of a cell too narrow for it (a train with several numbers).
      const QString text = QString::fromStdString(grid_.Cell(index.column(), row));
      if (clipped_ && !text.isEmpty() && clipped_(index.column(), text)) return text;
      return {};
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignCenter);
    case Qt::BackgroundRole:
      return QColor::fromRgb(grid_.IsRowSelected(row) ? kGridSelectedBackground : kGridBackground);
    case Qt::ForegroundRole:
      if (grid_.IsRowSelected(row)) return QColor(Qt::white);
      return TextColour(colour_ ? colour_(row) : query::RowColour::Normal);
    default:
      return {};
  }
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Blank rows can never be selected; the view asks the grid, this only keeps Qt in line.
  return grid_.IsBlankRow(index.row()) ? Qt::ItemIsEnabled
                                       : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void StringGridModel::Reset() {
  beginResetModel();
  endResetModel();
}

void StringGridModel::SelectionChanged() {
  if (grid_.RowCount() == 0 || grid_.ColCount() == 0) return;
  emit dataChanged(index(0, 0), index(grid_.RowCount() - 1, grid_.ColCount() - 1),
                   {Qt::BackgroundRole, Qt::ForegroundRole});
}

GridView::GridView(query::StringGrid& grid, RowColourFn colour,
                   const std::vector<int>& column_widths, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(grid, std::move(colour), this) {
  setModel(&model_);
  setItemDelegate(new PlainCellDelegate(this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int c = 0; c < static_cast<int>(column_widths.size()); ++c) {
    setColumnWidth(c, column_widths[static_cast<std::size_t>(c)]);
  }
  // The StringGrid holds the selection; Qt's own would fight it.
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  // A text wider than its cell keeps its beginning, ends in "…" and shows whole as a tip.
  setTextElideMode(Qt::ElideRight);
  model_.SetClipTest([this](int column, const QString& text) {
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    return fontMetrics().horizontalAdvance(text) + margins > columnWidth(column);
  });
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setFocusPolicy(Qt::StrongFocus);
  // Tab and Shift+Tab go to the next control, as everywhere else in the window.
  setTabKeyNavigation(false);
  QPalette p = palette();
  p.setColor(QPalette::Base, QColor::fromRgb(kGridBackground));
  setPalette(p);
  setFrameShape(QFrame::Box);
}

void GridView::Refresh() {
  const int top = verticalScrollBar()->value();
  model_.Reset();
  verticalScrollBar()->setValue(top);
  const int row = grid_.CurrentRow();
  if (row >= 0) scrollTo(model_.index(row, 0));
}

void GridView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) {
    QTableView::mousePressEvent(event);
    return;
  }
  const QModelIndex index = indexAt(event->position().toPoint());
  // A click on a blank row (or below the rows) leaves the selection where it was.
  if (!index.isValid() || !grid_.SelectRow(index.row())) return;
  model_.SelectionChanged();
  emit RowClicked(index.row());
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  // A double-click on a blank row means no train, whatever row stays selected.
  if (!index.isValid() || !grid_.SelectRow(index.row())) return;
  model_.SelectionChanged();
  emit RowDoubleClicked(grid_.CurrentRow());
}

void GridView::MoveBy(int delta) {
  if (grid_.MoveSelection(delta)) {
    model_.SelectionChanged();
    scrollTo(model_.index(grid_.CurrentRow(), 0));
    emit RowClicked(grid_.CurrentRow());
  }
}

void GridView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      MoveBy(-1);
      return;
    case Qt::Key_Down:
      // From NoSelection the keyboard starts at the first row, so the grid works without a mouse.
      if (query::NoSelection(grid_)) {
        if (grid_.SelectRow(0)) {
          model_.SelectionChanged();
          scrollTo(model_.index(0, 0));
          emit RowClicked(0);
        }
      } else {
        MoveBy(1);
      }
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      const int row = KeyboardRow();
      if (row < 0) return;
      if (grid_.CurrentRow() != row) {
        if (!grid_.SelectRow(row)) return;
        model_.SelectionChanged();
        scrollTo(model_.index(row, 0));
      }
      emit RowDoubleClicked(row);
      return;
    }
    default:
      QTableView::keyPressEvent(event);
  }
}

int GridView::KeyboardRow() const {
  if (!query::NoSelection(grid_) && grid_.CurrentRow() >= 0) return grid_.CurrentRow();
  return grid_.RowCount() > 0 && !grid_.IsBlankRow(0) ? 0 : -1;
}

void GridView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(viewport());
  QPen frame(palette().color(QPalette::Active, QPalette::Highlight), 2);
  painter.setPen(frame);
  painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
  const int row = KeyboardRow();
  if (row < 0) return;
  const int top = rowViewportPosition(row);
  if (top < 0 && rowHeight(row) + top <= 0) return;
  QPen dots(grid_.IsRowSelected(row) ? QColor(Qt::white) : QColor(Qt::black), 1, Qt::DotLine);
  painter.setPen(dots);
  painter.drawRect(QRect(3, top + 1, viewport()->width() - 7, rowHeight(row) - 3));
}

void GridView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

void GridView::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int steps = event->angleDelta().y();
  if (steps == 0) return;
  const int delta = steps > 0 ? -1 : 1;
  if (query::NoSelection(grid_)) {
    // Nothing selected: the wheel scrolls the view one row without selecting anything.
    verticalScrollBar()->setValue(verticalScrollBar()->value() + delta);
    return;
  }
  MoveBy(delta);
}

std::vector<std::vector<std::string>> GridRowsOf(const query::StringGrid& grid, int count) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < count && r < grid.RowCount(); ++r) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int c = 0; c < grid.ColCount(); ++c) row.push_back(grid.Cell(c, r));
  }
  return rows;
}

HeaderLabel::HeaderLabel(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setProperty("tag", kHeaderLabelTag);
  setAlignment(Qt::AlignCenter);
  setAttribute(Qt::WA_TranslucentBackground);
  setCursor(Qt::PointingHandCursor);
}

void HeaderLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Clicked();
  QLabel::mousePressEvent(event);
}

void ApplyHeaderSort(const query::HeaderSort& headers, const std::vector<HeaderLabel*>& labels) {
  for (int c = 0; c < static_cast<int>(labels.size()) && c < headers.ColumnCount(); ++c) {
    HeaderLabel* label = labels[static_cast<std::size_t>(c)];
    label->setText(QString::fromStdString(headers.Caption(c)));
    QFont font = label->font();
    font.setBold(headers.IsBold(c));
    label->setFont(font);
  }
}

}  // namespace lanzhou::ui
