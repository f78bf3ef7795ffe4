// Every shop kind, read the way the program reads it, yields exactly the
// simulator's truth; and each kind's pages carry the markers of its layout.
#include "Fetcher.h"
#include "ProgramReader.h"
#include "TestShops.h"
#include "text/Gbk.h"
#include "text/Text.h"

#include <gtest/gtest.h>
#include <memory>

namespace rongfan::marketsim::test {
namespace {

struct KindCase {
    const char *name;
    const char *host;
    const char *setup;
};

// Item counts leave a partial last page and, for the Taobao layouts, more than two pages.
const KindCase kKinds[] = {
    {"TaobaoAsync", "async.taobao.com", "kind=taobao-async,host=async.taobao.com,items=53,seed=3"},
    {"TaobaoPlainPageNo", "plain.taobao.com", "kind=taobao-plain,host=plain.taobao.com,items=49,seed=4"},
    {"TaobaoPlainPageNum", "pagenum.taobao.com",
     "kind=taobao-plain,host=pagenum.taobao.com,items=30,seed=5,key=pageNum"},
    {"TmallAsync", "mall.tmall.com", "kind=tmall-async,host=mall.tmall.com,items=121,seed=6"},
    {"TmallAsyncHongKong", "global.tmall.hk", "kind=tmall-async,host=global.tmall.hk,items=61,seed=7"},
    {"TmallRenderError", "broken.tmall.com", "kind=tmall-render-error,host=broken.tmall.com,items=125,seed=8"},
    {"TmallRedirect", "moved.tmall.com", "kind=tmall-redirect,host=moved.tmall.com,items=70,seed=9"},
    {"EmptyTaobaoShop", "empty.taobao.com", "kind=taobao-async,host=empty.taobao.com,items=0,seed=10"},
    {"EmptyTmallShop", "empty.tmall.com", "kind=tmall-async,host=empty.tmall.com,items=0,seed=11"},
};

void PrintTo(const KindCase &c, std::ostream *out) {
    *out << c.name;
}

std::vector<std::string> AllShops() {
    std::vector<std::string> setups;
    for (const KindCase &k : kKinds)
        setups.push_back(k.setup);
    return ShopArguments(setups);
}

class ShopKinds : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_truth = Expected(AllShops());
        s_server = std::make_unique<Marketsim>(AllShops());
    }
    static void TearDownTestSuite() { s_server.reset(); }

    std::string Get(const std::string &url) { return Fetcher(s_server->Port()).Get(url).body; }
    static std::string Number(const char *host) { return ShopEntry(s_truth, host).at("shop_number"); }

    static inline Json s_truth;
    static inline std::unique_ptr<Marketsim> s_server;
};

class ShopKindTruth : public ShopKinds, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ShopKindTruth, ProgramReadsExactlyTheExpectedRows) {
    ASSERT_TRUE(s_server->Started());
    const Json &shop = ShopEntry(s_truth, GetParam().host);
    Fetcher fetcher(s_server->Port());
    ProgramReader reader(fetcher);
    const std::vector<Row> rows = reader.Search(shop.at("home"));
    const Json &expected = shop.at("rows");
    ASSERT_EQ(rows.size(), expected.size());
    ASSERT_EQ(expected.size(), shop.at("items").get<std::size_t>());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t c = 0; c < 9; ++c)
            EXPECT_EQ(rows[i][c], expected[i][c].get<std::string>()) << "row " << i << " cell " << c;
    EXPECT_EQ(reader.ReportTitle(shop.at("home")), shop.at("report_title").get<std::string>());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ShopKindTruth, ::testing::ValuesIn(kKinds),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ShopKinds, TaobaoAsyncAnswersAreJsonpWithEveryQuoteEscaped) {
    const std::string number = Number("async.taobao.com");
    EXPECT_TRUE(
        ContainsText(Get("http://async.taobao.com/search.htm?orderType=hotsell_desc"), "?mid=w-" + number + "-0&"));
    const std::string answer =
        Get("http://async.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=2&mid=w-" + number + "-0");
    ASSERT_TRUE(answer.starts_with("jsonp")) << answer.substr(0, 40);
    const std::string inner(SplitPiece(answer, "(\"", 2));
    ASSERT_TRUE(inner.ends_with("\")"));
    const std::string_view markup(inner.data(), inner.size() - 2);
    for (std::size_t i = markup.find('"'); i != std::string_view::npos; i = markup.find('"', i + 1))
        ASSERT_EQ(markup[i - 1], '\\') << "unescaped quote at " << i;
    EXPECT_TRUE(ContainsText(answer, "page-info\\\">2/3</span>"));
    // The items stand between the two "next page" links; nothing of the shop's follows the second.
    EXPECT_EQ(SplitText(answer, RF_GBK(">下一页</a>")).Count(), 3);
}

TEST_F(ShopKinds, AsyncSearchOfAnotherWidgetListsNothing) {
    for (const std::string url :
         {"http://async.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w-1-0",
          "http://mall.tmall.com/i/asynSearch.htm?mid=w-1-0&path=/search.htm&&search=y&pageNo=1"}) {
        const std::string answer = Get(url);
        EXPECT_TRUE(ContainsText(answer, "0/0")) << url;
        EXPECT_FALSE(ContainsText(SplitPiece(answer, "comboHd", 1), "item.htm?id=")) << url;
    }
}

TEST_F(ShopKinds, PlainShopsNameTheirPageKeyAndNoSearchWidget) {
    struct Case {
        const char *page1;
        const char *page2;
        const char *key;
        const char *otherKey;
    } cases[] = {
        {"http://plain.taobao.com/search.htm?orderType=hotsell_desc",
         "http://plain.taobao.com/search.htm?orderType=hotsell_desc&pageNo=2", "pageNo=", "pageNum"},
        {"http://pagenum.taobao.com/search.htm?orderType=hotsell_desc",
         "http://pagenum.taobao.com/search.htm?orderType=hotsell_desc&pageNum=2", "pageNum=", "pageNo"},
    };
    for (const Case &c : cases) {
        for (const char *url : {c.page1, c.page2}) {
            const std::string page = Get(url);
            EXPECT_TRUE(ContainsText(page, "page-info\">")) << url;
            EXPECT_FALSE(ContainsText(page, "?mid=w")) << url;
            EXPECT_TRUE(ContainsText(page, c.key)) << url;
            EXPECT_FALSE(ContainsText(page, c.otherKey)) << url;
        }
        EXPECT_TRUE(ContainsText(Get(c.page2), "page-info\">2/")) << c.page2;
    }
    // A shop that counts with pageNum ignores pageNo and shows its first page again.
    EXPECT_TRUE(
        ContainsText(Get("http://pagenum.taobao.com/search.htm?orderType=hotsell_desc&pageNo=2"), "page-info\">1/2<"));
}

TEST_F(ShopKinds, TmallAnswersCountPagesAndLinkThroughTheirItemHost) {
    struct Case {
        const char *host;
        const char *itemMarker;
    } cases[] = {{"mall.tmall.com", "//detail.tmall.com/item.htm?id="},
                 {"global.tmall.hk", "//detail.tmall.hk/hk/item.htm?id="}};
    for (const Case &c : cases) {
        const std::string answer = Get(std::string("http://") + c.host + "/i/asynSearch.htm?mid=w-" + Number(c.host) +
                                       "-0&path=/search.htm&&search=y&pageNo=2");
        EXPECT_TRUE(ContainsText(answer, "ui-page-s-len\\\">2/")) << c.host;
        // The region runs from the counter to the first "previous page" link and holds the items.
        const std::string_view region = SplitPiece(SplitPiece(answer, "ui-page-s-len", 2), RF_GBK("上一页</a>"), 1);
        EXPECT_TRUE(ContainsText(region, c.itemMarker)) << c.host;
    }
}

TEST_F(ShopKinds, RenderErrorShopFallsBackToPagesWithTheQuotedCounter) {
    const std::string number = Number("broken.tmall.com");
    EXPECT_EQ(
        Get("http://broken.tmall.com/i/asynSearch.htm?mid=w-" + number + "-0&path=/search.htm&&search=y&pageNo=1"),
        "default render error");
    EXPECT_TRUE(ContainsText(Get("http://broken.tmall.com/search.htm?search=y"), "?mid=w-" + number + "-0"));
    EXPECT_TRUE(ContainsText(Get("http://broken.tmall.com/search.htm?search=y&pageNo=3"), "ui-page-s-len\">3/3<"));
}

TEST_F(ShopKinds, RedirectShopSendsItsSearchPageToTheTarget) {
    const Json &shop = ShopEntry(s_truth, "moved.tmall.com");
    const std::string page = Get("http://moved.tmall.com/search.htm?search=y");
    EXPECT_TRUE(ContainsText(page, "window.location.href='" + shop.at("redirect_url").get<std::string>() + "'"));
    EXPECT_TRUE(ContainsText(page, "?mid=w-" + shop.at("shop_number").get<std::string>() + "-0"));
    EXPECT_FALSE(ContainsText(page, "ui-page-s-len"));
    EXPECT_TRUE(ContainsText(Get(shop.at("redirect_url")), "ui-page-s-len\">1/2<"));
    EXPECT_EQ(Get("http://moved.tmall.com/i/asynSearch.htm?mid=w-" + shop.at("shop_number").get<std::string>() +
                  "-0&path=/search.htm&&search=y&pageNo=1"),
              "default render error");
}

TEST_F(ShopKinds, PagesAreGbkAndItemPagesHaveTheSizeOfRealOnes) {
    const Json &taobao = ShopEntry(s_truth, "async.taobao.com");
    const Json &tmall = ShopEntry(s_truth, "global.tmall.hk");
    const std::string home = Get(taobao.at("home"));
    EXPECT_TRUE(ContainsText(home, "charset=\"gbk\""));
    EXPECT_TRUE(ContainsText(home, RF_GBK("首页-") + Utf8ToGbk(taobao.at("report_title").get<std::string>()) + "-"));
    for (const std::string &url : {taobao.at("rows")[0][7].get<std::string>(),
                                   "http://detail.tmall.hk/hk/item.htm?id=" +
                                       std::string(SplitPiece(tmall.at("rows")[0][7].get<std::string>(), "id=", 2))}) {
        std::string address = url;
        if (address.starts_with("https://")) address = "http://" + address.substr(8);
        const std::string page = Get(address);
        EXPECT_GT(page.size(), 40u * 1024) << url;
        EXPECT_LT(page.size(), 100u * 1024) << url;
        EXPECT_TRUE(ContainsText(page, "charset=\"gbk\"")) << url;
    }
}

} // namespace
} // namespace rongfan::marketsim::test
