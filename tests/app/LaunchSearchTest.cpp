// A click on SearchButton, as the user makes it: what the edit box, the message
// box, SearchUrl, the columns and the controls show afterwards, and the capture
// that starts.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/LoginBrowserWindow.h"
#include "app/MainWindow.h"
#include "app/QtGbk.h"
#include "app/ResultList.h"
#include "app/StatusBar.h"

namespace rongfan {
namespace {

using testing::FakeBrowserPage;

struct LaunchHarness {
    LaunchHarness() {
        window.SetFetch([this](std::string_view address) {
            fetched.emplace_back(address);
            return std::string();
        });
        window.SetClearBrowserCache([this](CacheMode mode) { cleared.push_back(mode); });
        window.SetBrowserFactory([this] {
            auto* page = new FakeBrowserPage;
            pages.push_back(page);
            return page;
        });
        window.show();
    }
    void Type(const QString& text) { window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->setText(text); }
    QString Edit() const { return window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->text(); }
    void Click() { QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("SearchButton")), Qt::LeftButton); }
    std::array<int, 3> Widths() const {
        return {window.List()->ColumnWidth(1), window.List()->ColumnWidth(4), window.List()->ColumnWidth(5)};
    }

    MainWindow window;
    std::vector<std::string> fetched;
    std::vector<CacheMode> cleared;
    std::vector<QPointer<FakeBrowserPage>> pages;
};

const QString Rejection = QStringLiteral("请输入淘宝店或天猫店首页网址！");
const QString Taobao = QStringLiteral("/search.htm?orderType=hotsell_desc");
const QString Tmall = QStringLiteral("/search.htm?search=y");

TEST(LaunchSearchClick, TypedTextsGiveTheBaseAddressOrTheMessage) {
    const struct {
        QString typed;
        QString edit;       // afterwards
        QString searchUrl;  // empty when rejected
    } cases[] = {
        // Spaces and full-width spaces anywhere go; the path and query go too.
        {QStringLiteral("  https://shop123.taobao.com/shop/view_shop.htm?spm=a1 "),
         QStringLiteral("http://shop123.taobao.com"), QStringLiteral("http://shop123.taobao.com") + Taobao},
        {QStringLiteral("\u3000http://shop 9.taobao.com/\u3000"), QStringLiteral("http://shop9.taobao.com"),
         QStringLiteral("http://shop9.taobao.com") + Taobao},
        // The secure scheme in any letter case.
        {QStringLiteral("HTTPS://abc.tmall.com/"), QStringLiteral("http://abc.tmall.com"),
         QStringLiteral("http://abc.tmall.com") + Tmall},
        {QStringLiteral("hTtPs://x.taobao.com"), QStringLiteral("http://x.taobao.com"),
         QStringLiteral("http://x.taobao.com") + Taobao},
        // No scheme: one is put in front; a plain one is not doubled.
        {QStringLiteral("shop1.taobao.com/index.htm"), QStringLiteral("http://shop1.taobao.com"),
         QStringLiteral("http://shop1.taobao.com") + Taobao},
        {QStringLiteral("http://abc.tmall.com"), QStringLiteral("http://abc.tmall.com"),
         QStringLiteral("http://abc.tmall.com") + Tmall},
        // A capitalised plain scheme is not recognised: it becomes the host part.
        {QStringLiteral("HTTP://shop1.taobao.com"), QStringLiteral("http://HTTP:"),
         QStringLiteral("http://HTTP:") + Tmall},
        // A marker only in the path passes the check; the host decides the rest.
        {QStringLiteral("http://example.com/?from=taobao.com"), QStringLiteral("http://example.com"),
         QStringLiteral("http://example.com") + Tmall},
        {QStringLiteral("http://example.com/go/tmall.com"), QStringLiteral("http://example.com"),
         QStringLiteral("http://example.com") + Tmall},
        // Rejected: the cleaned text stays.
        {QString(), QString(), QString()},
        {QStringLiteral("   \u3000 "), QString(), QString()},
        {QStringLiteral("https://www.example.com/"), QStringLiteral("http://www.example.com/"), QString()},
        {QStringLiteral("shop.jd.com"), QStringLiteral("http://shop.jd.com"), QString()},
    };
    for (const auto& c : cases) {
        const std::string label = c.typed.toStdString();
        LaunchHarness h;
        testing::MessageCatcher messages;
        h.Type(c.typed);
        h.Click();
        EXPECT_EQ(h.Edit(), c.edit) << label;
        const bool accepted = !c.searchUrl.isEmpty();
        if (accepted) {
            EXPECT_TRUE(messages.shown.empty()) << label;
            EXPECT_EQ(FromGbk(h.window.State()->SearchUrl()), c.searchUrl) << label;
            // Locked, busy, and the capture opened on SearchUrl (hidden until its first tick).
            EXPECT_TRUE(h.window.IsSearching()) << label;
            EXPECT_FALSE(h.window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->isEnabled());
            EXPECT_EQ(h.window.findChild<QPushButton*>(QStringLiteral("SearchButton"))->text(),
                      QStringLiteral("淘中…"));
            EXPECT_TRUE(h.window.findChild<QWidget*>(QStringLiteral("BusyPicture"))->isVisible());
            EXPECT_TRUE(h.window.findChild<QWidget*>(QStringLiteral("SavePageButton"))->isEnabled());
            EXPECT_EQ(h.window.findChild<StatusBar*>()->Text(0), QStringLiteral("正在分析商品地址中……")) << label;
            ASSERT_EQ(h.pages.size(), 1u) << label;
            ASSERT_EQ(h.pages[0]->navigations.size(), 1u);
            EXPECT_EQ(h.pages[0]->navigations[0], c.searchUrl);
            ASSERT_NE(h.window.LoginWindow(), nullptr);
            EXPECT_FALSE(h.window.LoginWindow()->isVisible());
            EXPECT_EQ(h.cleared, (std::vector<CacheMode>{CacheMode::TemporaryFiles, CacheMode::Cookies}));
        } else {
            ASSERT_EQ(messages.shown.size(), 1u) << label;
            EXPECT_EQ(messages.shown[0].title, QStringLiteral("青岚提醒您："));
            EXPECT_EQ(messages.shown[0].text, Rejection);
            EXPECT_EQ(messages.shown[0].icon, QMessageBox::NoIcon);
            EXPECT_EQ(messages.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            EXPECT_FALSE(h.window.IsSearching()) << label;
            EXPECT_TRUE(h.window.State()->SearchUrl().empty());
            EXPECT_TRUE(h.pages.empty());
            EXPECT_TRUE(h.cleared.empty());
            EXPECT_TRUE(h.window.findChild<StatusBar*>()->Text(0).isEmpty());
        }
        EXPECT_TRUE(h.fetched.empty()) << label;
    }
}

// The 30-day columns by shop kind, across two searches in a row.
TEST(LaunchSearchClick, ColumnLayoutFollowsTheShopKind) {
    const QString tmallShop = QStringLiteral("abc.tmall.com");
    const QString taobaoShop = QStringLiteral("abc.taobao.com");
    const struct {
        QString first, second;
        std::array<int, 3> afterFirst, afterSecond;  // title, 30天成交, 30天收货
    } cases[] = {
        {tmallShop, taobaoShop, {460, 0, 0}, {280, 90, 90}},
        {tmallShop, tmallShop, {460, 0, 0}, {460, 0, 0}},
        {taobaoShop, taobaoShop, {280, 90, 90}, {280, 90, 90}},
        {taobaoShop, tmallShop, {280, 90, 90}, {460, 0, 0}},
    };
    for (const auto& c : cases) {
        LaunchHarness h;
        h.Type(c.first);
        h.Click();
        EXPECT_EQ(h.Widths(), c.afterFirst) << c.first.toStdString();
        h.window.UnlockSearch();  // as the end of a harvest does
        h.Type(c.second);
        h.Click();
        EXPECT_EQ(h.Widths(), c.afterSecond) << c.first.toStdString() << " then " << c.second.toStdString();
        // The second capture replaced the first window.
        EXPECT_EQ(h.pages.size(), 2u);
        EXPECT_TRUE(h.pages[0].isNull());
        EXPECT_FALSE(h.pages[1].isNull());
    }
}

TEST(LaunchSearchClick, TheLockedButtonCannotStartASecondSearch) {
    LaunchHarness h;
    h.Type(QStringLiteral("abc.taobao.com"));
    h.Click();
    ASSERT_TRUE(h.window.IsSearching());
    h.Click();
    EXPECT_EQ(h.pages.size(), 1u);
}

}  // namespace
}  // namespace rongfan
