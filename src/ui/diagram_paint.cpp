#include "ui/diagram_paint.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <numbers>


namespace lanzhou::ui {
namespace {

using diagram::Diagram;
using diagram::TrainClass;

// A3 landscape at 96 dots per inch: the page of every export, so they share one layout.
constexpr int kPageWidth = 1587;
constexpr int kPageHeight = 1123;
constexpr double kMargin = 24;
constexpr double kStub = 8;  // px of the mark of a train beyond the line's end

QString Clock(double minute) {
  const int m = static_cast<int>(std::lround(minute));
  const int day = ((m % 1440) + 1440) % 1440;
  return QStringLiteral("%1:%2").arg(day / 60, 2, 10, QChar('0')).arg(day % 60, 2, 10, QChar('0'));
}

// A line one pixel wide on the device at hand: on screens and images a cosmetic pen (the raster
// engine draws it without stroking a shape, which keeps a redraw of a busy line of 700 trains
// within a frame or two), on paper and in vector files a pen of one 96-dpi pixel.
QPen LinePen(const QPainter& p, const QColor& colour) {
  const int type = p.device()->devType();
  if (type == QInternal::Widget || type == QInternal::Image || type == QInternal::Pixmap) {
    QPen pen(colour, p.device()->devicePixelRatioF());
    pen.setCosmetic(true);
    return pen;
  }
  return QPen(colour, 1);
}

double TextHeight(const QFont& font) {
  return QFontMetricsF(font).height();
}

void PaintGrid(QPainter& p, const Diagram& d, const DiagramFrame& f) {
  const QRectF& plot = f.plot;
  const QFontMetricsF metrics(f.font);
  p.setFont(f.font);
  // Ten-minute lines where they stand apart, hour lines always, each hour's text above.
  const bool tens = f.px_per_minute * 10 >= 5;
  const int first = static_cast<int>(std::ceil(f.MinuteAt(plot.left()) / 10)) * 10;
  const double last = f.MinuteAt(plot.right());
  for (int m = std::max(first, d.after); m <= last && m <= d.before; m += 10) {
    const bool hour = m % 60 == 0;
    if (!hour && !tens) continue;
    const double x = f.X(m);
    p.setPen(LinePen(p, hour ? QColor(150, 150, 150) : QColor(222, 222, 222)));
    p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    if (hour) {
      p.setPen(Qt::black);
      const QString text = QString::number((m / 60) % 24);
      p.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2, plot.top() - 4), text);
    }
  }
  // A row per station, the name left of the plot where it does not run into the one above.
  double named_y = -1e9;
  for (const diagram::Row& row : d.line.rows) {
    const double y = f.Y(row.position);
    if (y < plot.top() - 0.5 || y > plot.bottom() + 0.5) continue;
    p.setPen(LinePen(p, QColor(120, 120, 120)));
    p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    if (y - named_y < metrics.height() * 0.9) continue;
    named_y = y;
    p.setPen(Qt::black);
    const QString name = QString::fromStdString(row.station);
    p.drawText(QPointF(plot.left() - 6 - metrics.horizontalAdvance(name), y + metrics.ascent() / 2 - 1),
               name);
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
}

QPainterPath TrainPath(const diagram::DrawnTrain& train, const DiagramFrame& f) {
  QPainterPath path;
  for (const diagram::Piece& piece : train.pieces) {
    const QPointF first(f.X(piece.points.front().minute), f.Y(piece.points.front().position));
    const QPointF last(f.X(piece.points.back().minute), f.Y(piece.points.back().position));
    const bool down = piece.calls.back().row > piece.calls.front().row;
    const double dy = down ? kStub : -kStub;
    if (piece.from_beyond) {
      path.moveTo(first - QPointF(kStub, dy));
      path.lineTo(first);
    } else {
      path.moveTo(first);
    }
    for (std::size_t k = 1; k < piece.points.size(); ++k) {
      path.lineTo(f.X(piece.points[k].minute), f.Y(piece.points[k].position));
    }
    if (piece.to_beyond) path.lineTo(last + QPointF(kStub, dy));
  }
  return path;
}

void PaintTrains(QPainter& p, const Diagram& d, const DiagramFrame& f,
                 const std::vector<diagram::Label>& labels) {
  p.save();
  p.setClipRect(f.plot);
  p.setBrush(Qt::NoBrush);
  for (const diagram::DrawnTrain& train : d.trains) {
    p.setPen(LinePen(p, ClassColour(train.train_class)));
    p.drawPath(TrainPath(train, f));
  }
  p.setFont(f.font);
  const QFontMetricsF metrics(f.font);
  for (const diagram::Label& label : labels) {
    const diagram::DrawnTrain& train = d.trains[static_cast<std::size_t>(label.train)];
    p.save();
    p.translate(f.X(label.anchor.minute), f.Y(label.anchor.position));
    p.rotate(label.angle * 180 / std::numbers::pi);
    p.setPen(ClassColour(train.train_class).darker(115));
    p.drawText(QPointF(-label.width / 2, -metrics.descent() - 1),
               QString::fromUtf8(train.number.data(), static_cast<qsizetype>(train.number.size())));
    p.restore();
  }
  p.restore();
}

void PaintFooter(QPainter& p, const Diagram& d, const DiagramFrame& f) {
  const QFontMetricsF metrics(f.font);
  p.setFont(f.font);
  double x = f.plot.left();
  double y = f.plot.bottom() + metrics.height() + 6;
  for (int c = 0; c < diagram::kClassCount; ++c) {
    const auto cls = static_cast<TrainClass>(c);
    p.setPen(QPen(ClassColour(cls), 2.5));
    p.drawLine(QPointF(x, y - metrics.ascent() / 2 + 1), QPointF(x + 22, y - metrics.ascent() / 2 + 1));
    p.setPen(Qt::black);
    const QString name = QString::fromUtf8(diagram::ClassName(cls).data(),
                                           static_cast<qsizetype>(diagram::ClassName(cls).size()));
    p.drawText(QPointF(x + 27, y), name);
    x += 27 + metrics.horizontalAdvance(name) + 18;
  }
  QString tail = QStringLiteral("列车 %1 列").arg(d.trains.size());
  if (!d.axis_note.empty()) tail += QStringLiteral("；车站间距") + QString::fromStdString(d.axis_note);
  p.drawText(QPointF(x + 12, y), tail);
  p.setPen(QColor(190, 0, 0));
  for (const std::string& note : d.notes) {
    y += metrics.height() + 2;
    p.drawText(QPointF(f.plot.left(), y), QString::fromStdString(note));
  }
}

}  // namespace

QFont DiagramFont() {
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(12);
  return font;
}

QColor ClassColour(TrainClass c) {
  switch (c) {
    case TrainClass::G: return QColor(214, 39, 40);
    case TrainClass::D: return QColor(240, 120, 0);
    case TrainClass::C: return QColor(148, 103, 189);
    case TrainClass::Z: return QColor(31, 90, 180);
    case TrainClass::T: return QColor(30, 140, 60);
    case TrainClass::K: return QColor(140, 86, 75);
    case TrainClass::Other: break;
  }
  return QColor(110, 110, 110);
}

double DiagramFrame::X(double minute) const {
  return plot.left() + (minute - minute_left) * px_per_minute;
}
double DiagramFrame::Y(double position) const {
  return plot.top() + kPlotPad + (position - position_top) * px_per_position;
}
double DiagramFrame::MinuteAt(double x) const {
  return minute_left + (x - plot.left()) / px_per_minute;
}
double DiagramFrame::PositionAt(double y) const {
  return position_top + (y - plot.top() - kPlotPad) / px_per_position;
}
diagram::Scale DiagramFrame::Scale() const {
  const QFontMetricsF metrics(font);
  return {px_per_minute, px_per_position, metrics.horizontalAdvance(QLatin1Char('0')),
          metrics.ascent() + 1};
}

DiagramFrame FitDiagram(const Diagram& d, const QRectF& page, const QFont& font) {
  DiagramFrame f;
  f.font = font;
  const QFontMetricsF metrics(font);
  double names = 0;
  for (const diagram::Row& row : d.line.rows) {
    names = std::max(names, metrics.horizontalAdvance(QString::fromStdString(row.station)));
  }
  const double line = metrics.height();
  const double top = page.top() + kMargin + line * 2.6;
  const double bottom = page.bottom() - kMargin - line * (1.6 + static_cast<double>(d.notes.size()));
  const double left = page.left() + kMargin + names + 10;
  const double right = page.right() - kMargin;
  f.plot = QRectF(QPointF(left, top), QPointF(std::max(right, left + 10), std::max(bottom, top + 10)));
  f.minute_left = d.after;
  f.px_per_minute = f.plot.width() / std::max(1, d.before - d.after);
  const double length = d.Length();
  f.px_per_position = length > 0 ? (f.plot.height() - 2 * kPlotPad) / length : 1;
  return f;
}

QString DiagramTitle(const Diagram& d) {
  if (d.line.rows.empty()) return QStringLiteral("运行图");
  // The day, where there is one, stands before the hours: the trains drawn are that day's.
  const QString day = d.day.empty() ? QString() : QString::fromStdString(d.day) + QStringLiteral("  ");
  return QStringLiteral("运行图 %1 — %2  %3%4–%5")
      .arg(QString::fromStdString(d.line.rows.front().station),
           QString::fromStdString(d.line.rows.back().station), day, Clock(d.after),
           d.before - d.after == 1440 && d.after == 0 ? QStringLiteral("24:00") : Clock(d.before));
}

void PaintDiagram(QPainter& p, const Diagram& d, const DiagramFrame& f,
                  const std::vector<diagram::Label>& labels, const QString& title) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  QFont title_font = f.font;
  title_font.setPixelSize(f.font.pixelSize() > 0 ? f.font.pixelSize() + 4 : 16);
  title_font.setBold(true);
  p.setFont(title_font);
  p.setPen(Qt::black);
  p.drawText(QPointF(f.plot.left(), f.plot.top() - TextHeight(f.font) * 1.4 - 4), title);
  PaintGrid(p, d, f);
  PaintTrains(p, d, f, labels);
  PaintFooter(p, d, f);
}

void PaintDiagramPage(QPaintDevice& device, const Diagram& d, double scale) {
  QPainter p(&device);
  p.scale(scale, scale);
  const QFont font = DiagramFont();
  const double ratio = device.devicePixelRatioF() * scale;
  const QRectF page(0, 0, device.width() / ratio, device.height() / ratio);
  const DiagramFrame frame = FitDiagram(d, page, font);
  PaintDiagram(p, d, frame, diagram::PlaceLabels(d, frame.Scale()), DiagramTitle(d));
}

QByteArray RenderDiagram(const Diagram& d, diagram::FileKind kind) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (kind) {
    case diagram::FileKind::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(QSize(kPageWidth, kPageHeight));
      svg.setViewBox(QRect(0, 0, kPageWidth, kPageHeight));
      svg.setResolution(96);
      svg.setTitle(DiagramTitle(d));
      PaintDiagramPage(svg, d);
      break;
    }
    case diagram::FileKind::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Landscape, QMarginsF()));
      pdf.setResolution(96);
      pdf.setTitle(DiagramTitle(d));
      pdf.setCreator(QStringLiteral("岚舟时刻"));
      PaintDiagramPage(pdf, d);
      break;
    }
    case diagram::FileKind::Png: {
      QImage image(kPageWidth * 2, kPageHeight * 2, QImage::Format_RGB32);
      image.setDevicePixelRatio(2);
      image.fill(Qt::white);
      PaintDiagramPage(image, d);
      if (!image.save(&buffer, "PNG")) return {};
      break;
    }
  }
  return bytes;
}

}  // namespace lanzhou::ui
