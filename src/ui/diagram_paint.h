#pragma once
// Painting a train diagram's geometry with QPainter: the window, the SVG, PDF and PNG exports
// and printing all draw through PaintDiagram, so they show the same picture. Qt Gui only (the
// command line links it for its diagram command).
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

#include "diagram/diagram.h"

class QPainter;
class QPaintDevice;

namespace lanzhou::ui {

// Colour of a train class's lines and legend entry.
[[nodiscard]] QColor ClassColour(diagram::TrainClass c);

// Where the geometry lands: the plot rectangle (stations' names to its left, the hours above
// it, legend and notes below) and the scale and offset of time and position inside it.
struct DiagramFrame {
  QRectF plot;
  double minute_left = 0;     // minute at plot.left()
  double position_top = 0;    // position at plot.top() + kPad
  double px_per_minute = 1;
  double px_per_position = 1;
  QFont font;
  [[nodiscard]] double X(double minute) const;
  [[nodiscard]] double Y(double position) const;
  [[nodiscard]] double MinuteAt(double x) const;
  [[nodiscard]] double PositionAt(double y) const;
  [[nodiscard]] diagram::Scale Scale() const;
};

// The text of every diagram: 12 px Noto Sans CJK SC.
[[nodiscard]] QFont DiagramFont();

// Room above the first row and below the last inside the plot, for the marks of trains that
// come from or go on beyond the line.
inline constexpr double kPlotPad = 12;

// The frame that fits the whole window of the diagram into `page` (device pixels) with text of
// `font`.
[[nodiscard]] DiagramFrame FitDiagram(const diagram::Diagram& d, const QRectF& page,
                                      const QFont& font);

// Draws everything: grid, hours, stations, one path per train, train numbers at `labels`,
// legend, axis note, notes and the title. Trains are clipped to the plot.
void PaintDiagram(QPainter& painter, const diagram::Diagram& d, const DiagramFrame& frame,
                  const std::vector<diagram::Label>& labels, const QString& title);

// The title: "运行图 A — B  06:00–12:00".
[[nodiscard]] QString DiagramTitle(const diagram::Diagram& d);

// The diagram as a file's bytes: SVG (Qt SVG), PDF (A3 landscape, vector, the text as text) or
// PNG (the A3 page at 192 dots per inch). Empty when it cannot be made. Fonts need a
// QGuiApplication.
[[nodiscard]] QByteArray RenderDiagram(const diagram::Diagram& d, diagram::FileKind kind);

// Paints the whole diagram onto a page of a paint device. The layout is in pixels of 96 dots per
// inch: `scale` is the device's pixels per such pixel (a printer at 600 dpi: 6.25).
void PaintDiagramPage(QPaintDevice& device, const diagram::Diagram& d, double scale = 1);

}  // namespace lanzhou::ui
