// The whole search against the simulated marketplace: the search page captured
// by a direct fetch, walked, harvested over real HTTP, and every row compared
// with the simulator's own truth.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "../support/RecorderWindow.h"
#include "capture/CaptureRules.h"
#include "capture/ShopAddress.h"
#include "harvest/Harvesters.h"
#include "host/HttpFetch.h"
#include "support/Marketsim.h"
#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

using testing::Marketsim;
using testing::RecorderWindow;
using Rows = std::vector<std::vector<std::string>>;

// Sends every fetch of this process to the simulator; no other proxy setting
// of the machine may take the requests elsewhere.
class ProxyThrough {
public:
    explicit ProxyThrough(const std::string& proxy) {
        for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
        setenv("http_proxy", proxy.c_str(), 1);
    }
    ~ProxyThrough() { unsetenv("http_proxy"); }
};

struct SearchRun {
    Rows rows;                                // UTF-8
    std::vector<std::string> harvestFetches;  // addresses the harvest asked, in order
    std::string status;                       // UTF-8
    bool locked = true;
    int captures = 0;
};

// Launch, capture, walk (again after a redirect), harvest: what the window and
// the CLI do, on this thread.
SearchRun runSearch(const std::string& shopHost) {
    auto state = std::make_shared<SearchState>();
    auto window = std::make_shared<RecorderWindow>();
    const LaunchDecision launch = DecideLaunch("http://" + shopHost);
    EXPECT_TRUE(launch.accepted);
    window->SetShopAddress(launch.baseAddress);
    state->SetSearchUrl(launch.searchUrl);
    window->LockSearch();
    const SearchContext context = SearchContext::Make(state, window);

    SearchRun run;
    for (int capture = 0; capture < 3; ++capture) {
        const Text page = NormaliseCapturedPage(BytesToText(HttpFetch(state->SearchUrl())));
        EXPECT_TRUE(IsCapturedPage(page)) << GbkToUtf8(state->SearchUrl());
        state->SetCapturedPage(page);
        const int before = window->captures;
        RunWalker(ChooseWalker(window->ShopAddress(), page), context);
        if (window->captures == before) break;
        ++run.captures;
    }
    EXPECT_EQ(window->harvestArmed, 1) << GbkToUtf8(window->status);

    SearchContext harvest = context;
    harvest.fetch = [&run](std::string_view address) {
        run.harvestFetches.emplace_back(address);
        return HttpFetch(address);
    };
    RunHarvester(harvest);

    for (const auto& row : window->rows) {
        std::vector<std::string> cells;
        for (const auto& cell : row)
            cells.push_back(GbkToUtf8(cell));
        run.rows.push_back(std::move(cells));
    }
    run.status = GbkToUtf8(window->status);
    run.locked = window->locked;
    return run;
}

// The truth the simulator states for `host` among the shops `arguments` declare.
Rows truthOf(const std::vector<std::string>& arguments, const std::string& host) {
    const auto json = nlohmann::json::parse(testing::MarketsimExpected(arguments));
    for (const auto& shop : json.at("shops"))
        if (shop.at("host") == host) return shop.at("rows").get<Rows>();
    ADD_FAILURE() << "no truth for " << host;
    return {};
}

void expectRowsEqual(const Rows& got, const Rows& truth) {
    ASSERT_EQ(got.size(), truth.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], truth[i]) << "row " << i + 1;
}

int countContaining(const std::vector<std::string>& addresses, const std::string& part) {
    int n = 0;
    for (const auto& a : addresses)
        n += a.find(part) != std::string::npos;
    return n;
}

struct ShopCase {
    const char* name;
    std::vector<std::string> shops;  // --shop setups
    std::string host;                // the shop searched
    int recaptures;
};

// Test names and failure messages show the case by its name.
void PrintTo(const ShopCase& c, std::ostream* os) {
    *os << c.name;
}

const ShopCase shopCases[] = {
    {"TaobaoAsync", {"kind=taobao-async,host=e2e-async.taobao.com,items=50,seed=11"}, "e2e-async.taobao.com", 0},
    {"TaobaoPlainPageNo",
     {"kind=taobao-plain,host=e2e-plain.taobao.com,items=50,seed=12,key=pageNo"},
     "e2e-plain.taobao.com",
     0},
    {"TaobaoPlainPageNum",
     {"kind=taobao-plain,host=e2e-plainnum.taobao.com,items=30,seed=13,key=pageNum"},
     "e2e-plainnum.taobao.com",
     0},
    {"TmallAsync", {"kind=tmall-async,host=e2e-async.tmall.com,items=130,seed=14"}, "e2e-async.tmall.com", 0},
    {"TmallAsyncAltItemHost", {"kind=tmall-async,host=e2e-async.tmall.hk,items=70,seed=15"}, "e2e-async.tmall.hk", 0},
    {"TmallRenderError",
     {"kind=tmall-render-error,host=e2e-render.tmall.com,items=70,seed=16"},
     "e2e-render.tmall.com",
     0},
    // The redirect target serves the same shop under its new host.
    {"TmallRedirect",
     {"kind=tmall-redirect,host=e2e-redirect.tmall.com,target=e2e-target.tmall.com,items=70,seed=17"},
     "e2e-redirect.tmall.com",
     1},
};

class HarvestEndToEnd : public ::testing::TestWithParam<ShopCase> {};

TEST_P(HarvestEndToEnd, EveryRowMatchesTheSimulatorsTruth) {
    const ShopCase& c = GetParam();
    std::vector<std::string> arguments;
    for (const auto& shop : c.shops)
        arguments.insert(arguments.end(), {"--shop", shop});
    const Rows truth = truthOf(arguments, c.host);
    ASSERT_FALSE(truth.empty());

    Marketsim market(arguments);
    ASSERT_TRUE(market.Started());
    ProxyThrough proxy(market.Proxy());
    const SearchRun run = runSearch(c.host);

    EXPECT_EQ(run.captures, c.recaptures);
    expectRowsEqual(run.rows, truth);
    EXPECT_EQ(run.status, "已完成任务！");
    EXPECT_FALSE(run.locked);
    // Without faults every item page is asked once.
    const std::string itemPath = "/item.htm?id=";
    EXPECT_EQ(countContaining(run.harvestFetches, itemPath), static_cast<int>(truth.size()));
}

INSTANTIATE_TEST_SUITE_P(Shops, HarvestEndToEnd, ::testing::ValuesIn(shopCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Faults of one kind of request: the rows keep everything else the truth says.
struct FaultCase {
    const char* name;
    std::string shop;
    std::string host;
    std::string faulted;               // the part of the addresses that always answer empty
    std::vector<std::size_t> emptied;  // the columns a fault leaves empty
    int attemptsPerItem;               // requests of the faulted kind per item that names one
};

// Test names and failure messages show the case by its name.
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

const FaultCase faultCases[] = {
    {"TaobaoItemPageNeverComes",
     "kind=taobao-async,host=e2e-gone.taobao.com,items=30,seed=21,empty=1,fault_on=item.htm",
     "e2e-gone.taobao.com",
     "item.htm",
     {1, 2, 3, 4, 5, 6, 8},
     10},
    {"TmallItemPageNeverComes",
     "kind=tmall-async,host=e2e-gone.tmall.com,items=30,seed=22,empty=1,fault_on=detail.tmall.com",
     "e2e-gone.tmall.com",
     "detail.tmall.com",
     {1, 2, 3, 4, 5, 6, 8},
     10},
    {"TaobaoDetailSkipNeverAnswers",
     "kind=taobao-async,host=e2e-skip.taobao.com,items=30,seed=23,empty=1,fault_on=detailskip",
     "e2e-skip.taobao.com",
     "detailskip",
     {4, 5},
     10},
    {"TaobaoRateCounterNeverAnswers",
     "kind=taobao-async,host=e2e-rate.taobao.com,items=30,seed=24,empty=1,fault_on=detailCount",
     "e2e-rate.taobao.com",
     "detailCount",
     {6},
     10},
    {"TmallDetailSkipAskedOnce",
     "kind=tmall-async,host=e2e-skip.tmall.com,items=30,seed=25,empty=1,fault_on=detailskip",
     "e2e-skip.tmall.com",
     "detailskip",
     {4, 5},
     1},
};

class HarvestEndToEndFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(HarvestEndToEndFaults, RowsKeepWhatTheFaultSparesAndAttemptsStopInTime) {
    const FaultCase& c = GetParam();
    const std::vector<std::string> arguments = {"--shop", c.shop};
    Rows truth = truthOf(arguments, c.host);
    ASSERT_FALSE(truth.empty());

    Marketsim market(arguments);
    ASSERT_TRUE(market.Started());
    ProxyThrough proxy(market.Proxy());
    const SearchRun run = runSearch(c.host);

    // Items whose page names the faulted service; an item page always exists.
    int naming = 0;
    for (auto& row : truth) {
        const bool names = c.faulted == "detailskip" ? !row[4].empty() : true;
        naming += names;
        for (std::size_t column : c.emptied)
            row[column].clear();
    }
    expectRowsEqual(run.rows, truth);
    EXPECT_EQ(countContaining(run.harvestFetches, c.faulted), naming * c.attemptsPerItem);
    EXPECT_EQ(run.status, "已完成任务！");
}

INSTANTIATE_TEST_SUITE_P(Faults, HarvestEndToEndFaults, ::testing::ValuesIn(faultCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rongfan
