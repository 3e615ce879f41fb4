// The journey window: opened from the 高级 menu and from the transfer chooser once the network
// is built, its list, header sort, legs, detail window, conditions and export, on a small
// timetable whose journeys are worked out by hand below.
#include <gtest/gtest.h>

#include <QDateEdit>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QCheckBox>
#include <QSpinBox>
#include <QTest>
#include <optional>
#include <stdlib.h>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "journey/network.h"
#include "query/query_test_tables.h"
#include "temp_dir.h"
#include "text/gbk.h"
#include "timetable/train_class.h"
#include "ui/frm_journey.h"
#include "ui/frm_msg.h"
#include "ui/frm_zzz.h"
#include "ui/grid_view.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

// 西安 to 厦门, worked out by hand with the default conditions (2 changes, 30/90 minutes, 12 h):
//   K1 through                     08:00 -> 10:00 next day
//   G10, 40 min at 郑州, G11        09:00 -> 20:00
//   D20 to 郑州东, 2 h, K30 from 郑州 12:00 -> 06:00 next day (a change of station)
//   G40, 40 min at 郑州, G41, 30 min at 武汉, G42 (which starts at 长沙) 14:00 -> 23:50
// Every other connection is beaten: K1 or G10 on to K30 arrive with D20 + K30 but leave
// earlier; K1 on at 武汉 or G40 on to G11 wait past 12 hours; G40 to K30 has no time to change.
constexpr std::string_view kStops = R"("D20","西安","1","","12:00","0","0","","","","",
"D20","郑州东","2","14:00","","2:00","510","180","290","-","-",
"G10","西安","1","","09:00","0","0","","","","",
"G10","郑州","2","11:00","","2:00","500","250","400","-","-",
"G11","郑州","1","","11:40","0","0","","","","",
"G11","厦门","2","20:00","","8:20","1500","700","1100","-","-",
"G40","西安","1","","14:00","0","0","","","","",
"G40","郑州","2","16:00","","2:00","500","250","400","-","-",
"G41","郑州","1","","16:40","0","0","","","","",
"G41","武汉","2","19:00","","2:20","530","260","420","-","-",
"G42","长沙","1","","17:10","0","0","","","","",
"G42","武汉","2","19:20","19:30","2:10","360","170","270","-","-",
"G42","厦门","3","23:50","","6:40","1360","650","1040","-","-",
"K1","西安","1","","08:00","0","0","","","","",
"K1","郑州","2","12:00","12:10","4:00","500","50","-","-","-",
"K1","武汉","3","20:00","20:10","12:00","1000","100","-","-","-",
"K1","厦门","4","10:00","","26:00","2000","200","-","-","-",
"K30","郑州","1","","16:00","0","0","","","","",
"K30","厦门","2","06:00","","14:00","1520","150","-","-","-",
)";
constexpr std::string_view kTrains = R"("D20","1","西安","郑州东","12:00","14:00","2:00","510","180","290","-","-",
"G10","2","西安","郑州","09:00","11:00","2:00","500","250","400","-","-",
"G11","2","郑州","厦门","11:40","20:00","8:20","1500","700","1100","-","-",
"G40","2","西安","郑州","14:00","16:00","2:00","500","250","400","-","-",
"G41","2","郑州","武汉","16:40","19:00","2:20","530","260","420","-","-",
"G42","2","长沙","厦门","17:10","23:50","6:40","1360","650","1040","-","-",
"K1","6","西安","厦门","08:00","10:00","26:00","2000","200","-","-","-",
"K30","6","郑州","厦门","16:00","06:00","14:00","1520","150","-","-","-",
)";
constexpr std::string_view kGroups = R"("郑州","1",
"郑州东","1",
)";

// The hand-made tables, their network and a journey window on them (shown, not modal).
struct JourneyWindow {
  JourneyWindow()
      : tables(kStops, kTrains, kGroups),
        network(std::make_shared<const journey::Network>(
            journey::BuildNetwork(tables.store).value())) {
    App();
    window = std::make_unique<ui::TFrmJourney>(network, tables.store, dialogs, "西安", "厦门",
                                               nullptr);
    window->show();
    // Every Pareto journey, the slow ones too, unless a test unchecks it.
    QTest::mouseClick(Find("CBAll"), Qt::LeftButton);
  }
  explicit JourneyWindow(bool all) : JourneyWindow() {
    if (!all) QTest::mouseClick(Find("CBAll"), Qt::LeftButton);
  }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    return window->findChild<T*>(QString::fromUtf8(name));
  }
  // Column c of the listed rows, top to bottom.
  std::vector<QString> Column(int c) const {
    std::vector<QString> cells;
    for (int r = 0; r < window->List().Count; ++r) cells.push_back(Cell(window->JGrid(), r, c));
    return cells;
  }
  std::vector<QString> Row(const ui::GridView* grid, int r, int columns) const {
    std::vector<QString> cells;
    for (int c = 0; c < columns; ++c) cells.push_back(Cell(grid, r, c));
    return cells;
  }
  void ClickRow(ui::GridView* grid, int row, bool twice = false) const {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    if (twice) {
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
  }
  // Replaces a box's text by typing, as the user would.
  void Type(QWidget* box, const QString& text) const {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  void Query() const { QTest::mouseClick(Find<QPushButton>("BTNQuery"), Qt::LeftButton); }

  query::Tables tables;
  std::shared_ptr<const journey::Network> network;
  ScriptedDialogs dialogs;
  std::unique_ptr<ui::TFrmJourney> window;
};

TEST(FrmJourney, ListsTheJourneysSortsByHeaderAndShowsTheChosenLegs) {
  JourneyWindow j;
  EXPECT_EQ(j.window->windowTitle(), QStringLiteral("换乘方案：西安 → 厦门"));
  EXPECT_EQ(j.Find<QLabel>("LabResult")->text(), QStringLiteral("方案:4"));
  EXPECT_EQ(j.Find<QLabel>("Lab1")->text(), QStringLiteral("出发↑"));
  ui::GridView* list = j.window->JGrid();
  using Cells = std::vector<QString>;
  // Departure and arrival stations in their own columns; each change's wait on its own.
  EXPECT_EQ(j.Row(list, 0, 10),
            (Cells{"08:00", "西安", "10:00+1天", "厦门", "26:00", "0", "K1", "-", "-", "200"}));
  EXPECT_EQ(j.Row(list, 1, 10), (Cells{"09:00", "西安", "20:00", "厦门", "11:00", "1",
                                       "G10 → G11", "郑州", "0:40", "950"}));
  EXPECT_EQ(j.Row(list, 2, 10), (Cells{"12:00", "西安", "06:00+1天", "厦门", "18:00", "1",
                                       "D20 → K30", "郑州东→郑州（同城换站）", "2:00", "330"}));
  EXPECT_EQ(j.Row(list, 3, 5), (Cells{"14:00", "西安", "23:50", "厦门", "9:50"}));
  EXPECT_EQ(j.Row(list, 3, 10)[6], QStringLiteral("G40 → G41 → G42"));
  EXPECT_EQ(j.Row(list, 3, 10)[7], QStringLiteral("郑州、武汉"));
  EXPECT_EQ(j.Row(list, 3, 10)[8], QStringLiteral("0:40、0:30"));

  // 到达 sorts by day, then time: the next-day arrivals last, whatever their clock reads.
  QTest::mouseClick(j.Find("Lab3"), Qt::LeftButton);
  EXPECT_EQ(j.Column(2), (Cells{"20:00", "23:50", "06:00+1天", "10:00+1天"}));
  EXPECT_EQ(j.Find<QLabel>("Lab3")->text(), QStringLiteral("到达↑"));
  EXPECT_EQ(j.Find<QLabel>("Lab1")->text(), QStringLiteral("出发"));
  EXPECT_TRUE(j.Find<QLabel>("Lab3")->font().bold());
  QTest::mouseClick(j.Find("Lab3"), Qt::LeftButton);
  EXPECT_EQ(j.Column(2), (Cells{"10:00+1天", "06:00+1天", "23:50", "20:00"}));
  EXPECT_EQ(j.Find<QLabel>("Lab3")->text(), QStringLiteral("到达↓"));
  // Waits by their sum (70 minutes for two changes), the through train (no wait) last.
  QTest::mouseClick(j.Find("Lab9"), Qt::LeftButton);
  EXPECT_EQ(j.Column(8), (Cells{"0:40", "0:40、0:30", "2:00", "-"}));

  // A click on the row of three trains lists its legs in the result grid's columns (G42's
  // section from its departure at 武汉, 19:30, not its arrival there); the leg boarded at a
  // change where its train does not start is blue, the others red.
  j.ClickRow(list, 1);
  ui::GridView* legs = j.window->LGrid();
  EXPECT_EQ(j.Row(legs, 0, 11), (Cells{"G40", "西安", "郑州", "高速动车", "西安", "14:00", "郑州",
                                      "16:00", "1", "500", "2:00"}));
  EXPECT_EQ(j.Row(legs, 1, 8)[0], "G41");
  EXPECT_EQ(j.Row(legs, 2, 11), (Cells{"G42", "长沙", "厦门", "高速动车", "武汉", "19:30", "厦门",
                                      "23:50", "1", "1000", "4:20"}));
  EXPECT_EQ(Cell(legs, 3, 0), "");
  EXPECT_EQ(TextColour(legs, 0), QColor(0xFF, 0, 0));
  EXPECT_EQ(TextColour(legs, 1), QColor(0xFF, 0, 0));
  EXPECT_EQ(TextColour(legs, 2), QColor(0, 0, 0xFF));

  // A double-click on the third leg opens its train's stops with 武汉 to 厦门 highlighted.
  QString caption;
  std::vector<QColor> colours;
  int first = 0, last = 0;
  OnNextModal([&](QDialog* dialog) {
    auto* detail = qobject_cast<ui::TFrmMsg*>(dialog);
    ASSERT_NE(detail, nullptr);
    caption = detail->windowTitle();
    first = detail->Detail().FirstLegStop;
    last = detail->Detail().LastLegStop;
    for (int r = 0; r < 3; ++r) colours.push_back(TextColour(detail->MGrid(), r));
  });
  j.ClickRow(legs, 2, true);
  EXPECT_EQ(caption, QStringLiteral("车次:G42"));
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 3);
  EXPECT_EQ(colours, (std::vector<QColor>{Qt::black, QColor(0, 0, 0xFF), QColor(0, 0, 0xFF)}));

  // Another row replaces the legs; the blank row under them opens nothing.
  j.ClickRow(list, 3);
  EXPECT_EQ(j.Row(legs, 0, 8)[0], "K1");
  EXPECT_EQ(Cell(legs, 1, 0), "");
  bool opened = false;
  QTimer::singleShot(200, [&] { opened = QApplication::activeModalWidget() != nullptr; });
  j.ClickRow(legs, 1, true);
  QTest::qWait(250);
  EXPECT_FALSE(opened);
}

// The 车型 boxes as the main window's 仅动车, finer: a click lists again with only journeys whose
// every leg is of a checked group. Worked out by hand from the table above: without 高铁 the K1
// and the D20 + K30 journeys stay; without 直特快 G10 + G11 and G40 + G41 + G42 stay (D20 on to
// G41 arrives with G40's journey but leaves earlier).
TEST(FrmJourney, TrainGroupBoxesKeepOnlyJourneysOfTheCheckedGroups) {
  struct Case {
    std::vector<const char*> unchecked;
    std::vector<QString> departures;
    const char* info;
  };
  const std::vector<Case> cases = {
      {{}, {"08:00", "09:00", "12:00", "14:00"}, nullptr},
      {{"CBGroupG"}, {"08:00", "12:00"}, nullptr},
      {{"CBGroupZTK"}, {"09:00", "14:00"}, nullptr},
      {{"CBGroupG", "CBGroupZTK"}, {}, "没有符合条件的换乘方案，可放宽换乘条件后再查询。"},
      {{"CBGroupG", "CBGroupD", "CBGroupC", "CBGroupZTK", "CBGroupP"}, {}, "请至少选择一种车型。"},
  };
  for (const Case& c : cases) {
    JourneyWindow j;
    for (const char* box : c.unchecked) {
      QTest::mouseClick(j.Find<QCheckBox>(box), Qt::LeftButton);
    }
    SCOPED_TRACE(std::to_string(c.unchecked.size()) + " unchecked");
    EXPECT_EQ(j.Column(0), c.departures);
    if (c.info != nullptr) {
      EXPECT_EQ(j.Find<QLabel>("LabInfo")->text(), QString::fromUtf8(c.info));
    }
    for (const journey::Journey& journey : j.window->List().Journeys) {
      for (const journey::Leg& leg : journey.legs) {
        const auto group = static_cast<std::size_t>(timetable::TrainGroupOf(leg.train_id));
        const char* names[] = {"CBGroupG", "CBGroupD", "CBGroupC", "CBGroupZTK", "CBGroupP"};
        EXPECT_TRUE(j.Find<QCheckBox>(names[group])->isChecked()) << leg.train_id;
      }
    }
  }
}

// The window's own station boxes: typed into (with the main window's completion), Enter moves
// on to 查询, which lists the journeys for the new names.
TEST(FrmJourney, ItsOwnStationBoxesCompleteAndAskAgain) {
  LoadedWindow t;
  ASSERT_TRUE(WaitUntil([&] { return t.window->JourneyNetwork() != nullptr; }));
  t.SetBox("ComboFZ", QStringLiteral("广州"));
  t.SetBox("ComboDZ", QStringLiteral("保定"));
  t.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MJourney"))->trigger();
  ui::TFrmJourney* journeys = t.window->JourneyWindow();
  ASSERT_NE(journeys, nullptr);
  QApplication::setActiveWindow(journeys);
  ASSERT_TRUE(QTest::qWaitForWindowActive(journeys));
  auto* fz = journeys->findChild<QComboBox*>(QStringLiteral("ComboFZ"));
  auto* dz = journeys->findChild<QComboBox*>(QStringLiteral("ComboDZ"));
  ASSERT_NE(fz, nullptr);
  fz->setFocus();
  fz->lineEdit()->selectAll();
  Type("bj");
  EXPECT_EQ(Items(fz)[0], QStringLiteral("北京"));
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);  // takes 北京
  EXPECT_EQ(fz->currentText(), QStringLiteral("北京"));
  Press(Qt::Key_Return);  // on to 到站
  EXPECT_EQ(QApplication::focusWidget(), dz);
  dz->lineEdit()->selectAll();
  Type("sh");
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_EQ(dz->currentText(), QStringLiteral("上海"));
  Press(Qt::Key_Return);  // on to 查询
  EXPECT_EQ(QApplication::focusWidget(), journeys->findChild<QWidget*>(QStringLiteral("BTNQuery")));
  Press(Qt::Key_Return);
  // Named with the main window's 出发日期, which it answers for.
  const QString day = t.Find<QDateEdit>("DateCX")->date().toString(Qt::ISODate);
  EXPECT_EQ(journeys->windowTitle(), QStringLiteral("换乘方案：北京 → 上海（%1）").arg(day));
  ASSERT_GE(journeys->List().Count, 1);
  EXPECT_EQ(Cell(journeys->JGrid(), 0, 6), QStringLiteral("G1"));
  // The main window's boxes are its own business.
  EXPECT_EQ(t.Find<QComboBox>("ComboFZ")->currentText(), QStringLiteral("广州"));
}

TEST(FrmJourney, SlowJourneysOnlyWhenAskedAndEveryDirectTrainOnItsButton) {
  // Fastest 9:50; 1.5 times that plus three hours is 17:45: D20 → K30 (18:00) and K1 (26:00)
  // are left out until 显示全部 is checked.
  JourneyWindow j(false);
  EXPECT_FALSE(j.Find<QCheckBox>("CBAll")->isChecked());
  EXPECT_EQ(j.Column(0), (std::vector<QString>{"09:00", "14:00"}));
  QTest::mouseClick(j.Find("CBAll"), Qt::LeftButton);
  EXPECT_EQ(j.Column(0), (std::vector<QString>{"08:00", "09:00", "12:00", "14:00"}));
  // 显示全部直达车次: K1, the one direct train, however slow.
  QTest::mouseClick(j.Find("BTNDirect"), Qt::LeftButton);
  EXPECT_EQ(j.Column(6), (std::vector<QString>{"K1"}));
  EXPECT_EQ(j.Find<QLabel>("LabResult")->text(), QStringLiteral("方案:1"));
}

TEST(FrmJourney, ConditionsTypedIntoTheBoxesNarrowTheList) {
  // Each case starts from the defaults; the departures listed afterwards, in 出发 order.
  struct Case {
    const char* what;
    std::function<void(JourneyWindow&)> set;
    std::vector<QString> departures;
  };
  const std::vector<Case> cases = {
      {"departures from 10:00", [](JourneyWindow& j) { j.Type(j.Find("ETAfter"), "10:00"); },
       {"12:00", "14:00"}},
      {"departures until 9:30", [](JourneyWindow& j) { j.Type(j.Find("ETBefore"), "9:30"); },
       {"08:00", "09:00"}},
      {"one change at most",
       [](JourneyWindow& j) { QTest::keyClick(j.Find("CBChanges"), Qt::Key_Up); },
       {"08:00", "09:00", "12:00"}},
      {"through trains only",
       [](JourneyWindow& j) {
         QTest::keyClick(j.Find("CBChanges"), Qt::Key_Up);
         QTest::keyClick(j.Find("CBChanges"), Qt::Key_Up);
       },
       {"08:00"}},
      // 40 minutes at 郑州 no longer do; D20 + K30 changes station, with its own minimum.
      {"45 minutes at one station",
       [](JourneyWindow& j) { j.Type(j.Find("SEMinChange"), "45"); },
       {"08:00", "12:00"}},
      // Exactly the two hours D20 + K30 have: still enough. One more minute is not.
      {"120 minutes between stations",
       [](JourneyWindow& j) { j.Type(j.Find("SEMinChangeCity"), "120"); },
       {"08:00", "09:00", "12:00", "14:00"}},
      {"121 minutes between stations",
       [](JourneyWindow& j) { j.Type(j.Find("SEMinChangeCity"), "121"); },
       {"08:00", "09:00", "14:00"}},
      {"waits up to 100 minutes",
       [](JourneyWindow& j) { j.Type(j.Find("SEMaxWait"), "100"); },
       {"08:00", "09:00", "14:00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    JourneyWindow j;
    c.set(j);
    j.Query();
    EXPECT_TRUE(j.dialogs.shown.empty());
    EXPECT_EQ(j.Column(0), c.departures);
    EXPECT_EQ(j.Find<QLabel>("LabResult")->text(),
              QStringLiteral("方案:%1").arg(c.departures.size()));
  }

  // Nothing left: the list is empty, says why, and there is nothing to print or export.
  JourneyWindow j;
  j.Type(j.Find("ETAfter"), "15:00");
  QTest::keyClick(j.Find("ETAfter"), Qt::Key_Return);
  EXPECT_EQ(j.window->List().Count, 0);
  EXPECT_EQ(Cell(j.window->JGrid(), 0, 0), "");
  EXPECT_EQ(j.Find<QLabel>("LabInfo")->text(),
            QStringLiteral("没有符合条件的换乘方案，可放宽换乘条件后再查询。"));
  EXPECT_FALSE(j.Find("BTNExport")->isEnabled());
  EXPECT_FALSE(j.Find("BTNPrint")->isEnabled());
}

TEST(FrmJourney, DepartureTimesThatAreNoTimesOfDayAreRefusedWithTheirBoxFocused) {
  struct Case {
    const char* after;
    const char* before;
    const char* text;
    const char* focus;
  };
  const std::vector<Case> cases = {
      {"24:00", "23:59", "出发时间的起点请按“时:分”填写，例如 07:30。", "ETAfter"},
      {"7:5", "23:59", "出发时间的起点请按“时:分”填写，例如 07:30。", "ETAfter"},
      {"", "23:59", "出发时间的起点请按“时:分”填写，例如 07:30。", "ETAfter"},
      {"00:00", "0930", "出发时间的终点请按“时:分”填写，例如 21:00。", "ETBefore"},
      {"00:00", "9:60", "出发时间的终点请按“时:分”填写，例如 21:00。", "ETBefore"},
      {"12:00", "11:59", "出发时间的起点晚于终点，请重新填写。", "ETAfter"},
  };
  JourneyWindow j;
  QApplication::setActiveWindow(j.window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(j.window.get()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    j.dialogs.shown.clear();
    j.Type(j.Find("ETAfter"), QString::fromUtf8(c.after));
    j.Type(j.Find("ETBefore"), QString::fromUtf8(c.before));
    j.Find("BTNClose")->setFocus();
    j.Query();
    ASSERT_EQ(j.dialogs.shown.size(), 1u);
    EXPECT_EQ(j.dialogs.shown[0].text, QString::fromUtf8(c.text));
    EXPECT_EQ(j.dialogs.shown[0].caption, QStringLiteral("岚舟时刻"));
    EXPECT_TRUE(j.Find(c.focus)->hasFocus());
    // The list stays as the last good query left it.
    EXPECT_EQ(j.window->List().Count, 4);
  }
}

TEST(FrmJourney, ExportWritesTheListAsShown) {
  JourneyWindow j;
  const QString path = QDir::temp().filePath(QStringLiteral("lanzhou_journey_export_test.csv"));
  QFile::remove(path);
  j.dialogs.save_name = path;
  QTest::mouseClick(j.Find("Lab5"), Qt::LeftButton);  // 历时↑
  QTest::mouseClick(j.Find("BTNExport"), Qt::LeftButton);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  file.close();
  QFile::remove(path);
  EXPECT_EQ(text::GbkToUtf8(bytes.toStdString()),
            "\r\n\r\n岚舟时刻公司\r\nhttp://www.lanzhou-shike.cn\r\n\r\n\r\n"
            "出发,发站,到达,到站,历时,换乘,车次,换乘站,等候,参考票价\r\n"
            "14:00,西安,23:50,厦门,9:50,2,G40 → G41 → G42,郑州、武汉,0:40、0:30,990\r\n"
            "09:00,西安,20:00,厦门,11:00,1,G10 → G11,郑州,0:40,950\r\n"
            "12:00,西安,06:00+1天,厦门,18:00,1,D20 → K30,郑州东→郑州（同城换站）,2:00,330\r\n"
            "08:00,西安,10:00+1天,厦门,26:00,0,K1,-,-,200\r\n");
  // The dialog offered a name from the two stations; the window says what it wrote.
  EXPECT_EQ(j.dialogs.suggested_names, std::vector<QString>{QStringLiteral("西安-厦门-换乘.csv")});
  EXPECT_EQ(j.Find<QLabel>("LabInfo")->text(), QStringLiteral("已导出 4 行到 ") + path);
}

TEST(FrmJourneyEntries, WaitForTheNetworkThenOpenTheWindowFromTheMenuAndTheChooser) {
  {
    // Tables not loaded: the entry says it is getting ready and cannot be used.
    TestWindow t(false);
    QAction* entry = t.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MJourney"));
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->isEnabled());
    EXPECT_EQ(entry->text(), QStringLiteral("换乘方案（正在准备…）"));
    t.window->OnTrainReady();
    EXPECT_FALSE(entry->isEnabled());
  }
  LoadedWindow t;
  QMenu* menu = t.window->MAdvanced();
  QAction* entry = menu->findChild<QAction*>(QStringLiteral("MJourney"));
  ASSERT_TRUE(WaitUntil([&] { return entry->isEnabled(); }));
  EXPECT_EQ(entry->text(), QStringLiteral("换乘方案…"));

  // From the menu, for the two boxes' texts: a window of its own, not modal, the main window
  // still usable beside it.
  t.SetBox("ComboFZ", QStringLiteral("北京"));
  t.SetBox("ComboDZ", QStringLiteral("上海"));
  menu->popup(QPoint(0, 0));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
  // Named with the 出发日期 it answers for.
  const QString day = t.Find<QDateEdit>("DateCX")->date().toString(Qt::ISODate);
  QPointer<ui::TFrmJourney> journeys = t.window->JourneyWindow();
  ASSERT_NE(journeys, nullptr);
  EXPECT_TRUE(journeys->isVisible());
  EXPECT_FALSE(journeys->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(journeys->windowTitle(), QStringLiteral("换乘方案：北京 → 上海（%1）").arg(day));
  EXPECT_EQ(journeys->findChild<QComboBox*>(QStringLiteral("ComboFZ"))->currentText(),
            QStringLiteral("北京"));
  std::vector<QString> trains;
  for (int r = 0; r < journeys->List().Count; ++r) trains.push_back(Cell(journeys->JGrid(), r, 6));
  EXPECT_EQ(trains, (std::vector<QString>{"G1"}));

  // The main window's checks come first: a name the timetable does not know opens nothing.
  t.SetBox("ComboDZ", QStringLiteral("东京"));
  t.dialogs.shown.clear();
  entry->trigger();
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("到站不存在。"));

  // From the transfer chooser, for the same two stations: the chooser closes, the one journey
  // window takes the names.
  t.SetBox("ComboFZ", QStringLiteral("广州"));
  t.SetBox("ComboDZ", QStringLiteral("保定"));
  QString button_text;
  OnNextModal([&](QDialog* chooser) {
    auto* button = chooser->findChild<QPushButton*>(QStringLiteral("BTNJourney"));
    ASSERT_NE(button, nullptr);
    button_text = button->text();
    QTest::mouseClick(button, Qt::LeftButton);
  });
  QTest::mouseClick(t.Find<QPushButton>("BTNZZZZ"), Qt::LeftButton);
  EXPECT_EQ(button_text, QStringLiteral("换乘方案…"));
  ASSERT_TRUE(WaitUntil([&] {
    return journeys &&
           journeys->windowTitle() == QStringLiteral("换乘方案：广州 → 保定（%1）").arg(day);
  }));
  EXPECT_EQ(t.window->JourneyWindow(), journeys.data());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(FrmJourneyEntries, AnotherTimetableGetsItsOwnNetworkBeforeTheEntryOpensAgain) {
  TempDir dir;
  // The choice of timetable is remembered there.
  const ScopedEnv config("XDG_CONFIG_HOME", dir.path().string());
  LoadedWindow t;
  QAction* entry = t.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MJourney"));
  ASSERT_TRUE(WaitUntil([&] { return entry->isEnabled(); }));
  const std::shared_ptr<const journey::Network> before = t.window->JourneyNetwork();
  // A journey window open on the old tables goes with them.
  t.SetBox("ComboFZ", QStringLiteral("北京"));
  t.SetBox("ComboDZ", QStringLiteral("上海"));
  entry->trigger();
  ASSERT_NE(t.window->JourneyWindow(), nullptr);

  // The same timetable without G1, the one train from 北京 to 上海.
  const data::ResourceRegistry& r = TestRegistry();
  const std::filesystem::path file = dir / "without_g1.lzt";
  data::TimetableMeta meta;
  meta.name = "全国";
  meta.valid_date = "2024-07-05";
  meta.trains = 8;  // the writer checks these counts against the tables
  meta.stops = 49;
  meta.stations = 45;
  data::WriteTimetableFile(file, meta,
                           {WithoutTrain(data::ReadPackedResource(r, "STrain"), "G1"),
                            WithoutTrain(data::ReadPackedResource(r, "SList"), "G1"),
                            data::ReadPackedResource(r, "SM"), data::ReadPackedResource(r, "SPY"),
                            /*calendar: every train every day*/ {}});
  t.dialogs.open_name = QString::fromStdString(file.string());
  t.window->MAdvanced()->findChild<QAction*>(QStringLiteral("MOpenTimetable"))->trigger();
  // The old network points into the tables just replaced: it is gone at once.
  EXPECT_EQ(t.window->JourneyWindow(), nullptr);
  EXPECT_FALSE(entry->isEnabled());
  EXPECT_EQ(entry->text(), QStringLiteral("换乘方案（正在准备…）"));
  EXPECT_EQ(t.window->JourneyNetwork(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return entry->isEnabled(); }));
  ASSERT_NE(t.window->JourneyNetwork(), before);

  t.SetBox("ComboFZ", QStringLiteral("北京"));
  t.SetBox("ComboDZ", QStringLiteral("上海"));
  entry->trigger();
  ASSERT_NE(t.window->JourneyWindow(), nullptr);
  EXPECT_EQ(t.window->JourneyWindow()->List().Count, 0);
}

}  // namespace
}  // namespace lanzhou::testing
