// TFrmPelory: the partner panel P1Msg under the result grid and the pages P2, P3, P4 with their
// web views.
#include <QLabel>
#include <QWidget>
#include <array>
#include <tuple>

#include "ui/frm_pelory.h"
#include "ui/frm_style.h"
#include "ui/links.h"

namespace lanzhou::ui {
namespace {

constexpr int kWidth = 985;
constexpr int kContentHeight = 592;  // between the top strip and the status bar

}  // namespace

void TFrmPelory::BuildPartnerPanel(QWidget* panel) {
  const QColor white(Qt::white);
  const QColor orange(0xFF, 0x80, 0x40);
  const QColor blue = QColor::fromRgb(kLinkBlue);
  const QColor green = QColor::fromRgb(kLinkGreen);
  auto* left =
      MakeBox(panel, QStringLiteral("ShapeOffers"), 2, 3, 488, 159, QColor(0x76, 0xC1, 0xFA));
  left->setStyleSheet(
      QStringLiteral("QFrame#ShapeOffers { background: #76C1FA; border-radius: 8px; }"));
  MakeBox(panel, QStringLiteral("ShapeBarPlane"), 9, 9, 228, 27, Qt::black);
  MakeBox(panel, QStringLiteral("ShapeBarHotel"), 251, 9, 228, 27, Qt::black);
  lab_afz_ = MakeLabel(panel, QStringLiteral("LabAFZ"), QString(), 16, 16, white);
  MakeLabel(panel, QStringLiteral("LabPlaneTitle"), QStringLiteral("打折机票"), 168, 16, orange, 14,
            true);
  lab_adz_ = MakeLabel(panel, QStringLiteral("LabADZ"), QString(), 256, 16, white);
  MakeLabel(panel, QStringLiteral("LabHotelTitle"), QStringLiteral("特价酒店"), 408, 16, orange, 14,
            true);

  for (const auto& [name, x] : {std::pair{QStringLiteral("ShapePlaneBox"), 8},
                                std::pair{QStringLiteral("ShapeHotelBox"), 251}}) {
    auto* box = MakeBox(panel, name, x, 40, 233, 118, white);
    box->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: #FFFFFF; border-radius: 6px; }").arg(name));
  }
  MakeBox(panel, QStringLiteral("ShapePlaneFrame"), 12, 48, 224, 102, white,
          QColor(0x7F, 0x7F, 0x7F));
  MakeBox(panel, QStringLiteral("ShapeHotelFrame"), 255, 48, 224, 101, white,
          QColor(0x7F, 0x7F, 0x7F));
  for (int i = 0; i < 3; ++i) {
    labfd_[static_cast<std::size_t>(i)] = MakeLabel(panel, QStringLiteral("labfd%1").arg(i + 1),
                                                    QString(), 20, 59 + 24 * i - (i == 2 ? 1 : 0));
  }
  const std::array<int, 3> plane_dots = {74, 98, 121};
  const std::array<int, 3> hotel_dots = {72, 97, 121};
  for (int i = 0; i < 3; ++i) {
    for (const auto& [x, y, w] : {std::tuple{16, plane_dots[static_cast<std::size_t>(i)], 216},
                                  std::tuple{259, hotel_dots[static_cast<std::size_t>(i)], 216}}) {
      auto* dots = new QFrame(panel);
      dots->setGeometry(x, y, w, 1);
      dots->setStyleSheet(QStringLiteral("border-top: 1px dotted #B9B9B9;"));
    }
  }
  struct Link {
    const char* name;
    const char* caption;
    int left, top;
    QColor colour;
    bool bold;
    QString (*address)();
  };
  const std::array<Link, 10> links = {{
      {"Label27", "<=3折", 180, 58, blue, true, &FlightPage},
      {"Label28", "3~5折", 180, 82, blue, true, &FlightPage},
      {"Label29", "5~7折", 180, 106, blue, true, &FlightPage},
      {"Label22", "更多打折机票>>", 145, 131, green, false, &FlightPage},
      {"Label24", "150元以下", 311, 57, blue, true, &HotelPage},
      {"Label25", "150～300元", 311, 81, blue, true, &HotelPage},
      {"Label26", "300～600元", 311, 105, blue, true, &HotelPage},
      {"Label23", "更多特价酒店>>", 390, 131, green, false, &HotelPage},
      {"Label18", "酒店预订", 580, 127, blue, false, &HotelPage},
      {"Label19", "机票预订", 644, 127, blue, false, &FlightPage},
  }};
  for (const Link& link : links) {
    MakeLinkLabel(panel, QString::fromUtf8(link.name), QString::fromUtf8(link.caption), link.left,
                  link.top, link.colour, link.bold, link.address);
  }
  MakeLabel(panel, QStringLiteral("LabWebTitle"), QStringLiteral("网上预订："), 512, 127);
  MakeLabel(panel, QStringLiteral("LabPhoneTitle"), QStringLiteral("电话预订："), 512, 148);
  const QString partner = QString::fromUtf8(kPartnerName.data(), kPartnerName.size());
  const QString phone = QString::fromUtf8(kPartnerTelephone.data(), kPartnerTelephone.size());
  const QString code = QString::fromUtf8(kPromotionCode.data(), kPromotionCode.size());
  MakeLabel(panel, QStringLiteral("Label10"), partner + QStringLiteral(" —— 您身边的旅行管家"), 512,
            9, green, 12, true);
  MakeLabel(panel, QStringLiteral("Label11"),
            QStringLiteral("1. 全国两千余家酒店，会员价低至二折。"), 512, 32);
  MakeLabel(panel, QStringLiteral("Label12"),
            QStringLiteral("2. 国内机票实时查询，特价舱位天天有。"), 512, 52);
  MakeLabel(panel, QStringLiteral("Label13"), QStringLiteral("3. 预订免费，到店付款，无需预付。"),
            512, 74);
  MakeLabel(panel, QStringLiteral("Label14"), QStringLiteral("4. 机票送票上门，支持异地取票。"),
            512, 98);
  MakeLabel(panel, QStringLiteral("LabPhone"), phone + QStringLiteral("  促销代码：") + code, 572,
            148, QColor(0x80, 0, 0), 12, true);

  web_views_.push_back(deps_.web_views(panel, QStringLiteral("WebB1")));
  web_views_[0]->Widget()->setGeometry(1, 1, panel->width() - 2, panel->height() - 2);
}

void TFrmPelory::BuildPages() {
  const QColor green = QColor::fromRgb(kLinkGreen);
  struct Page {
    const char* link;
    const char* promo_name;
    const char* promo;
    int phone_left, phone_top;
    QString (*address)();
  };
  const std::array<Page, 2> pages = {{
      {"LabPlane", "Label3", "（国内机票低至一折，出票快捷，送票上门）", 656, 6, &FlightPage},
      {"LabHotel", "Label2", "（全国两千余家酒店，会员价低至二折）", 720, 4, &HotelPage},
  }};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QWidget* panel = panels_[i + 1];
    auto* strip = new QWidget(panel);
    strip->setObjectName(QStringLiteral("P%1Strip").arg(i + 2));
    strip->setGeometry(0, 0, kWidth, 24);
    SetBackground(strip, QColor(0xFF, 0xFF, 0xF4));
    MakeLinkLabel(strip, QString::fromUtf8(pages[i].link), QStringLiteral("用浏览器打开"), 8, 4,
                  QColor::fromRgb(kLinkBlue), false, pages[i].address);
    const QString partner = QString::fromUtf8(kPartnerName.data(), kPartnerName.size());
    MakeLabel(strip, QString::fromUtf8(pages[i].promo_name),
              QString::fromUtf8(pages[i].promo)
                  .replace(QStringLiteral("（"), QStringLiteral("（") + partner + "："),
              90, 5, green);
    MakeLabel(strip, QStringLiteral("LabTel%1").arg(i + 2),
              QStringLiteral("电话：") +
                  QString::fromUtf8(kPartnerTelephone.data(), kPartnerTelephone.size()) +
                  QStringLiteral(" 促销代码：") +
                  QString::fromUtf8(kPromotionCode.data(), kPromotionCode.size()),
              pages[i].phone_left, pages[i].phone_top);
    web_views_.push_back(deps_.web_views(panel, QStringLiteral("WebB%1").arg(i + 2)));
    web_views_.back()->Widget()->setGeometry(0, 24, kWidth, kContentHeight - 24);
  }
  QWidget* p4 = panels_[3];
  MakeLabel(p4, QStringLiteral("LabOffline"), QStringLiteral("该功能需要联网，请联网后再试。"), 400,
            280);
  web_views_.push_back(deps_.web_views(p4, QStringLiteral("WebB4")));
  web_views_.back()->Widget()->setGeometry(0, 0, kWidth, kContentHeight);
}

}  // namespace lanzhou::ui
