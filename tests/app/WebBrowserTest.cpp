// The real browser: its document as the capture reads it, one login shared both
// ways with HttpFetch, and a capture in which the test logs in through the page
// the way a person would, against a small local site.
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "AppTestSupport.h"
#include "LocalSite.h"
#include "app/DesktopServices.h"
#include "app/LoginBrowserWindow.h"
#include "app/MainWindow.h"
#include "app/QtGbk.h"
#include "app/StatusBar.h"
#include "app/StepTimer.h"
#include "app/WebBrowserPage.h"
#include "capture/CaptureRules.h"
#include "host/CookieStore.h"
#include "host/HttpFetch.h"

namespace rongfan {
namespace {

using testing::Gbk;
using testing::LocalSite;

constexpr int Patience = 30000;  // ms; Chromium starts slowly on a busy machine

// Waits on the event loop until `done` holds; false when it never did.
template <class Condition>
bool WaitFor(Condition done, int milliseconds = Patience) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

BrowserPage::Document ReadDocumentNow(WebBrowserPage& page) {
    BrowserPage::Document document;
    bool answered = false;
    page.ReadDocument([&](const BrowserPage::Document& read) {
        document = read;
        answered = true;
    });
    EXPECT_TRUE(WaitFor([&] { return answered; }));
    return document;
}

QString ReadNow(WebBrowserPage& page) {
    const BrowserPage::Document document = ReadDocumentNow(page);
    EXPECT_TRUE(document.parsed);
    return document.markup;
}

bool HasCookie(const std::string& name, const std::string& value) {
    for (const Cookie& c : CookieStore::Instance().All())
        if (c.name == name && c.value == value) return true;
    return false;
}

TEST(WebBrowserPage, GivesTheRootElementsMarkupInGbk) {
    LocalSite site;
    site.Routes().Get("/shop", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(Gbk("<html><head><title>店铺</title></head><body><div class=\"page-info\">1/2 价格</div>"
                            "</body></html>"),
                        "text/html; charset=gbk");
    });
    site.Start();
    WebBrowserPage page;
    QSignalSpy completed(&page, &BrowserPage::Completed);
    page.Navigate(QString::fromStdString(site.Url("/shop")));
    ASSERT_TRUE(completed.wait(Patience));
    const std::string document = ToGbk(ReadNow(page));
    EXPECT_EQ(document, Gbk("<html><head><title>店铺</title></head><body><div class=\"page-info\">1/2 价格</div>"
                            "</body></html>"));
    delete page.View();
}

// A page that arrives slowly is not read while the browser still parses it,
// even though its beginning already shows a capture marker.
TEST(WebBrowserPage, HalfAPageIsNotReadWhileItIsStillArriving) {
    LocalSite site;
    std::atomic<bool> release{false};
    site.Routes().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [&](size_t offset, httplib::DataSink& sink) {
            if (offset == 0) {
                // Enough markup for the parser to get going before the rest arrives.
                std::string head = "<html><body><div class=\"page-info\">1/9</div><ul>";
                for (int i = 1; i <= 2000; ++i) head += "<li>item " + std::to_string(i) + " ...</li>";
                sink.write(head.data(), head.size());
                return true;
            }
            for (int i = 0; i < 300 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::string tail = "<li>the last item</li></ul></body></html>";
            sink.write(tail.data(), tail.size());
            sink.done();
            return true;
        });
    });
    site.Start();
    WebBrowserPage page;
    // Shown, as the login window is from its first tick on: a hidden page may
    // hold back parsing until the whole answer is in.
    page.View()->resize(800, 600);
    page.View()->show();
    QSignalSpy completed(&page, &BrowserPage::Completed);
    page.Navigate(QString::fromStdString(site.Url("/slow")));
    // The beginning is there: the body exists and holds the marker.
    BrowserPage::Document early;
    ASSERT_TRUE(WaitFor([&] {
        QTest::qWait(100);
        early = ReadDocumentNow(page);
        return early.markup.contains(QStringLiteral("page-info")) || !early.parsed;
    }));
    EXPECT_FALSE(early.parsed);
    EXPECT_FALSE(early.markup.contains(QStringLiteral("the last item")));
    release = true;
    ASSERT_TRUE(completed.wait(Patience));
    const QString whole = ReadNow(page);
    EXPECT_TRUE(whole.contains(QStringLiteral("the last item")));
    delete page.View();
}

// Cookies go both ways: what the browser receives is sent by HttpFetch, what a
// fetch receives is sent by the browser; clearing cookies clears both stores.
TEST(WebBrowserPage, OneLoginForTheBrowserAndEveryFetch) {
    InstallDesktopHooks();
    ClearBrowserCache(CacheMode::Cookies);
    CookieBridge bridge(QWebEngineProfile::defaultProfile()->cookieStore());
    LocalSite site;
    site.Routes().Get("/browser-login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=from-browser; Path=/");
        res.set_content("<html><body>welcome</body></html>", "text/html");
    });
    site.Routes().Get("/fetch-login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "token=from-fetch; Path=/");
        res.set_content("ok", "text/plain");
    });
    site.Routes().Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("<html><body>cookies[" + req.get_header_value("Cookie") + "]</body></html>", "text/html");
    });
    site.Start();

    WebBrowserPage page;
    QSignalSpy completed(&page, &BrowserPage::Completed);
    page.Navigate(QString::fromStdString(site.Url("/browser-login")));
    ASSERT_TRUE(completed.wait(Patience));
    ASSERT_TRUE(WaitFor([] { return HasCookie("session", "from-browser"); })) << "the browser's cookie reached the store";
    EXPECT_NE(HttpFetch(site.Url("/echo")).find("session=from-browser"), std::string::npos);

    EXPECT_EQ(HttpFetch(site.Url("/fetch-login")), "ok");
    ASSERT_TRUE(HasCookie("token", "from-fetch"));
    // The fetch's cookie is handed to the browser on the GUI thread; the next
    // page the browser asks for carries it.
    QString echoed;
    ASSERT_TRUE(WaitFor([&] {
        completed.clear();
        page.Navigate(QString::fromStdString(site.Url("/echo")));
        if (!completed.wait(Patience)) return false;
        echoed = ReadNow(page);
        return echoed.contains(QStringLiteral("token=from-fetch"));
    })) << echoed.toStdString();
    EXPECT_TRUE(echoed.contains(QStringLiteral("session=from-browser")));

    // Cleared from a worker, as a walker does: the browser's part still runs on
    // the GUI thread, and is done when the call returns.
    std::atomic<bool> cleared{false};
    std::thread walker([&] {
        ClearBrowserCache(CacheMode::Cookies);
        cleared = true;
    });
    ASSERT_TRUE(WaitFor([&] { return cleared.load(); }));
    walker.join();
    EXPECT_TRUE(CookieStore::Instance().All().empty());
    ASSERT_TRUE(WaitFor([&] {
        completed.clear();
        page.Navigate(QString::fromStdString(site.Url("/echo")));
        if (!completed.wait(Patience)) return false;
        echoed = ReadNow(page);
        return echoed.contains(QStringLiteral("cookies[]"));
    })) << echoed.toStdString();
    EXPECT_TRUE(CookieStore::Instance().All().empty());
    EXPECT_NE(HttpFetch(site.Url("/echo")).find("cookies[]"), std::string::npos);
    delete page.View();
}

// A shop search page behind a login form: the login window shows the form, the
// test fills it in and submits it inside the page, the browser arrives at the
// result page, the capture takes it, arms ListingTimer and closes the window.
// Disabled: on the offscreen platform without any GL backend ("No suitable
// graphics backend found") the login window never becomes visible within the
// wait on this machine; it needs a display (xvfb-run) to be judged.
TEST(LoginBrowserWindowLive, DISABLED_LoginThroughThePageThenCapture) {
    InstallDesktopHooks();
    CookieBridge bridge(QWebEngineProfile::defaultProfile()->cookieStore());
    LocalSite site;
    std::mutex seenMutex;
    std::vector<std::string> searchCookies;
    site.Routes().Get("/search.htm", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string cookie = req.get_header_value("Cookie");
        {
            std::lock_guard lock(seenMutex);
            searchCookies.push_back(cookie);
        }
        if (cookie.find("login=yes") == std::string::npos) {
            res.set_content("<html><head><title>login</title></head><body><form method=post action=/login>"
                            "<input name=user><input name=password type=password><button>go</button>"
                            "</form></body></html>",
                            "text/html");
            return;
        }
        res.set_content(Gbk("<html><head><title>店铺搜索</title></head><body><div class=\"page-info\">1/1</div>"
                            "<a href=\"/item.htm?id=1\">宝贝</a></body></html>"),
                        "text/html; charset=gbk");
    });
    site.Routes().Post("/login", [](const httplib::Request& req, httplib::Response& res) {
        if (req.get_param_value("user") == "buyer" && req.get_param_value("password") == "secret")
            res.set_header("Set-Cookie", "login=yes; Path=/");
        res.set_redirect("/search.htm");
    });
    site.Start();

    MainWindow window;
    QPointer<WebBrowserPage> page;
    window.SetBrowserFactory([&] {
        page = new WebBrowserPage;
        return page.data();
    });
    window.show();
    window.State()->SetSearchUrl(site.Url("/search.htm"));
    window.LockSearch();
    window.StartCapture();
    QPointer<LoginBrowserWindow> login = window.LoginWindow();
    ASSERT_TRUE(login && page);
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->size(), QSize(795, 565));
    EXPECT_EQ(login->windowTitle(), QStringLiteral("请登录淘宝网后继续操作！"));

    // The login form shows; the window appears with the first tick.
    ASSERT_TRUE(WaitFor([&] { return login && login->isVisible(); }));
    EXPECT_TRUE(login->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(login->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(login->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(login->minimumSize(), login->maximumSize());
    EXPECT_FALSE(IsCapturedPage(window.State()->CapturedPage()));
    EXPECT_EQ(window.ListingTimer()->Period(), 0);

    // Wrong password first: still the form, still polling.
    const QString fill = QStringLiteral(
        "document.querySelector('[name=user]').value='buyer';"
        "document.querySelector('[name=password]').value='%1';"
        "document.querySelector('form').submit();");
    page->WebView()->page()->runJavaScript(fill.arg(QStringLiteral("wrong")));
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(seenMutex);
        return searchCookies.size() >= 2;
    }));
    QTest::qWait(300);
    ASSERT_TRUE(login);
    EXPECT_EQ(window.ListingTimer()->Period(), 0);

    page->WebView()->page()->runJavaScript(fill.arg(QStringLiteral("secret")));
    ASSERT_TRUE(WaitFor([&] { return login.isNull(); })) << "captured and closed";
    EXPECT_EQ(window.ListingTimer()->Period(), 1000);
    const std::string captured = window.State()->CapturedPage();
    EXPECT_NE(captured.find("<div class=page-info>1/1</div>"), std::string::npos) << captured;
    EXPECT_NE(captured.find(Gbk("宝贝")), std::string::npos);
    EXPECT_EQ(captured.find('"'), std::string::npos);
    // The login reached the engine: a direct fetch now gets the result page.
    EXPECT_TRUE(HasCookie("login", "yes"));
    EXPECT_NE(HttpFetch(site.Url("/search.htm")).find("page-info"), std::string::npos);
    window.ListingTimer()->SetPeriod(0);
    ClearBrowserCache(CacheMode::Cookies);
}

}  // namespace
}  // namespace rongfan
