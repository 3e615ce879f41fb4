// TFrmPelory: start-up (FormCreate), resources, readiness notices, panels and the menu.
#include "ui/frm_pelory.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "data/packed_resource.h"
#include "text/gbk.h"
#include "timetable/fares.h"
#include "ui/frm_journey.h"
#include "ui/grid_view.h"
#include "ui/links.h"
#include "ui/window_frame.h"

namespace lanzhou::ui {
namespace {

// The help page resource is at most this long; its text ends at the first zero byte.
constexpr qsizetype kAboutPageLimit = 10001;
constexpr int kToolImages = 12;

QPixmap PackedBitmap(const data::ResourceRegistry& registry, const char* name) {
  const std::string bytes = data::ReadPackedResource(registry, name);
  QPixmap pixmap;
  pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size()),
                      "BMP");
  return pixmap;
}

}  // namespace

TFrmPelory::TFrmPelory(FrmPeloryDeps deps, QWidget* parent)
    : QWidget(parent), deps_(std::move(deps)) {
  tables_ = std::make_unique<data::TimetableStore>(*deps_.registry);
  BuildWindow();
  FormCreate();
  // After the images have given the logo its size.
  AnchorControls();
}

TFrmPelory::~TFrmPelory() {
  delete journey_window_.data();
  // Stop the threads before anything they hand notices to goes away.
  net_thread_.reset();
  journey_builder_ = std::jthread();
  tables_.reset();
  if (right_click_filter_ != nullptr) qApp->removeEventFilter(right_click_filter_);
}

void TFrmPelory::FormCreate() {
  net_connected_ = false;
  // TThreadLoad1 (KMTrain), then TThreadLoad (KMPy, KMList, KMSM), on the built-in tables or
  // a timetable file's; nobody waits for them.
  UseTimetable(deps_.timetable_file, true);
  if (!deps_.settings_problem.empty()) {
    QMetaObject::invokeMethod(this, [this] { ShowSettingsProblem(); }, Qt::QueuedConnection);
  }
  StartVersionCheck();
  query::ClearGridSelection(result_.SGrid);
  // The two fare tables are compile-time constants here; building them costs nothing at start.
  static_assert(timetable::BuildDistanceZones().size() == 10);
  static_assert(timetable::BuildRateBands().size() == 6);
  state_.TransferStation.clear();
  state_.VisibleCount = 0;
  LoadWindowImages();
  status_panels_[0]->setText(QStringLiteral("当前版本:") +
                             QString::fromUtf8(net::ProgramVersion.data(),
                                               static_cast<qsizetype>(net::ProgramVersion.size())));
  // WebB1 fills P1Msg and the four panels fill the content area: both done by the layout.
  LoadAboutPage();
}

void TFrmPelory::StartVersionCheck() {
  if (!deps_.net_check) return;
  QPointer<TFrmPelory> self(this);
  net_thread_ = std::make_unique<net::TThreadNet>(
      *deps_.net_check,
      [self](bool online) {
        QMetaObject::invokeMethod(
            self,
            [self, online] {
              if (self) self->OnNetConnected(online);
            },
            Qt::QueuedConnection);
      },
      [self](std::string text) {
        QMetaObject::invokeMethod(
            self,
            [self, message = QString::fromStdString(text)] {
              if (self) self->OnVersionMessage(message);
            },
            Qt::QueuedConnection);
      });
}

void TFrmPelory::LoadWindowImages() {
  const data::ResourceRegistry& registry = *deps_.registry;
  logo_ = PackedBitmap(registry, "Logo");
  image_logo_->setPixmap(logo_);
  image_logo_->resize(logo_.size());
  update_glyph_ = PackedBitmap(registry, "update");
  btn_update_->setIcon(update_glyph_);
  btn_update_->setIconSize(update_glyph_.size());
  image_list_big_.clear();
  for (int n = 1; n <= kToolImages; ++n) {
    image_list_big_.push_back(PackedBitmap(registry, QStringLiteral("b%1").arg(n).toLatin1()));
  }
  // Button i shows images 3i (normal), 3i + 1 (hot) and 3i + 2 (down).
  for (std::size_t i = 0; i < tool_buttons_.size(); ++i) {
    QIcon icon;
    icon.addPixmap(image_list_big_[3 * i], QIcon::Normal, QIcon::Off);
    icon.addPixmap(image_list_big_[3 * i + 1], QIcon::Active, QIcon::Off);
    icon.addPixmap(image_list_big_[3 * i + 2], QIcon::Normal, QIcon::On);
    icon.addPixmap(image_list_big_[3 * i + 2], QIcon::Active, QIcon::On);
    tool_buttons_[i]->setIcon(icon);
    tool_buttons_[i]->setIconSize(QSize(74, 31));
  }
}

void TFrmPelory::LoadAboutPage() {
  // Stored as it is (not packed).
  const std::string_view bytes = deps_.registry->Open("about", data::kResourceTypeMe);
  QByteArray text(bytes.data(),
                  std::min<qsizetype>(static_cast<qsizetype>(bytes.size()), kAboutPageLimit));
  if (const qsizetype zero = text.indexOf('\0'); zero >= 0) text.truncate(zero);
  about_page_text_ = text;
  for (auto& view : web_views_) view->Navigate(QStringLiteral("about:blank"));
  ShowHtmlInBrowser(*web_views_[0], AboutHtml());
}

QString TFrmPelory::AboutHtml() const {
  return QString::fromStdString(text::GbkToUtf8(std::string_view(
      about_page_text_.constData(), static_cast<std::size_t>(about_page_text_.size()))));
}

void TFrmPelory::OnPyReady() {
  combo_fz_->setEnabled(true);
  combo_dz_->setEnabled(true);
  combo_cz_->setEnabled(true);
}

void TFrmPelory::OnTrainReady() {
  btn_zzcx_->setEnabled(true);
  btn_zzzz_->setEnabled(true);
  btn_cccx_->setEnabled(true);
  btn_czcx_->setEnabled(true);
  // The calendar stands once KMTrain is ready.
  ApplyPeriod();
}

void TFrmPelory::OnNetConnected(bool online) {
  net_connected_ = online;
}

void TFrmPelory::OnVersionMessage(const QString& text) {
  // Offline, the label says what is needed and where the version would come from.
  const bool offline = text.toStdString() == net::kOfflineMessage;
  lab_new_->setText(offline ? OfflineVersionText() : text);
}

void TFrmPelory::ShowPanel(int panel) {
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    panels_[i]->setVisible(static_cast<int>(i) + 1 == panel);
  }
  tool_buttons_[static_cast<std::size_t>(panel - 1)]->setChecked(true);
  if (panel == 1) return;
  // The partner and ticket pages need the network; offline the page says so and where it is.
  WebView& view = *web_views_[static_cast<std::size_t>(panel - 1)];
  const QString address =
      panel == 2 ? FlightPage() : panel == 3 ? HotelPage() : RemainingTicketPage();
  if (!net_connected_) {
    ShowHtmlInBrowser(view, OfflinePageHtml(address));
    return;
  }
  view.Navigate(address);
}

void TFrmPelory::MAdvancedPopup() {
  const bool rows = state_.VisibleCount > 0;
  mprint_->setEnabled(rows);
  mexport_->setEnabled(rows);
}

}  // namespace lanzhou::ui
