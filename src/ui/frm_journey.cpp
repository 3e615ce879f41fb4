#include "ui/frm_journey.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <array>

#include "query/show_results.h"
#include "query/train_detail.h"
#include "ui/export_dialog.h"
#include "ui/frm_msg.h"
#include "ui/frm_style.h"
#include "ui/grid_view.h"
#include "ui/print_grid.h"
#include "ui/qt_dates.h"

namespace lanzhou::ui {
namespace {

constexpr int kWidth = 985;
constexpr int kHeight = 548;
constexpr int kGridLeft = 14;
constexpr int kListTop = 110;  // the journey list; its titles sit 20 pixels above
constexpr int kLegsTop = 432;  // the legs; their titles and group headings above
// 车次 and 换乘站 take what the short columns leave: three trains with double numbers, two
// changes of station.
constexpr std::array<int, query::kJourneyColumns> kJourneyWidths = {52, 72, 48, 34,
                                                                    256, 354, 50, 60};
// The result grid's columns, so the legs read as the main window's rows do.
constexpr std::array<int, query::kResultColumns> kLegWidths = {97, 77, 77, 70, 77, 45, 77, 45,
                                                               32, 45, 37, 42, 43, 91, 70};

QSpinBox* MakeMinutesBox(QWidget* parent, const QString& name, int left, int value, int maximum) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setGeometry(left, 18, 74, 22);
  box->setRange(0, maximum);
  box->setSingleStep(10);
  box->setValue(value);
  box->setSuffix(QStringLiteral(" 分钟"));
  return box;
}

QLineEdit* MakeTimeBox(QWidget* parent, const QString& name, int left, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setObjectName(name);
  edit->setGeometry(left, 18, 48, 22);
  edit->setMaxLength(5);
  edit->setAlignment(Qt::AlignCenter);
  return edit;
}

}  // namespace

TFrmJourney::TFrmJourney(std::shared_ptr<const journey::Network> network,
                         data::TimetableStore& tables, Dialogs& dialogs, std::string from_text,
                         std::string to_text, QWidget* parent,
                         std::optional<std::chrono::sys_days> date)
    : QDialog(parent),
      network_(std::move(network)),
      tables_(tables),
      dialogs_(dialogs),
      from_text_(std::move(from_text)),
      to_text_(std::move(to_text)),
      date_(date) {
  setObjectName(QStringLiteral("FrmJourney"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(WindowFont());
  setFixedSize(kWidth, kHeight);
  SetBackground(this, QColor::fromRgb(kPanelBackground));
  const QString route = QString::fromStdString(query::TrimBlanks(from_text_)) +
                        QStringLiteral(" → ") +
                        QString::fromStdString(query::TrimBlanks(to_text_));
  QString title = QStringLiteral("换乘方案：") + route;
  if (date_) title += QStringLiteral("（%1）").arg(ToQDate(*date_).toString(Qt::ISODate));
  setWindowTitle(title);

  BuildConditions();
  BuildJourneyGrid();
  BuildLegGrid();

  btn_print_ =
      MakeButton(this, QStringLiteral("BTNPrint"), QStringLiteral("打印"), 14, 508, 60, 30);
  btn_export_ =
      MakeButton(this, QStringLiteral("BTNExport"), QStringLiteral("导出"), 80, 508, 60, 30);
  auto* close =
      MakeButton(this, QStringLiteral("BTNClose"), QStringLiteral("关闭"), 884, 508, 90, 30);
  connect(btn_print_, &QPushButton::clicked, this, &TFrmJourney::BTNPrintClick);
  connect(btn_export_, &QPushButton::clicked, this, &TFrmJourney::BTNExportClick);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  CentreOnParent(this, parent);
  BTNQueryClick();
  jgrid_->setFocus();
}

void TFrmJourney::BuildConditions() {
  MakeLabel(this, QStringLiteral("LabRoute"),
            QStringLiteral("发站：%1　　到站：%2")
                .arg(QString::fromStdString(query::TrimBlanks(from_text_)),
                     QString::fromStdString(query::TrimBlanks(to_text_))),
            14, 10, QColor(0, 0, 0xFF), 14, true);

  auto* group = new QGroupBox(QStringLiteral("换乘条件"), this);
  group->setObjectName(QStringLiteral("GroupConditions"));
  group->setGeometry(12, 30, 961, 50);
  MakeLabel(group, QStringLiteral("LabAfter"), QStringLiteral("出发时间"), 8, 22);
  et_after_ = MakeTimeBox(group, QStringLiteral("ETAfter"), 60, query::kJourneyWholeDayFrom);
  MakeLabel(group, QStringLiteral("LabTo"), QStringLiteral("至"), 113, 22);
  et_before_ = MakeTimeBox(group, QStringLiteral("ETBefore"), 130, query::kJourneyWholeDayTo);

  MakeLabel(group, QStringLiteral("LabChanges"), QStringLiteral("最多换乘"), 196, 22);
  cb_changes_ = new QComboBox(group);
  cb_changes_->setObjectName(QStringLiteral("CBChanges"));
  cb_changes_->setGeometry(250, 18, 96, 22);
  cb_changes_->addItems({QStringLiteral("不换乘"), QStringLiteral("1次"), QStringLiteral("2次")});
  cb_changes_->setCurrentIndex(query::JourneyConditions{}.max_changes);

  const query::JourneyConditions defaults;
  MakeLabel(group, QStringLiteral("LabMinChange"), QStringLiteral("同站换乘至少"), 360, 22);
  se_min_change_ = MakeMinutesBox(group, QStringLiteral("SEMinChange"), 438, defaults.min_change,
                                  query::kJourneyMaxChangeMinutes);
  MakeLabel(group, QStringLiteral("LabMinChangeCity"), QStringLiteral("同城换站至少"), 522, 22);
  se_min_change_city_ =
      MakeMinutesBox(group, QStringLiteral("SEMinChangeCity"), 600, defaults.min_change_city,
                     query::kJourneyMaxChangeMinutes);
  MakeLabel(group, QStringLiteral("LabMaxWait"), QStringLiteral("最长等候"), 684, 22);
  se_max_wait_ = MakeMinutesBox(group, QStringLiteral("SEMaxWait"), 738, defaults.max_wait,
                                query::kJourneyMaxWaitMinutes);
  se_max_wait_->setSpecialValueText(QStringLiteral("不限"));
  se_max_wait_->setSingleStep(60);
  se_max_wait_->setToolTip(QStringLiteral("换乘时最多等候多久；0 为不限"));

  auto* query_button =
      MakeButton(group, QStringLiteral("BTNQuery"), QStringLiteral("查询"), 880, 16, 66, 26);
  connect(query_button, &QPushButton::clicked, this, &TFrmJourney::BTNQueryClick);
  // Enter in any condition box asks again.
  query_button->setDefault(true);
}

void TFrmJourney::BuildJourneyGrid() {
  int x = kGridLeft;
  for (std::size_t c = 0; c < kJourneyWidths.size(); ++c) {
    const int w = kJourneyWidths[c] + 1;
    MakeBox(this, QStringLiteral("TitleBox%1").arg(c + 1), x, kListTop - 20, w + 1, 20,
            QColor::fromRgb(kTitleBoxColour), QColor(0xC8, 0xC8, 0xD8));
    auto* label = new HeaderLabel(QStringLiteral("Lab%1").arg(c + 1), this);
    label->setGeometry(x, kListTop - 20, w, 20);
    const int column = static_cast<int>(c);
    connect(label, &HeaderLabel::Clicked, this, [this, column] { Lab1Click(column); });
    headers_.push_back(label);
    x += w;
  }
  ApplyHeaderSort(list_.Headers, headers_);

  jgrid_ = new GridView(
      list_.Grid, [](int) { return query::RowColour::Normal; },
      std::vector<int>(kJourneyWidths.begin(), kJourneyWidths.end()), this);
  jgrid_->setObjectName(QStringLiteral("JGrid"));
  jgrid_->setGeometry(kGridLeft, kListTop, 960, 254);
  // The last column holds which journey a row is; it travels with the row when sorted.
  jgrid_->setColumnHidden(query::kJourneyIndexColumn, true);
  jgrid_->setToolTip(QStringLiteral("单击方案，下方列出各段行程\n点击标题栏，可按该列排序"));
  connect(jgrid_, &GridView::RowClicked, this, &TFrmJourney::JGridClick);

  lab_result_ = MakeLabel(this, QStringLiteral("LabResult"), QStringLiteral("方案:0"), 14,
                          kListTop + 260, QColor(0, 0, 0xFF), 14);
  lab_info_ = MakeLabel(this, QStringLiteral("LabInfo"), QString(), 110, kListTop + 262);
}

void TFrmJourney::BuildLegGrid() {
  const QColor heading = QColor::fromRgb(kHeadingBoxColour);
  const int top = kLegsTop - 42;
  MakeBox(this, QStringLiteral("LegHeading1"), 14, top, 326, 22, heading, QColor(0xC8, 0xC8, 0xB0));
  MakeLabel(this, QStringLiteral("LabLegTrains"), QStringLiteral("列  车  信  息"), 130, top + 4,
            Qt::black, 14);
  MakeBox(this, QStringLiteral("LegHeading2"), 339, top, 366, 22, heading,
          QColor(0xC8, 0xC8, 0xB0));
  MakeLabel(this, QStringLiteral("LabLegSections"), QStringLiteral("各  段  行  程"), 469, top + 4,
            Qt::black, 14);
  MakeBox(this, QStringLiteral("LegHeading3"), 704, top, 269, 22, heading,
          QColor(0xC8, 0xC8, 0xB0));
  MakeLabel(this, QStringLiteral("LabLegFares"), QStringLiteral("参  考  票  价"), 762, top + 4,
            Qt::black, 14);

  const query::HeaderSort titles = query::ResultHeaders();
  int x = kGridLeft;
  for (int c = 0; c < query::kResultColumns; ++c) {
    const int w = kLegWidths[static_cast<std::size_t>(c)] + 1;
    MakeBox(this, QStringLiteral("LegTitleBox%1").arg(c + 1), x, kLegsTop - 20, w + 1, 20,
            QColor::fromRgb(kTitleBoxColour), QColor(0xC8, 0xC8, 0xD8));
    auto* title = new QLabel(QString::fromStdString(titles.PlainCaption(c)), this);
    title->setObjectName(QStringLiteral("LegTitle%1").arg(c + 1));
    title->setAlignment(Qt::AlignCenter);
    title->setAttribute(Qt::WA_TranslucentBackground);
    title->setGeometry(x, kLegsTop - 20, w, 20);
    x += w;
  }

  lgrid_ = new GridView(
      legs_.Grid, [this](int row) { return query::LegRowColour(legs_, row); },
      std::vector<int>(kLegWidths.begin(), kLegWidths.end()), this);
  lgrid_->setObjectName(QStringLiteral("LGrid"));
  lgrid_->setGeometry(kGridLeft, kLegsTop, 960, query::kLegMinRows * kGridRowHeight + 2);
  lgrid_->setToolTip(QStringLiteral("双击鼠标，可查看详细车次信息"));
  connect(lgrid_, &GridView::RowDoubleClicked, this, &TFrmJourney::LGridDblClick);
}

void TFrmJourney::BTNQueryClick() {
  query::JourneyConditions conditions;
  conditions.after = et_after_->text().toStdString();
  conditions.before = et_before_->text().toStdString();
  conditions.max_changes = cb_changes_->currentIndex();
  conditions.min_change = se_min_change_->value();
  conditions.min_change_city = se_min_change_city_->value();
  conditions.max_wait = se_max_wait_->value();
  conditions.date = date_;
  const query::InputCheck check = query::CheckJourneyConditions(conditions);
  if (!check.GoOn()) {
    dialogs_.Message(this, QMessageBox::NoIcon, QString::fromStdString(check.message.caption),
                     QString::fromStdString(check.message.text), QMessageBox::Ok);
    if (auto* box = findChild<QWidget*>(QString::fromStdString(check.message.focus))) {
      box->setFocus(Qt::OtherFocusReason);
    }
    return;
  }
  {
    WaitCursor wait;
    query::FillJourneyList(list_, query::FindJourneys(*network_, tables_, from_text_, to_text_,
                                                      conditions));
    query::ClearJourneyLegs(legs_);
  }
  ShowList();
  ShowLegs();
}

void TFrmJourney::ShowList() {
  ApplyHeaderSort(list_.Headers, headers_);
  jgrid_->Refresh();
  lab_result_->setText(QStringLiteral("方案:%1").arg(list_.Count));
  lab_result_->adjustSize();
  lab_info_->setText(list_.Count > 0
                         ? QStringLiteral("单击方案可列出各段行程，双击行程可查看该车次的全部停站。")
                         : QStringLiteral("没有符合条件的换乘方案，可放宽换乘条件后再查询。"));
  lab_info_->adjustSize();
  btn_print_->setEnabled(list_.Count > 0);
  btn_export_->setEnabled(list_.Count > 0);
}

void TFrmJourney::ShowLegs() {
  lgrid_->Refresh();
}

void TFrmJourney::Lab1Click(int column) {
  {
    WaitCursor wait;
    query::JourneyHeaderClick(list_, column);
  }
  ShowList();
}

void TFrmJourney::JGridClick(int row) {
  const journey::Journey* chosen = query::JourneyAtRow(list_, row);
  if (chosen == nullptr) return;
  query::FillJourneyLegs(tables_, *chosen, legs_);
  ShowLegs();
}

void TFrmJourney::LGridDblClick(int row) {
  std::optional<query::TrainDetail> detail =
      query::ShowTrainDetail(tables_.KMTrain, legs_.State, legs_.Grid, row);
  if (!detail) return;
  ShowTrainDetailWindow(std::move(*detail), dialogs_, this);
}

void TFrmJourney::BTNPrintClick() {
  PrintGrid(dialogs_, this, report::GridKind::Journey, GridRowsOf(list_.Grid, list_.Count),
            date_ ? ToQDate(*date_) : QDate());
}

void TFrmJourney::BTNExportClick() {
  ExportGridCsv(dialogs_, this, report::GridKind::Journey, GridRowsOf(list_.Grid, list_.Count),
                date_ ? ToQDate(*date_) : QDate());
}

}  // namespace lanzhou::ui
