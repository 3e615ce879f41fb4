// TFrmPelory: the query buttons, filters, header clicks, station boxes and the windows they open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "query/completion.h"
#include "query/station_match.h"
#include "query/station_query.h"
#include "query/train_detail.h"
#include "query/train_number_query.h"
#include "query/transfer_search.h"
#include "report/grid_export.h"
#include "system/shortcut.h"
#include "timetable/credits.h"
#include "ui/application.h"
#include "ui/export_dialog.h"
#include "ui/frm_about.h"
#include "ui/frm_msg.h"
#include "ui/frm_pelory.h"
#include "ui/frm_style.h"
#include "ui/frm_zzz.h"
#include "ui/grid_view.h"
#include "ui/print_grid.h"
#include "ui/qt_dates.h"
#include "ui/station_box.h"

namespace lanzhou::ui {
namespace {

// Where the partner panel's web view goes once a query has found rows: below the panel.
constexpr int kWebB1ParkedTop = 200;
// How long a note (an export's confirmation) stays in the status bar.
constexpr int kStatusNoteMilliseconds = 10000;

}  // namespace

std::string TFrmPelory::BoxText(const QComboBox* box) const {
  return box->currentText().toStdString();
}

query::ResultFilters TFrmPelory::Filters() const {
  return {cbsf_->isChecked(), cbzd_->isChecked(), cbjq_->isChecked(), cbdc_->isChecked()};
}

QMessageBox::StandardButton TFrmPelory::Ask(const query::QueryMessage& message) {
  const QMessageBox::StandardButtons buttons = message.buttons == query::MessageButtons::YesNo
                                                   ? QMessageBox::Yes | QMessageBox::No
                                                   : QMessageBox::Ok;
  const QMessageBox::Icon icon =
      message.icon == query::MessageIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon;
  return deps_.dialogs->Message(this, icon, QString::fromStdString(message.caption),
                                QString::fromStdString(message.text), buttons);
}

bool TFrmPelory::StopsHere(const query::InputCheck& check) {
  switch (check.verdict) {
    case query::CheckVerdict::GoOn:
      return false;
    case query::CheckVerdict::NotReady:
      return true;
    case query::CheckVerdict::ShowMessage:
      break;
  }
  Ask(check.message);
  if (!check.message.focus.empty()) {
    if (auto* box = findChild<QWidget*>(QString::fromStdString(check.message.focus))) {
      box->setFocus(Qt::OtherFocusReason);
    }
  }
  return true;
}

QDate TFrmPelory::AnsweredDate() const {
  return state_.Date ? ToQDate(*state_.Date) : QDate();
}

void TFrmPelory::StartQuery() {
  for (QCheckBox* box : {cbsf_, cbzd_, cbjq_, cbdc_}) box->setChecked(false);
  query::ClearResultGrid(result_);
  state_.TransferStation.clear();
  // The cleared grid shows no rows, so print and export must not find any until a fill: an
  // answer without rows (no through train, a chooser closed without a pick) fills nothing.
  state_.VisibleCount = 0;
  RefreshResultGrid();
}

void TFrmPelory::RefreshResultGrid() {
  sgrid_->Refresh();
  lab_result_->setText(QString::fromStdString(result_.LabResult));
  lab_result_->adjustSize();
  ApplyHeaderSort(result_.Headers, headers_);
}

void TFrmPelory::ShowResults() {
  {
    WaitCursor wait;
    query::MarkArrivalDays(tables_->calendar, state_.ResultList);
    query::ShowResults(state_, result_, Filters(), BoxText(combo_cz_));
  }
  RefreshResultGrid();
}

void TFrmPelory::BTNZZCXClick(int tag) {
  state_.QueryKind = query::StationToStation;
  const std::string from = BoxText(combo_fz_);
  const std::string to = BoxText(combo_dz_);
  if (StopsHere(query::CheckThroughQuery(from, to, *tables_))) return;
  StartQuery();
  state_.Date = QueryDate();
  query_words_ = {QString::fromStdString(query::TrimBlanks(from)),
                  QString::fromStdString(query::TrimBlanks(to))};
  if (tag == 1) {
    if (!query::FindTransfers(*tables_, state_, from, to)) return;
    ShowTransferChooser();
    ShowTripCities(query::TransferTripCities(BoxText(combo_fz_), BoxText(combo_dz_)));
    return;
  }
  if (!query::FindThroughTrains(*tables_, state_, from, to)) return;
  if (!state_.ResultList.empty()) {
    ShowResults();
    if (auto cities = query::ThroughTripCities(state_)) ShowTripCities(*cities);
    return;
  }
  if (Ask(query::NoThroughTrainQuestion()) == QMessageBox::Yes) btn_zzzz_->click();
}

void TFrmPelory::BTNZZFXClick() {
  const QString from = combo_fz_->currentText();
  const QString to = combo_dz_->currentText();
  combo_fz_->setEditText(to);
  combo_dz_->setEditText(from);
  if (btn_zzcx_->isEnabled()) btn_zzcx_->click();
}

void TFrmPelory::BTNCCCXClick() {
  state_.QueryKind = query::TrainNumber;
  const std::string text = ecc_->text().toStdString();
  if (StopsHere(query::CheckTrainNumberQuery(text, *tables_))) return;
  StartQuery();
  state_.Date = QueryDate();
  query_words_ = {QString::fromStdString(query::TrimBlanks(text))};
  if (!query::FindTrainNumber(*tables_, state_, text)) return;
  if (std::optional<std::string> not_running =
          query::TrainNotRunningText(*tables_, state_, text)) {
    deps_.dialogs->Message(this, QMessageBox::NoIcon, QStringLiteral("车次查询"),
                           QString::fromStdString(*not_running), QMessageBox::Ok);
  }
  ShowResults();
  if (auto cities = query::TrainNumberTripCities(state_.VisibleCount, result_.SGrid.Cell(1, 0),
                                                 result_.SGrid.Cell(2, 0))) {
    ShowTripCities(*cities);
  }
}

void TFrmPelory::BTNCZCXClick() {
  state_.QueryKind = query::StationTimetable;
  const std::string text = BoxText(combo_cz_);
  if (StopsHere(query::CheckStationQuery(text, *tables_))) return;
  StartQuery();
  state_.Date = QueryDate();
  query_words_ = {QString::fromStdString(query::TrimBlanks(text))};
  if (!query::FindStationTrains(*tables_, state_, text)) return;
  ShowResults();
  if (auto cities = query::StationTripCities(state_.VisibleCount, BoxText(combo_cz_))) {
    ShowTripCities(*cities);
  }
}

void TFrmPelory::CBSFClick() {
  {
    WaitCursor wait;
    query::CBSFClick(state_, result_, Filters(), BoxText(combo_cz_));
  }
  RefreshResultGrid();
}

void TFrmPelory::Lab1Click(int column) {
  {
    WaitCursor wait;
    query::Lab1Click(state_, result_, column);
  }
  RefreshResultGrid();
}

void TFrmPelory::ShowTransferChooser() {
  const query::TransferChooserList list = query::ListTransferCandidates(state_);
  TFrmZzz chooser(
      list,
      [this](const query::TransferPick& pick) {
        query::ClearResultGrid(result_);
        if (query::ShowTransferLegs(*tables_, state_, pick.station)) ShowResults();
        RefreshResultGrid();
      },
      this);
  chooser.SetJourneysReady(journey_network_ != nullptr);
  connect(this, &TFrmPelory::JourneyNetworkReady, &chooser, [&chooser] {
    chooser.SetJourneysReady(true);
  });
  // The journey window is not modal: the modal chooser closes first, or it would block it.
  connect(&chooser, &TFrmZzz::JourneysRequested, &chooser, [this, &chooser] {
    chooser.accept();
    QMetaObject::invokeMethod(this, [this] { OpenJourneyWindow(); }, Qt::QueuedConnection);
  });
  chooser.exec();
}

void TFrmPelory::ShowTrainDetail(int row) {
  if (!tables_->KMTrainReady) return;
  std::optional<query::TrainDetail> detail =
      query::ShowTrainDetail(tables_->KMTrain, state_, result_.SGrid, row);
  if (!detail) return;
  ShowTrainDetailWindow(std::move(*detail), *deps_.dialogs, this);
}

void TFrmPelory::MPrintClick() {
  // Ctrl+P reaches here without the menu, which would have been disabled.
  if (state_.VisibleCount <= 0) return;
  PrintJob job;
  job.kind = report::GridKind::Main;
  job.rows = report::PlainRows(GridRowsOf(result_.SGrid, state_.VisibleCount));
  job.query = QueryTitle();
  job.file_stem = SuggestedFileStem(query_words_);
  job.travel_date = AnsweredDate();
  // One question: PrintGrid asks it (to print, or without a printer, to make a PDF).
  PrintGrid(*deps_.dialogs, this, job);
}

void TFrmPelory::MExportClick() {
  if (state_.VisibleCount <= 0) return;
  if (auto file = ExportGridCsv(*deps_.dialogs, this, report::GridKind::Main,
                                GridRowsOf(result_.SGrid, state_.VisibleCount),
                                SuggestedFileStem(query_words_), AnsweredDate())) {
    ShowStatusNote(ExportedText(state_.VisibleCount, *file));
  }
}

QString TFrmPelory::QueryTitle() const {
  switch (state_.QueryKind) {
    case query::StationToStation:
      return query_words_.join(QStringLiteral(" → "));
    case query::TrainNumber:
      return QStringLiteral("车次 ") + query_words_.join(QString());
    case query::StationTimetable:
      return QStringLiteral("车站 ") + query_words_.join(QString());
    default:
      return {};
  }
}

void TFrmPelory::ShowStatusNote(const QString& text) {
  QLabel* panel = status_panels_[3];
  if (!panel->property("lanzhouDefaultText").isValid()) {
    panel->setProperty("lanzhouDefaultText", panel->text());
  }
  panel->setText(text);
  panel->setToolTip(text);
  // The panel's own words come back after a while; a newer note restarts the wait.
  const int note = ++status_note_;
  QTimer::singleShot(kStatusNoteMilliseconds, panel, [this, panel, note] {
    if (note != status_note_) return;
    panel->setText(panel->property("lanzhouDefaultText").toString());
    panel->setToolTip(QString());
  });
}

void TFrmPelory::MAboutClick() {
  ui::MAboutClick(this, logo_,
                  QString::fromStdString(timetable::SourceCredit(timetable_ ? &timetable_->meta
                                                                            : nullptr)));
}

void TFrmPelory::MakeShortcut(int special_folder, const QString& where) {
  const std::filesystem::path folder = system::SpecialFolderPath(
      special_folder == system::kNoSpecialFolder ? system::kDesktopFolder : special_folder);
  const std::filesystem::path file =
      folder / (std::string(system::kShortcutName) + ".desktop");
  const bool made = system::CreateShortcut(QCoreApplication::applicationFilePath().toStdString(),
                                           system::kShortcutName, {}, special_folder,
                                           kApplicationId);
  // Said in the status bar when made; a failure in a box, since the user asked for it.
  if (made) {
    ShowStatusNote(QStringLiteral("已在%1创建快捷方式：%2")
                       .arg(where, QString::fromStdString(file.string())));
    return;
  }
  deps_.dialogs->Message(this, QMessageBox::Warning, QString::fromUtf8(kApplicationTitle),
                         QStringLiteral("无法在%1创建快捷方式%2。")
                             .arg(where, folder.empty() ? QString()
                                                        : QStringLiteral("（%1）").arg(
                                                              QString::fromStdString(
                                                                  folder.string()))),
                         QMessageBox::Ok);
}

void TFrmPelory::MDesktopClick() {
  MakeShortcut(system::kNoSpecialFolder, QStringLiteral("桌面"));
}

void TFrmPelory::NStartClick() {
  MakeShortcut(system::kProgramsFolder, QString::fromUtf8(kProgramsMenuName));
}

void TFrmPelory::ShowTripCities(const query::TripCities& cities) {
  if (!net_connected_) return;
  const query::PartnerCaptions captions = query::TripCityCaptions(cities);
  lab_afz_->setText(QString::fromStdString(captions.LabAFZ));
  lab_afz_->adjustSize();
  lab_adz_->setText(QString::fromStdString(captions.LabADZ));
  lab_adz_->adjustSize();
  for (QLabel* label : labfd_) {
    label->setText(QString::fromStdString(captions.labfd));
    label->adjustSize();
  }
  QWidget* web = web_views_[0]->Widget();
  if (web->y() < kWebB1ParkedTop) web->move(web->x(), kWebB1ParkedTop);
}

void TFrmPelory::ComboFZChange(QComboBox* box) {
  StationBoxTextChanged(box, tables_->KMPyReady ? &tables_->KMPy : nullptr);
}

bool TFrmPelory::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == combo_fz_) {
        combo_dz_->setFocus(Qt::TabFocusReason);
      } else if (watched == combo_dz_) {
        if (btn_zzcx_->isEnabled()) btn_zzcx_->setFocus(Qt::TabFocusReason);
      } else if (watched == combo_cz_) {
        if (btn_czcx_->isEnabled()) btn_czcx_->setFocus(Qt::TabFocusReason);
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace lanzhou::ui
