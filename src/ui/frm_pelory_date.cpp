// TFrmPelory: the 出发日期 field. Every query and the journey window answer for its day; it
// stays inside the timetable's period, and the status bar names that period.
#include <QCalendarWidget>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QKeyEvent>
#include <QShortcut>
#include <functional>

#include "ui/frm_pelory.h"
#include "ui/frm_style.h"
#include "ui/qt_dates.h"

namespace lanzhou::ui {
namespace {

// The field itself takes Ctrl+← / Ctrl+→ for moving between its sections; there they move the
// day as everywhere else in the window.
class DayKeys : public QObject {
 public:
  DayKeys(QObject* parent, std::function<void(int)> move) : QObject(parent), move_(std::move(move)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() == Qt::ControlModifier &&
          (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
        move_(key->key() == Qt::Key_Left ? -1 : 1);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(int)> move_;
};

// Where the field sits in the white top strip, right of the ticket link.
constexpr int kDateLeft = 596;
constexpr int kDateTop = 8;

}  // namespace

void TFrmPelory::BuildDateField(QWidget* parent) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLabel* label = MakeLabel(parent, QStringLiteral("LabDate"), QStringLiteral("出发日期"),
                            kDateLeft, kDateTop + 4);
  date_edit_ = new QDateEdit(parent);
  date_edit_->setObjectName(QStringLiteral("DateCX"));
  date_edit_->setLocale(chinese);
  date_edit_->setDisplayFormat(QStringLiteral("yyyy-MM-dd dddd"));
  date_edit_->setCalendarPopup(true);
  date_edit_->calendarWidget()->setLocale(chinese);
  date_edit_->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
  date_edit_->setGeometry(kDateLeft + 58, kDateTop, 150, 22);
  date_edit_->setToolTip(QStringLiteral("查询哪一天的车次（Alt+4；Ctrl+← 前一天，Ctrl+→ 后一天）"));
  label->setBuddy(date_edit_);
  date_edit_->setDate(QDate::currentDate());

  btn_prev_day_ = MakeButton(parent, QStringLiteral("BTNPrevDay"), QStringLiteral("前一天"),
                             kDateLeft + 58, kDateTop + 26, 74, 24);
  btn_next_day_ = MakeButton(parent, QStringLiteral("BTNNextDay"), QStringLiteral("后一天"),
                             kDateLeft + 134, kDateTop + 26, 74, 24);
  connect(btn_prev_day_, &QPushButton::clicked, this, [this] { MoveDate(-1); });
  connect(btn_next_day_, &QPushButton::clicked, this, [this] { MoveDate(1); });
  // At an end of the period the button that would leave it is off.
  const auto update_buttons = [this](QDate date) {
    btn_prev_day_->setEnabled(date > date_edit_->minimumDate());
    btn_next_day_->setEnabled(date < date_edit_->maximumDate());
  };
  connect(date_edit_, &QDateEdit::dateChanged, this, update_buttons);

  date_edit_->installEventFilter(new DayKeys(date_edit_, [this](int days) { MoveDate(days); }));
  auto* earlier = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left), this);
  connect(earlier, &QShortcut::activated, this, [this] { MoveDate(-1); });
  auto* later = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right), this);
  connect(later, &QShortcut::activated, this, [this] { MoveDate(1); });
  auto* focus = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_4), this);
  connect(focus, &QShortcut::activated, this,
          [this] { date_edit_->setFocus(Qt::ShortcutFocusReason); });
}

void TFrmPelory::MoveDate(int days) {
  const QDate moved = date_edit_->date().addDays(days);
  if (moved < date_edit_->minimumDate() || moved > date_edit_->maximumDate()) return;
  date_edit_->setDate(moved);
}

void TFrmPelory::ApplyPeriod() {
  const data::Calendar& calendar = tables_->calendar;
  const QDate today = QDate::currentDate();
  if (const std::optional<data::Period>& period = calendar.period()) {
    // Both bounds first, then the day: a day of the old period must not clamp the new one.
    date_edit_->setDateRange(ToQDate(period->first), ToQDate(period->Last()));
  } else {
    date_edit_->clearMinimumDate();
    date_edit_->clearMaximumDate();
  }
  date_edit_->setDate(ToQDate(calendar.DefaultDay(FromQDate(today))));
  btn_prev_day_->setEnabled(date_edit_->date() > date_edit_->minimumDate());
  btn_next_day_->setEnabled(date_edit_->date() < date_edit_->maximumDate());
  ShowTimetableStatus();
}

std::chrono::sys_days TFrmPelory::QueryDate() const {
  return FromQDate(date_edit_->date());
}

}  // namespace lanzhou::ui
