// Faults happen exactly when asked: on the addresses, shops and with the
// probabilities given, the same way in every run, and nowhere else.
#include "Fetcher.h"
#include "TestShops.h"
#include "text/Gbk.h"
#include "text/Text.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace rongfan::marketsim::test {
namespace {

const std::string kShop = "kind=taobao-async,host=faulty.taobao.com,items=30,seed=31";

std::string HttpAddress(std::string url) {
    if (url.starts_with("https://")) url = "http://" + url.substr(8);
    return url;
}

class Faults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_truth = Expected(ShopArguments({kShop}));
        s_item = HttpAddress(ShopEntry(s_truth, "faulty.taobao.com").at("rows")[0][7]);
        Marketsim clean(ShopArguments({kShop}));
        s_cleanItem = Fetcher(clean.Port()).Get(s_item).body;
    }
    static std::vector<std::string> With(std::vector<std::string> extra) {
        std::vector<std::string> args = ShopArguments({kShop});
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    static inline Json s_truth;
    static inline std::string s_item;
    static inline std::string s_cleanItem;
};

struct FaultCase {
    const char *name;
    std::vector<std::string> options;
    std::function<void(const FetchResult &faulted)> check;
};

TEST_F(Faults, EachKindHappensOnTheAddressesAskedAndNowhereElse) {
    ASSERT_GT(s_cleanItem.size(), 1000u);
    const std::size_t half = s_cleanItem.size() / 2;
    const FaultCase cases[] = {
        {"empty",
         {"--empty", "1"},
         [](const FetchResult &r) {
             EXPECT_EQ(r.code, CURLE_OK);
             EXPECT_EQ(r.status, 200);
             EXPECT_TRUE(r.body.empty());
         }},
        {"drop", {"--drop", "1"}, [](const FetchResult &r) { EXPECT_EQ(r.code, CURLE_GOT_NOTHING); }},
        {"error500",
         {"--error500", "1"},
         [](const FetchResult &r) {
             EXPECT_EQ(r.status, 500);
             EXPECT_TRUE(ContainsText(r.body, "500 Internal Server Error"));
             EXPECT_FALSE(ContainsText(r.body, "tb-rmb-num"));
         }},
        {"truncate",
         {"--truncate", "1"},
         [&](const FetchResult &r) {
             EXPECT_EQ(r.code, CURLE_PARTIAL_FILE);
             EXPECT_EQ(r.body, s_cleanItem.substr(0, half));
         }},
        {"zero_byte",
         {"--zero-byte", "1"},
         [&](const FetchResult &r) {
             EXPECT_EQ(r.code, CURLE_OK);
             EXPECT_EQ(r.body, s_cleanItem.substr(0, half) + std::string(1, '\0') + s_cleanItem.substr(half));
         }},
        {"stall",
         {"--stall", "1", "--stall-seconds", "5"},
         [](const FetchResult &r) {
             EXPECT_EQ(r.code, CURLE_OPERATION_TIMEDOUT);
             EXPECT_TRUE(r.body.empty());
         }},
    };
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--fault-on", "item.htm"});
        Marketsim server(With(options));
        ASSERT_TRUE(server.Started());
        Fetcher fetcher(server.Port());
        fetcher.SetStallLimit(1);
        c.check(fetcher.Get(s_item));
        // Addresses outside the fault's scope answer as usual, the login page included.
        const FetchResult search = fetcher.Get(ShopEntry(s_truth, "faulty.taobao.com").at("search_url"));
        EXPECT_EQ(search.code, CURLE_OK);
        EXPECT_TRUE(ContainsText(search.body, "?mid=w-"));
        EXPECT_EQ(fetcher.Get("http://count.taobao.com/counter3?keys=ICCP_1_1&callback=json").body,
                  "json({\"ICCP_1_1\":0});");
    }
}

TEST_F(Faults, WithoutScopeEveryMarketplaceAnswerIsFaultedButNotTheLogin) {
    Marketsim server(With({"--error500", "1"}));
    ASSERT_TRUE(server.Started());
    Fetcher fetcher(server.Port());
    for (const std::string &url : {ShopEntry(s_truth, "faulty.taobao.com").at("search_url").get<std::string>(), s_item,
                                   std::string("http://detailskip.taobao.com/json/ifq.htm?id=1")})
        EXPECT_EQ(fetcher.Get(url).status, 500) << url;
    const FetchResult login =
        fetcher.Get("http://login.taobao.com/member/login.jhtml?redirectURL=http%3A%2F%2Fx.taobao.com%2F");
    EXPECT_EQ(login.status, 200);
    EXPECT_TRUE(ContainsText(login.body, "TPL_username"));
}

TEST_F(Faults, ShopSettingsApplyToThatShopsPagesItemsAndServicesOnly) {
    const std::vector<std::string> args = ShopArguments({"kind=tmall-async,host=bad.tmall.com,items=10,seed=32,empty=1",
                                                         "kind=tmall-async,host=good.tmall.com,items=10,seed=33"});
    const Json truth = Expected(args);
    Marketsim server(args);
    ASSERT_TRUE(server.Started());
    Fetcher fetcher(server.Port());
    for (const char *host : {"bad.tmall.com", "good.tmall.com"}) {
        const Json &shop = ShopEntry(truth, host);
        const std::string id(SplitPiece(shop.at("rows")[0][7].get<std::string>(), "id=", 2));
        const bool faulty = std::string(host) == "bad.tmall.com";
        for (const std::string &url :
             {shop.at("search_url").get<std::string>(), "http://detail.tmall.com/item.htm?id=" + id,
              "http://count.taobao.com/counter3?keys=ICCP_1_" + id + "&callback=json"})
            EXPECT_EQ(fetcher.Get(url).body.empty(), faulty) << url;
    }
}

TEST_F(Faults, ProbabilitiesGiveTheSameMixInEveryRun) {
    auto pattern = [&](const std::vector<std::string> &extra) {
        Marketsim server(With(extra));
        Fetcher fetcher(server.Port());
        std::string seen;
        // The same address asked again and again, like a retrying client.
        for (int i = 0; i < 40; ++i)
            seen += fetcher.Get(s_item).status == 500 ? 'F' : '.';
        return seen;
    };
    const std::vector<std::string> options = {"--error500", "0.5", "--fault-on", "item.htm"};
    const std::string first = pattern(options);
    EXPECT_NE(first.find('F'), std::string::npos) << first;
    EXPECT_NE(first.find('.'), std::string::npos) << first;
    EXPECT_EQ(pattern(options), first);
    EXPECT_EQ(pattern({"--error500", "0", "--fault-on", "item.htm"}), std::string(40, '.'));
}

TEST_F(Faults, LatencyIsAppliedAndLogged) {
    struct Case {
        std::vector<std::string> options;
        int lo, hi;
    } cases[] = {{{"--latency-ms", "25"}, 25, 25}, {{"--latency-ms", "5-15"}, 5, 15}, {{}, 0, 0}};
    for (const Case &c : cases) {
        char path[] = "/tmp/marketsim-latencyXXXXXX";
        ::close(::mkstemp(path));
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--request-log", path});
        {
            Marketsim server(With(options));
            Fetcher fetcher(server.Port());
            for (int i = 0; i < 12; ++i)
                EXPECT_EQ(fetcher.Get(s_item).status, 200);
        }
        std::ifstream log(path);
        std::set<int> latencies;
        int lines = 0;
        for (std::string line; std::getline(log, line); ++lines)
            latencies.insert(Json::parse(line).at("latency_ms").get<int>());
        ::unlink(path);
        EXPECT_EQ(lines, 12);
        ASSERT_FALSE(latencies.empty());
        EXPECT_GE(*latencies.begin(), c.lo);
        EXPECT_LE(*latencies.rbegin(), c.hi);
        if (c.hi > c.lo) {
            EXPECT_GT(latencies.size(), 1u);
        }
    }
}

TEST_F(Faults, HugePageKeepsItsMarkersAndTheTruth) {
    const std::string setup = "kind=tmall-async,host=huge.tmall.com,items=5,seed=34";
    const std::vector<std::string> args = ShopArguments({setup + ",huge_mb=40"});
    const Json truth = Expected(args);
    EXPECT_EQ(ShopEntry(truth, "huge.tmall.com").at("rows"),
              ShopEntry(Expected(ShopArguments({setup})), "huge.tmall.com").at("rows"));
    Marketsim server(args);
    Fetcher fetcher(server.Port());
    const auto &rows = ShopEntry(truth, "huge.tmall.com").at("rows");
    const FetchResult huge = fetcher.Get(HttpAddress(rows[0][7]));
    EXPECT_GE(huge.body.size(), 40u * 1024 * 1024);
    EXPECT_TRUE(
        ContainsText(huge.body.substr(0, 4096), "<title>" + Utf8ToGbk(rows[0][1].get<std::string>()) + "-tmall."));
    EXPECT_TRUE(huge.body.ends_with("</html>\n"));
    EXPECT_LT(fetcher.Get(HttpAddress(rows[1][7])).body.size(), 100u * 1024);
}

TEST_F(Faults, ABogusPageCountClaimsPagesThatListNothing) {
    const std::vector<std::string> args =
        ShopArguments({"kind=taobao-async,host=bogus.taobao.com,items=0,seed=35,pages=999999",
                       "kind=tmall-async,host=bogus.tmall.com,items=70,seed=36,pages=999999"});
    const Json truth = Expected(args);
    Marketsim server(args);
    Fetcher fetcher(server.Port());
    const std::string taobao = "http://bogus.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&mid=w-" +
                               ShopEntry(truth, "bogus.taobao.com").at("shop_number").get<std::string>() + "-0&pageNo=";
    const std::string tmall = "http://bogus.tmall.com/i/asynSearch.htm?mid=w-" +
                              ShopEntry(truth, "bogus.tmall.com").at("shop_number").get<std::string>() +
                              "-0&path=/search.htm&&search=y&pageNo=";
    struct Case {
        std::string url;
        std::string counter;
        bool items;
    } cases[] = {
        {taobao + "1", "page-info\\\">1/999999<", false},
        {taobao + "777", "page-info\\\">777/999999<", false},
        {tmall + "2", "ui-page-s-len\\\">2/999999<", true},
        {tmall + "3", "ui-page-s-len\\\">3/999999<", false},
        {tmall + "999999", "ui-page-s-len\\\">999999/999999<", false},
    };
    for (const Case &c : cases) {
        const std::string answer = fetcher.Get(c.url).body;
        EXPECT_TRUE(ContainsText(answer, c.counter)) << c.url;
        EXPECT_EQ(ContainsText(SplitPiece(answer, "comboHd", 1), "item.htm?id="), c.items) << c.url;
    }
}

} // namespace
} // namespace rongfan::marketsim::test
