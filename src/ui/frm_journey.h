#pragma once
// FrmJourney: the journeys between the 发站 and 到站 texts, one row each, trains that really
// connect with their waits; the chosen journey's legs below in the result grid's look. The
// conditions (departure window, changes, minimum change times, longest wait) sit above the list
// and the 查询 button asks again with them.
#include <QDialog>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/timetable_store.h"
#include "query/journey_grid.h"
#include "ui/dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace lanzhou::ui {

class GridView;
class HeaderLabel;

class TFrmJourney : public QDialog {
  Q_OBJECT
 public:
  // Lists the journeys at once with the default conditions. The network and the tables must be
  // ready and outlive the window.
  // `date`: the day of the first departure (nothing: every train runs every day).
  TFrmJourney(std::shared_ptr<const journey::Network> network, data::TimetableStore& tables,
              Dialogs& dialogs, std::string from_text, std::string to_text, QWidget* parent,
              std::optional<std::chrono::sys_days> date = std::nullopt);

  [[nodiscard]] const query::JourneyList& List() const { return list_; }
  [[nodiscard]] const query::JourneyLegs& Legs() const { return legs_; }
  [[nodiscard]] GridView* JGrid() const { return jgrid_; }
  [[nodiscard]] GridView* LGrid() const { return lgrid_; }

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

 private:
  void BuildConditions();
  void BuildJourneyGrid();
  void BuildLegGrid();
  void ShowList();
  void ShowLegs();

  std::shared_ptr<const journey::Network> network_;
  data::TimetableStore& tables_;
  Dialogs& dialogs_;
  std::string from_text_;
  std::string to_text_;
  std::optional<std::chrono::sys_days> date_;
  query::JourneyList list_;
  query::JourneyLegs legs_;

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
};

}  // namespace lanzhou::ui
