// The window's page views: our own HTML in a text view (no browser engine), its links through
// the opener, right-clicks swallowed; an address brings in the engine, or, built without it,
// goes to the user's browser.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include "text/gbk.h"
#include "ui/links.h"
#include "ui/web_view.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

int EngineViewsUnder(const QWidget& widget) {
  int count = 0;
  for (const QWidget* w : widget.findChildren<QWidget*>()) {
    count += QString::fromLatin1(w->metaObject()->className()) == QLatin1String("QWebEngineView");
  }
  return count;
}

// Clicks the middle of the first occurrence of `text` in the view, as a user does.
void ClickText(QTextBrowser& view, const QString& text) {
  QTextCursor found = view.document()->find(text);
  ASSERT_FALSE(found.isNull()) << text.toStdString();
  QTextCursor middle(view.document());
  middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
  const QPoint at = view.cursorRect(middle).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QString HelpPage() {
  const std::string_view bytes = TestRegistry().Open("about", data::kResourceTypeMe);
  return QString::fromStdString(text::GbkToUtf8(bytes));
}

TEST(PageView, ShowsOurHtmlAsTextAndItsLinksGoToTheOpener) {
  App();
  QWidget parent;
  parent.resize(961, 167);
  std::unique_ptr<ui::WebView> view = ui::CreatePageView(&parent, QStringLiteral("WebB1"));
  QWidget* widget = view->Widget();
  EXPECT_EQ(widget->objectName(), "WebB1");
  EXPECT_EQ(widget->parentWidget(), &parent);
  widget->setGeometry(1, 1, 961, 167);
  auto* text = widget->findChild<QTextBrowser*>();
  ASSERT_NE(text, nullptr);

  view->Navigate(QStringLiteral("about:blank"));
  EXPECT_TRUE(text->toPlainText().isEmpty());
  ui::ShowHtmlInBrowser(*view, HelpPage());
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  EXPECT_TRUE(text->isVisible());
  for (const char* line : {"使用说明", "拼音首字母", "红色为始发列车", "400-886-0815"}) {
    EXPECT_TRUE(text->toPlainText().contains(QString::fromUtf8(line))) << line;
  }
  // The whole page fits the panel, as it did in the browser: no scroll bars.
  EXPECT_LE(text->document()->size().height(), 167);
  EXPECT_FALSE(text->verticalScrollBar()->isVisible());

  // Its links open in the user's browser; the view itself stays on the page.
  RecordedOpens opens;
  ClickText(*text, QStringLiteral("www.lanzhou-shike.cn"));
  ClickText(*text, QStringLiteral("网上预订"));
  EXPECT_EQ(opens.opened,
            (std::vector<QString>{QStringLiteral("http://www.lanzhou-shike.cn"), ui::HotelPage()}));
  EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("使用说明")));

  // A right-click anywhere inside the view is swallowed; elsewhere it passes.
  ui::WebRightClickFilter filter;
  filter.AddView(widget);
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
  EXPECT_TRUE(filter.eventFilter(text->viewport(), &right));
  EXPECT_TRUE(filter.eventFilter(text->viewport(), &menu));
  EXPECT_FALSE(filter.eventFilter(&parent, &right));

  // Showing our own pages never brings in the browser engine.
  EXPECT_EQ(EngineViewsUnder(parent), 0);
}

#if !defined(LANZHOU_WEB_ENGINE)
// Built without the engine (with it, web_view_start_test follows the engine's start).
TEST(PageView, WithoutTheEngineAnAddressGoesToTheBrowser) {
  App();
  QWidget parent;
  std::unique_ptr<ui::WebView> view = ui::CreatePageView(&parent, QStringLiteral("WebB2"));
  EXPECT_FALSE(ui::HaveWebEngine());
  RecordedOpens opens;
  view->Navigate(QStringLiteral("about:blank"));
  view->ShowHtml(HelpPage());
  EXPECT_TRUE(opens.opened.empty());
  view->Navigate(ui::FlightPage());
  view->Navigate(ui::HotelPage());
  EXPECT_EQ(opens.opened, (std::vector<QString>{ui::FlightPage(), ui::HotelPage()}));
  EXPECT_EQ(EngineViewsUnder(parent), 0);
  // The panel keeps the last address as a link, for a browser that did not come up.
  auto* text = view->Widget()->findChild<QTextBrowser*>();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->toPlainText().trimmed(), ui::HotelPage());
  opens.opened.clear();
  ClickText(*text, QStringLiteral("hotel"));
  EXPECT_EQ(opens.opened, (std::vector<QString>{ui::HotelPage()}));
}
#endif

}  // namespace
}  // namespace lanzhou::testing
