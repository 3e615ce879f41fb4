// The main window on the test timetable: start-up state and layout, enabling by the readiness
// notices, painting before the tables are loaded, station completion and Enter keys, the menu,
// the panels and the right-click filter.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "ui/frm_msg.h"
#include "ui/frm_zzz.h"
#include "ui/grid_view.h"
#include "ui/links.h"
#include "ui/station_box.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

TEST(FrmPeloryStart, LayoutCaptionsAndStateBeforeAnyTableIsLoaded) {
  TestWindow t(/*start_loaders=*/false);
  ui::TFrmPelory& w = *t.window;
  EXPECT_EQ(w.objectName(), "FrmPelory");
  // The design size is the starting and the smallest size; the window may grow and be maximised.
  EXPECT_EQ(w.size(), QSize(985, 681));
  EXPECT_EQ(w.minimumSize(), QSize(985, 681));
  EXPECT_GT(w.maximumSize().width(), 985);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w.windowTitle(),
            QStringLiteral("岚舟时刻表，准确及时的列车时刻表提供者，免费预订打折机票、"
                           "特价酒店，使您出行无忧！"));
  EXPECT_EQ(w.font().pixelSize(), 12);

  // Status bar at once, before any thread has reported.
  EXPECT_EQ(t.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("当前版本:2011.08.15"));
  EXPECT_EQ(t.Find<QLabel>("StatusPanel1")->text(), QStringLiteral("示例时刻表（非真实数据）"));
  EXPECT_TRUE(t.Find<QLabel>("StatusPanel2")->text().startsWith(QStringLiteral("邮箱:")));
  EXPECT_EQ(t.Find<QLabel>("StatusPanel3")->text(),
            QStringLiteral("出品:岚舟时刻公司  资料来源:示例时刻表（非真实数据）"));
  EXPECT_EQ(t.Find<QLabel>("LabNew")->text(), QStringLiteral("版本检测中..."));
  // The version text comes from a server: "<b>1</b>12" must show its tags, not bold type.
  EXPECT_EQ(t.Find<QLabel>("LabNew")->textFormat(), Qt::PlainText);
  EXPECT_EQ(t.Find<QLabel>("LabResult")->text(), QStringLiteral("结果:0"));

  // Places of the main controls (relative to their parents).
  struct Place {
    const char* name;
    QRect rect;
  };
  for (const Place& p :
       {Place{"PTop", {0, 0, 985, 68}}, Place{"TB1", {13, 7, 76, 52}},
        Place{"TB4", {316, 6, 76, 52}}, Place{"P1", {0, 70, 985, 592}},
        Place{"SGrid", {14, 43, 960, 305}}, Place{"GroupBox1", {12, 353, 473, 46}},
        Place{"ComboFZ", {35, 17, 102, 20}}, Place{"BTNZZZZ", {412, 15, 53, 24}},
        Place{"ECC", {8, 17, 108, 20}}, Place{"BTNCZCX", {124, 15, 53, 24}},
        Place{"BTNAdvanced", {849, 363, 75, 31}}, Place{"BtnUpdate", {849, 394, 125, 29}},
        Place{"P1Msg", {11, 423, 963, 169}}, Place{"StatusBar1", {0, 662, 985, 19}}}) {
    QWidget* widget = t.Find(p.name);
    ASSERT_NE(widget, nullptr) << p.name;
    EXPECT_EQ(widget->geometry(), p.rect) << p.name;
  }
  for (int n = 1; n <= 15; ++n) {
    QWidget* header = t.Find(QStringLiteral("Lab%1").arg(n).toUtf8().constData());
    ASSERT_NE(header, nullptr) << n;
    EXPECT_EQ(header->property("tag").toInt(), 33);
  }
  EXPECT_EQ(t.Find<QLabel>("Lab1")->text(), QStringLiteral("车 次"));
  EXPECT_EQ(t.Find<QLabel>("Lab14")->text(), QStringLiteral("硬卧上/中/下"));

  // Disabled until the notices; the rest usable from the start.
  for (const char* name :
       {"ComboFZ", "ComboDZ", "ComboCZ", "BTNZZCX", "BTNZZZZ", "BTNCCCX", "BTNCZCX"}) {
    EXPECT_FALSE(t.Find(name)->isEnabled()) << name;
  }
  for (const char* name : {"BTNZZFX", "ECC", "CBSF", "CBZD", "CBJQ", "CBDC", "BTNAdvanced",
                           "BTNAbout", "BtnUpdate", "TB1", "TB2", "TB3", "TB4"}) {
    EXPECT_TRUE(t.Find(name)->isEnabled()) << name;
  }
  EXPECT_EQ(t.Find<QComboBox>("ComboFZ")->count(), 12);

  // P1 shown with TB1 down; the help page in WebB1; every view first on about:blank.
  EXPECT_TRUE(t.Find<QToolButton>("TB1")->isChecked());
  EXPECT_FALSE(t.Find("P1")->isHidden());
  for (const char* name : {"P2", "P3", "P4"}) EXPECT_TRUE(t.Find(name)->isHidden()) << name;
  ASSERT_EQ(t.views.size(), 4u);
  EXPECT_EQ(t.views[0]->calls, (std::vector<QString>{"navigate:about:blank", "html"}));
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(t.views[static_cast<std::size_t>(i)]->calls,
              (std::vector<QString>{"navigate:about:blank"}));
  }
  EXPECT_TRUE(t.views[0]->last_html.contains(QStringLiteral("拼音首字母")));
  EXPECT_EQ(t.views[0]->Widget()->geometry(), QRect(1, 1, 961, 167));
  EXPECT_LE(w.AboutPageText().size(), 10001);
  EXPECT_FALSE(w.Logo().isNull());
  EXPECT_EQ(w.Logo().size(), QSize(143, 63));
}

TEST(FrmPeloryStart, NoticesEnableTheirControlsInEitherOrder) {
  {
    TestWindow t(false);
    t.window->OnTrainReady();
    for (const char* name : {"BTNZZCX", "BTNZZZZ", "BTNCCCX", "BTNCZCX"}) {
      EXPECT_TRUE(t.Find(name)->isEnabled()) << name;
    }
    for (const char* name : {"ComboFZ", "ComboDZ", "ComboCZ"}) {
      EXPECT_FALSE(t.Find(name)->isEnabled()) << name;
    }
    t.window->OnPyReady();
    for (const char* name : {"ComboFZ", "ComboDZ", "ComboCZ"}) {
      EXPECT_TRUE(t.Find(name)->isEnabled()) << name;
    }
  }
  {
    TestWindow t(false);
    t.window->OnPyReady();
    EXPECT_TRUE(t.Find("ComboCZ")->isEnabled());
    EXPECT_FALSE(t.Find("BTNZZCX")->isEnabled());
    t.window->OnTrainReady();
    EXPECT_TRUE(t.Find("BTNZZCX")->isEnabled());
  }
}

TEST(FrmPeloryStart, RealLoadersEnableEverythingThroughQueuedNotices) {
  TestWindow t;
  t.window->show();
  // The loaders only post their notices: the controls change while the event loop runs.
  ASSERT_TRUE(
      WaitUntil([&] { return t.Find("BTNCZCX")->isEnabled() && t.Find("ComboCZ")->isEnabled(); }));
  EXPECT_TRUE(t.window->Tables().KMTrainReady);
  EXPECT_TRUE(t.window->Tables().KMPyReady);
}

TEST(FrmPeloryStart, WindowPaintsWhileNoTableIsLoaded) {
  TestWindow t(false);
  t.window->show();
  const QImage image = t.window->grab().toImage();
  ASSERT_EQ(image.size(), QSize(985, 681));
  EXPECT_EQ(image.pixelColor(500, 40), QColor(Qt::white));                    // top strip
  EXPECT_EQ(image.pixelColor(500, 68), QColor(0x00, 0x80, 0x00));             // Shape1
  EXPECT_EQ(image.pixelColor(5, 300), QColor(0xE3, 0xEF, 0xF3));              // P1
  EXPECT_EQ(image.pixelColor(300, 70 + 43 + 100), QColor(0xFF, 0xFD, 0xF4));  // SGrid's cells
  EXPECT_FALSE(t.window->Tables().KMTrainReady);
}

TEST(FrmPeloryStations, InitialsFillTheListInTableOrderWithPadding) {
  LoadedWindow t;
  auto* box = t.Find<QComboBox>("ComboFZ");
  box->setFocus();
  QTest::keyClicks(box, "bj");
  const std::vector<QString> beijing = {"北京", "北京西", "北京南", "北京北", "北京东",
                                        "",     "",       "",       ""};
  EXPECT_EQ(Items(box), beijing);
  EXPECT_EQ(box->currentText(), "bj");
  EXPECT_TRUE(ui::StationListOpen(box));
  EXPECT_EQ(box->maxVisibleItems(), 8);

  box->setEditText(QString());
  EXPECT_EQ(Items(box), std::vector<QString>(9));
  QTest::keyClicks(box, "BJ");
  EXPECT_EQ(Items(box), beijing);

  // Blanks around the letters go, the caret goes to the end.
  box->setEditText(QStringLiteral(" bj "));
  EXPECT_EQ(box->currentText(), "bj");
  EXPECT_EQ(box->lineEdit()->cursorPosition(), 2);
  EXPECT_EQ(Items(box), beijing);

  // A Chinese character or a digit leaves the list as it was.
  box->setEditText(QStringLiteral("北j"));
  EXPECT_EQ(Items(box), beijing);

  box->setEditText(QStringLiteral("b"));
  const std::vector<QString> b = {"北京", "北京西", "北京南", "北京北", "北京东",
                                  "保定", "蚌埠",   "",       ""};
  EXPECT_EQ(Items(box), b);
  box->setEditText(QStringLiteral("s"));
  EXPECT_EQ(box->count(), 9);
  EXPECT_FALSE(box->itemText(8).isEmpty());
  box->setEditText(QStringLiteral("qqq"));
  EXPECT_EQ(Items(box), std::vector<QString>(9));

  // Choosing a name from the list puts it in the box and leaves the list.
  box->setEditText(QStringLiteral("bj"));
  ui::CloseStationList(box);
  box->setCurrentIndex(2);
  EXPECT_EQ(box->currentText(), QStringLiteral("北京南"));
  EXPECT_EQ(Items(box), beijing);
}

TEST(FrmPeloryMenu, PrintAndExportNeedShownRowsAndTheGridsRightClickOpensTheMenu) {
  LoadedWindow t;
  QMenu* menu = t.window->MAdvanced();
  auto action = [&](const char* name) {
    return menu->findChild<QAction*>(QString::fromUtf8(name));
  };
  ASSERT_NE(action("MPrint"), nullptr);
  menu->popup(QPoint(0, 0));
  EXPECT_FALSE(action("MPrint")->isEnabled());
  EXPECT_FALSE(action("MExport")->isEnabled());
  EXPECT_TRUE(action("MAbout")->isEnabled());
  menu->hide();

  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  menu->popup(QPoint(0, 0));
  EXPECT_TRUE(action("MPrint")->isEnabled());
  EXPECT_TRUE(action("MExport")->isEnabled());
  menu->hide();

  // A right-click on SGrid still opens the menu.
  ASSERT_FALSE(menu->isVisible());
  QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(20, 20), QPoint(20, 20));
  QApplication::sendEvent(t.Grid()->viewport(), &right);
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
}

TEST(FrmPeloryPanels, ToolButtonsSwitchPanelsAndSayOfflineThatTheNetworkIsNeeded) {
  TestWindow t(false);
  t.window->show();
  auto visible = [&] {
    std::vector<bool> v;
    for (const char* name : {"P1", "P2", "P3", "P4"}) v.push_back(t.Find(name)->isVisible());
    return v;
  };
  QTest::mouseClick(t.Find<QToolButton>("TB1"), Qt::LeftButton);
  EXPECT_EQ(visible(), (std::vector<bool>{true, false, false, false}));
  EXPECT_TRUE(t.Find<QToolButton>("TB1")->isChecked());
  EXPECT_EQ(t.views[0]->calls.size(), 2u);  // TB1 loads nothing

  for (int panel = 2; panel <= 4; ++panel) {
    QTest::mouseClick(t.Find<QToolButton>(QStringLiteral("TB%1").arg(panel).toUtf8().constData()),
                      Qt::LeftButton);
    std::vector<bool> expected(4, false);
    expected[static_cast<std::size_t>(panel - 1)] = true;
    EXPECT_EQ(visible(), expected) << panel;
    FakeWebView* view = t.views[static_cast<std::size_t>(panel - 1)];
    // NetConnected false: the page says the network is needed, and where the page is.
    EXPECT_EQ(view->calls.back(), "html") << panel;
    EXPECT_TRUE(view->last_html.contains(QStringLiteral("需要网络连接")));
    for (int other = 1; other <= 4; ++other) {
      EXPECT_EQ(
          t.Find<QToolButton>(QStringLiteral("TB%1").arg(other).toUtf8().constData())->isChecked(),
          other == panel);
    }
  }
  QTest::mouseClick(t.Find<QToolButton>("TB1"), Qt::LeftButton);
  EXPECT_EQ(visible(), (std::vector<bool>{true, false, false, false}));
}

TEST(FrmPeloryPanels, RightClicksInsideWebViewsAreSwallowed) {
  TestWindow t(false);
  t.window->show();
  struct Probe : QObject {
    int seen = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::ContextMenu || e->type() == QEvent::MouseButtonPress) ++seen;
      return false;
    }
  };
  for (FakeWebView* view : t.views) {
    Probe probe;
    view->Surface()->installEventFilter(&probe);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(view->Surface(), &menu);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(view->Surface(), &right);
    EXPECT_EQ(probe.seen, 0) << view->Widget()->objectName().toStdString();
    // Left clicks still reach the page.
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->Surface(), &left);
    EXPECT_EQ(probe.seen, 1);
    view->Surface()->removeEventFilter(&probe);
  }
}

}  // namespace
}  // namespace lanzhou::testing

namespace lanzhou::testing {
namespace {

TEST(FrmPeloryOnline, TripCitiesUncoverThePartnerPanelAndToolButtonsNavigate) {
  LoadedWindow t;
  // Offline: a query leaves the panel covered and its captions empty.
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  EXPECT_TRUE(t.Find<QLabel>("LabAFZ")->text().isEmpty());
  EXPECT_EQ(t.views[0]->Widget()->y(), 1);

  t.window->OnNetConnected(true);
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  EXPECT_EQ(t.Find<QLabel>("LabAFZ")->text(), QStringLiteral("郑州"));
  EXPECT_EQ(t.Find<QLabel>("LabADZ")->text(), QStringLiteral("北京"));
  for (const char* name : {"labfd1", "labfd2", "labfd3"}) {
    EXPECT_EQ(t.Find<QLabel>(name)->text(), QStringLiteral("郑州-北京")) << name;
  }
  EXPECT_EQ(t.views[0]->Widget()->y(), 200);

  QTest::mouseClick(t.Find<QToolButton>("TB2"), Qt::LeftButton);
  EXPECT_EQ(t.views[1]->calls.back(), QStringLiteral("navigate:") + ui::FlightPage());
  QTest::mouseClick(t.Find<QToolButton>("TB3"), Qt::LeftButton);
  EXPECT_EQ(t.views[2]->calls.back(), QStringLiteral("navigate:") + ui::HotelPage());
  QTest::mouseClick(t.Find<QToolButton>("TB4"), Qt::LeftButton);
  EXPECT_EQ(t.views[3]->calls.back(), QStringLiteral("navigate:") + ui::RemainingTicketPage());
}

TEST(FrmPeloryLinks, LinkLabelsAndTheUpgradeButtonOpenTheirAddresses) {
  TestWindow t(false);
  t.window->show();
  std::vector<QString> opened;
  const ui::UrlOpener before = ui::SetUrlOpener([&](const QString& url) { opened.push_back(url); });
  QTest::mouseClick(t.Find("LabSell"), Qt::LeftButton);
  QTest::mouseClick(t.Find("ImageLogo"), Qt::LeftButton);
  QTest::mouseClick(t.Find("BtnUpdate"), Qt::LeftButton);
  QTest::mouseClick(t.Find("Label27"), Qt::LeftButton);
  QTest::mouseClick(t.Find("Label24"), Qt::LeftButton);
  ui::SetUrlOpener(before);
  EXPECT_EQ(opened, (std::vector<QString>{ui::TicketSalePage(), ui::MakerHomePage(),
                                          ui::MakerHomePage(), ui::FlightPage(), ui::HotelPage()}));
}

TEST(FrmPeloryMenu, ExportWritesTheShownRowsAndPrintAsksFirst) {
  LoadedWindow t;
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  QMenu* menu = t.window->MAdvanced();
  const QString path = QDir::temp().filePath(QStringLiteral("lanzhou_window_export_test.csv"));
  QFile::remove(path);
  t.dialogs.save_name = path;
  menu->findChild<QAction*>(QStringLiteral("MExport"))->trigger();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  file.close();
  QFile::remove(path);
  // 6 heading lines, the captions, the 2 shown rows, and the empty text after the last CR LF.
  ASSERT_EQ(lines.size(), 10);
  EXPECT_TRUE(lines[7].startsWith("1043,"));
  EXPECT_TRUE(lines[8].startsWith("Z98/Z95,"));
  // The dialog offered the query's name; the status bar says what was written where.
  EXPECT_EQ(t.dialogs.suggested_names, std::vector<QString>{QStringLiteral("郑州-北京.csv")});
  EXPECT_EQ(t.Find<QLabel>("StatusPanel3")->text(), QStringLiteral("已导出 2 行到 ") + path);

  // One question before printing: whether to print, or without a printer whether to make a PDF.
  t.dialogs.shown.clear();
  t.dialogs.answers = {QMessageBox::No};
  menu->findChild<QAction*>(QStringLiteral("MPrint"))->trigger();
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].text,
            QPrinterInfo::defaultPrinter().isNull()
                ? QStringLiteral("未设置默认打印机。要打印到 PDF 文件吗？")
                : QStringLiteral("确实要打印吗？"));
}

}  // namespace
}  // namespace lanzhou::testing
