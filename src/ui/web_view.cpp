#include "ui/web_view.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTextBrowser>
#include <QUrl>

#include "ui/frm_style.h"
#include "ui/links.h"

namespace lanzhou::ui {
namespace {

constexpr char kBlank[] = "about:blank";

class PageView final : public WebView {
 public:
  PageView(QWidget* parent, const QString& name) : container_(new QWidget(parent)) {
    container_->setObjectName(name);
    stack_ = new QStackedLayout(container_);
    stack_->setContentsMargins(0, 0, 0, 0);
    text_ = new QTextBrowser(container_);
    text_->setObjectName(name + QStringLiteral("Text"));
    text_->setFrameShape(QFrame::NoFrame);
    text_->setContextMenuPolicy(Qt::NoContextMenu);
    text_->setFont(WindowFont());
    text_->document()->setDocumentMargin(0);
    // Links leave the view for the user's browser, as every other link of the window does.
    text_->setOpenLinks(false);
    QObject::connect(text_, &QTextBrowser::anchorClicked, text_,
                     [](const QUrl& url) { OpenUrl(url.toString()); });
    stack_->addWidget(text_);
  }

  void Navigate(const QString& url) override {
    if (url == QLatin1String(kBlank)) {
      text_->clear();
      stack_->setCurrentWidget(text_);
      return;
    }
#if defined(LANZHOU_WEB_ENGINE)
    if (!engine_) {
      engine_ = CreateEngineWebView(container_, container_->objectName() + QStringLiteral("Web"));
      stack_->addWidget(engine_->Widget());
    }
    engine_->Navigate(url);
    stack_->setCurrentWidget(engine_->Widget());
#else
    OpenUrl(url);
    // The panel keeps the address, so a browser that did not come up can be tried again.
    text_->setHtml(QStringLiteral("<p><a href=\"%1\">%2</a></p>")
                       .arg(url.toHtmlEscaped(), url.toHtmlEscaped()));
    stack_->setCurrentWidget(text_);
#endif
  }

  void ShowHtml(const QString& html) override {
    text_->setHtml(html);
    stack_->setCurrentWidget(text_);
  }

  QWidget* Widget() override { return container_; }

 private:
  QWidget* container_;  // owned by its parent widget, and owns the views inside it
  QStackedLayout* stack_;
  QTextBrowser* text_;
#if defined(LANZHOU_WEB_ENGINE)
  std::unique_ptr<WebView> engine_;
#endif
};

}  // namespace

std::unique_ptr<WebView> CreatePageView(QWidget* parent, const QString& name) {
  return std::make_unique<PageView>(parent, name);
}

bool HaveWebEngine() {
#if defined(LANZHOU_WEB_ENGINE)
  return true;
#else
  return false;
#endif
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
