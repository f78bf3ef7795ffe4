#include "app/DesktopServices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QNetworkCookie>
#include <QNetworkProxy>
#include <QThread>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "app/CallCourier.h"
#include "app/QtGbk.h"
#include "host/CookieStore.h"
#include "host/Host.h"

namespace rongfan {

namespace {

// The browser's objects and the desktop services belong to the GUI thread, but
// the engine calls these hooks from walkers and exports too. `wait` keeps the
// order with what the calling worker does next (a cookie clear before the new
// login window opens). The courier is made by InstallShellHooks on the GUI
// thread and lives as long as the application object.
std::mutex g_courierMutex;
CallCourier* g_courier = nullptr;

void makeGuiCourier() {
    QCoreApplication* app = QCoreApplication::instance();
    std::lock_guard lock(g_courierMutex);
    if (g_courier || !app) return;
    g_courier = new CallCourier(app);
    QObject::connect(g_courier, &QObject::destroyed, [] {
        std::lock_guard lock(g_courierMutex);
        g_courier = nullptr;
    });
}

void onGuiThread(std::function<void()> action, bool wait) {
    std::shared_ptr<CallCourier::Completion> completion;
    {
        std::unique_lock lock(g_courierMutex);
        if (!g_courier) return;
        if (QThread::currentThread() == g_courier->thread()) {
            lock.unlock();
            action();
            return;
        }
        completion = g_courier->Post(std::move(action));
    }
    if (wait) completion->Wait();
}

}  // namespace

void InstallShellHooks() {
    makeGuiCourier();
    // Addresses go to the shell unchanged, as the list holds them.
    SetOpenInBrowserHook([](const std::string& address) {
        const QUrl url(FromGbk(address), QUrl::TolerantMode);
        onGuiThread([url] { QDesktopServices::openUrl(url); }, false);
    });
    SetOpenWithShellHook([](const std::string& path) {
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
        onGuiThread([url] { QDesktopServices::openUrl(url); }, false);
    });
}

void InstallDesktopHooks() {
    InstallShellHooks();
    // The browser keeps no HTTP cache at all, so every search sees fresh pages
    // and there are never cached pages to delete. (Clearing Chromium's cache
    // just before a navigation can leave that navigation hanging for good.)
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    SetClearBrowserCacheHook([](CacheMode mode) {
        if (mode != CacheMode::Cookies) return;
        onGuiThread([] { QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies(); }, true);
    });
}

bool ApplyProxyFromEnvironment() {
    const char* value = std::getenv("http_proxy");
    if (!value || !*value) value = std::getenv("HTTP_PROXY");
    if (!value || !*value) return false;
    QString text = QString::fromLocal8Bit(value);
    if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
    const QUrl url(text);
    if (url.host().isEmpty()) return false;
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, url.host(), static_cast<quint16>(url.port(80)), url.userName(),
                        url.password());
    QNetworkProxy::setApplicationProxy(proxy);
    return true;
}

Cookie CookieFromQt(const QNetworkCookie& cookie) {
    Cookie out;
    QString domain = cookie.domain();
    // Qt writes a domain cookie with a leading dot; a host-only cookie has the
    // bare host.
    out.includeSubdomains = domain.startsWith(QLatin1Char('.'));
    out.domain = domain.toStdString();
    out.path = cookie.path().isEmpty() ? std::string("/") : cookie.path().toStdString();
    out.secure = cookie.isSecure();
    out.httpOnly = cookie.isHttpOnly();
    out.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    out.name = cookie.name().toStdString();
    out.value = cookie.value().toStdString();
    return out;
}

QNetworkCookie CookieToQt(const Cookie& cookie) {
    QNetworkCookie out(QByteArray::fromStdString(cookie.name), QByteArray::fromStdString(cookie.value));
    QString domain = QString::fromStdString(cookie.domain);
    if (cookie.includeSubdomains && !domain.startsWith(QLatin1Char('.'))) domain.prepend(QLatin1Char('.'));
    out.setDomain(domain);
    out.setPath(QString::fromStdString(cookie.path.empty() ? std::string("/") : cookie.path));
    out.setSecure(cookie.secure);
    out.setHttpOnly(cookie.httpOnly);
    if (cookie.expires != 0) out.setExpirationDate(QDateTime::fromSecsSinceEpoch(cookie.expires));
    return out;
}

// What a fetch thread posts through. The listener holds it; the bridge clears
// the target when it goes, so a late fetch posts nothing.
struct CookieBridge::Relay {
    std::mutex mutex;
    CookieBridge* target = nullptr;
};

CookieBridge::CookieBridge(QWebEngineCookieStore* browserStore, QObject* parent)
    : QObject(parent), m_browserStore(browserStore), m_courier(new CallCourier(this)),
      m_relay(std::make_shared<Relay>()) {
    m_relay->target = this;
    connect(m_browserStore, &QWebEngineCookieStore::cookieAdded, this,
            [](const QNetworkCookie& cookie) { CookieStore::Instance().Add(CookieFromQt(cookie)); });
    connect(m_browserStore, &QWebEngineCookieStore::cookieRemoved, this, [](const QNetworkCookie& cookie) {
        const Cookie gone = CookieFromQt(cookie);
        CookieStore::Instance().Remove(gone.domain, gone.path, gone.name);
    });
    std::shared_ptr<Relay> relay = m_relay;
    CookieStore::Instance().SetReceivedListener([relay](const Cookie& cookie) {
        std::lock_guard lock(relay->mutex);
        if (!relay->target) return;
        CookieBridge* target = relay->target;
        target->m_courier->Post([target, cookie] {
            QString host = QString::fromStdString(cookie.domain);
            while (host.startsWith(QLatin1Char('.'))) host.remove(0, 1);
            const QUrl origin(QStringLiteral("%1://%2/").arg(
                cookie.secure ? QStringLiteral("https") : QStringLiteral("http"), host));
            QNetworkCookie browserCookie = CookieToQt(cookie);
            // Without a domain the browser keeps it for the origin's host only.
            if (!cookie.includeSubdomains) browserCookie.setDomain(QString());
            target->m_browserStore->setCookie(browserCookie, origin);
        });
    });
}

CookieBridge::~CookieBridge() {
    CookieStore::Instance().SetReceivedListener(nullptr);
    std::lock_guard lock(m_relay->mutex);
    m_relay->target = nullptr;
}

}  // namespace rongfan
