#pragma once
// FrmJourney: a window of its own (not modal) listing the journeys between its 发站 and 到站
// boxes, one row each, trains that really connect with each change's wait; the chosen journey's
// legs below in the result grid's look. The stations (completed as in the main window), the
// train groups (车型) and the conditions (departure window, changes, minimum change times,
// longest wait) sit above the list and the 查询 button asks again with them.
#include <QDialog>
#include <chrono>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/timetable_store.h"
#include "query/journey_grid.h"
#include "ui/dialogs.h"
#include "ui/window_frame.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace lanzhou::ui {

class GridView;
class HeaderLabel;

class TFrmJourney : public GrowingDialog {
  Q_OBJECT
 public:
  // Lists the journeys at once with the default conditions. The network and the tables must be
  // ready and outlive the window (the main window closes it before replacing them).
  // `date`: the day of the first departure (nothing: every train runs every day).
  TFrmJourney(std::shared_ptr<const journey::Network> network, data::TimetableStore& tables,
              Dialogs& dialogs, std::string from_text, std::string to_text, QWidget* parent,
              std::optional<std::chrono::sys_days> date = std::nullopt);

  [[nodiscard]] const query::JourneyList& List() const { return list_; }
  [[nodiscard]] const query::JourneyLegs& Legs() const { return legs_; }
  [[nodiscard]] GridView* JGrid() const { return jgrid_; }
  [[nodiscard]] GridView* LGrid() const { return lgrid_; }
  // Puts the two names into the boxes and lists their journeys (the main window's 换乘方案…
  // while this window is open).
  void SetStations(const std::string& from_text, const std::string& to_text);
  // The day of the first departure for the next query (the main window's 出发日期).
  void SetDate(std::optional<std::chrono::sys_days> date) { date_ = date; }
  [[nodiscard]] std::optional<std::chrono::sys_days> Date() const { return date_; }

  // BTNQuery: checks the conditions (a message and the focus on the box at fault) and lists
  // the journeys they allow.
  void BTNQueryClick();
  // A header label of the journey list clicked (0-based column).
  void Lab1Click(int column);
  // A journey row chosen: its legs below.
  void JGridClick(int row);
  // A leg double-clicked: the train's stops with the leg's range highlighted.
  void LGridDblClick(int row);
  void BTNPrintClick();
  void BTNExportClick();
  // 显示全部直达车次: every direct train in the departure window, those a faster or later
  // one dominates too.
  void BTNDirectClick();

 protected:
  // Enter in a station box moves on (发站 to 到站, 到站 to 查询), as in the main window.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The two names of the last query as asked, for the print head and the file names.
  [[nodiscard]] std::pair<QString, QString> RouteWords() const;
  void BuildStations();
  // The conditions as typed, or nothing after the message about the one at fault.
  std::optional<query::JourneyConditions> CheckedConditions();
  void ShowJourneys(std::vector<journey::Journey> journeys);
  void BuildConditions();
  void BuildJourneyGrid();
  void BuildLegGrid();
  void ShowList();
  void ShowLegs();

  std::shared_ptr<const journey::Network> network_;
  data::TimetableStore& tables_;
  Dialogs& dialogs_;
  std::string asked_from_;
  std::string asked_to_;
  std::optional<std::chrono::sys_days> date_;
  query::JourneyList list_;
  query::JourneyLegs legs_;

  QComboBox* combo_fz_ = nullptr;
  QComboBox* combo_dz_ = nullptr;
  QPushButton* btn_query_ = nullptr;
  // 高铁, 动车, 城际, 直特快, 普客 in timetable::TrainGroup order.
  std::array<QCheckBox*, 5> cb_groups_{};
  QLineEdit* et_after_ = nullptr;
  QLineEdit* et_before_ = nullptr;
  QComboBox* cb_changes_ = nullptr;
  QSpinBox* se_min_change_ = nullptr;
  QSpinBox* se_min_change_city_ = nullptr;
  QSpinBox* se_max_wait_ = nullptr;
  GridView* jgrid_ = nullptr;
  GridView* lgrid_ = nullptr;
  std::vector<HeaderLabel*> headers_;
  QLabel* lab_result_ = nullptr;
  QLabel* lab_info_ = nullptr;
  QPushButton* btn_print_ = nullptr;
  QPushButton* btn_export_ = nullptr;
  QCheckBox* cb_all_ = nullptr;  // 显示全部: the slow journeys too
};

}  // namespace lanzhou::ui
