#include "ui/window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <numeric>

#include "system/atomic_file.h"
#include "system/settings.h"
#include "ui/frm_style.h"
#include "ui/grid_view.h"

namespace lanzhou::ui {

Anchors::Anchors(QWidget* window) : window_(window), design_(window->size()) {}

void Anchors::Add(QWidget* control, unsigned anchor) {
  entries_.push_back({control, control->geometry(), anchor});
}

void Anchors::Apply() {
  const int dw = std::max(0, window_->width() - design_.width());
  const int dh = std::max(0, window_->height() - design_.height());
  for (const Entry& entry : entries_) {
    if (!entry.control) continue;
    QRect r = entry.design;
    if (entry.anchor & kFollowBottom) r.translate(0, dh);
    if (entry.anchor & kGrowHeight) r.setHeight(r.height() + dh);
    if (entry.anchor & kFollowRight) r.translate(dw, 0);
    if (entry.anchor & kGrowWidth) r.setWidth(r.width() + dw);
    // A control that only moves keeps the size it has now (a label sized to its new text).
    if (!(entry.anchor & (kGrowHeight | kGrowWidth))) r.setSize(entry.control->size());
    if (entry.control->geometry() != r) entry.control->setGeometry(r);
  }
}

ColumnBand::ColumnBand(GridView* grid, std::vector<int> design_widths)
    : grid_(grid), design_width_(grid->width()), design_widths_(std::move(design_widths)) {}

void ColumnBand::Over(QWidget* control, int first, int last, bool stretch) {
  if (control == nullptr) return;
  const QRect r = control->geometry();
  const QWidget* parent = control->parentWidget();
  entries_.push_back({control, r, r.left() - ColumnLeft(first, parent),
                      r.right() - ColumnRight(last, parent), first, last, stretch});
}

int ColumnBand::ColumnLeft(int column, const QWidget* parent) const {
  // Through the grid's frame rather than its viewport, which is placed only once shown.
  const QPoint inside(grid_->frameWidth() + grid_->columnViewportPosition(column), 0);
  return grid_->mapTo(parent, inside).x();
}

int ColumnBand::ColumnRight(int column, const QWidget* parent) const {
  return ColumnLeft(column, parent) + grid_->columnWidth(column) - 1;
}

std::vector<int> ColumnBand::SpreadWidths(const std::vector<int>& design, int extra) {
  std::vector<int> widths = design;
  const long long total = std::accumulate(design.begin(), design.end(), 0LL);
  if (extra <= 0 || total <= 0) return widths;
  int given = 0;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    const int share = static_cast<int>(extra * static_cast<long long>(design[c]) / total);
    widths[c] += share;
    given += share;
  }
  // What the rounding left goes to the widest column, so the sum is exact.
  const auto widest = std::max_element(design.begin(), design.end()) - design.begin();
  widths[static_cast<std::size_t>(widest)] += extra - given;
  return widths;
}

void ColumnBand::Fit() {
  const std::vector<int> widths = SpreadWidths(design_widths_, grid_->width() - design_width_);
  for (std::size_t c = 0; c < widths.size(); ++c) {
    grid_->setColumnWidth(static_cast<int>(c), widths[c]);
  }
  // The controls follow the columns as the grid now draws them, keeping their offsets.
  for (const Entry& entry : entries_) {
    if (!entry.control) continue;
    const QWidget* parent = entry.control->parentWidget();
    const int left = ColumnLeft(entry.first, parent) + entry.left_offset;
    const int right = ColumnRight(entry.last, parent) + entry.right_offset;
    QRect r = entry.design;
    if (entry.stretch) {
      r.setLeft(left);
      r.setRight(right);
    } else {
      const int design_middle = (entry.design.left() - entry.left_offset +
                                 entry.design.right() - entry.right_offset) / 2;
      const int middle = (left - entry.left_offset + right - entry.right_offset) / 2;
      r.moveLeft(entry.design.left() + middle - design_middle);
    }
    if (entry.control->geometry() != r) entry.control->setGeometry(r);
  }
}

void RestoreWindowPlace(QWidget* window, const std::string& name) {
  const system::Settings settings = system::ReadSettings();
  const auto found = settings.windows.find(name);
  if (found == settings.windows.end()) return;
  const system::WindowPlace& place = found->second;
  QRect rect(place.x, place.y, std::max(place.width, window->minimumWidth()),
             std::max(place.height, window->minimumHeight()));
  rect.setSize(rect.size().boundedTo(window->maximumSize()));
  // A place on a screen that is gone (a second monitor unplugged) keeps only its size.
  bool on_screen = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(rect)) on_screen = true;
  }
  if (on_screen) {
    window->setGeometry(rect);
  } else {
    window->resize(rect.size());
  }
  if (place.maximised) window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void RememberWindowPlace(const QWidget* window, const std::string& name) {
  const bool maximised = window->isMaximized();
  const QRect rect = maximised ? window->normalGeometry() : window->geometry();
  if (!rect.isValid()) return;
  try {
    system::UpdateSettings([&](system::Settings& settings) {
      settings.windows[name] = {rect.x(), rect.y(), rect.width(), rect.height(), maximised};
    });
  } catch (const system::FileWriteError&) {
  }
}

GrowingDialog::GrowingDialog(QWidget* parent, std::string place_name, QSize design)
    : QDialog(parent), place_name_(std::move(place_name)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowStaysOnTopHint);
  setPalette(WindowPalette());
  resize(design);
  anchors_ = std::make_unique<Anchors>(this);
}

GrowingDialog::~GrowingDialog() = default;

ColumnBand& GrowingDialog::Band(GridView* grid, std::vector<int> design_widths) {
  return *bands_.emplace_back(std::make_unique<ColumnBand>(grid, std::move(design_widths)));
}

void GrowingDialog::FinishLayout() {
  setMinimumSize(size());
  RestoreWindowPlace(this, place_name_);
}

void GrowingDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  anchors_->Apply();
  for (const auto& band : bands_) band->Fit();
}

void GrowingDialog::done(int result) {
  RememberWindowPlace(this, place_name_);
  QDialog::done(result);
}

}  // namespace lanzhou::ui
