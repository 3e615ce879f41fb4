#include "ui/links.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "net/version_check.h"
#include "report/grid_export.h"

namespace lanzhou::ui {
namespace {

// One maker address everywhere: the version check, printouts and exports, and the links.
static_assert(report::kCompanyWebAddress == net::kMakerSite);
static_assert(kMakerHomePage.substr(0, net::kMakerSite.size()) == net::kMakerSite);
static_assert(kPartnerAccount.size() == 19);

[[nodiscard]] QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void OpenInBrowser(const QString& address) {
  static_cast<void>(QDesktopServices::openUrl(QUrl(address)));
}

UrlOpener& CurrentOpener() {
  static UrlOpener opener = OpenInBrowser;
  return opener;
}

}  // namespace

QString MakerHomePage() {
  return Text(kMakerHomePage);
}

QString FlightPage() {
  return Text(kPartnerSite) + QStringLiteral("/r/flight/") + Text(kPartnerAccount);
}

QString HotelPage() {
  return Text(kPartnerSite) + QStringLiteral("/r/hotel/") + Text(kPartnerAccount);
}

QString TicketSalePage() {
  return Text(kRailwaySite) + QStringLiteral("/mormhweb/kyfw/");
}

QString RemainingTicketPage() {
  return Text(kRailwaySite) + QStringLiteral("/TrainQuery/leftTicketByStation.jsp");
}

void OpenUrl(const QString& address) {
  CurrentOpener()(address);
}

UrlOpener SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(CurrentOpener());
  CurrentOpener() = opener ? std::move(opener) : UrlOpener(OpenInBrowser);
  return previous;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
}

}  // namespace lanzhou::ui
