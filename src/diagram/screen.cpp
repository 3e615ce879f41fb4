// What depends on the scale of the drawing: train numbers along their lines (greedy placement on
// the longest running segments, checked against the labels already placed through a coarse grid
// of screen cells) and finding the line under the pointer.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "diagram/diagram.h"
#include "diagram/label_box.h"

namespace lanzhou::diagram {
namespace {

constexpr double kCell = 48;  // px

std::int64_t CellKey(std::int32_t cx, std::int32_t cy) {
  return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::uint32_t>(cy);
}

// Characters of a train number as drawn (UTF-8 continuation bytes do not count).
int CharCount(std::string_view text) {
  int n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

class PlacedBoxes {
 public:
  [[nodiscard]] bool Collides(const LabelBox& box) const {
    const auto [x0, y0, x1, y1] = box.Bounds();
    for (auto cx = Cell(x0); cx <= Cell(x1); ++cx) {
      for (auto cy = Cell(y0); cy <= Cell(y1); ++cy) {
        const auto found = cells_.find(CellKey(cx, cy));
        if (found == cells_.end()) continue;
        for (const std::size_t k : found->second) {
          if (box.Overlaps(boxes_[k])) return true;
        }
      }
    }
    return false;
  }
  void Add(const LabelBox& box) {
    const auto [x0, y0, x1, y1] = box.Bounds();
    for (auto cx = Cell(x0); cx <= Cell(x1); ++cx) {
      for (auto cy = Cell(y0); cy <= Cell(y1); ++cy) cells_[CellKey(cx, cy)].push_back(boxes_.size());
    }
    boxes_.push_back(box);
  }

 private:
  static std::int32_t Cell(double v) { return static_cast<std::int32_t>(std::floor(v / kCell)); }
  std::vector<LabelBox> boxes_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;
};

}  // namespace

LabelBox BoxOf(const Label& label, const Scale& scale) {
  const double x = label.anchor.minute * scale.px_per_minute;
  const double y = label.anchor.position * scale.px_per_position;
  const double c = std::cos(label.angle), s = std::sin(label.angle);
  // The text sits just above its line: its middle half a text height along the upward normal.
  const double lift = scale.text_height / 2 + 1;
  return {x + s * lift, y - c * lift, c, s, label.width / 2, scale.text_height / 2};
}

std::array<double, 4> LabelBox::Bounds() const {
  const double ex = std::abs(ux) * half_w + std::abs(uy) * half_h;
  const double ey = std::abs(uy) * half_w + std::abs(ux) * half_h;
  return {cx - ex, cy - ey, cx + ex, cy + ey};
}

bool LabelBox::Overlaps(const LabelBox& o) const {
  // Separating axes: the two axes of each box.
  const std::array<std::array<double, 2>, 4> axes = {
      {{ux, uy}, {-uy, ux}, {o.ux, o.uy}, {-o.uy, o.ux}}};
  const double dx = o.cx - cx, dy = o.cy - cy;
  for (const auto& a : axes) {
    const double distance = std::abs(dx * a[0] + dy * a[1]);
    const double r1 = half_w * std::abs(ux * a[0] + uy * a[1]) + half_h * std::abs(-uy * a[0] + ux * a[1]);
    const double r2 =
        o.half_w * std::abs(o.ux * a[0] + o.uy * a[1]) + o.half_h * std::abs(-o.uy * a[0] + o.ux * a[1]);
    if (distance >= r1 + r2) return false;
  }
  return true;
}

std::vector<Label> PlaceLabels(const Diagram& diagram, const Scale& scale) {
  std::vector<Label> labels;
  PlacedBoxes placed;
  struct Segment {
    double length;
    std::size_t k;
  };
  std::vector<Segment> segments;
  for (std::size_t t = 0; t < diagram.trains.size(); ++t) {
    const DrawnTrain& train = diagram.trains[t];
    const double width = CharCount(train.number) * scale.char_width;
    for (std::size_t p = 0; p < train.pieces.size(); ++p) {
      const std::vector<Point>& points = train.pieces[p].points;
      segments.clear();
      for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        if (points[k].position == points[k + 1].position) continue;  // a dwell
        const double dx = (points[k + 1].minute - points[k].minute) * scale.px_per_minute;
        const double dy = (points[k + 1].position - points[k].position) * scale.px_per_position;
        const double length = std::hypot(dx, dy);
        if (length >= width + 4) segments.push_back({length, k});
      }
      std::stable_sort(segments.begin(), segments.end(),
                       [](const Segment& a, const Segment& b) { return a.length > b.length; });
      if (segments.size() > 3) segments.resize(3);
      bool done = false;
      for (const Segment& segment : segments) {
        const Point& a = points[segment.k];
        const Point& b = points[segment.k + 1];
        const double angle = std::atan2((b.position - a.position) * scale.px_per_position,
                                        (b.minute - a.minute) * scale.px_per_minute);
        for (const double f : {0.5, 0.3, 0.7, 0.15, 0.85}) {
          // The whole text stays on the segment.
          const double half = (width / 2) / segment.length;
          if (f - half < 0 || f + half > 1) continue;
          Label label{static_cast<std::int32_t>(t), static_cast<std::int32_t>(p),
                      {a.minute + f * (b.minute - a.minute), a.position + f * (b.position - a.position)},
                      angle,
                      width};
          const LabelBox box = BoxOf(label, scale);
          if (placed.Collides(box)) continue;
          placed.Add(box);
          labels.push_back(label);
          done = true;
          break;
        }
        if (done) break;
      }
    }
  }
  return labels;
}

std::optional<Hit> HitTest(const Diagram& diagram, const Scale& scale, Point at,
                           double tolerance_px) {
  std::optional<Hit> best;
  double best_distance = tolerance_px;
  const double x = at.minute * scale.px_per_minute, y = at.position * scale.px_per_position;
  for (std::size_t t = 0; t < diagram.trains.size(); ++t) {
    const std::vector<Piece>& pieces = diagram.trains[t].pieces;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
      const std::vector<Point>& points = pieces[p].points;
      for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const double ax = points[k].minute * scale.px_per_minute;
        const double ay = points[k].position * scale.px_per_position;
        const double dx = points[k + 1].minute * scale.px_per_minute - ax;
        const double dy = points[k + 1].position * scale.px_per_position - ay;
        const double length2 = dx * dx + dy * dy;
        const double f =
            length2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0) : 0.0;
        const double distance = std::hypot(ax + f * dx - x, ay + f * dy - y);
        if (distance <= best_distance) {
          best_distance = distance;
          best = Hit{static_cast<std::int32_t>(t), static_cast<std::int32_t>(p), 0};
        }
      }
    }
  }
  if (!best) return best;
  const Piece& piece = diagram.trains[static_cast<std::size_t>(best->train)]
                           .pieces[static_cast<std::size_t>(best->piece)];
  double nearest = std::numeric_limits<double>::max();
  for (std::size_t c = 0; c < piece.calls.size(); ++c) {
    const double position =
        diagram.line.rows[static_cast<std::size_t>(piece.calls[c].row)].position;
    const double d = std::abs(position - at.position);
    if (d < nearest) {
      nearest = d;
      best->call = static_cast<std::int32_t>(c);
    }
  }
  return best;
}

}  // namespace lanzhou::diagram
