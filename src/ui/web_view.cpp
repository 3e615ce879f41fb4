#include "ui/web_view.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWebEngineView>

namespace lanzhou::ui {
namespace {

class EngineWebView final : public WebView {
 public:
  EngineWebView(QWidget* parent, const QString& name) : view_(new QWebEngineView(parent)) {
    view_->setObjectName(name);
    // The browser's own menu would offer back/reload/inspect on our help page.
    view_->setContextMenuPolicy(Qt::NoContextMenu);
  }
  void Navigate(const QString& url) override { view_->setUrl(QUrl(url)); }
  void ShowHtml(const QString& html) override { view_->setHtml(html, QUrl("about:blank")); }
  QWidget* Widget() override { return view_; }

 private:
  QWebEngineView* view_;  // owned by its parent widget
};

}  // namespace

std::unique_ptr<WebView> CreateEngineWebView(QWidget* parent, const QString& name) {
  return std::make_unique<EngineWebView>(parent, name);
}

void ShowHtmlInBrowser(WebView& browser, const QString& html) {
  browser.ShowHtml(html);
}

WebRightClickFilter::WebRightClickFilter(QObject* parent) : QObject(parent) {}

void WebRightClickFilter::AddView(QWidget* view) {
  views_.emplace_back(view);
}

bool WebRightClickFilter::InsideAView(QObject* target) const {
  auto* widget = qobject_cast<QWidget*>(target);
  if (widget == nullptr) {
    // The engine's render surface may be a window of its own; walk the object tree instead.
    for (QObject* o = target; o != nullptr; o = o->parent()) {
      for (const auto& view : views_) {
        if (view == o) return true;
      }
    }
    return false;
  }
  for (const auto& view : views_) {
    if (view != nullptr && (view == widget || view->isAncestorOf(widget))) return true;
  }
  return false;
}

bool WebRightClickFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ContextMenu:
      return InsideAView(watched);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        return InsideAView(watched);
      }
      return false;
    default:
      return false;
  }
}

}  // namespace lanzhou::ui
