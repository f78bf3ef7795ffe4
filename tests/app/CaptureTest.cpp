// The capture step with a browser the test drives and a clock it steps: the
// one-shot timer protocol, the seven steps of a tick, the end of the login
// window (captured, closed by the user, replaced by a new capture).
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

#include "AppTestSupport.h"
#include "app/DesktopTexts.h"
#include "app/LoginBrowserWindow.h"
#include "app/MainWindow.h"
#include "app/ManualTimeline.h"
#include "app/QtGbk.h"
#include "app/StatusBar.h"
#include "app/StepTimer.h"

namespace rongfan {
namespace {

using testing::FakeBrowserPage;
using testing::Gbk;

const std::string ShopSearch = "http://shop1.taobao.com/search.htm?orderType=hotsell_desc";
const QString NoMarker = QStringLiteral("<html><head><title>login</title></head><body><form id=\"login\"></form></body></html>");

struct CaptureHarness {
    CaptureHarness() {
        window.SetFetch([this](std::string_view address) {
            fetched.emplace_back(address);
            auto answer = answers.find(std::string(address));
            return answer == answers.end() ? std::string() : answer->second;
        });
        window.SetClearBrowserCache([](CacheMode) {});
        window.SetBrowserFactory([this] {
            auto* page = new FakeBrowserPage;
            pages.push_back(page);
            return page;
        });
        window.show();
    }
    // As LaunchSearch leaves things: SearchUrl set, controls locked.
    void Start(const std::string& searchUrl = ShopSearch) {
        window.State()->SetSearchUrl(searchUrl);
        window.LockSearch();
        window.StartCapture();
    }
    FakeBrowserPage& Page() { return *pages.back(); }
    LoginBrowserWindow* Login() { return window.LoginWindow(); }
    static void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ManualTimeline clock;  // before any window, so every timer counts on it
    MainWindow window;
    std::map<std::string, std::string> answers;
    std::vector<std::string> fetched;
    std::vector<QPointer<FakeBrowserPage>> pages;
};

TEST(CaptureTimerProtocol, EventsInQuickSuccessionDoNotPostponeTheFirstTick) {
    CaptureHarness h;
    h.Start();
    FakeBrowserPage& page = h.Page();
    page.document = NoMarker;
    EXPECT_EQ(h.Login()->CaptureTimer()->Period(), 0);
    EXPECT_FALSE(h.Login()->isVisible());

    page.Complete();
    h.clock.Advance(300);
    page.Complete();
    h.clock.Advance(300);
    page.Complete();
    h.clock.Advance(399);
    EXPECT_EQ(page.reads, 0) << "at " << h.clock.Now();
    EXPECT_FALSE(h.Login()->isVisible());
    h.clock.Advance(1);
    EXPECT_EQ(page.reads, 1) << "the first tick comes one second after the first event";
    EXPECT_TRUE(h.Login()->isVisible());
    EXPECT_EQ(h.Login()->CaptureTimer()->Period(), 100);
}

TEST(CaptureTimerProtocol, AnEventDuringPollingMakesTheNextTickWaitASecond) {
    CaptureHarness h;
    h.Start();
    FakeBrowserPage& page = h.Page();
    page.document = NoMarker;
    page.Complete();
    h.clock.Advance(1000);
    h.clock.Advance(200);
    EXPECT_EQ(page.reads, 3) << "ticks at 1000, 1100 and 1200";
    h.clock.Advance(50);
    page.Complete();  // at 1250
    EXPECT_EQ(h.Login()->CaptureTimer()->Period(), 1000);
    h.clock.Advance(999);
    EXPECT_EQ(page.reads, 3);
    h.clock.Advance(1);
    EXPECT_EQ(page.reads, 4) << "at 2250";
    h.clock.Advance(100);
    EXPECT_EQ(page.reads, 5) << "polling again";
}

// The browser answers late: a tick that falls due meanwhile does not start a
// second read, and an event during the read keeps its one-second wait.
TEST(CaptureTimerProtocol, ReadsNeverOverlap) {
    {
        CaptureHarness h;
        h.Start();
        FakeBrowserPage& page = h.Page();
        page.document = NoMarker;
        page.answerAtOnce = false;
        page.Complete();
        h.clock.Advance(1000);
        ASSERT_EQ(page.reads, 1);
        EXPECT_TRUE(h.Login()->IsReading());
        h.clock.Advance(500);
        page.Complete();
        h.clock.Advance(1000);  // that tick comes while the first read is still out
        EXPECT_EQ(page.reads, 1);
        page.AnswerPending();
        EXPECT_FALSE(h.Login()->IsReading());
        EXPECT_EQ(h.Login()->CaptureTimer()->Period(), 100);
        h.clock.Advance(100);
        EXPECT_EQ(page.reads, 2);
    }
    {
        CaptureHarness h;
        h.Start();
        FakeBrowserPage& page = h.Page();
        page.document = NoMarker;
        page.answerAtOnce = false;
        page.Complete();
        h.clock.Advance(1000);
        h.clock.Advance(200);
        page.Complete();  // at 1200, while the read is out
        h.clock.Advance(100);
        page.AnswerPending();  // at 1300: no marker, but the wait the event asked for stands
        EXPECT_EQ(h.Login()->CaptureTimer()->Period(), 1000);
        h.clock.Advance(899);
        EXPECT_EQ(page.reads, 1);
        h.clock.Advance(1);
        EXPECT_EQ(page.reads, 2) << "at 2200";
    }
}

TEST(CaptureTick, StepsOnDocumentsOfEveryKind) {
    const QString loginTitle = desktop::LoginWindowTitle();
    const struct {
        const char* name;
        QString document;         // what the browser gives
        std::string fetchAnswer;  // SearchUrl fetched directly, when the document is empty
        bool captured;
        QString title;
        std::string capturedPage;  // GBK
        std::size_t fetches;
    } cases[] = {
        {"page-info with its quote",
         QStringLiteral("<html><body><div class=\"page-info\">1/3</div><b title=\"x\">y</b></body></html>"), "", true,
         desktop::CapturedTitle(), "<html><body><div class=page-info>1/3</div><b title=x>y</b></body></html>", 0},
        {"PAGE-INFO in capitals",
         QStringLiteral("<html><body><div class=\"PAGE-INFO\">1/3</div></body></html>"), "", true,
         desktop::CapturedTitle(), "<html><body><div class=page-info>1/3</div></body></html>", 0},
        {"mid=w in a script, %3D in both cases",
         QStringLiteral("<html><body><script>var u=\"/i/asynSearch.htm?mid=w-123-0&a%3d1%3D2\";</script></body></html>"),
         "", true, desktop::CapturedTitle(),
         "<html><body><script>var u=/i/asynSearch.htm?mid=w-123-0&a=1=2;</script></body></html>", 0},
        {"no marker", NoMarker, "", false, loginTitle,
         "<html><head><title>login</title></head><body><form id=login></form></body></html>", 0},
        {"login hint",
         QStringLiteral("<html><head><title>淘宝网 - 提示</title></head><body>无法显示该网页，证书错误</body></html>"), "",
         false, desktop::LoginHintTitle(),
         Gbk("<html><head><title>淘宝网 - 提示</title></head><body>无法显示该网页，证书错误</body></html>"), 0},
        {"only the marketplace title",
         QStringLiteral("<html><head><title>淘宝网 - 登录</title></head><body>请登录</body></html>"), "", false, loginTitle,
         Gbk("<html><head><title>淘宝网 - 登录</title></head><body>请登录</body></html>"), 0},
        {"empty document, page fetched directly", QString(), "<a href=\"/search.htm?mid=w-9\">", true,
         desktop::CapturedTitle(), "<a href=/search.htm?mid=w-9>", 1},
        {"empty document, nothing fetched", QString(), "", false, loginTitle, "", 1},
        {"characters GBK lacks", QStringLiteral("<html><body>价\U0001F600</body></html>"), "", false, loginTitle,
         Gbk("<html><body>价?</body></html>"), 0},
    };
    for (const auto& c : cases) {
        CaptureHarness h;
        h.answers[ShopSearch] = c.fetchAnswer;
        h.Start();
        QPointer<LoginBrowserWindow> login = h.Login();
        QSignalSpy captured(login.data(), &LoginBrowserWindow::Captured);
        QString titleSeen;
        QObject::connect(login.data(), &QWidget::windowTitleChanged, [&](const QString& t) { titleSeen = t; });
        h.Page().document = c.document;
        h.Page().Complete();
        h.clock.Advance(1000);

        EXPECT_EQ(h.Page().reads, 1) << c.name;
        EXPECT_EQ(h.fetched.size(), c.fetches) << c.name;
        EXPECT_EQ(h.window.State()->CapturedPage(), c.capturedPage) << c.name;
        EXPECT_EQ(captured.count(), c.captured ? 1 : 0) << c.name;
        if (c.captured) {
            EXPECT_EQ(titleSeen, c.title) << c.name;
            EXPECT_EQ(h.window.ListingTimer()->Period(), 1000) << c.name;
            EXPECT_FALSE(login->isVisible());
            CaptureHarness::RunDeferredDeletes();
            EXPECT_TRUE(login.isNull()) << c.name << ": destroyed after the capture";
            EXPECT_EQ(h.fetched.size(), c.fetches) << c.name << ": nothing fetched on the way out";
            EXPECT_TRUE(h.window.IsSearching()) << c.name;
        } else {
            EXPECT_EQ(login->windowTitle(), c.title) << c.name;
            EXPECT_TRUE(login->isVisible()) << c.name;
            EXPECT_EQ(login->CaptureTimer()->Period(), 100) << c.name;
            EXPECT_EQ(h.window.ListingTimer()->Period(), 0) << c.name;
        }
    }
}

// While the browser is still parsing the page, a tick reads nothing: half a
// page may show the marker without the items further down. The window shows,
// nothing is fetched or stored, and polling goes on until the page is whole.
TEST(CaptureTick, APageStillBeingParsedIsNotCaptured) {
    CaptureHarness h;
    h.answers[ShopSearch] = "<p>?mid=w</p>";
    h.Start();
    QPointer<LoginBrowserWindow> login = h.Login();
    h.Page().document = QStringLiteral("<html><body><div class=\"page-info\">1/9</div>");
    h.Page().parsed = false;
    h.Page().Complete();
    h.clock.Advance(1000);
    h.clock.Advance(300);
    EXPECT_EQ(h.Page().reads, 4);
    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(h.fetched.empty());
    EXPECT_TRUE(h.window.State()->CapturedPage().empty());
    EXPECT_EQ(h.window.ListingTimer()->Period(), 0);
    EXPECT_EQ(login->windowTitle(), desktop::LoginWindowTitle());

    h.Page().document = QStringLiteral("<html><body><div class=\"page-info\">1/9</div><p>whole</p></body></html>");
    h.Page().parsed = true;
    h.Page().Complete();
    h.clock.Advance(1000);
    EXPECT_EQ(h.window.ListingTimer()->Period(), 1000);
    EXPECT_EQ(h.window.State()->CapturedPage(), "<html><body><div class=page-info>1/9</div><p>whole</p></body></html>");
}

// Closing the login window before a capture abandons the search: the controls
// come back, the status says why, no walker is armed. The destruction still
// fetches SearchUrl once when nothing was read yet.
TEST(CaptureEnd, TheUserClosingTheLoginWindowAbandonsTheSearch) {
    enum class How { CloseBox, Escape };
    const struct {
        const char* name;
        How how;
        int ticksBefore;
        std::size_t fetchesOnClose;
    } cases[] = {
        {"close box before any tick", How::CloseBox, 0, 1},
        {"Esc after a tick", How::Escape, 1, 0},
        {"close box while polling", How::CloseBox, 3, 0},
    };
    for (const auto& c : cases) {
        CaptureHarness h;
        h.answers[ShopSearch] = "<html>\"raw\"</html>";
        h.Start();
        QPointer<LoginBrowserWindow> login = h.Login();
        h.Page().document = NoMarker;
        if (c.ticksBefore > 0) {
            h.Page().Complete();
            h.clock.Advance(1000 + 100 * (c.ticksBefore - 1));
            ASSERT_EQ(h.Page().reads, c.ticksBefore) << c.name;
        }
        const std::size_t fetchesBefore = h.fetched.size();
        if (c.how == How::Escape)
            QTest::keyClick(login.data(), Qt::Key_Escape);
        else
            login->close();
        CaptureHarness::RunDeferredDeletes();
        ASSERT_TRUE(login.isNull()) << c.name;
        EXPECT_EQ(h.fetched.size() - fetchesBefore, c.fetchesOnClose) << c.name;
        if (c.fetchesOnClose) {
            EXPECT_EQ(h.fetched.back(), ShopSearch);
            EXPECT_EQ(h.window.State()->CapturedPage(), "<html>\"raw\"</html>") << c.name << ": raw, not normalised";
        }
        EXPECT_FALSE(h.window.IsSearching()) << c.name;
        EXPECT_EQ(h.window.findChild<StatusBar*>()->Text(0), desktop::LoginClosedStatus()) << c.name;
        EXPECT_EQ(h.window.ListingTimer()->Period(), 0) << c.name;
        // Nothing more happens later.
        h.clock.Advance(5000);
        EXPECT_EQ(h.window.ListingTimer()->Period(), 0);
    }
}

// A new capture over an old login window: the old one's destruction fetches the
// new SearchUrl (CapturedPage was just emptied), once; the new window's first
// tick replaces that text. Replacing a window is not the user closing it.
TEST(CaptureEnd, StartCaptureOverAnOldWindowFetchesTheNewAddressOnce) {
    CaptureHarness h;
    const std::string redirected = "http://shop1.tmall.com/search.htm?search=y&redirect=1";
    h.answers[redirected] = "<p>\"fetched\"</p>";
    h.Start();
    QPointer<LoginBrowserWindow> old = h.Login();
    h.Page().document = NoMarker;
    h.Page().Complete();
    h.clock.Advance(1000);
    ASSERT_FALSE(h.window.State()->CapturedPage().empty());

    h.window.State()->SetSearchUrl(redirected);
    h.window.StartCapture();
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(h.fetched, std::vector<std::string>{redirected});
    EXPECT_EQ(h.window.State()->CapturedPage(), "<p>\"fetched\"</p>");
    EXPECT_TRUE(h.window.IsSearching());
    EXPECT_TRUE(h.window.findChild<StatusBar*>()->Text(0).isEmpty());
    ASSERT_EQ(h.pages.size(), 2u);
    EXPECT_EQ(h.Page().navigations, std::vector<QString>{FromGbk(redirected)});
    EXPECT_FALSE(h.Login()->isVisible());

    h.Page().document = QStringLiteral("<html><body>\"second\"</body></html>");
    h.Page().Complete();
    h.clock.Advance(1000);
    EXPECT_EQ(h.window.State()->CapturedPage(), "<html><body>second</body></html>");
    EXPECT_EQ(h.fetched.size(), 1u);
}

TEST(StepTimerOnTheEventLoop, TicksAndStopsWhenTheTickWritesZero) {
    StepTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &StepTimer::Tick, [&] {
        timer.SetPeriod(0);
        ++ticks;
    });
    QSignalSpy spy(&timer, &StepTimer::Tick);
    timer.SetPeriod(20);
    ASSERT_TRUE(spy.wait(10000));
    QTest::qWait(100);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timer.Period(), 0);
}

}  // namespace
}  // namespace rongfan
