#pragma once
// FrmMsg: the train detail window, one row per stop of the train double-clicked in SGrid, the
// queried section in blue, the whole-run (red) and section (blue) summary lines.
#include <QDialog>

#include "query/train_detail.h"
#include "ui/dialogs.h"
#include "ui/window_frame.h"

class QLabel;
class QPushButton;

namespace lanzhou::ui {

class GridView;

class TFrmMsg : public GrowingDialog {
  Q_OBJECT
 public:
  // Client area 426 x 403 at first (and at least), centred on parent, on top of it.
  TFrmMsg(query::TrainDetail detail, QWidget* parent);

  [[nodiscard]] const query::TrainDetail& Detail() const { return detail_; }
  [[nodiscard]] GridView* MGrid() const { return mgrid_; }

 signals:
  // BTNPrint / BTNExport: print or export the first StopCount rows with the summary lines.
  void PrintRequested();
  void ExportRequested();

 private:
  query::TrainDetail detail_;
  GridView* mgrid_ = nullptr;
};

// Shows the detail window modally; its 打印 and 导出 print and export the stops at once.
void ShowTrainDetailWindow(query::TrainDetail detail, Dialogs& dialogs, QWidget* parent);

}  // namespace lanzhou::ui
