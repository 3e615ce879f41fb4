#include "ui/frm_msg.h"

#include <QLabel>
#include <QPushButton>
#include <array>

#include "report/grid_export.h"
#include "ui/export_dialog.h"
#include "ui/frm_style.h"
#include "ui/grid_view.h"
#include "ui/print_grid.h"

namespace lanzhou::ui {
namespace {

constexpr std::array<int, query::kDetailColumns> kWidths = {34, 75, 42, 41, 40, 50, 41, 41};
constexpr std::array<const char*, query::kDetailColumns> kTitles = {"站序", "车站", "里程", "到时",
                                                                    "发时", "天数", "历时", "时速"};
constexpr std::array<const char*, query::kDetailColumns> kTitleNames = {
    "Lab1", "Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7"};
constexpr int kGridLeft = 24;
constexpr int kGridTop = 68;

}  // namespace

TFrmMsg::TFrmMsg(query::TrainDetail detail, QWidget* parent)
    : GrowingDialog(parent, "FrmMsg", QSize(426, 403)), detail_(std::move(detail)) {
  setObjectName(QStringLiteral("FrmMsg"));
  setFont(WindowFont());
  SetBackground(this, QColor::fromRgb(kPanelBackground));
  setWindowTitle(QString::fromStdString(detail_.Caption));

  MakeLabel(this, QStringLiteral("LabQC"), QString::fromStdString(detail_.LabQC), 24, 8,
            QColor(0xFF, 0, 0));
  MakeLabel(this, QStringLiteral("LabQJ"), QString::fromStdString(detail_.LabQJ), 24, 28,
            QColor(0, 0, 0xFF));

  // One title box per column, lined up with the grid's columns and lines.
  std::vector<std::pair<QWidget*, int>> over_columns;
  int x = kGridLeft;
  for (std::size_t c = 0; c < kWidths.size(); ++c) {
    const int w = kWidths[c] + 1;
    over_columns.emplace_back(MakeBox(this, QStringLiteral("TitleBox%1").arg(c + 1), x, 46, w + 1,
                                      23, QColor::fromRgb(kTitleBoxColour),
                                      QColor(0xC8, 0xC8, 0xD8)),
                              static_cast<int>(c));
    auto* title = new QLabel(QString::fromUtf8(kTitles[c]), this);
    over_columns.emplace_back(title, static_cast<int>(c));
    title->setObjectName(QString::fromUtf8(kTitleNames[c]));
    title->setAlignment(Qt::AlignCenter);
    title->setAttribute(Qt::WA_TranslucentBackground);
    title->setGeometry(x, 46, w, 23);
    x += w;
  }

  mgrid_ = new GridView(
      detail_.MGrid, [this](int row) { return query::MGridRowColour(detail_, row); },
      std::vector<int>(kWidths.begin(), kWidths.end()), this);
  mgrid_->setObjectName(QStringLiteral("MGrid"));
  mgrid_->setGeometry(kGridLeft, kGridTop, 393, 287);
  query::ClearGridSelection(detail_.MGrid);
  mgrid_->Refresh();

  auto* print =
      MakeButton(this, QStringLiteral("BTNPrint"), QStringLiteral("打印"), 23, 366, 50, 32);
  auto* exporter =
      MakeButton(this, QStringLiteral("BTNExport"), QStringLiteral("导出"), 80, 366, 50, 32);
  auto* close =
      MakeButton(this, QStringLiteral("BTNClose"), QStringLiteral("关闭"), 327, 366, 90, 32);
  connect(print, &QPushButton::clicked, this, &TFrmMsg::PrintRequested);
  connect(exporter, &QPushButton::clicked, this, &TFrmMsg::ExportRequested);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  close->setDefault(true);
  close->setFocus();
  CentreOnParent(this, parent);

  // A taller window shows more stops at once.
  Anchored().Add(mgrid_, kGrowWidth | kGrowHeight);
  Anchored().Add(print, kFollowBottom);
  Anchored().Add(exporter, kFollowBottom);
  Anchored().Add(close, kFollowBottom | kFollowRight);
  ColumnBand& band = Band(mgrid_, std::vector<int>(kWidths.begin(), kWidths.end()));
  for (const auto& [control, column] : over_columns) band.Over(control, column, column);
  FinishLayout();
}

void ShowTrainDetailWindow(query::TrainDetail detail, Dialogs& dialogs, QWidget* parent) {
  TFrmMsg window(std::move(detail), parent);
  const auto rows = [&window] {
    return GridRowsOf(window.Detail().MGrid, window.Detail().StopCount);
  };
  // "车次:G42" names the train in the print head and the suggested file name.
  const QString train = window.windowTitle().section(QLatin1Char(':'), 1).trimmed();
  QObject::connect(&window, &TFrmMsg::PrintRequested, &window, [&dialogs, &window, rows, train] {
    PrintJob job;
    job.kind = report::GridKind::Detail;
    job.rows = report::PlainRows(rows());
    job.query = QStringLiteral("车次 %1 停站").arg(train);
    job.file_stem = SuggestedFileStem({train});
    PrintGrid(dialogs, &window, job);
  });
  QObject::connect(&window, &TFrmMsg::ExportRequested, &window, [&dialogs, &window, rows, train] {
    (void)ExportGridCsv(dialogs, &window, report::GridKind::Detail, rows(),
                        SuggestedFileStem({train}));
  });
  window.exec();
}

}  // namespace lanzhou::ui
