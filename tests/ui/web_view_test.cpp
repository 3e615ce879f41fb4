// The real embedded browser behind the two-call interface: it renders the help page given as
// HTML, navigates, and the application-wide filter keeps right-clicks away from it.
#include "ui/web_view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QMouseEvent>
#include <QWebEngineView>
#include <cstdlib>

#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

QApplication& EngineApp() {
  // Chromium will not start its sandbox as root.
  if (geteuid() == 0) setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 0);
  return App();
}

TEST(EngineWebView, ShowsHtmlNavigatesAndSwallowsRightClicks) {
  EngineApp();
  QWidget parent;
  std::unique_ptr<ui::WebView> view = ui::CreateEngineWebView(&parent, QStringLiteral("WebB1"));
  auto* engine = qobject_cast<QWebEngineView*>(view->Widget());
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->objectName(), "WebB1");
  EXPECT_EQ(engine->parentWidget(), &parent);
  EXPECT_EQ(engine->contextMenuPolicy(), Qt::NoContextMenu);

  bool loaded = false;
  QObject::connect(engine, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
  ui::ShowHtmlInBrowser(*view, QStringLiteral("<html><body><p>岚舟时刻</p></body></html>"));
  parent.resize(300, 200);
  engine->resize(300, 200);
  parent.show();
  ASSERT_TRUE(WaitUntil([&] { return loaded; }, 30000));
  QString text;
  engine->page()->toPlainText([&](const QString& t) { text = t; });
  ASSERT_TRUE(WaitUntil([&] { return !text.isEmpty(); }, 10000));
  EXPECT_EQ(text.trimmed(), QStringLiteral("岚舟时刻"));

  view->Navigate(QStringLiteral("about:blank"));
  EXPECT_EQ(engine->url(), QUrl(QStringLiteral("about:blank")));

  // The filter swallows right-clicks aimed at the view and at whatever the engine put inside it.
  ui::WebRightClickFilter filter;
  filter.AddView(engine);
  QWidget outside;
  // Once a page is shown the engine's render widget sits inside the view and takes its input.
  QWidget* inside = engine->focusProxy();
  ASSERT_NE(inside, nullptr);
  ASSERT_NE(inside, engine);
  EXPECT_TRUE(engine->isAncestorOf(inside));
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QMouseEvent left(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
  EXPECT_TRUE(filter.eventFilter(inside, &right));
  EXPECT_TRUE(filter.eventFilter(inside, &menu));
  EXPECT_TRUE(filter.eventFilter(engine, &menu));
  EXPECT_FALSE(filter.eventFilter(inside, &left));
  EXPECT_FALSE(filter.eventFilter(&outside, &right));
  EXPECT_FALSE(filter.eventFilter(&outside, &menu));
}

}  // namespace
}  // namespace lanzhou::testing
