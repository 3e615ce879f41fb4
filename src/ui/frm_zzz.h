#pragma once
// FrmZzz: the transfer chooser. Lists the stations where a departure-side train meets an
// arrival-side train; each click on a station hands it to the main window, which lists both
// legs through it, while the chooser stays open.
#include <QDialog>
#include <functional>
#include <vector>

#include "query/chooser_grid.h"
#include "query/transfer_search.h"
#include "ui/window_frame.h"

class QLabel;
class QPushButton;

namespace lanzhou::ui {

class GridView;
class HeaderLabel;

class TFrmZzz : public GrowingDialog {
  Q_OBJECT
 public:
  using PickFn = std::function<void(const query::TransferPick&)>;
  // Client area 532 x 356 at first (and at least), centred on parent, on top of it; opens sorted by 中转站↑.
  TFrmZzz(const query::TransferChooserList& list, PickFn on_pick, QWidget* parent);

  [[nodiscard]] const query::ChooserGrid& Chooser() const { return chooser_; }
  [[nodiscard]] GridView* ZGrid() const { return zgrid_; }

  // ZGridClick: a click on a listed row lists its legs in the main window.
  void ZGridClick(int row);
  // Lab1Click: header label of column `column` (0-based) clicked.
  void Lab1Click(int column);
  // BTNJourney "换乘方案…" can be used once the journeys can be planned; until then it says so.
  void SetJourneysReady(bool ready);

 signals:
  // BTNJourney: the journeys between the same two stations.
  void JourneysRequested();

 private:
  query::ChooserGrid chooser_;
  PickFn on_pick_;
  GridView* zgrid_ = nullptr;
  QPushButton* btn_journey_ = nullptr;
  std::vector<HeaderLabel*> headers_;
};

}  // namespace lanzhou::ui
