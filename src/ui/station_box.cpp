#include "ui/station_box.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QVariant>

#include "query/completion.h"
#include "query/station_match.h"

#include <QAbstractItemView>
#include <algorithm>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

namespace lanzhou::ui {
namespace {

// The visible window other than `skip` under a point of the screen, topmost first.
QWidget* TopLevelAt(QPoint global, const QWidget* skip) {
  if (QWidget* under = QApplication::widgetAt(global); under != nullptr && under->window() != skip) {
    return under->window();
  }
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    QWidget* window = *it;
    if (window != skip && window->isVisible() && window->frameGeometry().contains(global)) {
      return window;
    }
  }
  return nullptr;
}

// While the list is open it holds the mouse, and a press outside it would only close it. This
// closes it and hands the press on to the window under the pointer, where it focuses and clicks
// as if no list had been open; the release then finds the pressed widget on its own.
class ClickThrough : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) {
      return false;
    }
    auto* popup = static_cast<QWidget*>(watched);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (popup->rect().contains(mouse->position().toPoint())) return false;
    const QPointF global = mouse->globalPosition();
    popup->hide();
    QWidget* under = TopLevelAt(global.toPoint(), popup);
    if (under == nullptr) return true;
    QWindow* window = under->windowHandle();
    if (window == nullptr) return true;
    if (!under->isActiveWindow()) under->activateWindow();
    const QPointF local = window->mapFromGlobal(global);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, mouse->button(),
                      mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
    QApplication::sendEvent(window, &press);
    return true;
  }
};

QCompleter* CompleterOf(const QComboBox* box) {
  return box->findChild<QCompleter*>(QString::fromLatin1(kStationListName),
                                     Qt::FindDirectChildrenOnly);
}

QAbstractItemView* ListOf(const QComboBox* box) {
  QCompleter* completer = CompleterOf(box);
  return completer != nullptr ? completer->popup() : nullptr;
}

}  // namespace

QCompleter* AttachStationList(QComboBox* box) {
  // The line edit's completion would reopen the list on every edit, digits included.
  box->lineEdit()->setCompleter(nullptr);
  auto* completer = new QCompleter(box->model(), box);
  completer->setObjectName(QString::fromLatin1(kStationListName));
  completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  completer->setMaxVisibleItems(kStationListRows);
  completer->setWidget(box);
  auto* list = new QListView;
  list->setUniformItemSizes(true);  // blank entries as high as names
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setFont(box->font());
  completer->setPopup(list);  // takes ownership and installs its own filter
  list->installEventFilter(new ClickThrough(list));  // runs before the completer's
  QObject::connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), box,
                   [box](const QModelIndex& index) {
                     if (!index.isValid() || index.row() >= box->count()) return;
                     box->setCurrentIndex(index.row());
                     box->setEditText(box->itemText(index.row()));
                   });
  return completer;
}

void OpenStationList(QComboBox* box) {
  QCompleter* completer = CompleterOf(box);
  if (completer == nullptr) return;
  completer->setCompletionPrefix(QString());
  completer->complete();
  // Whole rows only: the completer sizes the list a few pixels past its last row.
  auto* list = static_cast<QListView*>(completer->popup());
  const int rows = std::min(kStationListRows, list->model()->rowCount());
  if (rows == 0) return;
  list->doItemsLayout();
  list->scrollToTop();
  const int bottom = list->visualRect(list->model()->index(rows - 1, 0)).bottom() + 1;
  list->resize(list->width(), bottom + 2 * list->frameWidth());
}

void CloseStationList(QComboBox* box) {
  if (QAbstractItemView* list = ListOf(box)) list->hide();
}

bool StationListOpen(const QComboBox* box) {
  const QAbstractItemView* list = ListOf(box);
  return list != nullptr && list->isVisible();
}

void StationBoxTextChanged(QComboBox* box, data::MemTable* KMPy) {
  // The refill below edits the box again; those edits are not the user's typing.
  if (box->property("lanzhouRefilling").toBool()) return;
  box->setProperty("lanzhouRefilling", true);
  QLineEdit* edit = box->lineEdit();
  const QString trimmed =
      QString::fromStdString(query::TrimBlanks(box->currentText().toStdString()));
  if (trimmed != box->currentText()) edit->setText(trimmed);
  edit->setCursorPosition(static_cast<int>(trimmed.size()));
  if (KMPy != nullptr) {
    const std::optional<std::vector<std::string>> list =
        query::DropDownForText(*KMPy, trimmed.toStdString());
    if (list) {
      // Refilling the entries would overwrite the typed text; put it back as it was.
      const QSignalBlocker block(box);
      box->clear();
      for (const std::string& entry : *list) box->addItem(QString::fromStdString(entry));
      box->setCurrentIndex(-1);
      edit->setText(trimmed);
      edit->setCursorPosition(static_cast<int>(trimmed.size()));
    }
    // Only letters open the list; anything else (a chosen name, a digit, no text) closes it.
    if (query::IsAllLetters(trimmed.toStdString())) {
      OpenStationList(box);
    } else {
      CloseStationList(box);
    }
  }
  box->setProperty("lanzhouRefilling", false);
}

}  // namespace lanzhou::ui
