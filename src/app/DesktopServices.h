#pragma once
// The desktop's side of the host services: opening addresses and folders with
// the user's default programs, the browser's cache and cookies, the browser's
// proxy, and one login shared by the browser and every HttpFetch.
#include <QObject>
#include <memory>

class QNetworkCookie;
class QWebEngineCookieStore;

namespace rongfan {

class CallCourier;
struct Cookie;

// OpenInBrowser and OpenWithShell through QDesktopServices, from any thread.
// Starts no browser.
void InstallShellHooks();

// InstallShellHooks, and the browser's side: the default WebEngine profile
// keeps no HTTP cache, and ClearBrowserCache with Cookies deletes all of its
// cookies. Creates the profile: apply the proxy first.
void InstallDesktopHooks();

// The browser follows http_proxy (or HTTP_PROXY), like HttpFetch does. Must run
// before the first WebEngine object exists. Returns false when none is set.
bool ApplyProxyFromEnvironment();

Cookie CookieFromQt(const QNetworkCookie& cookie);
QNetworkCookie CookieToQt(const Cookie& cookie);

// Keeps the browser's cookie store and the engine's CookieStore in step, both
// ways: what the browser adds or removes goes into the engine's store, and what
// a fetch receives (on any thread) is handed to the browser.
class CookieBridge : public QObject {
    Q_OBJECT
public:
    explicit CookieBridge(QWebEngineCookieStore* browserStore, QObject* parent = nullptr);
    ~CookieBridge() override;

private:
    struct Relay;
    QWebEngineCookieStore* m_browserStore;
    CallCourier* m_courier;  // a child: carries what fetch threads receive to this thread
    std::shared_ptr<Relay> m_relay;
};

}  // namespace rongfan
