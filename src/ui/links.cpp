#include "ui/links.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
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
  if (QDesktopServices::openUrl(QUrl(address))) return;
  // Nothing on this desktop opens web pages: say so rather than seem to ignore the click.
  QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("岚舟时刻"),
                       NoBrowserText(address));
}

UrlOpener& CurrentOpener() {
  static UrlOpener opener = OpenInBrowser;
  return opener;
}

}  // namespace

QString NoBrowserText(const QString& address) {
  return QStringLiteral("无法打开网页：本机没有可用的浏览器。\n地址：%1").arg(address);
}

QString OfflinePageHtml(const QString& address) {
  const QString shown = address.toHtmlEscaped();
  return QStringLiteral(
             "<html><body style=\"background:#FFFDF4;color:#000000;font-size:14px;\">"
             "<div style=\"margin:40px;\"><p style=\"font-size:18px;color:#800000;\"><b>"
             "需要网络连接</b></p><p>本页来自网络，现在无法连接。联网后再选择本页即可显示。</p>"
             "<p>地址：<a href=\"%1\">%1</a></p></div></body></html>")
      .arg(shown);
}

QString OfflineVersionText() {
  return QStringLiteral("需要网络连接：无法检测新版本（%1）").arg(MakerHomePage());
}

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
