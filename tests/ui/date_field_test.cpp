// The main window's 出发日期 on a timetable file of a month with running days: the field keeps
// inside the period whatever the user does, its buttons and keys move it, every query and the
// journey window answer for its day, arrivals on a later day are marked, and the status bar,
// the printout and the export name the period or the day.
#include <gtest/gtest.h>

#include <QAction>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "data/calendar.h"
#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "temp_dir.h"
#include "text/gbk.h"
#include "ui/frm_journey.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

namespace fs = std::filesystem;

// July 2024 (the 1st a Monday). 1043 leaves 西安 at 21:25 and reaches 三门峡 (stop 4) and
// everything after it the next day; G1 runs at weekends only; the other trains are not listed
// and run every day.
fs::path WriteMonthFile(const fs::path& path) {
  data::Calendar calendar(data::ParsePeriod("2024-07-01..2024-07-31"));
  std::vector<std::uint8_t> offsets_1043 = {0, 0, 0, 0, 0, 0};
  offsets_1043.resize(2 * 12, 1);
  calendar.Add("1043", data::DaySet{}.set(), offsets_1043);
  data::DaySet weekends;
  for (int saturday = 5; saturday < 31; saturday += 7) weekends.set(saturday).set(saturday + 1);
  calendar.Add("G1", weekends, {0, 0, 0, 0, 0, 0, 0, 0});

  const data::ResourceRegistry& r = TestRegistry();
  data::TimetableTexts texts{data::ReadPackedResource(r, "STrain"),
                             data::ReadPackedResource(r, "SList"), data::ReadPackedResource(r, "SM"),
                             data::ReadPackedResource(r, "SPY"), calendar.Text()};
  data::TimetableMeta meta;
  meta.name = "全国";
  meta.valid_date = "2024-07-01..2024-07-31";
  meta.trains = 9;  // the counts of the sample tables: the file must state them
  meta.stops = 53;
  meta.stations = 48;
  data::WriteTimetableFile(path, meta, texts);
  return path;
}

struct MonthWindow : TestWindow {
  explicit MonthWindow(const fs::path& file) : TestWindow(true, file) {
    window->show();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(WaitUntil([this] {
      return Find<QPushButton>("BTNZZCX")->isEnabled() && Find<QComboBox>("ComboFZ")->isEnabled() &&
             window->Tables().AllReady();
    }));
  }
  QDateEdit* Date() const { return Find<QDateEdit>("DateCX"); }
  void SetDate(int day) { Date()->setDate(QDate(2024, 7, day)); }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  void Through(const QString& from, const QString& to) {
    Find<QComboBox>("ComboFZ")->setEditText(from);
    Find<QComboBox>("ComboDZ")->setEditText(to);
    Click("BTNZZCX");
  }
  std::vector<QString> Column(int col) const {
    std::vector<QString> cells;
    for (int r = 0; r < window->State().VisibleCount; ++r) cells.push_back(Cell(window->SGrid(), r, col));
    return cells;
  }

  TempDir dir;
};

class DateField : public ::testing::Test {
 protected:
  TempDir dir_;
  MonthWindow t_{WriteMonthFile(dir_.path() / "month.lzt")};
};

TEST_F(DateField, SitsInTheTopStripCoveringNothing) {
  QWidget* top = t_.Find("PTop");
  std::vector<QWidget*> mine;
  std::vector<QWidget*> others;
  for (QWidget* child : top->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible()) continue;
    const QString name = child->objectName();
    const bool is_mine = name == "LabDate" || name == "DateCX" || name.endsWith("Day");
    (is_mine ? mine : others).push_back(child);
  }
  ASSERT_EQ(mine.size(), 4u);
  ASSERT_GE(others.size(), 6u);  // four tool buttons, the ticket link, the logo, the lines
  for (QWidget* field : mine) {
    EXPECT_TRUE(top->rect().contains(field->geometry())) << field->objectName().toStdString();
    for (QWidget* other : others) {
      EXPECT_FALSE(field->geometry().intersects(other->geometry()))
          << field->objectName().toStdString() << " covers " << other->objectName().toStdString();
    }
  }
}

TEST_F(DateField, StaysInsideThePeriodWhateverMovesIt) {
  QDateEdit* date = t_.Date();
  // Today (long after July 2024) lies outside: the period's first day answers.
  ASSERT_GT(QDate::currentDate(), QDate(2024, 7, 31));
  EXPECT_EQ(date->date(), QDate(2024, 7, 1));
  EXPECT_EQ(date->minimumDate(), QDate(2024, 7, 1));
  EXPECT_EQ(date->maximumDate(), QDate(2024, 7, 31));
  EXPECT_FALSE(t_.Find<QPushButton>("BTNPrevDay")->isEnabled());

  // Buttons, Ctrl+arrows from another control, Ctrl+arrows and arrow keys in the field itself.
  struct Step {
    const char* what;
    std::function<void()> act;
    QDate expected;
  };
  const auto keys_to = [](QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods) {
    return [w, key, mods] {
      w->setFocus(Qt::OtherFocusReason);
      QTest::keyClick(w, key, mods);
    };
  };
  QWidget* grid = t_.window->SGrid();
  const std::vector<Step> steps = {
      {"后一天", [&] { t_.Click("BTNNextDay"); }, QDate(2024, 7, 2)},
      {"Ctrl+→ in the grid", keys_to(grid, Qt::Key_Right, Qt::ControlModifier), QDate(2024, 7, 3)},
      {"Ctrl+→ in the field", keys_to(date, Qt::Key_Right, Qt::ControlModifier), QDate(2024, 7, 4)},
      {"前一天", [&] { t_.Click("BTNPrevDay"); }, QDate(2024, 7, 3)},
      {"Ctrl+← in the grid", keys_to(grid, Qt::Key_Left, Qt::ControlModifier), QDate(2024, 7, 2)},
      {"前一天 again", [&] { t_.Click("BTNPrevDay"); }, QDate(2024, 7, 1)},
      {"Ctrl+← at the first day", keys_to(grid, Qt::Key_Left, Qt::ControlModifier),
       QDate(2024, 7, 1)},
      {"Down in the field at the first day", keys_to(date, Qt::Key_Down, {}), QDate(2024, 7, 1)},
      {"to the last day", [&] { t_.SetDate(31); }, QDate(2024, 7, 31)},
      {"后一天 at the last day", [&] { t_.Click("BTNNextDay"); }, QDate(2024, 7, 31)},
      {"Ctrl+→ at the last day", keys_to(grid, Qt::Key_Right, Qt::ControlModifier),
       QDate(2024, 7, 31)},
      {"Up in the field at the last day", keys_to(date, Qt::Key_Up, {}), QDate(2024, 7, 31)},
      {"PageUp in the field", keys_to(date, Qt::Key_PageUp, {}), QDate(2024, 7, 31)},
      {"a date after the period set directly", [&] { date->setDate(QDate(2025, 3, 1)); },
       QDate(2024, 7, 31)},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(date->date(), step.expected) << step.what;
    EXPECT_EQ(t_.Find<QPushButton>("BTNPrevDay")->isEnabled(), step.expected > QDate(2024, 7, 1))
        << step.what;
    EXPECT_EQ(t_.Find<QPushButton>("BTNNextDay")->isEnabled(), step.expected < QDate(2024, 7, 31))
        << step.what;
  }
}

TEST_F(DateField, AltFourFocusesItAndItsChineseCalendarPicksADay) {
  t_.Find("ECC")->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(t_.Find("ECC"), Qt::Key_4, Qt::AltModifier);
  QDateEdit* date = t_.Date();
  ASSERT_TRUE(date->hasFocus());
  t_.SetDate(10);

  // The popup opens from the field's arrow, as a mouse user opens it.
  QStyleOptionComboBox option;
  option.initFrom(date);
  option.editable = true;
  option.subControls = QStyle::SC_All;
  const QRect arrow =
      date->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, date);
  QTest::mouseClick(date, Qt::LeftButton, {}, arrow.center());
  QCalendarWidget* calendar = date->calendarWidget();
  ASSERT_TRUE(WaitUntil([&] { return calendar->isVisible(); }));
  EXPECT_EQ(calendar->locale().language(), QLocale::Chinese);
  EXPECT_EQ(calendar->minimumDate(), QDate(2024, 7, 1));
  EXPECT_EQ(calendar->maximumDate(), QDate(2024, 7, 31));
  EXPECT_EQ(calendar->selectedDate(), QDate(2024, 7, 10));
  // A week on with the keyboard, then Enter: the field takes the day and the popup closes.
  QWidget* view = QApplication::focusWidget();
  ASSERT_NE(view, nullptr);
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return !calendar->isVisible(); }));
  EXPECT_EQ(date->date(), QDate(2024, 7, 17));
  // Weekday names in Chinese.
  EXPECT_EQ(date->text(), QStringLiteral("2024-07-17 星期三"));
}

TEST_F(DateField, EveryQueryAnswersForTheDay) {
  // G1 runs at weekends: Saturday 6 July yes, Monday 8 July no.
  t_.SetDate(6);
  t_.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  EXPECT_EQ(t_.Column(0), (std::vector<QString>{"G1"}));
  EXPECT_EQ(t_.window->State().Date, data::ParseIsoDate("2024-07-06"));

  t_.SetDate(8);
  t_.dialogs.answers = {QMessageBox::No};  // no through train: not asking for transfers
  t_.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  EXPECT_TRUE(t_.Column(0).empty());

  // The train number query says when the train runs instead.
  t_.dialogs.shown.clear();
  t_.Find<QLineEdit>("ECC")->setText(QStringLiteral("G1"));
  t_.Click("BTNCCCX");
  ASSERT_EQ(t_.dialogs.shown.size(), 1u);
  EXPECT_EQ(t_.dialogs.shown[0].text, QStringLiteral("G1 在 7月8日 不开行，下次开行 7月13日"));
  EXPECT_EQ(t_.dialogs.shown[0].caption, QStringLiteral("车次查询"));
  EXPECT_TRUE(t_.Column(0).empty());
  t_.Click("BTNNextDay");
  for (int i = 0; i < 5; ++i) QTest::keyClick(t_.window->SGrid(), Qt::Key_Right, Qt::ControlModifier);
  t_.dialogs.shown.clear();
  t_.Click("BTNCCCX");
  EXPECT_TRUE(t_.dialogs.shown.empty());
  EXPECT_EQ(t_.Column(0), (std::vector<QString>{"G1"}));

  // The station query: 北京南 on a weekday without G1, on Saturday with it.
  const auto station = [&](int day) {
    t_.SetDate(day);
    t_.Find<QComboBox>("ComboCZ")->setEditText(QStringLiteral("北京南"));
    t_.Click("BTNCZCX");
    return t_.Column(0);
  };
  const std::vector<QString> weekday = station(9);
  const std::vector<QString> saturday = station(13);
  EXPECT_EQ(std::count(weekday.begin(), weekday.end(), QStringLiteral("G1")), 0);
  EXPECT_EQ(std::count(saturday.begin(), saturday.end(), QStringLiteral("G1")), 1);
  EXPECT_EQ(saturday.size(), weekday.size() + 1);
}

TEST_F(DateField, ArrivalsOnALaterDayCarryTheMarker) {
  t_.Through(QStringLiteral("西安"), QStringLiteral("北京"));
  EXPECT_EQ(t_.Column(0), (std::vector<QString>{"1043"}));
  EXPECT_EQ(t_.Column(7), (std::vector<QString>{"14:25+1天"}));
  // Boarding after midnight at 三门峡 (day 1 of the run) to 北京西 the same day: no marker. On
  // the period's first day no run calls there: it would have left 西安 the day before.
  t_.dialogs.answers = {QMessageBox::No};
  t_.Through(QStringLiteral("三门峡"), QStringLiteral("北京"));
  EXPECT_TRUE(t_.Column(7).empty());
  t_.Click("BTNNextDay");
  t_.Through(QStringLiteral("三门峡"), QStringLiteral("北京"));
  EXPECT_EQ(t_.Column(7), (std::vector<QString>{"14:25"}));
  // 华山 (day 0) to 郑州 (day 1).
  t_.Through(QStringLiteral("华山"), QStringLiteral("郑州"));
  EXPECT_EQ(t_.Column(7), (std::vector<QString>{"04:43+1天"}));
}

TEST_F(DateField, StatusBarExportAndJourneyWindowNameThePeriodOrTheDay) {
  EXPECT_EQ(t_.Find<QLabel>("StatusPanel1")->text(),
            QStringLiteral("时刻表：2024-07-01 至 07-31 全国（9 车次）"));

  t_.SetDate(6);
  t_.Through(QStringLiteral("北京"), QStringLiteral("上海"));
  // A later change of the field does not relabel the rows in hand.
  t_.Click("BTNNextDay");
  const fs::path csv = t_.dir.path() / "结果.csv";
  t_.dialogs.save_name = QString::fromStdString(csv.string());
  t_.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MExport"))->trigger();
  const std::string lines = text::GbkToUtf8(ReadBytes(csv));
  EXPECT_EQ(lines.substr(0, lines.find("车次")),
            "\r\n\r\n岚舟时刻公司\r\nhttp://www.lanzhou-shike.cn\r\n出发日期：2024年7月6日\r\n\r\n");

  // The journey window asks for the field's day and says which.
  t_.SetDate(13);
  t_.Find<QComboBox>("ComboFZ")->setEditText(QStringLiteral("北京"));
  t_.Find<QComboBox>("ComboDZ")->setEditText(QStringLiteral("上海"));
  ASSERT_TRUE(WaitUntil([&] { return t_.window->JourneyNetwork() != nullptr; }));
  const auto trains_listed = [](const ui::TFrmJourney& journeys) {
    std::vector<QString> trains;
    for (int r = 0; r < journeys.List().Count; ++r) {
      trains.push_back(Cell(journeys.JGrid(), r, 6));
    }
    return trains;
  };
  t_.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MJourney"))->trigger();
  QPointer<ui::TFrmJourney> journeys = t_.window->JourneyWindow();
  ASSERT_NE(journeys, nullptr);
  EXPECT_EQ(journeys->windowTitle(), QStringLiteral("换乘方案：北京 → 上海（2024-07-13）"));
  EXPECT_EQ(trains_listed(*journeys), (std::vector<QString>{"G1"}));
  // On a Monday G1 does not run, so no journey rides it: the open window takes the new day.
  t_.SetDate(15);
  t_.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MJourney"))->trigger();
  ASSERT_EQ(t_.window->JourneyWindow(), journeys.data());
  EXPECT_EQ(journeys->windowTitle(), QStringLiteral("换乘方案：北京 → 上海（2024-07-15）"));
  EXPECT_TRUE(trains_listed(*journeys).empty());
}

}  // namespace
}  // namespace lanzhou::testing
