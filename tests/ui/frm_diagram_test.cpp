// The diagram's painting and window: the exported files hold what the geometry says (one path
// per train, the stations' names as text), and the window draws, names the train under the
// pointer, opens its stop list on a click and says when two stations share no train.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimeEdit>

#include "diagram/diagram.h"
#include "journey/journey_test_timetable.h"
#include "ui/diagram_paint.h"
#include "ui/frm_diagram.h"
#include "ui/frm_msg.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

using journey::test::SpecTimetable;
using journey::test::SpecTrain;

constexpr std::int32_t H = 60;

constexpr std::string_view kPyDefs = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Shortcode=WideString,10,""Shortcode"","""",10,Data,"""""
"@@INDEXDEF START@@"
"PyIndex=""ShortCode"",""PyIndex"""
"StationIndex=""Station"",""StationIndex"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Shortcode",
"甲","J",
"乙","Y",
"丙","B",
"丁","D",
"外","W",
)";

SpecTrain Train(std::string id, std::vector<std::tuple<std::string, int, int, int>> stops) {
  SpecTrain t{std::move(id), {}};
  for (auto& [station, a, d, km] : stops) t.stops.push_back({station, a, d, km, ""});
  return t;
}

// 甲 乙 丙 丁 (0, 60, 120, 180 km): a slow train both ways, an express and a short train.
SpecTimetable Line() {
  return {{
      Train("K1", {{"甲", -1, 8 * H, 0},
                   {"乙", 9 * H, 9 * H + 10, 60},
                   {"丙", 10 * H + 10, 10 * H + 20, 120},
                   {"丁", 11 * H + 20, -1, 180}}),
      Train("K2", {{"丁", -1, 8 * H, 0},
                   {"丙", 9 * H, 9 * H + 5, 60},
                   {"乙", 10 * H, 10 * H + 5, 120},
                   {"甲", 11 * H, -1, 180}}),
      Train("G3", {{"甲", -1, 12 * H, 0}, {"丁", 13 * H, -1, 180}}),
      Train("D4", {{"乙", -1, 14 * H, 0}, {"丙", 14 * H + 30, -1, 60}}),
      Train("T5", {{"外", -1, 6 * H, 0}, {"外二", 7 * H, -1, 50}}),
  }};
}

struct Tables {
  explicit Tables(const SpecTimetable& tt) : spec(tt) {
    const data::CsvTableFormat format;
    format.LoadUtf8(std::string(kPyDefs), spec.tables.store.KMPy);
    spec.tables.store.KMPyReady = true;
    network = std::make_shared<const journey::Network>(spec.network);
  }
  journey::test::SpecTables spec;
  std::shared_ptr<const journey::Network> network;
};

diagram::Request Between(std::string a, std::string b) {
  diagram::Request r;
  r.from_name = a;
  r.to_name = b;
  r.from = {std::move(a)};
  r.to = {std::move(b)};
  return r;
}

TEST(DiagramExport, FilesHoldOnePathPerTrainAndTheStationsAsText) {
  App();
  Tables t(Line());
  const std::optional<diagram::Diagram> d = diagram::BuildDiagram(*t.network, Between("甲", "丁"));
  ASSERT_TRUE(d);
  ASSERT_EQ(d->trains.size(), 4u);
  const QString svg = QString::fromUtf8(ui::RenderDiagram(*d, diagram::FileKind::Svg));
  // Grid lines and the frame are lines and rectangles: the paths are the trains'.
  EXPECT_EQ(svg.count(QStringLiteral("<path")), 4);
  for (const char* colour : {"#d62728", "#f07800", "#8c564b"}) {
    EXPECT_TRUE(svg.contains(QString::fromLatin1(colour))) << colour;
  }
  for (const char* name : {"甲", "乙", "丙", "丁", "K1", "G3", "运行图 甲 — 丁"}) {
    EXPECT_TRUE(svg.contains(QString::fromUtf8(name))) << name;
  }
  // The class filter leaves the others out of the picture too.
  diagram::Request only_g = Between("甲", "丁");
  only_g.classes = *diagram::ParseClasses("G");
  const std::optional<diagram::Diagram> g = diagram::BuildDiagram(*t.network, only_g);
  ASSERT_TRUE(g);
  EXPECT_EQ(QString::fromUtf8(ui::RenderDiagram(*g, diagram::FileKind::Svg)).count(QStringLiteral("<path")), 1);

  const QByteArray pdf = ui::RenderDiagram(*d, diagram::FileKind::Pdf);
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  // Text as text: an embedded font, no picture of the page. A3 landscape in points.
  EXPECT_TRUE(pdf.contains("/FontFile"));
  EXPECT_FALSE(pdf.contains("/Subtype /Image"));
  EXPECT_TRUE(pdf.contains("/MediaBox [0 0 1190") || pdf.contains("/MediaBox [0 0 1191"))
      << pdf.left(2000).toStdString();

  QImage png;
  ASSERT_TRUE(png.loadFromData(ui::RenderDiagram(*d, diagram::FileKind::Png), "PNG"));
  EXPECT_EQ(png.size(), QSize(3174, 2246));
}

struct DiagramWindow {
  explicit DiagramWindow(std::string from = "甲", std::string to = "丁") : tables(Line()) {
    App();
    window = std::make_unique<ui::TFrmDiagram>(tables.network, tables.spec.tables.store, dialogs,
                                               from, to, nullptr);
    window->resize(1000, 640);
    window->show();
    QTest::qWait(20);
  }
  // Where train `id` is drawn at `minute` on the screen, on its first piece.
  QPointF At(std::string_view id, double minute) const {
    const ui::DiagramView* view = window->View();
    for (const diagram::DrawnTrain& t : view->Diagram()->trains) {
      if (t.id != id) continue;
      const std::vector<diagram::Point>& p = t.pieces.front().points;
      for (std::size_t k = 0; k + 1 < p.size(); ++k) {
        if (p[k].minute <= minute && minute <= p[k + 1].minute && p[k + 1].minute > p[k].minute) {
          const double f = (minute - p[k].minute) / (p[k + 1].minute - p[k].minute);
          return {view->Frame().X(minute),
                  view->Frame().Y(p[k].position + f * (p[k + 1].position - p[k].position))};
        }
      }
    }
    return {};
  }
  Tables tables;
  ScriptedDialogs dialogs;
  std::unique_ptr<ui::TFrmDiagram> window;
};

TEST(FrmDiagram, DrawsNamesTheTrainUnderThePointerAndOpensItsStops) {
  DiagramWindow w;
  ui::DiagramView* view = w.window->View();
  ASSERT_TRUE(view->Diagram());
  EXPECT_EQ(view->Diagram()->trains.size(), 4u);
  // K1 between 乙 (09:10) and 丙 (10:10): at 09:40 halfway; the nearer stop by the pointer.
  EXPECT_EQ(view->TipAt(w.At("K1", 9 * H + 40) - QPointF(0, 2)),
            QStringLiteral("K1  甲 → 丁\n乙  到 09:00  发 09:10"));
  EXPECT_EQ(view->TipAt(w.At("K2", 8 * H + 50)), QStringLiteral("K2  丁 → 甲\n丙  到 09:00  发 09:05"));
  EXPECT_EQ(view->TipAt(QPointF(5, 5)), QString());

  // A click opens the stop list of the train, its stretch on the line marked.
  QString caption;
  int first = 0, last = 0;
  OnNextModal([&](QDialog* dialog) {
    auto* msg = qobject_cast<ui::TFrmMsg*>(dialog);
    ASSERT_NE(msg, nullptr);
    caption = QString::fromStdString(msg->Detail().Caption);
    first = msg->Detail().FirstLegStop;
    last = msg->Detail().LastLegStop;
  });
  QTest::mouseClick(view, Qt::LeftButton, {}, w.At("G3", 12 * H + 30).toPoint());
  EXPECT_EQ(caption, QStringLiteral("车次:G3"));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
}

TEST(FrmDiagram, ZoomsAroundThePointerAndPansByDragging) {
  DiagramWindow w;
  ui::DiagramView* view = w.window->View();
  const QPointF at = w.At("K1", 9 * H + 40);
  const double minute = view->Frame().MinuteAt(at.x());
  QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &wheel);
  EXPECT_NEAR(view->Zoom(), 1.25 * 1.25, 1e-9);
  EXPECT_NEAR(view->Frame().MinuteAt(at.x()), minute, 1e-6);
  // The same train is still under the pointer.
  EXPECT_TRUE(view->TipAt(w.At("K1", 9 * H + 40)).startsWith(QStringLiteral("K1")));
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_NEAR(view->Zoom(), 1.25, 1e-9);
  QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(view->Zoom(), 1);
  QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
  const double left = view->Frame().minute_left;
  const QPoint start = view->Frame().plot.center().toPoint();
  QTest::mousePress(view, Qt::LeftButton, {}, start);
  QTest::mouseMove(view, start + QPoint(100, 0));
  QTest::mouseRelease(view, Qt::LeftButton, {}, start + QPoint(100, 0));
  EXPECT_NEAR(view->Frame().minute_left, left - 100 / view->Frame().px_per_minute, 1e-6);
}

TEST(FrmDiagram, TimeRangeClassesAndAStationPairWithoutATrain) {
  DiagramWindow w;
  w.window->findChild<QTimeEdit*>("ETAfter")->setTime(QTime(12, 0));
  w.window->findChild<QTimeEdit*>("ETBefore")->setTime(QTime(15, 0));
  w.window->findChild<QCheckBox*>("CBClassD")->setChecked(false);
  QTest::mouseClick(w.window->findChild<QPushButton*>("BTNDraw"), Qt::LeftButton);
  std::vector<std::string> ids;
  for (const diagram::DrawnTrain& t : w.window->View()->Diagram()->trains) ids.emplace_back(t.id);
  EXPECT_EQ(ids, std::vector<std::string>{"G3"});
  EXPECT_EQ(w.window->View()->Diagram()->after, 12 * H);
  EXPECT_EQ(w.window->View()->Diagram()->before, 15 * H);

  // Typed into the boxes as the user would: 外 shares no train with 丁.
  QComboBox* from = w.window->ComboFZ();
  from->setFocus();
  QTest::keyClick(from, Qt::Key_A, Qt::ControlModifier);
  QTest::sendKeyEvent(QTest::Click, from, Qt::Key_unknown, QStringLiteral("外"), Qt::NoModifier);
  QTest::mouseClick(w.window->findChild<QPushButton*>("BTNDraw"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].text, QStringLiteral("两站之间没有共同的车次，无法确定线路。"));
  EXPECT_FALSE(w.window->View()->Diagram());
  // A name the timetable does not know is refused as 查询 refuses it.
  QTest::keyClick(from, Qt::Key_A, Qt::ControlModifier);
  QTest::sendKeyEvent(QTest::Click, from, Qt::Key_unknown, QStringLiteral("戊"), Qt::NoModifier);
  QTest::mouseClick(w.window->findChild<QPushButton*>("BTNDraw"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.shown.size(), 2u);
  EXPECT_EQ(w.dialogs.shown[1].text, QStringLiteral("发站不存在。"));
}

TEST(FrmDiagram, OpensFromTheMenuForTheMainWindowsStations) {
  LoadedWindow t;
  QMenu* menu = t.window->MAdvanced();
  QAction* entry = menu->findChild<QAction*>(QStringLiteral("MDiagram"));
  ASSERT_NE(entry, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return entry->isEnabled(); }));
  EXPECT_EQ(entry->text(), QStringLiteral("运行图…"));
  t.SetBox("ComboFZ", QStringLiteral("北京南"));
  t.SetBox("ComboDZ", QStringLiteral("上海虹桥"));
  std::vector<std::string> rows;
  OnNextModal([&](QDialog* dialog) {
    auto* window = qobject_cast<ui::TFrmDiagram*>(dialog);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->View()->Diagram());
    for (const diagram::Row& row : window->View()->Diagram()->line.rows) rows.push_back(row.station);
  });
  menu->popup(QPoint(0, 0));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
  EXPECT_EQ(rows, (std::vector<std::string>{"北京南", "济南西", "南京南", "上海虹桥"}));
}

}  // namespace
}  // namespace lanzhou::testing
