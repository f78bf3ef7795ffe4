// Whole walks against the simulated marketplace: the search page captured by
// a direct fetch through the proxy, the walker the listing tick would choose,
// the real HttpFetch; the buffer is compared with the simulator's own truth and
// the request log with the sequence of pages each walker must ask for.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "capture/CaptureRules.h"
#include "capture/ShopAddress.h"
#include "host/HttpFetch.h"
#include "support/Marketsim.h"
#include "support/RecorderWindow.h"
#include "text/Text.h"
#include "walkers/WalkLimits.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

using Json = nlohmann::json;
using testing::RecorderWindow;

const std::vector<std::string> ShopOptions = {
    "--shop", "kind=taobao-async,host=walk-async.taobao.com,items=60,seed=11",
    "--shop", "kind=taobao-plain,host=walk-plain.taobao.com,items=50,seed=12",
    "--shop", "kind=taobao-plain,host=walk-pagenum.taobao.com,items=30,seed=13,key=pageNum",
    "--shop", "kind=tmall-async,host=walk-main.tmall.com,items=130,seed=14",
    "--shop", "kind=tmall-async,host=walk-hk.tmall.hk,items=70,seed=15",
    "--shop", "kind=tmall-render-error,host=walk-plain.tmall.com,items=70,seed=16",
    "--shop", "kind=tmall-redirect,host=walk-moved.tmall.com,target=walk-moved-new.tmall.com,items=70,seed=17",
    "--shop", "kind=taobao-async,host=walk-claims.taobao.com,items=30,seed=18,pages=999999",
};

class MarketsimWalk : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_log = ::testing::TempDir() + "marketsim-walk-" + std::to_string(::getpid()) + ".log";
        std::remove(s_log.c_str());
        std::vector<std::string> options = ShopOptions;
        options.push_back("--request-log");
        options.push_back(s_log);
        s_market = std::make_unique<testing::Marketsim>(options);
        ASSERT_TRUE(s_market->Started());
        const std::string truth = testing::MarketsimExpected(ShopOptions);
        ASSERT_FALSE(truth.empty());
        s_truth = Json::parse(truth);
        const std::string proxy = "http://127.0.0.1:" + std::to_string(s_market->Port());
        ::setenv("http_proxy", proxy.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    static void TearDownTestSuite() {
        s_market.reset();
        std::remove(s_log.c_str());
    }

    static const Json& Shop(const std::string& host) {
        for (const Json& shop : s_truth["shops"]) {
            if (shop["host"] == host) return shop;
        }
        static const Json none;
        ADD_FAILURE() << "no shop " << host << " in the truth";
        return none;
    }

    // The buffer lines the walk must leave: bare ids for a Taobao shop, whole
    // addresses on the shop's item base for a Tmall shop, in listing order.
    static std::vector<std::string> ExpectedLines(const Json& shop) {
        std::vector<std::string> lines;
        const bool taobao = shop["kind"].get<std::string>().rfind("taobao", 0) == 0;
        for (const Json& row : shop["rows"]) {
            const std::string url = row[7].get<std::string>();
            const std::string id = url.substr(url.find("?id=") + 4);
            lines.push_back(taobao ? id : "http://" + shop["item_base"].get<std::string>() + "/item.htm?id=" + id);
        }
        return lines;
    }

    // Addresses the simulator answered for these hosts, in order. The log line
    // may land just after the answer did, so wait a little for `atLeast` lines.
    static std::vector<std::string> Requests(const std::vector<std::string>& hosts, std::size_t atLeast) {
        std::vector<std::string> out;
        for (int round = 0; round < 100; ++round) {
            out.clear();
            std::ifstream in(s_log);
            std::string line;
            while (std::getline(in, line)) {
                const std::string url = Json::parse(line)["url"].get<std::string>();
                for (const std::string& host : hosts) {
                    if (url.rfind("http://" + host + "/", 0) == 0) out.push_back(url);
                }
            }
            if (out.size() >= atLeast) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return out;
    }

    struct Walk {
        std::shared_ptr<RecorderWindow> window;
        std::shared_ptr<SearchState> state;
        int pauses = 0;
        int walks = 0;
    };

    // The search as the CLI runs it: launch, capture by direct fetch, walk; a
    // walk that asked for a new capture is followed by that capture's walk.
    static Walk Search(const std::string& typed) {
        Walk w;
        w.window = std::make_shared<RecorderWindow>();
        w.state = std::make_shared<SearchState>();
        w.window->shopAddress = typed;
        EXPECT_TRUE(LaunchSearch(*w.window, *w.state));
        SearchContext context = SearchContext::Make(w.state, w.window);
        context.sleep = [&w](std::chrono::milliseconds pause) {
            EXPECT_EQ(pause, WalkLimits::PlainPagePause);
            ++w.pauses;
        };
        int capturesSeen = 0;
        while (w.window->captures > capturesSeen && w.walks < 3) {
            capturesSeen = w.window->captures;
            const std::string page = NormaliseCapturedPage(BytesToText(HttpFetch(w.state->SearchUrl())));
            EXPECT_TRUE(IsCapturedPage(page)) << w.state->SearchUrl();
            w.state->SetCapturedPage(page);
            RunWalker(ChooseWalker(w.window->ShopAddress(), page), context);
            ++w.walks;
        }
        return w;
    }

    static inline std::unique_ptr<testing::Marketsim> s_market;
    static inline Json s_truth;
    static inline std::string s_log;
};

std::string asyncTaobao(const Json& shop, int n) {
    return shop["home"].get<std::string>() + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=" + std::to_string(n) +
           "&mid=w-" + shop["shop_number"].get<std::string>() + "-0";
}
std::string asyncTmall(const Json& shop, int n) {
    return shop["home"].get<std::string>() + "/i/asynSearch.htm?mid=w-" + shop["shop_number"].get<std::string>() +
           "-0&path=/search.htm&&search=y&pageNo=" + std::to_string(n);
}

TEST_F(MarketsimWalk, TaobaoAsync) {
    const Json& shop = Shop("walk-async.taobao.com");
    const Walk w = Search("https://walk-async.taobao.com/index.htm");
    EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
    EXPECT_EQ(w.window->harvestArmed, 1);
    std::vector<std::string> expected = {shop["search_url"]};
    for (int n = 1; n <= shop["pages"].get<int>(); ++n)
        expected.push_back(asyncTaobao(shop, n));
    EXPECT_EQ(Requests({"walk-async.taobao.com"}, expected.size()), expected);
}

TEST_F(MarketsimWalk, TaobaoPlainWithEitherPageKey) {
    for (const char* host : {"walk-plain.taobao.com", "walk-pagenum.taobao.com"}) {
        SCOPED_TRACE(host);
        const Json& shop = Shop(host);
        const Walk w = Search(host);
        EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
        EXPECT_EQ(w.window->harvestArmed, 1);
        EXPECT_EQ(w.pauses, shop["pages"].get<int>());
        std::vector<std::string> expected = {shop["search_url"]};
        for (int n = 2; n <= shop["pages"].get<int>(); ++n) {
            expected.push_back(shop["home"].get<std::string>() + "/search.htm?orderType=hotsell_desc&" +
                               shop["page_key"].get<std::string>() + "=" + std::to_string(n));
        }
        EXPECT_EQ(Requests({host}, expected.size()), expected);
    }
}

TEST_F(MarketsimWalk, TmallAsyncOnBothItemHosts) {
    for (const char* host : {"walk-main.tmall.com", "walk-hk.tmall.hk"}) {
        SCOPED_TRACE(host);
        const Json& shop = Shop(host);
        const Walk w = Search(host);
        EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
        EXPECT_EQ(w.window->harvestArmed, 1);
        std::vector<std::string> expected = {shop["search_url"]};
        for (int n = 1; n <= shop["pages"].get<int>(); ++n)
            expected.push_back(asyncTmall(shop, n));
        EXPECT_EQ(Requests({host}, expected.size()), expected);
    }
}

TEST_F(MarketsimWalk, TmallRenderErrorWalksTheOrdinaryPages) {
    const Json& shop = Shop("walk-plain.tmall.com");
    const Walk w = Search("http://walk-plain.tmall.com/");
    EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
    EXPECT_EQ(w.window->harvestArmed, 1);
    EXPECT_TRUE(w.window->statuses.size() == 1) << "only the launch's status";
    std::vector<std::string> expected = {shop["search_url"], asyncTmall(shop, 1)};
    for (int n = 2; n <= shop["pages"].get<int>(); ++n) {
        expected.push_back(shop["home"].get<std::string>() + "/search.htm?search=y&pageNo=" + std::to_string(n));
    }
    EXPECT_EQ(Requests({"walk-plain.tmall.com"}, expected.size()), expected);
}

TEST_F(MarketsimWalk, TmallRedirectCapturesAgainAndHarvestsOnce) {
    const Json& shop = Shop("walk-moved.tmall.com");
    const Walk w = Search("walk-moved.tmall.com");
    EXPECT_EQ(w.walks, 2);
    EXPECT_EQ(w.window->captures, 2);
    EXPECT_EQ(w.state->SearchUrl(), shop["redirect_url"]);
    EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
    EXPECT_EQ(w.window->harvestArmed, 1);
    std::vector<std::string> expected = {shop["search_url"], asyncTmall(shop, 1), shop["redirect_url"],
                                         asyncTmall(shop, 1)};
    for (int n = 2; n <= shop["pages"].get<int>(); ++n) {
        expected.push_back(shop["home"].get<std::string>() + "/search.htm?search=y&pageNo=" + std::to_string(n));
    }
    EXPECT_EQ(Requests({"walk-moved.tmall.com", "walk-moved-new.tmall.com"}, expected.size()), expected);
}

TEST_F(MarketsimWalk, CounterClaimingFarTooManyPagesEndsAfterARunWithoutItems) {
    const Json& shop = Shop("walk-claims.taobao.com");
    ASSERT_EQ(shop["pages"].get<int>(), 999999);
    const Walk w = Search("walk-claims.taobao.com");
    EXPECT_EQ(w.state->ItemIds().Lines(), ExpectedLines(shop));
    EXPECT_EQ(w.window->harvestArmed, 1);
    const int realPages = (shop["items"].get<int>() + shop["per_page"].get<int>() - 1) / shop["per_page"].get<int>();
    std::vector<std::string> expected = {shop["search_url"]};
    for (int n = 1; n <= realPages + WalkLimits::MaxPagesWithoutNewItems; ++n)
        expected.push_back(asyncTaobao(shop, n));
    EXPECT_EQ(Requests({"walk-claims.taobao.com"}, expected.size()), expected);
}

}  // namespace
}  // namespace rongfan
