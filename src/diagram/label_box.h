#pragma once
// The screen rectangle a train number takes, for overlap tests (and the painter, which draws the
// text in it).
#include <array>

#include "diagram/diagram.h"

namespace lanzhou::diagram {

struct LabelBox {
  double cx = 0, cy = 0;          // middle, px
  double ux = 1, uy = 0;          // unit vector along the text
  double half_w = 0, half_h = 0;  // px
  // x0, y0, x1, y1 of the box's axis-aligned bounds.
  [[nodiscard]] std::array<double, 4> Bounds() const;
  // Interiors intersect (touching edges do not count).
  [[nodiscard]] bool Overlaps(const LabelBox& other) const;
};

[[nodiscard]] LabelBox BoxOf(const Label& label, const Scale& scale);

}  // namespace lanzhou::diagram
