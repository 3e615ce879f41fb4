// The browser engine's view; compiled only where the engine is embedded.
#include <QWebEngineView>

#include "ui/web_view.h"

namespace lanzhou::ui {
namespace {

class EngineWebView final : public WebView {
 public:
  EngineWebView(QWidget* parent, const QString& name) : view_(new QWebEngineView(parent)) {
    view_->setObjectName(name);
    // The browser's own menu would offer back/reload/inspect on our pages.
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

}  // namespace lanzhou::ui
