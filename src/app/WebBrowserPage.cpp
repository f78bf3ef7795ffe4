#include "app/WebBrowserPage.h"

#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace rongfan {

WebBrowserPage::WebBrowserPage(QObject* parent) : BrowserPage(parent), m_view(new QWebEngineView) {
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool) { emit Completed(); });
    // A failed load still leaves Chromium's error page as the document, which
    // the capture reads like any other page.
}

WebBrowserPage::~WebBrowserPage() {
    m_alive.reset();
    if (!m_viewAdopted) delete m_view;
}

QWidget* WebBrowserPage::View() {
    m_viewAdopted = true;
    return m_view;
}

QWebEngineView* WebBrowserPage::WebView() const { return m_view; }

void WebBrowserPage::Navigate(const QString& address) {
    m_view->setUrl(QUrl(address, QUrl::TolerantMode));
}

void WebBrowserPage::ReadDocument(std::function<void(const Document&)> done) {
    // null while the parser is still at work; the markup once the whole document
    // has been parsed (images and the like may still be on their way).
    static const QString script = QStringLiteral(
        "(function(){if(document.readyState==='loading')return null;"
        "return(document.documentElement&&document.body)?document.documentElement.outerHTML:'';})()");
    std::weak_ptr<int> alive = m_alive;
    // QWebEnginePage answers pending scripts with an empty value while it is
    // being destroyed; by then the window that asked is half gone.
    m_view->page()->runJavaScript(script, [alive, done = std::move(done)](const QVariant& result) {
        if (alive.expired()) return;
        Document document;
        document.parsed = !result.isNull() && result.isValid();
        document.markup = result.toString();
        done(document);
    });
}

}  // namespace rongfan
