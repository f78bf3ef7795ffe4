#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeMarket.h"
#include "text/Gbk.h"
#include "walkers/WalkLimits.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

using testing::FakeMarket;
using testing::Recorder;

const std::string Shop = "http://abc.tmall.com";
const std::string HkShop = "http://abc.tmall.hk";
const std::string MainHost = "detail.tmall.com";
const std::string AltHost = "detail.tmall.hk/hk";

// The captured search page: quotes gone, the shop number in the hidden input.
const std::string CapturedWithNumber =
    "<input id=J_ShopAsynSearchURL type=hidden value=/i/asynSearch.htm?mid=w-555-0&wid=555&path=/search.htm /> ";

std::string asyncAddress(const std::string& shop, int n, const std::string& number = "555") {
    return shop + "/i/asynSearch.htm?mid=w-" + number + "-0&path=/search.htm&&search=y&pageNo=" + std::to_string(n);
}
std::string searchPage(const std::string& shop) {
    return shop + "/search.htm?search=y";
}
std::string plainAddress(const std::string& shop, int n) {
    return shop + "/search.htm?search=y&pageNo=" + std::to_string(n);
}

// Asynchronous answer: the counter of the small pager, the items, then the "previous" link.
std::string asyncLink(const std::string& host, const std::string& afterId) {
    return "<a href=\\\"//" + host + "/item.htm?id=" + afterId + "\\\">x</a>";
}
std::string asyncAnswer(const std::string& counter, const std::string& items) {
    return "jsonp9(\"<p class=\\\"ui-page-s\\\"><b class=\\\"ui-page-s-len\\\">" + counter + "</b>" + items +
           "<a class=\\\"disable\\\">" + RF_GBK("上一页") + "</a></p>\")";
}
// An ordinary search page as served, with quotes.
std::string servedLink(const std::string& host, const std::string& afterId) {
    return "<a href=\"//" + host + "/item.htm?id=" + afterId + "\">x</a>";
}
std::string servedPage(const std::string& counter, const std::string& items) {
    return "<input value=\"/i/asynSearch.htm?mid=w-555-0&wid=555\"><b class=\"ui-page-s-len\">" + counter + "</b>" +
           items + "<a class=\"disable\">" + RF_GBK("上一页") + "</a>";
}
// The same page after the capture removed its quotes.
std::string capturedLink(const std::string& host, const std::string& afterId) {
    return "<a href=//" + host + "/item.htm?id=" + afterId + ">x</a>";
}
std::string capturedPage(const std::string& counter, const std::string& items) {
    return CapturedWithNumber + "<b class=ui-page-s-len>" + counter + "</b>" + items + "<a class=disable>" +
           RF_GBK("上一页") + "</a>";
}

std::string line(const std::string& host, const std::string& id) {
    return "http://" + host + "/item.htm?id=" + id;
}

const std::string RenderError = "<html>default render error</html>";

TEST(TmallWalker, ItemsOfAnAsynchronousPage) {
    const struct {
        const char* name;
        std::string shop;
        std::string items;
        std::vector<std::string> lines;
    } cases[] = {
        {"id_followed_by_ampersand", Shop, asyncLink(MainHost, "1&skuId=2"), {line(MainHost, "1")}},
        {"id_running_into_the_closing_quote", Shop, asyncLink(MainHost, "2"), {}},
        {"with_or_without_scheme",
         Shop,
         "http://" + MainHost + "/item.htm?id=3&a //" + MainHost + "/item.htm?id=4&b",
         {line(MainHost, "3"), line(MainHost, "4")}},
        {"one_item_linked_twice", Shop, asyncLink(MainHost, "5&a") + asyncLink(MainHost, "5&b"), {line(MainHost, "5")}},
        {"id_inside_a_longer_id_is_its_own_item",
         Shop,
         asyncLink(MainHost, "12345&a") + asyncLink(MainHost, "1234&a"),
         {line(MainHost, "12345"), line(MainHost, "1234")}},
        {"empty_id", Shop, asyncLink(MainHost, "&a"), {}},
        {"main_domain_shop_ignores_alt_host",
         Shop,
         asyncLink(AltHost, "6&a") + asyncLink(MainHost, "7&a"),
         {line(MainHost, "7")}},
        {"other_shop_takes_alt_host_with_hk",
         HkShop,
         asyncLink(AltHost, "8&a") + asyncLink(MainHost, "9&a"),
         {line(AltHost, "8")}},
        {"alt_host_without_hk_segment_is_no_item", HkShop, asyncLink("detail.tmall.hk", "10&a"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(asyncAddress(c.shop, 1), {asyncAnswer("1/1", c.items)});
        const SearchContext context = market.Context(c.shop, CapturedWithNumber);
        TmallWalker(context);
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(market.Events(), std::vector<std::string>{"GET " + asyncAddress(c.shop, 1)});
        EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"arm:harvest"});
    }
}

TEST(TmallWalker, AsynchronousRegionNeedsCounterAndPreviousLink) {
    const std::string prev = RF_GBK("上一页</a>");
    const std::string item = asyncLink(MainHost, "1&a");
    const struct {
        const char* name;
        std::string page;
        std::vector<std::string> lines;
    } cases[] = {
        {"counter_item_previous", "ui-page-s-len" + item + prev, {line(MainHost, "1")}},
        {"no_previous_link", "ui-page-s-len\\\">1/1</b>" + item, {}},
        {"no_counter", item + prev, {}},
        {"item_before_the_counter", item + "ui-page-s-len" + prev, {}},
        {"item_after_the_previous_link", "ui-page-s-len" + prev + item, {}},
        {"region_ends_at_a_second_counter",
         "ui-page-s-len" + item + "ui-page-s-len" + asyncLink(MainHost, "2&a") + prev,
         {line(MainHost, "1")}},
        {"counter_at_the_very_end", item + prev + "ui-page-s-len", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {c.page});
        const SearchContext context = market.Context(Shop, CapturedWithNumber);
        TmallWalker(context);
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

TEST(TmallWalker, ShopPageAttemptsUntilItNamesTheShopNumber) {
    const int attempts = WalkLimits::TmallShopPageAttempts;
    const std::vector<std::string> oneAttempt = {"clear temporary", "clear cookies", "GET " + searchPage(Shop)};
    const std::string withNumber = "<input value=\"/i/asynSearch.htm?mid=w-777-0&wid=777\">";
    static_assert(WalkLimits::TmallShopPageAttempts == 5, "the answer lists below assume five attempts");
    const struct {
        const char* name;
        std::string captured;
        std::vector<std::string> searchAnswers;
        int attemptsMade;
        bool found;
    } cases[] = {
        {"captured_page_names_it_no_request_no_clearing", "x?mid=w-777-0&y", {}, 0, true},
        {"first_fetch_names_it", "page-info>1/2", {withNumber}, 1, true},
        {"found_on_the_last_attempt", "", {"", "", "", "", withNumber}, attempts, true},
        {"never_found", "?mid=w123", {"<html>login</html>"}, attempts, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(searchPage(Shop), c.searchAnswers);
        market.Answer(asyncAddress(Shop, 1, "777"), {asyncAnswer("1/1", asyncLink(MainHost, "70&a"))});
        const SearchContext context = market.Context(Shop, c.captured);
        TmallWalker(context);
        std::vector<std::string> expected;
        for (int i = 0; i < c.attemptsMade; ++i)
            expected.insert(expected.end(), oneAttempt.begin(), oneAttempt.end());
        if (c.found) expected.push_back("GET " + asyncAddress(Shop, 1, "777"));
        EXPECT_EQ(market.Events(), expected);
        if (c.found) {
            EXPECT_EQ(context.state->ItemIds().Lines(), std::vector<std::string>{line(MainHost, "70")});
            EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"arm:harvest"});
        } else {
            EXPECT_EQ(Recorder(context).calls,
                      std::vector<std::string>{"status:" + RF_GBK("网络超时，请清除COOKIES后重试！")});
        }
    }
}

TEST(TmallWalker, EmptyAsynchronousPageIsAskedForAgain) {
    const int attempts = WalkLimits::TmallAsyncPageAttempts;
    const std::string page3 = asyncAnswer("3/4", asyncLink(MainHost, "3&a"));
    const struct {
        const char* name;
        std::vector<std::string> page3Answers;
        int page3Fetches;
        bool page3Walked;
    } cases[] = {
        {"answered_at_once", {page3}, 1, true},
        {"filled_on_the_last_attempt", {"", "", "", "", page3}, attempts, true},
        {"never_filled", {""}, attempts, false},
        {"filled_one_attempt_too_late", {"", "", "", "", "", page3}, attempts, false},
    };
    static_assert(WalkLimits::TmallAsyncPageAttempts == 5, "the answer lists above assume five attempts");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {asyncAnswer("1/4", asyncLink(MainHost, "1&a"))});
        market.Answer(asyncAddress(Shop, 2), {asyncAnswer("2/4", asyncLink(MainHost, "2&a"))});
        market.Answer(asyncAddress(Shop, 3), c.page3Answers);
        market.Answer(asyncAddress(Shop, 4), {asyncAnswer("4/4", asyncLink(MainHost, "4&a"))});
        const SearchContext context = market.Context(Shop, CapturedWithNumber);
        TmallWalker(context);
        EXPECT_EQ(market.FetchCount(asyncAddress(Shop, 1)), 1);
        EXPECT_EQ(market.FetchCount(asyncAddress(Shop, 2)), 1);
        EXPECT_EQ(market.FetchCount(asyncAddress(Shop, 3)), c.page3Fetches);
        EXPECT_EQ(market.FetchCount(asyncAddress(Shop, 4)), 1);
        std::vector<std::string> lines = {line(MainHost, "1"), line(MainHost, "2")};
        if (c.page3Walked) lines.push_back(line(MainHost, "3"));
        lines.push_back(line(MainHost, "4"));
        EXPECT_EQ(context.state->ItemIds().Lines(), lines);
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

TEST(TmallWalker, AsynchronousPageCount) {
    const struct {
        const char* name;
        std::string firstAnswer;
        int lastPage;
        std::size_t lines;
    } cases[] = {
        {"three_pages", asyncAnswer("1/3", asyncLink(MainHost, "1&a")), 3, 1},
        {"zero_is_one", asyncAnswer("0/0", asyncLink(MainHost, "1&a")), 1, 1},
        {"not_a_number_is_one", asyncAnswer("1/x", asyncLink(MainHost, "1&a")), 1, 1},
        {"negative_walks_nothing", asyncAnswer("1/-3", asyncLink(MainHost, "1&a")), 1, 0},
        // An empty first answer is no render error: one page, no item, no plain pages.
        {"empty_first_answer", "", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {c.firstAnswer});
        const SearchContext context = market.Context(Shop, CapturedWithNumber);
        TmallWalker(context);
        std::vector<std::string> requests = {asyncAddress(Shop, 1)};
        // Later pages fail and are asked for again.
        for (int n = 2; n <= c.lastPage; ++n) {
            for (int i = 0; i < WalkLimits::TmallAsyncPageAttempts; ++i)
                requests.push_back(asyncAddress(Shop, n));
        }
        EXPECT_EQ(market.Fetches(), requests);
        EXPECT_EQ(context.state->ItemIds().LineCount(), c.lines);
        EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"arm:harvest"});
    }
}

TEST(TmallWalker, PlainModeAfterRenderError) {
    const struct {
        const char* name;
        std::string captured;
        std::string searchAnswer;  // fetched only when the captured page names no shop number
        std::string page2;
        std::vector<std::string> lines;
    } cases[] = {
        {"saved_page_fetched_with_quotes",
         "page-info>1/2",
         servedPage("1/2", servedLink(MainHost, "1&a") + servedLink(MainHost, "2")),
         servedPage("2/2", servedLink(MainHost, "3&a")),
         {line(MainHost, "1"), line(MainHost, "3")}},
        // The captured page has no quotes; its counter must still be found.
        {"saved_page_is_the_captured_page",
         capturedPage("1/2", capturedLink(MainHost, "4&a") + capturedLink(MainHost, "5")),
         "",
         servedPage("2/2", servedLink(MainHost, "6&a")),
         {line(MainHost, "4"), line(MainHost, "6")}},
        {"later_page_without_counter_yields_nothing",
         capturedPage("1/2", capturedLink(MainHost, "7&a")),
         "",
         "<p>" + servedLink(MainHost, "8&a") + RF_GBK("上一页</a>") + "</p>",
         {line(MainHost, "7")}},
        {"later_page_failed", capturedPage("1/2", capturedLink(MainHost, "9&a")), "", "", {line(MainHost, "9")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(searchPage(Shop), {c.searchAnswer});
        market.Answer(asyncAddress(Shop, 1), {RenderError});
        market.Answer(plainAddress(Shop, 2), {c.page2});
        const SearchContext context = market.Context(Shop, c.captured);
        TmallWalker(context);
        const std::vector<std::string> fetches = market.Fetches();
        ASSERT_GE(fetches.size(), 2u);
        EXPECT_EQ(fetches[fetches.size() - 2], asyncAddress(Shop, 1));
        EXPECT_EQ(fetches.back(), plainAddress(Shop, 2));
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"arm:harvest"});
    }
}

TEST(TmallWalker, PlainPageCount) {
    const struct {
        const char* counter;
        int lastPage;
    } cases[] = {{"1/3", 3}, {"0/0", 1}, {"1/y", 1}, {"4", 1}, {"1/-1", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.counter);
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {RenderError});
        const SearchContext context = market.Context(Shop, capturedPage(c.counter, ""));
        TmallWalker(context);
        std::vector<std::string> requests = {asyncAddress(Shop, 1)};
        for (int n = 2; n <= c.lastPage; ++n)
            requests.push_back(plainAddress(Shop, n));
        EXPECT_EQ(market.Fetches(), requests);
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

// The shop first sends the browser elsewhere: the capture starts again from
// there, and that capture's walk arms the harvest, not this one.
TEST(TmallWalker, RedirectStartsTheCaptureAgainWithoutHarvest) {
    FakeMarket market;
    market.Answer(asyncAddress(Shop, 1), {RenderError});
    SearchContext context = market.Context(
        Shop, CapturedWithNumber + "<script>window.location.href='http://abc.tmall.com/x?y=1';</script>");
    context.state->SetSearchUrl("http://abc.tmall.com/search.htm?search=y");
    context.state->ItemIds().AppendUnique(line(MainHost, "1"));
    std::vector<int> capturesAtClear;
    auto recordClear = context.clearBrowserCache;
    context.clearBrowserCache = [&](CacheMode mode) {
        capturesAtClear.push_back(Recorder(context).captures);
        recordClear(mode);
    };
    TmallWalker(context);
    EXPECT_EQ(market.Events(),
              (std::vector<std::string>{"GET " + asyncAddress(Shop, 1), "clear temporary", "clear cookies"}));
    EXPECT_EQ(capturesAtClear, (std::vector<int>{0, 0}));
    EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"capture"});
    EXPECT_EQ(context.state->SearchUrl(), "http://abc.tmall.com/x?y=1");
    EXPECT_EQ(context.state->CapturedPage(), "");
    // The buffer is the search's: a renewed capture within it keeps what was found.
    EXPECT_EQ(context.state->ItemIds().LineCount(), 1u);
}

TEST(TmallWalker, PlainModeWithoutCounterOrRedirect) {
    const struct {
        const char* name;
        std::string captured;
    } cases[] = {
        {"nothing", CapturedWithNumber + "<p>busy</p>"},
        {"redirect_with_empty_target", CapturedWithNumber + "window.location.href=''"},
        {"redirect_marker_at_the_very_end", CapturedWithNumber + "window.location.href='"},
        {"counter_class_without_angle", CapturedWithNumber + "<b class=ui-page-s-len x>1/2</b>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {RenderError});
        const SearchContext context = market.Context(Shop, c.captured);
        context.state->SetSearchUrl("http://abc.tmall.com/search.htm?search=y");
        TmallWalker(context);
        EXPECT_EQ(market.Events(), std::vector<std::string>{"GET " + asyncAddress(Shop, 1)});
        EXPECT_EQ(Recorder(context).calls,
                  (std::vector<std::string>{"status:" + RF_GBK("网络超时，请清除COOKIES后重试！"), "arm:harvest"}));
        EXPECT_EQ(context.state->SearchUrl(), "http://abc.tmall.com/search.htm?search=y");
    }
}

TEST(TmallWalker, RunOfPagesWithoutNewItemsEndsTheWalk) {
    const int bound = WalkLimits::MaxPagesWithoutNewItems;
    const int attempts = WalkLimits::TmallAsyncPageAttempts;
    {
        SCOPED_TRACE("asynchronous");
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {asyncAnswer("1/999999", asyncLink(MainHost, "1&a"))});
        const SearchContext context = market.Context(Shop, CapturedWithNumber);
        TmallWalker(context);
        EXPECT_EQ(market.Fetches().size(), static_cast<std::size_t>(1 + bound * attempts));
        EXPECT_EQ(market.Fetches().back(), asyncAddress(Shop, 1 + bound));
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
    {
        SCOPED_TRACE("plain");
        FakeMarket market;
        market.Answer(asyncAddress(Shop, 1), {RenderError});
        const SearchContext context = market.Context(Shop, capturedPage("1/999999", capturedLink(MainHost, "1&a")));
        TmallWalker(context);
        EXPECT_EQ(market.Fetches().size(), static_cast<std::size_t>(1 + bound));
        EXPECT_EQ(market.Fetches().back(), plainAddress(Shop, 1 + bound));
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

}  // namespace
}  // namespace rongfan
