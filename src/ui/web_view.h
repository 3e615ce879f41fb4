#pragma once
// The embedded browser behind two calls, navigate and show HTML, so the window can run on a
// stand-in in tests; and the filter that keeps right-clicks away from every embedded view.
//
// Our own HTML (the help page and its offline stand-ins) is simple enough for QTextBrowser; the
// browser engine, with its helper processes and hundreds of megabytes, is started only when an
// address is first navigated to. Built without the engine (LANZHOU_WEB_ENGINE off), addresses
// open in the user's browser instead.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace lanzhou::ui {

class WebView {
 public:
  virtual ~WebView() = default;
  // Loads an address ("about:blank" included).
  virtual void Navigate(const QString& url) = 0;
  // Renders the text as the current page (the help page when offline).
  virtual void ShowHtml(const QString& html) = 0;
  // The control to place in a panel; owned by its parent widget.
  [[nodiscard]] virtual QWidget* Widget() = 0;
};

// Makes the view WebB1..WebB4 inside parent; name is the control name (its objectName).
using WebViewFactory =
    std::function<std::unique_ptr<WebView>(QWidget* parent, const QString& name)>;

// The window's views: HTML in a QTextBrowser (links go to OpenUrl); the first navigation to an
// address other than "about:blank" makes the engine view beside it (CreateEngineWebView), or,
// without the engine, hands the address to OpenUrl. Widget() is a container named `name`.
[[nodiscard]] std::unique_ptr<WebView> CreatePageView(QWidget* parent, const QString& name);

// True when this build embeds the browser engine.
[[nodiscard]] bool HaveWebEngine();

#if defined(LANZHOU_WEB_ENGINE)
// A QWebEngineView. The process must have set Qt::AA_ShareOpenGLContexts before the
// QApplication was made.
[[nodiscard]] std::unique_ptr<WebView> CreateEngineWebView(QWidget* parent, const QString& name);
#endif

// ShowHtmlInBrowser: writes html into the browser's page.
void ShowHtmlInBrowser(WebView& browser, const QString& html);

// Installed on the application: a right-click or context-menu event aimed at a view or at any
// widget inside it is swallowed; events to other widgets pass untouched.
class WebRightClickFilter : public QObject {
  Q_OBJECT
 public:
  explicit WebRightClickFilter(QObject* parent = nullptr);
  void AddView(QWidget* view);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] bool InsideAView(QObject* target) const;
  std::vector<QPointer<QWidget>> views_;
};

}  // namespace lanzhou::ui
