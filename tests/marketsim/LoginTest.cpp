// The login flow: shops that require login answer their data only to requests
// carrying the session cookie; the login page sets it on every marketplace
// domain and leads back; a session can expire.
#include "Fetcher.h"
#include "TestShops.h"
#include "text/Gbk.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace rongfan::marketsim::test {
namespace {

const std::vector<std::string> kShops = ShopArguments({
    "kind=taobao-async,host=locked.taobao.com,items=30,seed=21,login=1",
    "kind=tmall-async,host=locked.tmall.hk,items=30,seed=22,login=1",
    "kind=taobao-async,host=open.taobao.com,items=30,seed=23",
});

struct Addresses {
    std::string search, async, item, counter, detailSkip, rate, rating;
};

// Every address of a shop that carries its data.
Addresses AddressesOf(const Json &truth, const std::string &host) {
    const Json &shop = ShopEntry(truth, host);
    const std::string id(SplitPiece(shop.at("rows")[0][7].get<std::string>(), "id=", 2));
    const std::string home = shop.at("home");
    const bool taobao = shop.at("kind") == "taobao-async";
    Addresses a;
    a.search = shop.at("search_url");
    a.async = taobao ? home + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w-" +
                           shop.at("shop_number").get<std::string>() + "-0"
                     : home + "/i/asynSearch.htm?mid=w-" + shop.at("shop_number").get<std::string>() +
                           "-0&path=/search.htm&&search=y&pageNo=1";
    a.item = taobao ? "http://item.taobao.com/item.htm?id=" + id : "http://detail.tmall.hk/hk/item.htm?id=" + id;
    a.counter = "http://count.taobao.com/counter3?keys=ICCP_1_" + id + "&callback=json";
    a.detailSkip = "http://detailskip.taobao.com/json/ifq.htm?id=" + id;
    a.rate = "http://rate.taobao.com/detailCount.do?itemId=" + id + "&callback=jsonp120";
    a.rating = "http://dsr-rate.tmall.com/list_dsr_info.htm?itemId=" + id + "&spuId=1&callback=jsonp160";
    return a;
}

std::vector<std::string> All(const Addresses &a) {
    return {a.search, a.async, a.item, a.counter, a.detailSkip, a.rate, a.rating};
}

std::string PercentEncoded(const std::string &text) {
    static const char *hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~')
            out += static_cast<char>(c);
        else
            out += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    return out;
}

// What only a data answer holds, never the login page.
bool LooksLikeData(const std::string &body) {
    for (const std::string &marker :
         {std::string("?mid=w"), std::string("page-info"), std::string("ui-page-s-len"), RF_GBK("-淘宝网</title>"),
          std::string("-tmall."), std::string("\":"), std::string("quanity")})
        if (ContainsText(body, marker)) return true;
    return false;
}

class Login : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_truth = Expected(kShops); }
    static inline Json s_truth;
};

TEST_F(Login, PagesOfLockedShopsRedirectToTheLoginPageWithoutTheCookie) {
    Marketsim server(kShops);
    ASSERT_TRUE(server.Started());
    Fetcher fetcher(server.Port());
    for (const char *host : {"locked.taobao.com", "locked.tmall.hk"}) {
        for (const std::string &url : All(AddressesOf(s_truth, host))) {
            const FetchResult moved = fetcher.Get(url);
            EXPECT_EQ(moved.status, 302) << url;
            EXPECT_EQ(moved.Header("Location"),
                      "http://login.taobao.com/member/login.jhtml?redirectURL=" + PercentEncoded(url))
                << url;
            const FetchResult followed = fetcher.Get(url, true);
            EXPECT_EQ(followed.status, 200) << url;
            EXPECT_TRUE(ContainsText(followed.body, "name=\"TPL_username\"")) << url;
            EXPECT_TRUE(ContainsText(followed.body, RF_GBK("登 录"))) << url;
            EXPECT_FALSE(LooksLikeData(followed.body)) << url;
        }
    }
    // A shop without login answers the same kinds of address at once.
    for (const std::string &url : All(AddressesOf(s_truth, "open.taobao.com"))) {
        if (url.find("dsr-rate") != std::string::npos) continue; // a Tmall service; no Taobao item has a rating there
        const FetchResult open = fetcher.Get(url);
        EXPECT_EQ(open.status, 200) << url;
        EXPECT_TRUE(LooksLikeData(open.body)) << url;
    }
}

TEST_F(Login, SubmittingTheFormSetsAnHttpOnlySessionOnEveryDomainAndLeadsBack) {
    Marketsim server(kShops);
    ASSERT_TRUE(server.Started());
    Fetcher browser(server.Port());
    browser.EnableCookieEngine();
    const Addresses taobao = AddressesOf(s_truth, "locked.taobao.com");
    const FetchResult loginPage = browser.Get(taobao.search, true);
    ASSERT_TRUE(ContainsText(loginPage.body, "name=\"redirectURL\""));
    const std::string redirect(SplitPiece(SplitPiece(loginPage.body, "name=\"redirectURL\" value=\"", 2), "\"", 1));
    // The form posts the hidden field as the browser would: percent-encoded once more.
    std::string encodedRedirect;
    for (unsigned char c : redirect)
        encodedRedirect += c == '%' ? std::string("%25") : std::string(1, static_cast<char>(c));
    const FetchResult landed =
        browser.Post("http://login.taobao.com/member/login.jhtml",
                     "TPL_username=%C7%E0%E1%B0&TPL_password=x&redirectURL=" + encodedRedirect, true);
    EXPECT_EQ(landed.status, 200);
    EXPECT_TRUE(ContainsText(landed.body, "?mid=w-")) << "the login leads back to the search page";

    int sessions = 0;
    for (const std::string &line : browser.Cookies()) {
        if (line.find("\tcookie2\t") == std::string::npos) continue;
        ++sessions;
        EXPECT_TRUE(line.starts_with("#HttpOnly_.")) << line;
    }
    EXPECT_EQ(sessions, static_cast<int>(s_truth.at("session").at("domains").size()));

    const Addresses tmall = AddressesOf(s_truth, "locked.tmall.hk");
    for (const std::string &url : {taobao.async, taobao.item, taobao.counter, taobao.detailSkip, taobao.rate,
                                   tmall.search, tmall.async, tmall.item, tmall.rating}) {
        const FetchResult answer = browser.Get(url);
        EXPECT_EQ(answer.status, 200) << url;
        EXPECT_TRUE(LooksLikeData(answer.body)) << url;
    }
}

TEST_F(Login, AnEmptyUserNameGetsTheFormAgainAndNoCookie) {
    Marketsim server(kShops);
    ASSERT_TRUE(server.Started());
    Fetcher browser(server.Port());
    browser.EnableCookieEngine();
    const FetchResult again =
        browser.Post("http://login.taobao.com/member/login.jhtml",
                     "TPL_username=&redirectURL=http%3A%2F%2Flocked.taobao.com%2Fsearch.htm", true);
    EXPECT_EQ(again.status, 200);
    EXPECT_TRUE(ContainsText(again.body, RF_GBK("请输入会员名")));
    EXPECT_TRUE(browser.Cookies().empty());
}

TEST_F(Login, AutoLoginSetsTheCookieOnTheFirstVisit) {
    std::vector<std::string> args = kShops;
    args.push_back("--auto-login");
    Marketsim server(args);
    ASSERT_TRUE(server.Started());
    Fetcher browser(server.Port());
    browser.EnableCookieEngine();
    const FetchResult page = browser.Get(AddressesOf(s_truth, "locked.taobao.com").search, true);
    EXPECT_TRUE(ContainsText(page.body, "?mid=w-"));
    const FetchResult item = browser.Get(AddressesOf(s_truth, "locked.tmall.hk").item);
    EXPECT_EQ(item.status, 200);
    EXPECT_TRUE(ContainsText(item.body, "-tmall."));
}

TEST_F(Login, ThePresetSessionOpensLockedShopsAndUnknownSessionsDoNot) {
    Marketsim server(kShops);
    ASSERT_TRUE(server.Started());
    const std::string url = AddressesOf(s_truth, "locked.taobao.com").item;
    struct Case {
        std::string cookie;
        bool opens;
    } cases[] = {
        {"cookie2=" + s_truth.at("session").at("value").get<std::string>(), true},
        {"t=1; cookie2=" + s_truth.at("session").at("value").get<std::string>() + "; _nk_=x", true},
        {"cookie2=00000000000000000000000000000000", false},
        {"xcookie2=" + s_truth.at("session").at("value").get<std::string>(), false},
        {"", false},
    };
    for (const Case &c : cases) {
        Fetcher fetcher(server.Port());
        fetcher.SetCookieHeader(c.cookie);
        EXPECT_EQ(fetcher.Get(url).status, c.opens ? 200 : 302) << c.cookie;
    }
}

TEST_F(Login, ASessionExpiresAfterTheGivenNumberOfRequests) {
    std::vector<std::string> args = kShops;
    args.insert(args.end(), {"--login-expires", "3"});
    Marketsim server(args);
    ASSERT_TRUE(server.Started());
    Fetcher fetcher(server.Port());
    fetcher.SetCookieHeader("cookie2=" + s_truth.at("session").at("value").get<std::string>());
    const Addresses a = AddressesOf(s_truth, "locked.taobao.com");
    // Pages that need no login do not use the session up.
    EXPECT_EQ(fetcher.Get(ShopEntry(s_truth, "open.taobao.com").at("search_url")).status, 200);
    EXPECT_EQ(fetcher.Get(a.item).status, 200);
    EXPECT_EQ(fetcher.Get(a.counter).status, 200);
    EXPECT_EQ(fetcher.Get(a.rate).status, 200);
    EXPECT_EQ(fetcher.Get(a.item).status, 302);
    EXPECT_EQ(fetcher.Get(a.search).status, 302);
}

} // namespace
} // namespace rongfan::marketsim::test
