#include "ui/frm_journey.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

#include "query/input_checks.h"
#include "query/show_results.h"
#include "query/station_match.h"
#include "query/train_detail.h"
#include "timetable/train_class.h"
#include "ui/export_dialog.h"
#include "ui/frm_msg.h"
#include "ui/frm_style.h"
#include "ui/grid_view.h"
#include "ui/print_grid.h"
#include "ui/qt_dates.h"
#include "ui/station_box.h"

namespace lanzhou::ui {
namespace {

constexpr int kWidth = 985;
constexpr int kHeight = 548;
constexpr int kGridLeft = 14;
constexpr int kListTop = 110;  // the journey list; its titles sit 20 pixels above
constexpr int kLegsTop = 432;  // the legs; their titles and group headings above
// 车次 and 换乘站 take what the short columns leave: three trains with double numbers, two
// changes of station; 等候 holds two waits.
constexpr std::array<int, query::kJourneyColumns> kJourneyWidths = {44, 66, 70, 66, 46,
                                                                    34, 204, 232, 92, 60};
// The result grid's columns, so the legs read as the main window's rows do.
constexpr std::array<int, query::kResultColumns> kLegWidths = {97, 77, 77, 70, 77, 45, 77, 45,
                                                               32, 45, 37, 42, 43, 91, 70};
// The 车型 boxes in timetable::TrainGroup order, with their left edges on the top row. The row
// right of them is free for more choices of what to list.
constexpr std::array<std::pair<const char*, int>, timetable::kTrainGroupCount> kGroupBoxes = {
    {{"CBGroupG", 338}, {"CBGroupD", 392}, {"CBGroupC", 446}, {"CBGroupZTK", 500},
     {"CBGroupP", 566}}};

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

QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TFrmJourney::TFrmJourney(std::shared_ptr<const journey::Network> network,
                         data::TimetableStore& tables, Dialogs& dialogs, std::string from_text,
                         std::string to_text, QWidget* parent,
                         std::optional<std::chrono::sys_days> date)
    : GrowingDialog(parent, "FrmJourney", QSize(kWidth, kHeight)),
      network_(std::move(network)),
      tables_(tables),
      dialogs_(dialogs),
      date_(date) {
  setObjectName(QStringLiteral("FrmJourney"));
  // A window of its own beside the main window: the user may go on querying there.
  setWindowFlags(Qt::Window);
  setWindowModality(Qt::NonModal);
  setFont(WindowFont());
  SetBackground(this, QColor::fromRgb(kPanelBackground));

  BuildStations();
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
  // Slow journeys are left out unless asked for; dominated direct trains are one click away.
  cb_all_ = new QCheckBox(QStringLiteral("显示全部"), this);
  cb_all_->setObjectName(QStringLiteral("CBAll"));
  cb_all_->setGeometry(650, 5, 86, 22);
  cb_all_->setToolTip(QStringLiteral("也列出比最快方案慢得多的方案"));
  connect(cb_all_, &QCheckBox::toggled, this, &TFrmJourney::BTNQueryClick);
  auto* direct = MakeButton(this, QStringLiteral("BTNDirect"),
                            QStringLiteral("显示全部直达车次"), 740, 3, 130, 26);
  connect(direct, &QPushButton::clicked, this, &TFrmJourney::BTNDirectClick);

  // The list takes what the window grows by; the legs and the buttons stay under it.
  Anchored().Add(jgrid_, kGrowWidth | kGrowHeight);
  for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QString name = control->objectName();
    if (name.startsWith(QStringLiteral("Leg")) || name == QStringLiteral("LabLegTrains") ||
        name == QStringLiteral("LabLegSections") || name == QStringLiteral("LabLegFares") ||
        name == QStringLiteral("LabResult") || name == QStringLiteral("LabInfo") ||
        control == btn_print_ || control == btn_export_) {
      Anchored().Add(control, kFollowBottom);
    }
  }
  Anchored().Add(lgrid_, kFollowBottom | kGrowWidth);
  Anchored().Add(close, kFollowBottom | kFollowRight);
  ColumnBand& list_band = Band(jgrid_, std::vector<int>(kJourneyWidths.begin(), kJourneyWidths.end()));
  for (int c = 0; c < query::kJourneyColumns; ++c) {
    list_band.Over(findChild<QWidget*>(QStringLiteral("TitleBox%1").arg(c + 1)), c, c);
    list_band.Over(headers_[static_cast<std::size_t>(c)], c, c);
  }
  ColumnBand& leg_band = Band(lgrid_, std::vector<int>(kLegWidths.begin(), kLegWidths.end()));
  for (int c = 0; c < query::kResultColumns; ++c) {
    leg_band.Over(findChild<QWidget*>(QStringLiteral("LegTitleBox%1").arg(c + 1)), c, c);
    leg_band.Over(findChild<QWidget*>(QStringLiteral("LegTitle%1").arg(c + 1)), c, c);
  }
  const std::array<std::tuple<const char*, const char*, int, int>, 3> headings = {{
      {"LegHeading1", "LabLegTrains", 0, 3},
      {"LegHeading2", "LabLegSections", 4, 10},
      {"LegHeading3", "LabLegFares", 11, 14}}};
  for (const auto& [box, label, first, last] : headings) {
    leg_band.Over(findChild<QWidget*>(QString::fromUtf8(box)), first, last);
    leg_band.Over(findChild<QWidget*>(QString::fromUtf8(label)), first, last, false);
  }

  CentreOnParent(this, parent);
  FinishLayout();
  SetStations(from_text, to_text);
  jgrid_->setFocus();
}

void TFrmJourney::BuildStations() {
  const auto station_box = [this](const char* name, int left) {
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(left, 6, 102, 20);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(kStationListRows);
    AttachStationList(box);
    connect(box, &QComboBox::editTextChanged, this, [this, box] {
      StationBoxTextChanged(box, tables_.KMPyReady ? &tables_.KMPy : nullptr);
    });
    box->installEventFilter(this);
    return box;
  };
  MakeLabel(this, QStringLiteral("LabFz"), QStringLiteral("发站"), 14, 10);
  combo_fz_ = station_box("ComboFZ", 44);
  combo_fz_->setToolTip(QStringLiteral("发站：输入站名或拼音首字母，回车到到站"));
  MakeLabel(this, QStringLiteral("LabDz"), QStringLiteral("到站"), 156, 10);
  combo_dz_ = station_box("ComboDZ", 186);
  combo_dz_->setToolTip(QStringLiteral("到站：输入站名或拼音首字母，回车到查询"));

  MakeLabel(this, QStringLiteral("LabGroups"), QStringLiteral("车型"), 306, 10);
  for (int g = 0; g < timetable::kTrainGroupCount; ++g) {
    const auto& [name, left] = kGroupBoxes[static_cast<std::size_t>(g)];
    auto* box = new QCheckBox(
        FromStd(timetable::TrainGroupName(static_cast<timetable::TrainGroup>(g))), this);
    box->setObjectName(QString::fromUtf8(name));
    box->move(left, 7);
    box->adjustSize();
    box->setChecked(true);
    // As the main window's filters: a click lists again at once.
    connect(box, &QCheckBox::clicked, this, &TFrmJourney::BTNQueryClick);
    cb_groups_[static_cast<std::size_t>(g)] = box;
  }
  cb_groups_[0]->setToolTip(QStringLiteral("只列出各段都乘坐所选车型的方案"));
}

bool TFrmJourney::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !StationListOpen(combo_fz_) &&
        !StationListOpen(combo_dz_)) {
      if (watched == combo_fz_) {
        combo_dz_->setFocus(Qt::TabFocusReason);
        return true;
      }
      if (watched == combo_dz_) {
        btn_query_->setFocus(Qt::TabFocusReason);
        return true;
      }
    }
  }
  return GrowingDialog::eventFilter(watched, event);
}

void TFrmJourney::SetStations(const std::string& from_text, const std::string& to_text) {
  {
    const QSignalBlocker block_fz(combo_fz_);
    const QSignalBlocker block_dz(combo_dz_);
    combo_fz_->setEditText(FromStd(query::TrimBlanks(from_text)));
    combo_dz_->setEditText(FromStd(query::TrimBlanks(to_text)));
  }
  BTNQueryClick();
}

void TFrmJourney::BuildConditions() {
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

  btn_query_ =
      MakeButton(group, QStringLiteral("BTNQuery"), QStringLiteral("查询"), 880, 16, 66, 26);
  connect(btn_query_, &QPushButton::clicked, this, &TFrmJourney::BTNQueryClick);
  // Enter in any condition box asks again.
  btn_query_->setDefault(true);
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

std::optional<query::JourneyConditions> TFrmJourney::CheckedConditions() {
  const std::string from = combo_fz_->currentText().toStdString();
  const std::string to = combo_dz_->currentText().toStdString();
  QString title = QStringLiteral("换乘方案：") + FromStd(query::TrimBlanks(from)) +
                  QStringLiteral(" → ") + FromStd(query::TrimBlanks(to));
  if (date_) title += QStringLiteral("（%1）").arg(ToQDate(*date_).toString(Qt::ISODate));
  setWindowTitle(title);
  // The same checks as the main window's 查询: names typed, known, different (known once the
  // station names are loaded; the planner ignores names it does not know).
  const query::InputCheck names =
      tables_.KMPyReady ? query::CheckThroughQuery(from, to, tables_) : query::InputCheck{};
  query::JourneyConditions conditions;
  conditions.after = et_after_->text().toStdString();
  conditions.before = et_before_->text().toStdString();
  conditions.max_changes = cb_changes_->currentIndex();
  conditions.min_change = se_min_change_->value();
  conditions.min_change_city = se_min_change_city_->value();
  conditions.max_wait = se_max_wait_->value();
  conditions.date = date_;
  conditions.train_groups = 0;
  for (std::size_t g = 0; g < cb_groups_.size(); ++g) {
    if (cb_groups_[g]->isChecked()) conditions.train_groups |= 1u << g;
  }
  conditions.all = cb_all_ != nullptr && cb_all_->isChecked();
  const query::InputCheck check = names.GoOn() ? query::CheckJourneyConditions(conditions) : names;
  if (!check.GoOn()) {
    if (check.verdict == query::CheckVerdict::ShowMessage) {
      dialogs_.Message(this, QMessageBox::NoIcon, QString::fromStdString(check.message.caption),
                       QString::fromStdString(check.message.text), QMessageBox::Ok);
      if (auto* box = findChild<QWidget*>(QString::fromStdString(check.message.focus))) {
        box->setFocus(Qt::OtherFocusReason);
      }
    }
    // The list stays as the last good query left it.
    return std::nullopt;
  }
  asked_from_ = from;
  asked_to_ = to;
  return conditions;
}

void TFrmJourney::ShowJourneys(std::vector<journey::Journey> journeys) {
  {
    WaitCursor wait;
    query::FillJourneyList(list_, std::move(journeys));
    query::ClearJourneyLegs(legs_);
  }
  ShowList();
  ShowLegs();
}

void TFrmJourney::BTNQueryClick() {
  const auto conditions = CheckedConditions();
  if (!conditions) return;
  WaitCursor wait;
  ShowJourneys(query::FindJourneys(*network_, tables_, asked_from_, asked_to_, *conditions));
}

void TFrmJourney::BTNDirectClick() {
  const auto conditions = CheckedConditions();
  if (!conditions) return;
  WaitCursor wait;
  ShowJourneys(query::FindDirectJourneys(*network_, tables_, asked_from_, asked_to_, *conditions));
}

void TFrmJourney::ShowList() {
  ApplyHeaderSort(list_.Headers, headers_);
  jgrid_->Refresh();
  lab_result_->setText(QStringLiteral("方案:%1").arg(list_.Count));
  lab_result_->adjustSize();
  const bool any_group = std::any_of(cb_groups_.begin(), cb_groups_.end(),
                                     [](const QCheckBox* box) { return box->isChecked(); });
  lab_info_->setText(list_.Count > 0 ? QStringLiteral("单击方案可列出各段行程，双击行程可查看该车次的全部停站。")
                     : any_group     ? QStringLiteral("没有符合条件的换乘方案，可放宽换乘条件后再查询。")
                                     : QStringLiteral("请至少选择一种车型。"));
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
  // Each journey with its legs under it, in the order listed.
  PrintJob job;
  job.kind = report::GridKind::Journey;
  const auto [from, to] = RouteWords();
  job.query = QStringLiteral("换乘方案 %1 → %2").arg(from, to);
  job.file_stem = SuggestedFileStem({from, to, QStringLiteral("换乘")});
  job.travel_date = date_ ? ToQDate(*date_) : QDate();
  for (const auto& cells : GridRowsOf(list_.Grid, list_.Count)) {
    job.rows.push_back({cells, false});
    const journey::Journey* chosen = nullptr;
    if (cells.size() > query::kJourneyIndexColumn) {
      const int index = std::atoi(cells[query::kJourneyIndexColumn].c_str());
      if (index >= 0 && index < static_cast<int>(list_.Journeys.size())) {
        chosen = &list_.Journeys[static_cast<std::size_t>(index)];
      }
    }
    if (chosen == nullptr) continue;
    for (const std::string& leg : query::JourneyLegLines(*chosen)) job.rows.push_back({{leg}, true});
  }
  PrintGrid(dialogs_, this, job);
}

void TFrmJourney::BTNExportClick() {
  const auto [from, to] = RouteWords();
  if (auto file = ExportGridCsv(dialogs_, this, report::GridKind::Journey,
                                GridRowsOf(list_.Grid, list_.Count),
                                SuggestedFileStem({from, to, QStringLiteral("换乘")}),
                                date_ ? ToQDate(*date_) : QDate())) {
    lab_info_->setText(ExportedText(list_.Count, *file));
    lab_info_->adjustSize();
  }
}

std::pair<QString, QString> TFrmJourney::RouteWords() const {
  return {FromStd(query::TrimBlanks(asked_from_)), FromStd(query::TrimBlanks(asked_to_))};
}

}  // namespace lanzhou::ui
