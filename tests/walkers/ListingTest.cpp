#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeMarket.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

using testing::FakeMarket;
using testing::Recorder;

// Waits for the worker to let go of its copy of the context. The limit only
// keeps a broken walker from hanging the test run; it measures nothing.
bool waitForWorker(const SearchContext& context) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (context.window.use_count() > 1) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(StartListing, ChoosesTheWalkerAndRunsItOnAWorker) {
    const struct {
        const char* name;
        std::string shop;
        std::string captured;
        std::string firstFetch;  // empty: the walker fetches nothing first
    } cases[] = {
        {"taobao_async", "http://s.taobao.com", "?mid=w-9-0&x",
         "http://s.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w-9-0"},
        // The plain walker reads page 1 from the captured page: one page, no fetch.
        {"taobao_plain", "http://s.taobao.com", "page-info>1/1", ""},
        {"tmall", "http://t.tmall.com", "?mid=w-8-0&x",
         "http://t.tmall.com/i/asynSearch.htm?mid=w-8-0&path=/search.htm&&search=y&pageNo=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        SearchContext context = market.Context(c.shop, c.captured);
        std::mutex threadsMutex;
        std::vector<std::thread::id> fetchThreads;
        auto fetch = context.fetch;
        context.fetch = [&, fetch](std::string_view address) {
            std::lock_guard lock(threadsMutex);
            fetchThreads.push_back(std::this_thread::get_id());
            return fetch(address);
        };
        StartListing(context);
        ASSERT_TRUE(waitForWorker(context));
        {
            // The worker wrote it under the window's lock; the reference count it dropped orders nothing.
            std::lock_guard lock(Recorder(context).m);
            EXPECT_EQ(Recorder(context).harvestArmed, 1);
        }
        const std::vector<std::string> fetches = market.Fetches();
        if (c.firstFetch.empty()) {
            EXPECT_TRUE(fetches.empty());
        } else {
            ASSERT_FALSE(fetches.empty());
            EXPECT_EQ(fetches.front(), c.firstFetch);
            std::lock_guard lock(threadsMutex);
            ASSERT_FALSE(fetchThreads.empty());
            EXPECT_NE(fetchThreads.front(), std::this_thread::get_id());
        }
    }
}

TEST(StartListing, AddressOfNeitherMarketplaceStartsNothing) {
    FakeMarket market;
    const SearchContext context = market.Context("http://example.com", "?mid=w-1-0 page-info>1/1");
    StartListing(context);
    EXPECT_EQ(context.window.use_count(), 1);
    RunWalker(WalkerChoice::None, context);
    EXPECT_TRUE(market.Events().empty());
    EXPECT_TRUE(Recorder(context).calls.empty());
}

TEST(RunWalker, RunsTheNamedWalkerOnTheCallingThread) {
    const struct {
        WalkerChoice choice;
        std::string firstEvent;
    } cases[] = {
        {WalkerChoice::TaobaoAsync,
         "GET http://s.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w"},
        {WalkerChoice::TaobaoPlain, "sleep 1000"},
        {WalkerChoice::Tmall, "clear temporary"},
    };
    for (const auto& c : cases) {
        FakeMarket market;
        // A page that suits none of them: each walker's own first step shows which one ran.
        const SearchContext context = market.Context("http://s.taobao.com", "x?mid=w&page-info>1/1");
        RunWalker(c.choice, context);
        ASSERT_FALSE(market.Events().empty());
        EXPECT_EQ(market.Events().front(), c.firstEvent);
    }
}

}  // namespace
}  // namespace rongfan
