// The main window's queries on the test timetable: the input messages and their focus, the four
// queries, the filter boxes, header sorting, the transfer chooser and the detail window.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "ui/frm_msg.h"
#include "ui/frm_zzz.h"
#include "ui/grid_view.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

using Shown = ScriptedDialogs::Shown;

TEST(FrmPeloryQueries, InputMessagesNameTheBoxAndTakeItsFocus) {
  LoadedWindow t;
  QApplication::setActiveWindow(t.window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(t.window.get()));
  struct Case {
    QString from, to, text, caption;
    const char* focus;
  };
  const std::vector<Case> cases = {
      {"", "上海", "请输入发站。", "信息不完整", "ComboFZ"},
      {"bj", "上海", "请输入发站。", "信息不完整", "ComboFZ"},
      {"北京", "", "请输入到站。", "信息不完整", "ComboDZ"},
      {"北京", "sh", "请输入到站。", "信息不完整", "ComboDZ"},
      {"北京", "北京", "发站与到站相同。", "输入错误", "ComboDZ"},
      {"北平", "上海", "发站不存在。", "输入错误", "ComboFZ"},
      {"北京", "东京", "到站不存在。", "输入错误", "ComboDZ"},
  };
  for (const Case& c : cases) {
    t.dialogs.shown.clear();
    t.Find("BTNCCCX")->setFocus();
    t.Through(c.from, c.to);
    ASSERT_EQ(t.dialogs.shown.size(), 1u) << c.text.toStdString();
    const Shown& shown = t.dialogs.shown[0];
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.caption, c.caption);
    EXPECT_EQ(shown.buttons, QMessageBox::Ok);
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(t.Find(c.focus)->hasFocus()) << c.text.toStdString();
    EXPECT_EQ(t.window->State().QueryKind, query::StationToStation);
  }

  t.dialogs.shown.clear();
  t.Find<QLineEdit>("ECC")->setText(QStringLiteral("  "));
  QTest::mouseClick(t.Find<QPushButton>("BTNCCCX"), Qt::LeftButton);
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("请输入车次。"));
  EXPECT_EQ(t.dialogs.shown[0].caption, QStringLiteral("信息不完整"));
  EXPECT_TRUE(t.Find("ECC")->hasFocus());
  EXPECT_EQ(t.window->State().QueryKind, query::TrainNumber);

  for (const auto& [text, message, caption] :
       {std::tuple{QString(), "请输入车站。", "信息不完整"},
        std::tuple{QStringLiteral("bj"), "请输入车站。", "信息不完整"},
        std::tuple{QStringLiteral("东京"), "车站不存在。", "输入错误"}}) {
    t.dialogs.shown.clear();
    t.Find("ECC")->setFocus();
    t.SetBox("ComboCZ", text);
    QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
    ASSERT_EQ(t.dialogs.shown.size(), 1u) << message;
    EXPECT_EQ(t.dialogs.shown[0].text, QString::fromUtf8(message));
    EXPECT_EQ(t.dialogs.shown[0].caption, QString::fromUtf8(caption));
    EXPECT_TRUE(t.Find("ComboCZ")->hasFocus()) << message;
    EXPECT_EQ(t.window->State().QueryKind, query::StationTimetable);
  }
}

// Pasted junk in the boxes: very long texts, control characters, lone surrogates. The window
// answers with its ordinary messages and goes on.
TEST(FrmPeloryQueries, HostileBoxTextsGetTheOrdinaryMessages) {
  LoadedWindow t;
  const QString long_name = QString(20000, QLatin1Char('x')) + QStringLiteral("站");
  const QString control = QStringLiteral("北") + QChar(0x01) + QStringLiteral("京");
  const QString lone_surrogate = QString(QChar(0xD800)) + QStringLiteral("京");
  for (const QString& junk : {long_name, control, lone_surrogate}) {
    t.dialogs.shown.clear();
    t.Through(junk, QStringLiteral("上海"));
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("发站不存在。"));

    t.dialogs.shown.clear();
    t.SetBox("ComboCZ", junk);
    QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("车站不存在。"));

    // A train number that matches nothing is refused as an unknown station is.
    t.dialogs.shown.clear();
    t.Find<QLineEdit>("ECC")->setText(junk);
    QTest::mouseClick(t.Find<QPushButton>("BTNCCCX"), Qt::LeftButton);
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("车次不存在。"));
  }
}

TEST(FrmPeloryQueries, ThroughQueryFillsTheGridAndReverseQueriesBack) {
  LoadedWindow t;
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  EXPECT_TRUE(t.dialogs.shown.empty());
  EXPECT_EQ(t.Result(), QStringLiteral("结果:2"));
  EXPECT_EQ(t.window->State().VisibleCount, 2);
  EXPECT_EQ(t.Grid()->model()->rowCount(), 16);
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "1043");
  EXPECT_EQ(Cell(t.Grid(), 0, 4), QStringLiteral("郑州"));
  EXPECT_EQ(Cell(t.Grid(), 0, 6), QStringLiteral("北京西"));
  EXPECT_EQ(Cell(t.Grid(), 0, 8), "6");
  EXPECT_EQ(Cell(t.Grid(), 0, 9), "689");
  EXPECT_EQ(Cell(t.Grid(), 1, 0), "Z98/Z95");
  EXPECT_TRUE(Cell(t.Grid(), 2, 0).isEmpty());
  EXPECT_EQ(TextColour(t.Grid(), 0), QColor(Qt::black));

  // A train that starts where the traveller boards is red.
  t.Through(QStringLiteral("郑州"), QStringLiteral("上海"));
  EXPECT_EQ(t.Result(), QStringLiteral("结果:1"));
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "1112/1113");
  EXPECT_EQ(Cell(t.Grid(), 0, 6), QStringLiteral("上海"));
  EXPECT_EQ(TextColour(t.Grid(), 0), QColor(0xFF, 0, 0));

  // 反向: the boxes swap and the other direction runs at once (no train: the question).
  t.dialogs.answers = {QMessageBox::No};
  QTest::mouseClick(t.Find<QPushButton>("BTNZZFX"), Qt::LeftButton);
  EXPECT_EQ(t.Find<QComboBox>("ComboFZ")->currentText(), QStringLiteral("上海"));
  EXPECT_EQ(t.Find<QComboBox>("ComboDZ")->currentText(), QStringLiteral("郑州"));
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("两站之间无直达列车,是否进行中转站查询?"));
  EXPECT_EQ(t.dialogs.shown[0].caption, QStringLiteral("岚舟时刻"));
  EXPECT_EQ(t.dialogs.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(t.dialogs.shown[0].icon, QMessageBox::Question);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:0"));
  EXPECT_TRUE(Cell(t.Grid(), 0, 0).isEmpty());
}

TEST(FrmPeloryQueries, TrainNumberAndStationQueries) {
  LoadedWindow t;
  auto* ecc = t.Find<QLineEdit>("ECC");
  QTest::keyClicks(ecc, "d1");
  EXPECT_EQ(ecc->text(), "D1");
  QTest::mouseClick(t.Find<QPushButton>("BTNCCCX"), Qt::LeftButton);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:1"));
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "D1");
  EXPECT_EQ(Cell(t.Grid(), 0, 2), QStringLiteral("沈阳北"));

  // A train that changes number is found by its second number too; a number none carries says
  // "车次不存在。" and leaves the grid as it was.
  ecc->setText(QStringLiteral("1113"));
  QTest::mouseClick(t.Find<QPushButton>("BTNCCCX"), Qt::LeftButton);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:1"));
  EXPECT_EQ(Cell(t.Grid(), 0, 0), QStringLiteral("1112/1113"));
  EXPECT_TRUE(t.dialogs.shown.empty());
  ecc->setText(QStringLiteral("1111"));
  QTest::mouseClick(t.Find<QPushButton>("BTNCCCX"), Qt::LeftButton);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:1"));
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text, QStringLiteral("车次不存在。"));
  t.dialogs.shown.clear();

  t.SetBox("ComboCZ", QStringLiteral("北京"));
  QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:7"));
  EXPECT_EQ(t.window->State().QueryKind, query::StationTimetable);
}

TEST(FrmPeloryResults, FilterBoxesRebuildTheGridAndQueriesUncheckThem) {
  LoadedWindow t;
  t.SetBox("ComboCZ", QStringLiteral("北京"));
  QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
  ASSERT_EQ(t.Result(), QStringLiteral("结果:7"));

  auto* dc = t.Find<QCheckBox>("CBDC");
  QTest::mouseClick(dc, Qt::LeftButton, {}, QPoint(5, dc->height() / 2));
  ASSERT_TRUE(dc->isChecked());
  EXPECT_EQ(t.Result(), QStringLiteral("结果:3"));
  std::vector<QString> shown;
  for (int r = 0; r < 3; ++r) shown.push_back(Cell(t.Grid(), r, 0));
  EXPECT_EQ(shown, (std::vector<QString>{"C2001", "D1", "G1"}));
  EXPECT_TRUE(Cell(t.Grid(), 3, 0).isEmpty());

  auto* sf = t.Find<QCheckBox>("CBSF");
  QTest::mouseClick(dc, Qt::LeftButton, {}, QPoint(5, dc->height() / 2));
  QTest::mouseClick(sf, Qt::LeftButton, {}, QPoint(5, sf->height() / 2));
  EXPECT_EQ(t.Result(), QStringLiteral("结果:5"));

  // A new query starts with every box unchecked and shows every row.
  QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
  for (const char* name : {"CBSF", "CBZD", "CBJQ", "CBDC"}) {
    EXPECT_FALSE(t.Find<QCheckBox>(name)->isChecked()) << name;
  }
  EXPECT_EQ(t.Result(), QStringLiteral("结果:7"));
}

TEST(FrmPeloryResults, HeaderClicksToggleTheMarkAndSortTheShownRows) {
  LoadedWindow t;
  auto* lab1 = t.Find<QLabel>("Lab1");
  auto* lab6 = t.Find<QLabel>("Lab6");
  // No rows yet: nothing changes.
  QTest::mouseClick(lab1, Qt::LeftButton);
  EXPECT_EQ(lab1->text(), QStringLiteral("车 次"));

  t.SetBox("ComboCZ", QStringLiteral("北京"));
  QTest::mouseClick(t.Find<QPushButton>("BTNCZCX"), Qt::LeftButton);
  QTest::mouseClick(lab1, Qt::LeftButton);
  EXPECT_EQ(lab1->text(), QStringLiteral("车 次↑"));
  EXPECT_TRUE(lab1->font().bold());
  QTest::mouseClick(lab1, Qt::LeftButton);
  EXPECT_EQ(lab1->text(), QStringLiteral("车 次↓"));
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "Z98/Z95");
  EXPECT_EQ(Cell(t.Grid(), 6, 0), "1043");
  QTest::mouseClick(lab1, Qt::LeftButton);
  EXPECT_EQ(lab1->text(), QStringLiteral("车 次↑"));
  QTest::mouseClick(lab6, Qt::LeftButton);
  EXPECT_EQ(lab1->text(), QStringLiteral("车 次"));
  EXPECT_FALSE(lab1->font().bold());
  EXPECT_EQ(lab6->text(), QStringLiteral("发时↑"));
  EXPECT_TRUE(lab6->font().bold());
  for (int r = 1; r < 7; ++r) {
    EXPECT_LE(Cell(t.Grid(), r - 1, 5), Cell(t.Grid(), r, 5)) << r;
  }
  EXPECT_TRUE(Cell(t.Grid(), 7, 0).isEmpty());

  // The mark stays in force for the next query.
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  EXPECT_EQ(lab6->text(), QStringLiteral("发时↑"));
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "1043");  // 04:59 before 07:38
}

TEST(FrmPeloryTransfer, NoThroughTrainAsksThenTheChooserListsBothLegs) {
  LoadedWindow t;
  // No: the grid stays empty.
  t.dialogs.answers = {QMessageBox::No};
  t.Through(QStringLiteral("广州"), QStringLiteral("保定"));
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.Result(), QStringLiteral("结果:0"));

  // Yes: the chooser opens; a click on 郑州 lists Z98/Z95 to it and 1043 from it.
  t.dialogs.answers = {QMessageBox::Yes};
  QString caption;
  QString info;
  std::vector<QString> stations;
  QString result_after_click;
  QColor second_leg_colour;
  QColor first_leg_colour;
  QString first_header;
  OnNextModal([&](QDialog* dialog) {
    auto* chooser = qobject_cast<ui::TFrmZzz*>(dialog);
    ASSERT_NE(chooser, nullptr);
    caption = chooser->windowTitle();
    info = chooser->findChild<QLabel*>(QStringLiteral("LabInfo"))->text();
    first_header = chooser->findChild<QLabel*>(QStringLiteral("Lab1"))->text();
    ui::GridView* zgrid = chooser->ZGrid();
    for (int r = 0; r < zgrid->model()->rowCount() && !Cell(zgrid, r, 0).isEmpty(); ++r) {
      stations.push_back(Cell(zgrid, r, 0));
    }
    const int row = Cell(zgrid, 0, 0) == QStringLiteral("郑州") ? 0 : 1;
    const QRect cell = zgrid->visualRect(zgrid->model()->index(row, 0));
    QTest::mouseClick(zgrid->viewport(), Qt::LeftButton, {}, cell.center());
    result_after_click = t.Result();
    first_leg_colour = TextColour(t.Grid(), 0);
    second_leg_colour = TextColour(t.Grid(), 1);
  });
  t.Through(QStringLiteral("广州"), QStringLiteral("保定"));
  EXPECT_EQ(caption, QStringLiteral("两地共有<2>个中转站供选择:"));
  EXPECT_EQ(info, QStringLiteral("中转换乘牵涉因素较多，请综合各种因素进行换乘站选择。"));
  EXPECT_EQ(first_header, QStringLiteral("中转站↑"));
  EXPECT_EQ(stations, (std::vector<QString>{"石家庄", "郑州"}));
  EXPECT_EQ(result_after_click, QStringLiteral("结果:2"));
  EXPECT_EQ(first_leg_colour, QColor(0xFF, 0, 0));   // Z98/Z95 starts at 广州
  EXPECT_EQ(second_leg_colour, QColor(0, 0, 0xFF));  // 1043 boards at the transfer station
  // The legs stay after the chooser closed.
  EXPECT_EQ(t.window->State().TransferStation, "郑州");
  EXPECT_EQ(Cell(t.Grid(), 0, 0), "Z98/Z95");
  EXPECT_EQ(Cell(t.Grid(), 1, 0), "1043");
  EXPECT_EQ(Cell(t.Grid(), 1, 4), QStringLiteral("郑州"));
}

TEST(FrmPeloryDetail, DoubleClickOpensTheStopListWithDaysSpeedsAndSection) {
  LoadedWindow t;
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  ASSERT_EQ(Cell(t.Grid(), 0, 0), "1043");
  QString caption, qc, qj;
  std::vector<std::vector<QString>> rows;
  std::vector<QColor> colours;
  int grid_rows = 0;
  QSize size;
  bool on_top = false;
  OnNextModal([&](QDialog* dialog) {
    auto* detail = qobject_cast<ui::TFrmMsg*>(dialog);
    ASSERT_NE(detail, nullptr);
    caption = detail->windowTitle();
    size = detail->size();
    on_top = detail->windowFlags() & Qt::WindowStaysOnTopHint;
    qc = detail->findChild<QLabel*>(QStringLiteral("LabQC"))->text();
    qj = detail->findChild<QLabel*>(QStringLiteral("LabQJ"))->text();
    ui::GridView* mgrid = detail->MGrid();
    grid_rows = mgrid->model()->rowCount();
    for (int r = 0; r < 12; ++r) {
      std::vector<QString> row;
      for (int c = 0; c < 8; ++c) row.push_back(Cell(mgrid, r, c));
      rows.push_back(row);
      colours.push_back(TextColour(mgrid, r));
    }
  });
  const QRect cell = t.Grid()->visualRect(t.Grid()->model()->index(0, 0));
  QTest::mouseDClick(t.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(caption, QStringLiteral("车次:1043"));
  EXPECT_EQ(size, QSize(426, 403));
  EXPECT_TRUE(on_top);
  EXPECT_EQ(grid_rows, 20);
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0], (std::vector<QString>{"1", "西安", "0", "", "21:25", "当天", "0:00", ""}));
  EXPECT_EQ(rows[2][5], QStringLiteral("当天"));   // 华山 23:11
  EXPECT_EQ(rows[3][5], QStringLiteral("第2天"));  // 三门峡 00:52
  EXPECT_EQ(rows[11][5], QStringLiteral("第2天"));
  EXPECT_EQ(rows[11][6], "17:00");  // "17:" as a duration
  EXPECT_EQ(rows[1][7], "62");     // 60 km in 58 minutes
  // The section 郑州 (stop 6) to 北京西 (stop 12) in blue, the rest in the normal colour.
  EXPECT_EQ(colours[4], QColor(Qt::black));
  EXPECT_EQ(colours[5], QColor(0, 0, 0xFF));
  EXPECT_EQ(colours[11], QColor(0, 0, 0xFF));
  EXPECT_EQ(qc, QStringLiteral("全程：1200km/历时17:00/速度71km/h"));
  // From the departure at 郑州 (16 minutes there), not the arrival.
  EXPECT_EQ(qj, QStringLiteral("区间：689km/历时9:26/速度73km/h"));

  // A double-click on a blank row opens nothing.
  bool opened = false;
  QTimer::singleShot(200, [&] { opened = QApplication::activeModalWidget() != nullptr; });
  const QRect blank = t.Grid()->visualRect(t.Grid()->model()->index(5, 0));
  QTest::mouseDClick(t.Grid()->viewport(), Qt::LeftButton, {}, blank.center());
  QTest::qWait(250);
  EXPECT_FALSE(opened);
}

}  // namespace
}  // namespace lanzhou::testing
