// The browser engine starts with the first partner page, not with the window: until then no
// engine view exists and no engine process runs under this one; after it, both do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTextBrowser>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

// Processes below this one (children and their children) running the engine's helper program.
int EngineProcesses() {
  std::multimap<int, int> children;  // parent -> child
  std::map<int, std::string> program;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // The command name may hold spaces; the state and the parent follow its closing parenthesis.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string state;
    int parent = 0;
    rest >> state >> parent;
    children.emplace(parent, std::stoi(name));
    std::error_code ec;
    program[std::stoi(name)] = std::filesystem::read_symlink(entry.path() / "exe", ec).string();
  }
  int count = 0;
  std::vector<int> todo = {static_cast<int>(getpid())};
  while (!todo.empty()) {
    const int p = todo.back();
    todo.pop_back();
    for (auto [it, end] = children.equal_range(p); it != end; ++it) {
      todo.push_back(it->second);
      count += program[it->second].ends_with("QtWebEngineProcess");
    }
  }
  return count;
}

int EngineViews(const QWidget& window) {
  int count = 0;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    count += QString::fromLatin1(w->metaObject()->className()) == QLatin1String("QWebEngineView");
  }
  return count;
}

QString TextOf(const ui::TFrmPelory& window, const char* view) {
  const auto* text = window.findChild<QWidget*>(QString::fromUtf8(view))->findChild<QTextBrowser*>();
  return text == nullptr ? QStringLiteral("(no text view)") : text->toPlainText();
}

TEST(WebEngineStart, NoEngineProcessUntilAPartnerPageIsShown) {
  // Chromium will not start its sandbox as root.
  if (geteuid() == 0) setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  App();
  ScriptedDialogs dialogs;
  ui::FrmPeloryDeps deps;
  deps.registry = &TestRegistry();
  deps.dialogs = &dialogs;
  deps.web_views = &ui::CreatePageView;  // the program's own views
  ui::TFrmPelory window(std::move(deps));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(WaitUntil([&] {
    return window.findChild<QComboBox*>(QStringLiteral("ComboFZ"))->isEnabled() &&
           window.findChild<QPushButton*>(QStringLiteral("BTNZZCX"))->isEnabled();
  }));
  // Time for an engine started at the window's creation to bring up its processes.
  QTest::qWait(1000);
  EXPECT_EQ(EngineViews(window), 0);
  EXPECT_EQ(EngineProcesses(), 0);
  EXPECT_TRUE(TextOf(window, "WebB1").contains(QStringLiteral("拼音首字母")));

  // Offline, the three pages say that they need the network: still no engine.
  const std::array<const char*, 3> buttons = {"TB2", "TB3", "TB4"};
  const std::array<const char*, 3> views = {"WebB2", "WebB3", "WebB4"};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    QTest::mouseClick(window.findChild<QToolButton*>(QString::fromUtf8(buttons[i])),
                      Qt::LeftButton);
    EXPECT_TRUE(TextOf(window, views[i]).contains(QStringLiteral("需要网络连接"))) << views[i];
  }
  QTest::qWait(500);
  EXPECT_EQ(EngineViews(window), 0);
  EXPECT_EQ(EngineProcesses(), 0);

  // Online, the first partner page starts the engine, in that page's panel only.
  window.OnNetConnected(true);
  QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("TB2")), Qt::LeftButton);
  EXPECT_EQ(EngineViews(window), 1);
  EXPECT_EQ(EngineViews(*window.findChild<QWidget*>(QStringLiteral("P2"))), 1);
  EXPECT_TRUE(WaitUntil([] { return EngineProcesses() > 0; }, 30000));
  // The ticket page gets a view of its own; going back to the timetable keeps both.
  QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("TB4")), Qt::LeftButton);
  EXPECT_EQ(EngineViews(*window.findChild<QWidget*>(QStringLiteral("P4"))), 1);
  QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("TB1")), Qt::LeftButton);
  EXPECT_EQ(EngineViews(window), 2);
  EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("P1"))->isHidden());
}

}  // namespace
}  // namespace lanzhou::testing
