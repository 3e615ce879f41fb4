// TFrmPelory: the journey network built off the window's thread, and the 换乘方案… entry that
// opens the journey window once it is there.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPointer>

#include "journey/network.h"
#include "ui/frm_diagram.h"
#include "ui/frm_journey.h"
#include "ui/frm_pelory.h"

namespace lanzhou::ui {
namespace {

constexpr char kJourneyEntry[] = "换乘方案…";
constexpr char kJourneyPreparing[] = "换乘方案（正在准备…）";
constexpr char kJourneyUnavailable[] = "换乘方案（时刻表不全，无法使用）";

}  // namespace

void TFrmPelory::BuildJourneyEntry() {
  mjourney_ = madvanced_->addAction(QString::fromUtf8(kJourneyPreparing));
  mjourney_->setObjectName(QStringLiteral("MJourney"));
  mjourney_->setEnabled(false);
  connect(mjourney_, &QAction::triggered, this, &TFrmPelory::MJourneyClick);
  // The diagram reads the same network.
  mdiagram_ = madvanced_->addAction(QStringLiteral("运行图…"));
  mdiagram_->setObjectName(QStringLiteral("MDiagram"));
  mdiagram_->setEnabled(false);
  connect(mdiagram_, &QAction::triggered, this, &TFrmPelory::MDiagramClick);
}

void TFrmPelory::StartJourneyNetwork() {
  if (journey_build_started_ || !tables_->KMTrainReady || !tables_->KMListReady ||
      !tables_->KMSMReady) {
    return;
  }
  journey_build_started_ = true;
  QPointer<TFrmPelory> self(this);
  const int generation = load_generation_;
  const data::TimetableStore& tables = *tables_;
  journey_builder_ = std::jthread([self, &tables, generation](std::stop_token stop) {
    std::shared_ptr<const journey::Network> network;
    try {
      if (std::optional<journey::Network> built = journey::BuildNetwork(tables)) {
        network = std::make_shared<const journey::Network>(std::move(*built));
      }
    } catch (const std::exception&) {
      // A table without a field the planner reads: the entry says it cannot be used.
    }
    if (stop.stop_requested()) return;
    QMetaObject::invokeMethod(
        self,
        [self, network, generation] {
          // A network of tables replaced meanwhile is never handed over.
          if (self && self->load_generation_ == generation) self->OnJourneyNetwork(network);
        },
        Qt::QueuedConnection);
  });
}

void TFrmPelory::OnJourneyNetwork(std::shared_ptr<const journey::Network> network) {
  journey_network_ = std::move(network);
  const bool ready = journey_network_ != nullptr;
  mjourney_->setText(QString::fromUtf8(ready ? kJourneyEntry : kJourneyUnavailable));
  mjourney_->setEnabled(ready);
  mdiagram_->setEnabled(ready);
  if (ready) emit JourneyNetworkReady();
}

void TFrmPelory::DropJourneyNetwork() {
  // The journey window reads the tables about to go.
  delete journey_window_.data();
  journey_builder_ = std::jthread();
  journey_build_started_ = false;
  journey_network_.reset();
  mjourney_->setText(QString::fromUtf8(kJourneyPreparing));
  mjourney_->setEnabled(false);
  mdiagram_->setEnabled(false);
}

TFrmJourney* TFrmPelory::JourneyWindow() const {
  return journey_window_.data();
}

void TFrmPelory::MJourneyClick() {
  OpenJourneyWindow();
}

void TFrmPelory::OpenJourneyWindow() {
  if (!journey_network_) return;
  const std::string from = BoxText(combo_fz_);
  const std::string to = BoxText(combo_dz_);
  // The same checks as 查询: names typed, known, different.
  if (StopsHere(query::CheckThroughQuery(from, to, *tables_))) return;
  // One journey window, beside this one and not blocking it; asked again, it takes the names.
  if (!journey_window_) {
    journey_window_ =
        new TFrmJourney(journey_network_, *tables_, *deps_.dialogs, from, to, this, QueryDate());
    journey_window_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    journey_window_->SetDate(QueryDate());
    journey_window_->SetStations(from, to);
  }
  journey_window_->show();
  journey_window_->raise();
  journey_window_->activateWindow();
}

void TFrmPelory::MDiagramClick() {
  if (!journey_network_) return;
  TFrmDiagram window(journey_network_, *tables_, *deps_.dialogs, BoxText(combo_fz_),
                     BoxText(combo_dz_), this, QueryDate());
  window.exec();
}

}  // namespace lanzhou::ui
