#include "ui/frm_about.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <vector>

#include "ui/links.h"
#include "ui_test_support.h"

using namespace lanzhou::ui;
using testing::ElementsAre;
using testing::IsEmpty;
using lanzhou::testing::RecordedOpens;

namespace {

class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_frm_about_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};
[[maybe_unused]] testing::Environment* const kQt =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

QPixmap Logo() {
  QPixmap logo(150, 70);
  logo.fill(Qt::darkBlue);
  return logo;
}

QLabel* Child(QWidget& parent, const char* name) {
  auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
  EXPECT_NE(label, nullptr) << name;
  return label;
}

}  // namespace

TEST(FrmAbout, ShowsVersionAddressAndCredits) {
  TFrmAbout about(Logo(), QStringLiteral("示例时刻表（非真实数据）"));
  EXPECT_EQ(about.objectName(), QStringLiteral("FrmAbout"));
  EXPECT_EQ(about.windowTitle(), QStringLiteral("关于"));
  EXPECT_EQ(about.size(), QSize(361, 212));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());  // a dialog border: not resizable
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(about.palette().color(QPalette::Window), QColor(0xE3EFF3));

  struct Expected {
    const char* name;
    QString text;
    QPoint position;
  };
  for (const Expected& e :
       {Expected{"LabVer", QStringLiteral("版本:2011.08.15"), {107, 88}},
        Expected{"Label2", QStringLiteral("http://www.lanzhou-shike.cn"), {96, 120}},
        Expected{"Label4", QStringLiteral("荣誉出品："), {84, 164}},
        Expected{"Label3", QStringLiteral("岚舟时刻公司"), {144, 164}},
        Expected{"Label1", QStringLiteral("资料提供：示例时刻表（非真实数据）"), {85, 183}}}) {
    QLabel* label = Child(about, e.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), e.text) << e.name;
    EXPECT_EQ(label->pos(), e.position) << e.name;
  }

  QLabel* label2 = Child(about, "Label2");
  ASSERT_NE(label2, nullptr);
  EXPECT_TRUE(label2->font().underline());
  EXPECT_TRUE(label2->font().bold());
  EXPECT_EQ(label2->font().pixelSize(), 14);
  EXPECT_EQ(label2->palette().color(QPalette::WindowText), QColor(0x0000FF));
  EXPECT_EQ(label2->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(label2->toolTip(), QStringLiteral("点击访问岚舟时刻公司主页"));
  EXPECT_EQ(Child(about, "LabVer")->font().pixelSize(), 14);

  QLabel* logo = Child(about, "ImageLogo");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->pos(), QPoint(106, 12));
  EXPECT_EQ(logo->pixmap().size(), QSize(150, 70));
  EXPECT_EQ(logo->toolTip(), QStringLiteral("点击访问岚舟时刻公司主页"));
}

TEST(FrmAbout, OnlyTheAddressOpensTheHomePage) {
  RecordedOpens opens;
  TFrmAbout about(Logo(), QStringLiteral("示例时刻表（非真实数据）"));
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

  QTest::mouseClick(Child(about, "ImageLogo"), Qt::LeftButton);
  QTest::mouseClick(Child(about, "Label2"), Qt::RightButton);
  EXPECT_THAT(opens.opened, IsEmpty());

  QTest::mouseClick(Child(about, "Label2"), Qt::LeftButton);
  EXPECT_THAT(opens.opened, ElementsAre(QStringLiteral("http://www.lanzhou-shike.cn/")));
}

TEST(FrmAbout, MAboutClickShowsItModally) {
  QWidget main_window;
  main_window.resize(1000, 700);
  main_window.show();
  QString seen_title;
  bool was_modal = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    seen_title = modal->windowTitle();
    was_modal = modal->isModal() && modal->parentWidget() == &main_window;
    modal->close();
  });
  MAboutClick(&main_window, Logo(), QStringLiteral("import-crawl cr.csv"));  // returns once the box is closed
  EXPECT_EQ(seen_title, QStringLiteral("关于"));
  EXPECT_TRUE(was_modal);
  EXPECT_EQ(main_window.findChild<TFrmAbout*>(), nullptr);  // disposed of
}

TEST(Links, AddressesOfThePartnerAndRailwayPages) {
  EXPECT_EQ(MakerHomePage(), QStringLiteral("http://www.lanzhou-shike.cn/"));
  EXPECT_EQ(FlightPage(),
            QStringLiteral("http://trip.lanzhou-shike.cn/r/flight/8802011081500001530"));
  EXPECT_EQ(HotelPage(),
            QStringLiteral("http://trip.lanzhou-shike.cn/r/hotel/8802011081500001530"));
  EXPECT_EQ(TicketSalePage(), QStringLiteral("http://rail.lanzhou-shike.cn/mormhweb/kyfw/"));
  EXPECT_EQ(RemainingTicketPage(),
            QStringLiteral("http://rail.lanzhou-shike.cn/TrainQuery/leftTicketByStation.jsp"));

  // The opener seam: a replaced opener receives the address; SetUrlOpener hands back the old one.
  std::vector<QString> first;
  std::vector<QString> second;
  const UrlOpener browser = SetUrlOpener([&](const QString& a) { first.push_back(a); });
  OpenUrl(FlightPage());
  const UrlOpener recorder = SetUrlOpener([&](const QString& a) { second.push_back(a); });
  OpenUrl(HotelPage());
  recorder(TicketSalePage());
  SetUrlOpener(browser);
  EXPECT_THAT(first, ElementsAre(FlightPage(), TicketSalePage()));
  EXPECT_THAT(second, ElementsAre(HotelPage()));
}
