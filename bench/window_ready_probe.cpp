// The program itself, started as a user starts it, that writes the monotonic clock (ns) the
// moment its window has painted and its three station boxes are enabled, then quits.
// bench/window_start.py compares it with the clock just before the start.
#include <time.h>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QTimer>
#include <array>
#include <cstdio>

#include "app/program.h"
#include "ui/frm_pelory.h"

namespace {

class ReadyWatch : public QObject {
 public:
  explicit ReadyWatch(lanzhou::ui::TFrmPelory& window) : window_(window) {
    window_.installEventFilter(this);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
      boxes_[i] = window_.findChild<QComboBox*>(QString::fromUtf8(kNames[i]));
      boxes_[i]->installEventFilter(this);
    }
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && event->type() == QEvent::Paint) painted_ = true;
    if (event->type() == QEvent::Paint || event->type() == QEvent::EnabledChange) Check();
    return false;
  }

 private:
  void Check() {
    if (done_ || !painted_) return;
    for (QComboBox* box : boxes_) {
      if (!box->isEnabled()) return;
    }
    done_ = true;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("ready_ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    QTimer::singleShot(0, [] { QApplication::exit(0); });
  }

  static constexpr std::array<const char*, 3> kNames = {"ComboFZ", "ComboDZ", "ComboCZ"};
  lanzhou::ui::TFrmPelory& window_;
  std::array<QComboBox*, 3> boxes_{};
  bool painted_ = false;
  bool done_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  std::unique_ptr<ReadyWatch> watch;
  return lanzhou::app::RunProgram(argc, argv, [&](lanzhou::ui::TFrmPelory& window) {
    watch = std::make_unique<ReadyWatch>(window);
  });
}
