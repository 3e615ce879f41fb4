#include "ui/frm_zzz.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <array>

#include "ui/frm_style.h"
#include "ui/grid_view.h"

namespace lanzhou::ui {
namespace {

constexpr std::array<int, query::kChooserColumns> kWidths = {86, 47, 47, 48, 46, 47, 47, 61, 57};
constexpr int kGridLeft = 9;
constexpr int kGridTop = 30;

}  // namespace

TFrmZzz::TFrmZzz(const query::TransferChooserList& list, PickFn on_pick, QWidget* parent)
    : GrowingDialog(parent, "FrmZzz", QSize(532, 356)), on_pick_(std::move(on_pick)) {
  setObjectName(QStringLiteral("FrmZzz"));
  setFont(WindowFont());
  SetBackground(this, QColor::fromRgb(kPanelBackground));

  query::FillChooserGrid(chooser_, list.Listed);
  setWindowTitle(QString::fromStdString(query::ChooserCaption(chooser_.CandidateCount)));

  std::vector<QWidget*> title_boxes;
  int x = kGridLeft;
  for (std::size_t c = 0; c < kWidths.size(); ++c) {
    const int w = kWidths[c] + 1;
    title_boxes.push_back(MakeBox(this, QStringLiteral("TitleBox%1").arg(c + 1), x, 10, w + 1, 20,
            QColor::fromRgb(kTitleBoxColour), QColor(0xC8, 0xC8, 0xD8)));
    auto* label = new HeaderLabel(QStringLiteral("Lab%1").arg(c + 1), this);
    label->setGeometry(x, 10, w, 20);
    const int column = static_cast<int>(c);
    connect(label, &HeaderLabel::Clicked, this, [this, column] { Lab1Click(column); });
    headers_.push_back(label);
    x += w;
  }
  ApplyHeaderSort(chooser_.Headers, headers_);

  zgrid_ = new GridView(
      chooser_.ZGrid, [](int) { return query::RowColour::Normal; },
      std::vector<int>(kWidths.begin(), kWidths.end()), this);
  zgrid_->setObjectName(QStringLiteral("ZGrid"));
  zgrid_->setGeometry(kGridLeft, kGridTop, 513, 287);
  zgrid_->setToolTip(QStringLiteral("点击标题栏，可以根据各种条件排序。"));
  zgrid_->Refresh();
  connect(zgrid_, &GridView::RowClicked, this, &TFrmZzz::ZGridClick);

  QLabel* info = MakeLabel(this, QStringLiteral("LabInfo"),
                           QString::fromUtf8(query::kChooserInfo), 10, 328, QColor(0, 0, 0xFF));
  auto* close =
      MakeButton(this, QStringLiteral("BTNClose"), QStringLiteral("关闭"), 433, 321, 90, 30);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  btn_journey_ =
      MakeButton(this, QStringLiteral("BTNJourney"), QString(), 327, 321, 100, 30);
  connect(btn_journey_, &QPushButton::clicked, this, &TFrmZzz::JourneysRequested);
  SetJourneysReady(false);
  zgrid_->setFocus();
  if (parent != nullptr) {
    const QRect outer = parent->window()->geometry();
    move(outer.center() - rect().center());
  }

  Anchored().Add(zgrid_, kGrowWidth | kGrowHeight);
  Anchored().Add(info, kFollowBottom);
  Anchored().Add(close, kFollowBottom | kFollowRight);
  Anchored().Add(btn_journey_, kFollowBottom | kFollowRight);
  ColumnBand& band = Band(zgrid_, std::vector<int>(kWidths.begin(), kWidths.end()));
  for (std::size_t c = 0; c < kWidths.size(); ++c) {
    band.Over(title_boxes[c], static_cast<int>(c), static_cast<int>(c));
    band.Over(headers_[c], static_cast<int>(c), static_cast<int>(c));
  }
  FinishLayout();
}

void TFrmZzz::ZGridClick(int row) {
  const std::optional<query::TransferPick> pick = query::ZGridClick(chooser_, row);
  if (pick && on_pick_) on_pick_(*pick);
}

void TFrmZzz::Lab1Click(int column) {
  if (chooser_.CandidateCount == 0) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  query::Lab1Click(chooser_, column);
  QApplication::restoreOverrideCursor();
  ApplyHeaderSort(chooser_.Headers, headers_);
  zgrid_->Refresh();
}

void TFrmZzz::SetJourneysReady(bool ready) {
  btn_journey_->setText(ready ? QStringLiteral("换乘方案…") : QStringLiteral("正在准备…"));
  btn_journey_->setEnabled(ready);
}

}  // namespace lanzhou::ui
