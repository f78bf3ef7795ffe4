#pragma once
// The login browser on Qt WebEngine, in the default off-the-record profile:
// every search starts logged out anyway, and only that profile reports every
// cookie it holds to the cookie store the fetches use.
#include <memory>

#include "app/BrowserPage.h"

class QWebEngineView;

namespace rongfan {

class WebBrowserPage final : public BrowserPage {
    Q_OBJECT
public:
    explicit WebBrowserPage(QObject* parent = nullptr);
    ~WebBrowserPage() override;

    QWidget* View() override;
    void Navigate(const QString& address) override;
    void ReadDocument(std::function<void(const Document&)> done) override;

    QWebEngineView* WebView() const;

private:
    QWebEngineView* m_view;  // owned by the window that shows it, or by us until then
    bool m_viewAdopted = false;
    // Answers still on their way are dropped once the page goes.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace rongfan
