#pragma once
// The web addresses and partner details built into the program, and opening an address in the
// user's browser. Opening goes through a replaceable opener so tests can record the addresses.
#include <QLabel>
#include <QString>
#include <functional>
#include <string_view>

namespace lanzhou::ui {

// The maker's home page (ImageLogo, BtnUpdate, the about box's Label2).
inline constexpr std::string_view kMakerHomePage = "http://www.lanzhou-shike.cn/";
// The partner travel agency, and the maker's 19-digit partner account that ends its paths.
inline constexpr std::string_view kPartnerSite = "http://trip.lanzhou-shike.cn";
inline constexpr std::string_view kPartnerAccount = "8802011081500001530";
inline constexpr std::string_view kPartnerName = "岚舟商旅网";
inline constexpr std::string_view kPartnerTelephone = "400-886-0815";
inline constexpr std::string_view kPromotionCode = "LZSK0815";
// The railway customer-service site (ticket sale and remaining tickets).
inline constexpr std::string_view kRailwaySite = "http://rail.lanzhou-shike.cn";

[[nodiscard]] QString MakerHomePage();
// The partner's flight booking page: kPartnerSite + "/r/flight/" + kPartnerAccount.
[[nodiscard]] QString FlightPage();
// The partner's hotel booking page: kPartnerSite + "/r/hotel/" + kPartnerAccount.
[[nodiscard]] QString HotelPage();
// The railway's ticket sale page (LabSell).
[[nodiscard]] QString TicketSalePage();
// The railway's remaining-ticket query (TB4's page).
[[nodiscard]] QString RemainingTicketPage();

// The page shown in place of a partner or ticket page while offline: "需要网络连接" and the
// page's address.
[[nodiscard]] QString OfflinePageHtml(const QString& address);
// LabNew's text when the version check finds no network: "需要网络连接：…" with the maker's
// address.
[[nodiscard]] QString OfflineVersionText();
// The message box text of a link no browser can open.
[[nodiscard]] QString NoBrowserText(const QString& address);

// Receives the address to open.
using UrlOpener = std::function<void(const QString& address)>;

// Hands the address to the current opener (by default the system's browser through
// QDesktopServices; where none opens it, a message box says so with the address).
void OpenUrl(const QString& address);

// Replaces the opener and returns the one before; an empty opener restores the browser.
UrlOpener SetUrlOpener(UrlOpener opener);

// A label that reports a left click released over it (the link labels' OnClick).
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace lanzhou::ui
