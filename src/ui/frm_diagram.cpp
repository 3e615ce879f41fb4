#include "ui/frm_diagram.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "journey/journey.h"
#include "query/input_checks.h"
#include "query/journey_grid.h"
#include "text/ascii.h"
#include "query/train_detail.h"
#include "system/atomic_file.h"
#include "ui/frm_msg.h"
#include "ui/print_grid.h"
#include "ui/station_box.h"

namespace lanzhou::ui {
namespace {

constexpr double kMinZoom = 1;
constexpr double kMaxZoom = 40;
constexpr double kZoomStep = 1.25;
constexpr double kPointerTolerance = 5;  // px

QString Clock(std::int32_t minute) {
  const std::int32_t m = ((minute % 1440) + 1440) % 1440;
  return QStringLiteral("%1:%2").arg(m / 60, 2, 10, QChar('0')).arg(m % 60, 2, 10, QChar('0'));
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// ---- DiagramView -------------------------------------------------------------------------------

DiagramView::DiagramView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DiagramView"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(320, 200);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
}

void DiagramView::SetDiagram(std::optional<diagram::Diagram> d) {
  diagram_ = std::move(d);
  zoom_ = 1;
  Refit();
  frame_ = fitted_;
  Relabel();
  update();
}

void DiagramView::Refit() {
  if (!diagram_) return;
  fitted_ = FitDiagram(*diagram_, QRectF(rect()), DiagramFont());
}

void DiagramView::Relabel() {
  labels_.clear();
  if (diagram_) labels_ = diagram::PlaceLabels(*diagram_, frame_.Scale());
}

void DiagramView::ZoomBy(double factor, QPointF at) {
  if (!diagram_) return;
  const double zoom = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
  if (zoom == zoom_) return;
  const double minute = frame_.MinuteAt(at.x());
  const double position = frame_.PositionAt(at.y());
  zoom_ = zoom;
  frame_.px_per_minute = fitted_.px_per_minute * zoom_;
  frame_.px_per_position = fitted_.px_per_position * zoom_;
  // The point under the pointer stays there.
  frame_.minute_left = minute - (at.x() - frame_.plot.left()) / frame_.px_per_minute;
  frame_.position_top = position - (at.y() - frame_.plot.top() - kPlotPad) / frame_.px_per_position;
  if (zoom_ == kMinZoom) frame_ = fitted_;
  Relabel();
  update();
}

std::optional<diagram::Hit> DiagramView::HitAt(QPointF at) const {
  if (!diagram_ || !frame_.plot.contains(at)) return std::nullopt;
  return diagram::HitTest(*diagram_, frame_.Scale(),
                          {frame_.MinuteAt(at.x()), frame_.PositionAt(at.y())},
                          kPointerTolerance);
}

QString DiagramView::TipAt(QPointF at) const {
  const std::optional<diagram::Hit> hit = HitAt(at);
  if (!hit) return {};
  const diagram::DrawnTrain& train = diagram_->trains[static_cast<std::size_t>(hit->train)];
  const diagram::Piece& piece = train.pieces[static_cast<std::size_t>(hit->piece)];
  const diagram::Call& call = piece.calls[static_cast<std::size_t>(hit->call)];
  const auto station = [&](const diagram::Call& c) {
    return QString::fromStdString(diagram_->line.rows[static_cast<std::size_t>(c.row)].station);
  };
  QString text = Text(train.number) + QStringLiteral("  ") + station(piece.calls.front()) +
                 QStringLiteral(" → ") + station(piece.calls.back()) + QStringLiteral("\n") +
                 station(call);
  if (call.arrive == call.depart) {
    text += QStringLiteral("  ") + Clock(call.arrive);
  } else {
    text += QStringLiteral("  到 ") + Clock(call.arrive) + QStringLiteral("  发 ") + Clock(call.depart);
  }
  return text;
}

void DiagramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!diagram_) return;
  PaintDiagram(painter, *diagram_, frame_, labels_, DiagramTitle(*diagram_));
}

void DiagramView::resizeEvent(QResizeEvent*) {
  if (!diagram_) return;
  const double zoom = zoom_;
  const QPointF centre = frame_.plot.center();
  const double minute = frame_.MinuteAt(centre.x());
  const double position = frame_.PositionAt(centre.y());
  Refit();
  frame_ = fitted_;
  zoom_ = 1;
  if (zoom > kMinZoom) {
    // Keep what was in the middle in the middle.
    zoom_ = zoom;
    frame_.px_per_minute = fitted_.px_per_minute * zoom_;
    frame_.px_per_position = fitted_.px_per_position * zoom_;
    frame_.minute_left = minute - frame_.plot.width() / 2 / frame_.px_per_minute;
    frame_.position_top = position - (frame_.plot.height() / 2 - kPlotPad) / frame_.px_per_position;
  }
  Relabel();
}

void DiagramView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) ZoomBy(std::pow(kZoomStep, steps), event->position());
  event->accept();
}

void DiagramView::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const QPointF centre = frame_.plot.center();
    if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) {
      ZoomBy(kZoomStep, centre);
      return;
    }
    if (event->key() == Qt::Key_Minus) {
      ZoomBy(1 / kZoomStep, centre);
      return;
    }
    if (event->key() == Qt::Key_0) {
      ZoomBy(kMinZoom / zoom_, centre);
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

void DiagramView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragged_ = false;
  press_ = last_drag_ = event->position();
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !diagram_) return;
  const QPointF delta = event->position() - last_drag_;
  if (!dragged_ && (event->position() - press_).manhattanLength() < 4) return;
  dragged_ = true;
  last_drag_ = event->position();
  frame_.minute_left -= delta.x() / frame_.px_per_minute;
  frame_.position_top -= delta.y() / frame_.px_per_position;
  setCursor(Qt::ClosedHandCursor);
  update();
}

void DiagramView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  unsetCursor();
  if (dragged_) return;
  if (const std::optional<diagram::Hit> hit = HitAt(event->position())) emit TrainClicked(*hit);
}

bool DiagramView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = TipAt(help->pos());
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  return QWidget::event(event);
}

// ---- TFrmDiagram -------------------------------------------------------------------------------

TFrmDiagram::TFrmDiagram(std::shared_ptr<const journey::Network> network,
                         data::TimetableStore& tables, Dialogs& dialogs, std::string from_text,
                         std::string to_text, QWidget* parent,
                         std::optional<std::chrono::sys_days> date)
    : QDialog(parent), network_(std::move(network)), tables_(tables), dialogs_(dialogs) {
  // Tables without a period know no day: the diagram is then of every train, and names none.
  if (date && tables_.calendar.period()) date_ = date;
  setObjectName(QStringLiteral("FrmDiagram"));
  setWindowTitle(date_ ? QStringLiteral("运行图 ") + QString::fromStdString(data::IsoDateText(*date_))
                       : QStringLiteral("运行图"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  setSizeGripEnabled(true);
  resize(1100, 720);

  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("发站"), this));
  combo_fz_ = MakeStationBox(QStringLiteral("ComboFZ"), from_text);
  bar->addWidget(combo_fz_);
  bar->addWidget(new QLabel(QStringLiteral("到站"), this));
  combo_dz_ = MakeStationBox(QStringLiteral("ComboDZ"), to_text);
  bar->addWidget(combo_dz_);
  bar->addSpacing(12);
  bar->addWidget(new QLabel(QStringLiteral("时段"), this));
  te_after_ = new QTimeEdit(QTime(0, 0), this);
  te_after_->setObjectName(QStringLiteral("ETAfter"));
  te_after_->setDisplayFormat(QStringLiteral("HH:mm"));
  bar->addWidget(te_after_);
  bar->addWidget(new QLabel(QStringLiteral("至"), this));
  te_before_ = new QTimeEdit(QTime(0, 0), this);
  te_before_->setObjectName(QStringLiteral("ETBefore"));
  te_before_->setDisplayFormat(QStringLiteral("HH:mm"));
  te_before_->setToolTip(QStringLiteral("不晚于起点时画到次日；与起点相同为全天"));
  bar->addWidget(te_before_);
  bar->addSpacing(12);
  for (int c = 0; c < diagram::kClassCount; ++c) {
    const auto cls = static_cast<diagram::TrainClass>(c);
    auto* box = new QCheckBox(Text(diagram::ClassName(cls)), this);
    box->setObjectName(QStringLiteral("CBClass") + Text(diagram::ClassName(cls)));
    box->setChecked(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, ClassColour(cls));
    box->setPalette(palette);
    classes_[static_cast<std::size_t>(c)] = box;
    bar->addWidget(box);
  }
  bar->addSpacing(12);
  auto* draw = new QPushButton(QStringLiteral("画图"), this);
  draw->setObjectName(QStringLiteral("BTNDraw"));
  draw->setDefault(true);
  auto* export_button = new QPushButton(QStringLiteral("导出…"), this);
  export_button->setObjectName(QStringLiteral("BTNExport"));
  auto* print = new QPushButton(QStringLiteral("打印…"), this);
  print->setObjectName(QStringLiteral("BTNPrint"));
  bar->addWidget(draw);
  bar->addWidget(export_button);
  bar->addWidget(print);
  bar->addStretch(1);

  view_ = new DiagramView(this);
  lab_info_ = new QLabel(this);
  lab_info_->setObjectName(QStringLiteral("LabInfo"));
  lab_info_->setText(QStringLiteral("滚轮或 Ctrl+加号/减号缩放，拖动平移；指向列车看时刻，单击看停站。"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
  layout->addWidget(lab_info_);

  connect(draw, &QPushButton::clicked, this, &TFrmDiagram::BTNDrawClick);
  connect(export_button, &QPushButton::clicked, this, &TFrmDiagram::BTNExportClick);
  connect(print, &QPushButton::clicked, this, &TFrmDiagram::BTNPrintClick);
  connect(view_, &DiagramView::TrainClicked, this, &TFrmDiagram::ShowTrainStops);
  if (!from_text.empty() && !to_text.empty()) BTNDrawClick();
}

QComboBox* TFrmDiagram::MakeStationBox(const QString& name, const std::string& text) {
  auto* box = new QComboBox(this);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMinimumWidth(110);
  box->setEditText(QString::fromStdString(text));
  AttachStationList(box);
  connect(box, &QComboBox::editTextChanged, this, [this, box] {
    StationBoxTextChanged(box, tables_.KMPyReady ? &tables_.KMPy : nullptr);
  });
  return box;
}

void TFrmDiagram::BTNDrawClick() {
  const std::string from = text::TrimBlanks(combo_fz_->currentText().toStdString());
  const std::string to = text::TrimBlanks(combo_dz_->currentText().toStdString());
  const query::InputCheck check = query::CheckThroughQuery(from, to, tables_);
  if (check.verdict == query::CheckVerdict::ShowMessage) {
    dialogs_.Message(this, QMessageBox::NoIcon, QString::fromStdString(check.message.caption),
                     QString::fromStdString(check.message.text), QMessageBox::Ok);
    (check.message.focus == "ComboDZ" ? combo_dz_ : combo_fz_)->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (check.verdict == query::CheckVerdict::NotReady) return;
  journey::Request endpoints;
  journey::SetEndpoints(tables_.KMSM, from, to, endpoints);
  diagram::Request request;
  request.from_name = from;
  request.to_name = to;
  request.from = std::move(endpoints.from);
  request.to = std::move(endpoints.to);
  request.after = te_after_->time().hour() * 60 + te_after_->time().minute();
  request.before = te_before_->time().hour() * 60 + te_before_->time().minute();
  if (request.before == request.after) request.before = request.after + 1440;
  request.classes = 0;
  for (int c = 0; c < diagram::kClassCount; ++c) {
    if (classes_[static_cast<std::size_t>(c)]->isChecked()) {
      request.classes |= static_cast<diagram::ClassSet>(1u << c);
    }
  }
  if (date_) diagram::SetDay(request, *network_, *date_);
  std::optional<diagram::Diagram> d = diagram::BuildDiagram(*network_, request);
  if (!d) {
    view_->SetDiagram(std::nullopt);
    dialogs_.Message(this, QMessageBox::Information, QStringLiteral("运行图"),
                     QString::fromUtf8(diagram::kNoCommonTrain), QMessageBox::Ok);
    return;
  }
  QString info = QStringLiteral("%1 站，%2 列车").arg(d->line.rows.size()).arg(d->trains.size());
  if (!d->axis_note.empty()) info += QStringLiteral("；车站间距") + QString::fromStdString(d->axis_note);
  for (const std::string& note : d->notes) info += QStringLiteral("；") + QString::fromStdString(note);
  lab_info_->setText(info + QStringLiteral("。滚轮或 Ctrl+加号/减号缩放，拖动平移；指向列车看时刻，单击看停站。"));
  view_->SetDiagram(std::move(d));
}

void TFrmDiagram::BTNExportClick() {
  if (!view_->Diagram()) return;
  const QString name =
      dialogs_
          .SaveFileName(this, QStringLiteral("导出运行图"),
                        QStringLiteral("SVG 图(*.svg);;PDF 文件(*.pdf);;PNG 图像(*.png)"),
                        QStringLiteral("svg"),
                        combo_fz_->currentText().trimmed() + QStringLiteral("-") +
                            combo_dz_->currentText().trimmed() + QStringLiteral("-运行图.svg"))
          .trimmed();
  if (name.isEmpty()) return;
  const std::optional<diagram::FileKind> kind = diagram::FileKindOf(name.toStdString());
  QString problem;
  if (!kind) {
    problem = QStringLiteral("文件名须以 .svg、.pdf 或 .png 结尾。");
  } else {
    const QByteArray bytes = RenderDiagram(*view_->Diagram(), *kind);
    try {
      if (bytes.isEmpty()) {
        problem = QStringLiteral("无法生成运行图。");
      } else {
        system::WriteFileAtomically(name.toStdString(),
                                    std::string_view(bytes.constData(),
                                                     static_cast<std::size_t>(bytes.size())));
      }
    } catch (const system::FileWriteError& error) {
      problem = QString::fromUtf8(error.what());
    }
  }
  if (!problem.isEmpty()) {
    dialogs_.Message(this, QMessageBox::Critical, QStringLiteral("运行图"), problem, QMessageBox::Ok);
  }
}

void TFrmDiagram::BTNPrintClick() {
  if (!view_->Diagram()) return;
  const std::unique_ptr<QPrinter> printer = DefaultPrinter();
  if (!printer) {
    dialogs_.Message(this, QMessageBox::Information, QStringLiteral("运行图"),
                     QStringLiteral("没有可用的打印机。可用“导出…”存为 PDF 文件再打印。"),
                     QMessageBox::Ok);
    return;
  }
  printer->setPageLayout(
      QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                  QPageLayout::Millimeter));
  PaintDiagramPage(*printer, *view_->Diagram(), printer->resolution() / 96.0);
}

void TFrmDiagram::ShowTrainStops(diagram::Hit hit) {
  const std::optional<diagram::Diagram>& d = view_->Diagram();
  if (!d) return;
  const diagram::DrawnTrain& train = d->trains[static_cast<std::size_t>(hit.train)];
  const diagram::Piece& piece = train.pieces[static_cast<std::size_t>(hit.piece)];
  const auto stop_no = [&](const diagram::Call& call) {
    const journey::NetStop& stop = network_->stops[static_cast<std::size_t>(call.stop)];
    return static_cast<std::int32_t>(
        network_->KMTrain->IntOfRecord(stop.record, network_->stop_columns.S_No));
  };
  // The piece as a one-leg journey: the stop list then marks it as a queried section.
  journey::Journey trip;
  journey::Leg leg;
  leg.train = train.train;
  leg.train_id = std::string(train.id);
  leg.from_no = stop_no(piece.calls.front());
  leg.to_no = stop_no(piece.calls.back());
  trip.legs.push_back(leg);
  query::JourneyLegs legs;
  query::FillJourneyLegs(tables_, trip, legs);
  std::optional<query::TrainDetail> detail =
      query::ShowTrainDetail(tables_.KMTrain, legs.State, legs.Grid, 0);
  if (!detail) return;
  ShowTrainDetailWindow(std::move(*detail), dialogs_, this);
}

}  // namespace lanzhou::ui
