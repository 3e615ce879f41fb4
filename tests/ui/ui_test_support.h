#pragma once
// Shared by the widget tests: the application object, a registry with the test timetable and
// the window's own resources, scripted dialogs, and a stand-in for the embedded browser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/resource_registry.h"
#include "lanzhou_test_fixtures.h"
#include "lanzhou_ui_resources.h"
#include "ui/dialogs.h"
#include "ui/frm_pelory.h"
#include "ui/grid_view.h"
#include "ui/links.h"
#include "ui/web_view.h"

namespace lanzhou::testing {

// One QApplication for the whole test binary, made on first use.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "ui_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    // Window places and folders the windows remember go to a folder of this run, never the
    // tester's own settings.
    // A test binary that made its own sandbox under /tmp keeps it.
    const char* given = ::getenv("XDG_CONFIG_HOME");
    if (given == nullptr || std::string_view(given).rfind("/tmp/", 0) != 0) {
      static char config_pattern[] = "/tmp/lanzhou-ui-config-XXXXXX";
      if (const char* folder = ::mkdtemp(config_pattern)) ::setenv("XDG_CONFIG_HOME", folder, 1);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return new QApplication(argc, argv);
  }();
  return *app;
}

// The test timetable plus the window's bitmaps and help page.
inline const data::ResourceRegistry& TestRegistry() {
  static const data::ResourceRegistry registry = [] {
    data::ResourceRegistry r;
    r.Register(FixtureResources());
    r.Register(resources::WindowResources());
    return r;
  }();
  return registry;
}

// Records every message box and answers from a script (Ok when the script is empty).
class ScriptedDialogs : public ui::Dialogs {
 public:
  struct Shown {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
  };
  QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                      const QString& text,
                                      QMessageBox::StandardButtons buttons) override {
    shown.push_back({icon, caption, text, buttons});
    if (answers.empty()) return QMessageBox::Ok;
    const QMessageBox::StandardButton answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                       const QString& suggested) override {
    suggested_names.push_back(suggested);
    return save_name;
  }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return open_name; }
  std::vector<Shown> shown;
  std::deque<QMessageBox::StandardButton> answers;
  QString save_name;
  QString open_name;
  std::vector<QString> suggested_names;  // the name each save dialog offered
};

// Records the addresses opened while it lives, instead of starting a browser.
class RecordedOpens {
 public:
  RecordedOpens() {
    previous_ = ui::SetUrlOpener([this](const QString& address) { opened.push_back(address); });
  }
  ~RecordedOpens() { ui::SetUrlOpener(previous_); }
  std::vector<QString> opened;

 private:
  ui::UrlOpener previous_;
};

// A widget with a child standing for the browser's render surface; remembers what it was told.
class FakeWebView : public ui::WebView {
 public:
  FakeWebView(QWidget* parent, const QString& name) : widget_(new QWidget(parent)) {
    widget_->setObjectName(name);
    surface_ = new QWidget(widget_);
    surface_->setObjectName(name + QStringLiteral("Surface"));
    surface_->setGeometry(0, 0, 50, 50);
  }
  void Navigate(const QString& url) override { calls.push_back(QStringLiteral("navigate:") + url); }
  void ShowHtml(const QString& html) override {
    calls.push_back(QStringLiteral("html"));
    last_html = html;
  }
  QWidget* Widget() override { return widget_; }
  [[nodiscard]] QWidget* Surface() const { return surface_; }

  std::vector<QString> calls;
  QString last_html;

 private:
  QWidget* widget_;
  QWidget* surface_;
};

// A main window on the test timetable with scripted dialogs and fake web views; no network.
struct TestWindow {
  explicit TestWindow(bool start_loaders = true,
                      std::optional<std::filesystem::path> timetable_file = std::nullopt,
                      std::string settings_problem = {}) {
    App();
    ui::FrmPeloryDeps deps;
    deps.registry = &TestRegistry();
    deps.dialogs = &dialogs;
    deps.web_views = [this](QWidget* parent, const QString& name) {
      auto view = std::make_unique<FakeWebView>(parent, name);
      views.push_back(view.get());
      return std::unique_ptr<ui::WebView>(std::move(view));
    };
    deps.start_loaders = start_loaders;
    deps.timetable_file = std::move(timetable_file);
    deps.settings_problem = std::move(settings_problem);
    window = std::make_unique<ui::TFrmPelory>(std::move(deps));
  }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    return window->findChild<T*>(QString::fromUtf8(name));
  }

  ScriptedDialogs dialogs;
  std::vector<FakeWebView*> views;  // WebB1 … WebB4, owned by the window
  std::unique_ptr<ui::TFrmPelory> window;
};

inline bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  for (int waited = 0; !done(); waited += 10) {
    if (waited > ms) return false;
    QTest::qWait(10);
  }
  return true;
}

// Runs `act` on the next modal dialog once it is open, then closes it.
inline void OnNextModal(std::function<void(QDialog*)> act) {
  // The poller refers to itself only weakly; the pending timer holds the one strong reference,
  // so the poller is freed once the dialog has been handled.
  auto poll = std::make_shared<std::function<void()>>();
  std::weak_ptr<std::function<void()>> self = poll;
  *poll = [act, self] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      if (auto again = self.lock()) QTimer::singleShot(10, [again] { (*again)(); });
      return;
    }
    act(dialog);
    dialog->reject();
  };
  QTimer::singleShot(0, [poll] { (*poll)(); });
}

inline std::vector<QString> Items(const QComboBox* box) {
  std::vector<QString> items;
  for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i));
  return items;
}

inline QString Cell(const ui::GridView* grid, int row, int col) {
  return grid->model()->index(row, col).data().toString();
}

inline QColor TextColour(const ui::GridView* grid, int row) {
  return grid->model()->index(row, 0).data(Qt::ForegroundRole).value<QColor>();
}

// A window whose tables have loaded and whose notices have arrived.
struct LoadedWindow : TestWindow {
  LoadedWindow() {
    window->show();
    EXPECT_TRUE(WaitUntil([this] {
      return Find<QPushButton>("BTNZZCX")->isEnabled() && Find<QComboBox>("ComboFZ")->isEnabled();
    }));
    window->Tables().WaitUntilLoaded();
  }
  void SetBox(const char* name, const QString& text) { Find<QComboBox>(name)->setEditText(text); }
  void Through(const QString& from, const QString& to) {
    SetBox("ComboFZ", from);
    SetBox("ComboDZ", to);
    QTest::mouseClick(Find<QPushButton>("BTNZZCX"), Qt::LeftButton);
  }
  QString Result() const { return Find<QLabel>("LabResult")->text(); }
  ui::GridView* Grid() const { return window->SGrid(); }
};

// A table text without the rows of one train (its rows begin with the quoted train number), to
// make a second timetable from a fixture.
inline std::string WithoutTrain(const std::string& text, const std::string& id) {
  std::string out;
  const std::string prefix = "\"" + id + "\",";
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(at, prefix.size(), prefix) != 0) out.append(text, at, next - at);
    at = next;
  }
  return out;
}

// Where a key really goes: the open popup if there is one, else the focused widget.
inline QWidget* KeyTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  return QApplication::focusWidget();
}

inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = KeyTarget();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, key, modifiers);
}

inline void Type(const QString& text) {
  for (const QChar c : text) {
    QWidget* target = KeyTarget();
    ASSERT_NE(target, nullptr);
    QTest::sendKeyEvent(QTest::Click, target, c.isLetter() && c.unicode() < 128
                                                  ? static_cast<Qt::Key>(c.toUpper().unicode())
                                                  : Qt::Key_unknown,
                        QString(c), Qt::NoModifier);
  }
}

}  // namespace lanzhou::testing
