#pragma once
// FrmDiagram: the train diagram (运行图) of the line between the 发站 and 到站 boxes, for a time
// range and the classes checked. The view zooms (wheel, Ctrl + and Ctrl -), pans (drag), names
// the train under the pointer with its nearest stop's times, and opens the stop list of a train
// clicked; 导出 writes SVG, PDF or PNG, 打印 prints on A3 landscape.
#include <QDialog>
#include <QWidget>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/timetable_store.h"
#include "diagram/diagram.h"
#include "journey/network.h"
#include "ui/diagram_paint.h"
#include "ui/dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace lanzhou::ui {

// The drawing: the whole diagram fitted to the widget, then zoomed and panned.
class DiagramView : public QWidget {
  Q_OBJECT
 public:
  explicit DiagramView(QWidget* parent);
  // Shows a diagram (nothing: the view is emptied), fitted whole.
  void SetDiagram(std::optional<diagram::Diagram> d);
  [[nodiscard]] const std::optional<diagram::Diagram>& Diagram() const { return diagram_; }
  [[nodiscard]] double Zoom() const { return zoom_; }
  [[nodiscard]] const DiagramFrame& Frame() const { return frame_; }
  // Zooms by `factor` keeping the point `at` (widget pixels) where it is.
  void ZoomBy(double factor, QPointF at);
  // What a tooltip at `at` says (empty where no train passes): "G1  北京南 → 上海虹桥\n济南西
  // 到 08:20 发 08:22".
  [[nodiscard]] QString TipAt(QPointF at) const;
  [[nodiscard]] std::optional<diagram::Hit> HitAt(QPointF at) const;

 signals:
  void TrainClicked(diagram::Hit hit);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Refit();
  void Relabel();

  std::optional<diagram::Diagram> diagram_;
  DiagramFrame fitted_;  // the whole diagram in the widget
  DiagramFrame frame_;   // zoomed and panned
  double zoom_ = 1;
  std::vector<diagram::Label> labels_;
  QPointF press_;
  QPointF last_drag_;
  bool dragged_ = false;
  bool pressed_ = false;
};

class TFrmDiagram : public QDialog {
  Q_OBJECT
 public:
  // Draws the line between the two texts at once when both are given. The network and the
  // tables must be ready and outlive the window. `date`: the main window's 出发日期, whose
  // trains are drawn where the timetable knows running days (named in the title wherever the
  // timetable has a period).
  TFrmDiagram(std::shared_ptr<const journey::Network> network, data::TimetableStore& tables,
              Dialogs& dialogs, std::string from_text, std::string to_text, QWidget* parent,
              std::optional<std::chrono::sys_days> date = std::nullopt);

  [[nodiscard]] DiagramView* View() const { return view_; }
  [[nodiscard]] QComboBox* ComboFZ() const { return combo_fz_; }
  [[nodiscard]] QComboBox* ComboDZ() const { return combo_dz_; }

  // 画图: checks the stations as 查询 does and draws their line (or says there is none).
  void BTNDrawClick();
  void BTNExportClick();
  void BTNPrintClick();
  // A train clicked: its stop list, the piece on the line marked.
  void ShowTrainStops(diagram::Hit hit);

 private:
  [[nodiscard]] QComboBox* MakeStationBox(const QString& name, const std::string& text);

  std::shared_ptr<const journey::Network> network_;
  data::TimetableStore& tables_;
  Dialogs& dialogs_;
  QComboBox* combo_fz_ = nullptr;
  QComboBox* combo_dz_ = nullptr;
  QTimeEdit* te_after_ = nullptr;
  QTimeEdit* te_before_ = nullptr;
  std::array<QCheckBox*, diagram::kClassCount> classes_{};
  QLabel* lab_info_ = nullptr;
  DiagramView* view_ = nullptr;
  std::optional<std::chrono::sys_days> date_;
};

}  // namespace lanzhou::ui
