// The whole search in the real program against the simulated marketplace: type
// a shop address, click, log in inside the login window as a person would, and
// wait for the walker and the harvester. The rows must equal the simulator's
// truth, which proves the browser's login reached every fetch of the engine.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>

#include "AppTestSupport.h"
#include "app/DesktopServices.h"
#include "app/LoginBrowserWindow.h"
#include "app/MainWindow.h"
#include "app/QtGbk.h"
#include "app/ResultModel.h"
#include "app/StatusBar.h"
#include "app/WebBrowserPage.h"
#include "support/Marketsim.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

const std::vector<std::string> DemoArguments = {"--demo", "--lifetime", "900"};

// One marketplace for the whole run, started before any browser object exists
// so the browser's proxy can point at it.
class MarketEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        sim = std::make_unique<testing::Marketsim>(DemoArguments);
        ASSERT_GT(sim->Port(), 0) << "marketsim did not start";
        ::setenv("http_proxy", sim->Proxy().c_str(), 1);
        ::unsetenv("no_proxy");
        ASSERT_TRUE(ApplyProxyFromEnvironment());
        InstallDesktopHooks();
        cookies = std::make_unique<CookieBridge>(QWebEngineProfile::defaultProfile()->cookieStore());
        expected = nlohmann::json::parse(testing::MarketsimExpected(DemoArguments));
    }
    void TearDown() override {
        cookies.reset();
        sim.reset();
    }
    std::unique_ptr<testing::Marketsim> sim;
    std::unique_ptr<CookieBridge> cookies;
    nlohmann::json expected;
};
MarketEnvironment* const Market =
    static_cast<MarketEnvironment*>(::testing::AddGlobalTestEnvironment(new MarketEnvironment));

const nlohmann::json* ShopTruth(const std::string& host) {
    for (const auto& shop : Market->expected["shops"])
        if (shop["host"] == host) return &shop;
    return nullptr;
}

struct SearchRun {
    SearchRun() {
        window.SetBrowserFactory([this] {
            auto* page = new WebBrowserPage;
            pages.push_back(page);
            return page;
        });
        window.show();
    }

    void Search(const std::string& typed) {
        window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->setText(QString::fromStdString(typed));
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("SearchButton")), Qt::LeftButton);
    }

    // Logs in on every login form a login window shows, and runs until the
    // controls are idle with the finishing status and `rows` rows listed.
    bool RunUntilDone(std::size_t rows, int seconds) {
        const std::string loginHost = Market->expected["login_host"];
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000LL) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            LoginBrowserWindow* login = window.LoginWindow();
            if (login && login->isVisible() && !pages.empty() && pages.back()) {
                QWebEngineView* view = pages.back()->WebView();
                if (view->url().host().toStdString() == loginHost && !view->page()->isLoading()) {
                    sawLoginPage = true;
                    const QString fill = QStringLiteral(
                        "(function(){var f=document.getElementById('J_Form');"
                        "if(!f||f.dataset.sent)return false;f.dataset.sent='1';"
                        "document.getElementById('TPL_username_1').value='demo-buyer';"
                        "document.getElementById('TPL_password_1').value='demo-password';"
                        "document.getElementById('J_SubmitStatic').click();return true;})()");
                    view->page()->runJavaScript(fill, [this](const QVariant& sent) {
                        if (sent.toBool()) ++logins;
                    });
                }
            }
            if (!window.IsSearching() && window.Results()->StoredRowCount() == static_cast<int>(rows) &&
                FromGbk(window.Status()) == QStringLiteral("已完成任务！") && !window.LoginWindow())
                return true;
        }
        return false;
    }

    MainWindow window;
    std::vector<QPointer<WebBrowserPage>> pages;
    bool sawLoginPage = false;
    int logins = 0;
};

class WholeSearch : public ::testing::TestWithParam<const char*> {};

TEST_P(WholeSearch, LoginInTheBrowserThenEveryRowOfTheShop) {
    const std::string host = GetParam();
    const nlohmann::json* truth = ShopTruth(host);
    ASSERT_NE(truth, nullptr) << host;
    const auto& rows = (*truth)["rows"];
    ASSERT_GT(rows.size(), 0u);

    SearchRun run;
    run.Search("  " + host + "/index.htm ");
    EXPECT_EQ(FromGbk(run.window.ShopAddress()), QString::fromStdString("http://" + host));
    ASSERT_TRUE(run.RunUntilDone(rows.size(), 240))
        << host << ": rows " << run.window.Results()->StoredRowCount() << " of " << rows.size() << ", status "
        << GbkToUtf8(run.window.Status()) << ", searching " << run.window.IsSearching();
    EXPECT_TRUE(run.sawLoginPage) << "the login window opened on the marketplace's login page";
    EXPECT_GE(run.logins, 1);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 9; ++c)
            ASSERT_EQ(GbkToUtf8(run.window.Results()->Cell(static_cast<int>(r), c)), rows[r][c].get<std::string>())
                << host << " row " << r << " column " << c;
    // Idle again, as at start-up, with the finishing status.
    EXPECT_EQ(run.window.findChild<QPushButton*>(QStringLiteral("SearchButton"))->text(), QStringLiteral("淘一下"));
    EXPECT_TRUE(run.window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->isEnabled());
    EXPECT_FALSE(run.window.findChild<QWidget*>(QStringLiteral("BusyPicture"))->isVisible());

    // For reviewers: the window after a finished search.
    run.window.Results()->Flush();
    QCoreApplication::processEvents();
    std::string name = host;
    for (char& ch : name)
        if (ch == '.') ch = '-';
    const QString folder = QStringLiteral(RONGFAN_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(run.window.grab().save(folder + QStringLiteral("/after-search-%1.png").arg(QString::fromStdString(name))));
}

// The report saved while the real harvester still fills the list: nothing
// breaks, the page holds the rows that were there, and the search goes on.
TEST(WholeSearchSave, SavingDuringTheHarvestWritesTheRowsThatExisted) {
    const nlohmann::json* truth = ShopTruth("demo-async.taobao.com");
    ASSERT_NE(truth, nullptr);
    const auto& rows = (*truth)["rows"];
    QTemporaryDir folder;
    SearchRun run;
    run.window.SetReportFolder(folder.path().toStdString(), false);
    auto* save = run.window.findChild<QPushButton*>(QStringLiteral("SavePageButton"));
    run.Search("demo-async.taobao.com");
    int rowsAtClick = -1;
    QObject::connect(run.window.Results(), &QAbstractItemModel::rowsInserted, [&] {
        if (rowsAtClick < 0 && run.window.Results()->StoredRowCount() >= 10 && run.window.IsSearching()) {
            rowsAtClick = run.window.Results()->StoredRowCount();
            QTest::mouseClick(save, Qt::LeftButton);
        }
    });
    ASSERT_TRUE(run.RunUntilDone(rows.size(), 240));
    ASSERT_GT(rowsAtClick, 0) << "the harvest was over before the click";
    QElapsedTimer clock;
    clock.start();
    while (!save->isEnabled() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(save->isEnabled());

    const QStringList reports = QDir(folder.path()).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    QFile file(folder.filePath(reports[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray page = file.readAll();
    const std::string text(page.constData(), static_cast<std::size_t>(page.size()));
    // Named after the shop, as the simulator says the report should be.
    EXPECT_EQ(reports[0].toStdString(), (*truth)["report_title"].get<std::string>() + ".html");
    // The first rows at the click are there, with their addresses.
    for (int r = 0; r < rowsAtClick - 1; ++r)
        EXPECT_NE(text.find("href=\"" + rows[static_cast<std::size_t>(r)][7].get<std::string>() + "\""), std::string::npos)
            << "row " << r;
    // The search itself went on to the end.
    EXPECT_EQ(run.window.Results()->StoredRowCount(), static_cast<int>(rows.size()));
}

INSTANTIATE_TEST_SUITE_P(DemoShops, WholeSearch,
                         ::testing::Values("demo-async.taobao.com", "demo.tmall.com", "demo-old.tmall.com"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace rongfan
