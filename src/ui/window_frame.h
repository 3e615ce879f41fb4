#pragma once
// Windows laid out at fixed coordinates that still grow: the design size is the starting and
// smallest size, and when the window grows each registered control keeps its place, follows the
// right or bottom edge, or stretches with it. A grid's columns share the extra width in
// proportion to their design widths, and the titles over them follow their columns. The place of
// each window on the desktop is remembered in the settings file.
#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace lanzhou::ui {

class GridView;

// How a control follows the window's growth; flags combine.
enum Anchor : unsigned {
  kStay = 0,
  kFollowBottom = 1,  // moves down by the growth in height
  kGrowHeight = 2,    // grows by the growth in height
  kFollowRight = 4,   // moves right by the growth in width
  kGrowWidth = 8,     // grows by the growth in width
};

class Anchors {
 public:
  // `window`'s present size is its design size.
  explicit Anchors(QWidget* window);
  // The control's present geometry is its design geometry.
  void Add(QWidget* control, unsigned anchor);
  // Places every control for the window's present size.
  void Apply();

 private:
  struct Entry {
    QPointer<QWidget> control;
    QRect design;
    unsigned anchor;
  };
  QWidget* window_;
  QSize design_;
  std::vector<Entry> entries_;
};

// A grid's columns and the controls drawn over them (title boxes, sort labels, group headings).
// When the grid is wider than designed, every visible column gets a share of the extra width in
// proportion to its design width; a control over columns first..last keeps its offsets to their
// edges (stretched) or its place in their middle (centred).
class ColumnBand {
 public:
  ColumnBand(GridView* grid, std::vector<int> design_widths);
  void Over(QWidget* control, int first, int last, bool stretch = true);
  // Sets the column widths for the grid's present width and moves the controls over them.
  void Fit();
  // Column widths for `extra` pixels more than designed (exposed for tests).
  [[nodiscard]] static std::vector<int> SpreadWidths(const std::vector<int>& design, int extra);

 private:
  struct Entry {
    QPointer<QWidget> control;
    QRect design;
    int left_offset;   // from the left edge of column `first` as the grid draws it
    int right_offset;  // from the right edge of column `last`
    int first;
    int last;
    bool stretch;
  };
  // Where the grid draws the left edge of `column` and the right edge of `last`, in the
  // coordinates of `parent` (an ancestor of the grid).
  [[nodiscard]] int ColumnLeft(int column, const QWidget* parent) const;
  [[nodiscard]] int ColumnRight(int column, const QWidget* parent) const;
  GridView* grid_;
  int design_width_;
  std::vector<int> design_widths_;
  std::vector<Entry> entries_;
};

// Where a window was left: the remembered place when it lies on a screen (never smaller than
// the window's minimum size), otherwise the window stays where it was put. Call before show().
void RestoreWindowPlace(QWidget* window, const std::string& name);

// Remembers the window's place (the normal geometry when maximised); a settings file that
// cannot be written is left as it was, since a window's place is a convenience.
void RememberWindowPlace(const QWidget* window, const std::string& name);

// A dialog built at its design size that may grow and be maximised, and comes back where it
// was left. Subclasses build their controls, anchor them, then call FinishLayout().
class GrowingDialog : public QDialog {
  Q_OBJECT
 public:
  GrowingDialog(QWidget* parent, std::string place_name, QSize design);
  ~GrowingDialog() override;

 protected:
  Anchors& Anchored() { return *anchors_; }
  ColumnBand& Band(GridView* grid, std::vector<int> design_widths);
  // The design size becomes the smallest size; the remembered place, if any, is taken.
  void FinishLayout();
  void resizeEvent(QResizeEvent* event) override;
  void done(int result) override;

 private:
  std::string place_name_;
  std::unique_ptr<Anchors> anchors_;
  std::vector<std::unique_ptr<ColumnBand>> bands_;
};

}  // namespace lanzhou::ui
