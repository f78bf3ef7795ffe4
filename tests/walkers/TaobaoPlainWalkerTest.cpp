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

const std::string Shop = "http://shop2.taobao.com";
const std::string PageNoInput = "<input type=text value=1 size=3 name=pageNo>";

// Page 1 as the capture leaves it: no double quote anywhere.
std::string captured(const std::string& counter, const std::string& items, const std::string& tail = PageNoInput) {
    return "<div class=pagination><span class=page-info>" + counter + "</span></div>" + items + tail;
}
std::string capturedLink(const std::string& afterId) {
    return "<a href=//item.taobao.com/item.htm?id=" + afterId + " target=_blank>x</a>";
}

// Later pages as the server sends them.
std::string served(const std::string& items, const std::string& tail = "<input name=\"pageNo\">") {
    return "<span class=\"page-info\">2/9</span>" + items + tail;
}
std::string servedLink(const std::string& afterId) {
    return "<a href=\"//item.taobao.com/item.htm?id=" + afterId + "\" target=\"_blank\">x</a>";
}

std::string address(const std::string& key, int n) {
    return Shop + "/search.htm?orderType=hotsell_desc&" + key + "=" + std::to_string(n);
}

int countOf(const std::vector<std::string>& events, const std::string& event) {
    int n = 0;
    for (const std::string& e : events)
        n += e == event ? 1 : 0;
    return n;
}

// Page 1 has lost its quotes, so an item link ends where its unquoted
// attribute does; every line must be a bare id like those of later pages.
TEST(TaobaoPlainWalker, ItemsOfTheCapturedPage) {
    const struct {
        const char* name;
        std::string items;
        std::vector<std::string> lines;
    } cases[] = {
        {"link_ends_at_space", capturedLink("11") + capturedLink("12"), {"11", "12"}},
        {"link_ends_at_tag_end", "<a href=//item.taobao.com/item.htm?id=13>x</a>", {"13"}},
        {"link_ends_at_next_tag", "item.htm?id=14<br>", {"14"}},
        {"link_ends_at_line_break", "item.htm?id=15\r\nitem.htm?id=16\tx", {"15", "16"}},
        {"comment_link", capturedLink("17&on_comment=1"), {"17"}},
        {"escaped_comment_link", capturedLink("18&amp;on_comment=1"), {"18"}},
        {"scene_parameter", capturedLink("19&scene=taobao_shop"), {"19"}},
        {"escaped_scene_parameter", capturedLink("20&amp;scene=taobao_shop"), {"20"}},
        {"removals_ignore_letter_case",
         capturedLink("21&Scene=TAOBAO_SHOP") + capturedLink("22&ON_COMMENT=1"),
         {"21", "22"}},
        {"one_item_linked_three_times",
         capturedLink("23") + capturedLink("23") + capturedLink("23&on_comment=1"),
         {"23"}},
        {"id_inside_a_longer_id_is_its_own_item", capturedLink("2345") + capturedLink("234"), {"2345", "234"}},
        {"empty_cut_is_never_a_line", "item.htm?id= x" + capturedLink("24"), {"24"}},
        {"no_items", "<p>none</p>", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        const SearchContext context = market.Context(Shop, captured("1/1", c.items));
        TaobaoPlainWalker(context);
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_TRUE(market.Fetches().empty());
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

TEST(TaobaoPlainWalker, ItemsOfLaterPages) {
    const struct {
        const char* name;
        std::string page1Items;
        std::string page2;
        std::vector<std::string> lines;
    } cases[] = {
        // Tested on the cleaned id: a link with a parameter is the same item as the bare link.
        {"same_item_with_and_without_parameter",
         "",
         served(servedLink("31&scene=taobao_shop") + servedLink("31") + servedLink("31&on_comment=1")),
         {"31"}},
        {"item_of_page_one_met_again",
         capturedLink("32"),
         served(servedLink("32&scene=taobao_shop") + servedLink("33")),
         {"32", "33"}},
        {"escaped_parameter", "", served(servedLink("34&amp;scene=taobao_shop")), {"34"}},
        {"escaped_comment_link_removed_before_the_cut", "", served(servedLink("35&amp;on_comment=1")), {"35"}},
        {"paren_removed", "", served(servedLink("36);")), {"36"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(address("pageNo", 2), {c.page2});
        const SearchContext context = market.Context(Shop, captured("1/2", c.page1Items));
        TaobaoPlainWalker(context);
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(market.Fetches(), std::vector<std::string>{address("pageNo", 2)});
    }
}

TEST(TaobaoPlainWalker, PageKeySwitchesForGoodOnAPageWithoutPageNo) {
    const struct {
        const char* name;
        std::string page1;
        std::vector<std::pair<int, std::string>> answers;  // page number, text
        std::vector<std::string> requests;
    } cases[] = {
        {"page_one_with_page_no", captured("1/2", ""), {}, {address("pageNo", 2)}},
        {"page_one_without_page_no", captured("1/2", "", "<input name=pageNum>"), {}, {address("pageNum", 2)}},
        {"key_test_is_case_sensitive", captured("1/2", "", "<input name=PAGENO>"), {}, {address("pageNum", 2)}},
        {"failed_page_two_switches_page_three", captured("1/3", ""), {}, {address("pageNo", 2), address("pageNum", 3)}},
        {"answered_page_two_keeps_the_key",
         captured("1/3", ""),
         {{2, served("")}},
         {address("pageNo", 2), address("pageNo", 3)}},
        {"key_never_switches_back",
         captured("1/4", ""),
         {{3, served("")}},
         {address("pageNo", 2), address("pageNum", 3), address("pageNum", 4)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        for (const auto& [n, text] : c.answers) {
            market.Answer(address("pageNo", n), {text});
            market.Answer(address("pageNum", n), {text});
        }
        const SearchContext context = market.Context(Shop, c.page1);
        TaobaoPlainWalker(context);
        EXPECT_EQ(market.Fetches(), c.requests);
    }
}

TEST(TaobaoPlainWalker, PausesAfterEveryPageThenArmsTheHarvest) {
    const std::string pause = "sleep " + std::to_string(WalkLimits::PlainPagePause.count());
    const struct {
        const char* name;
        std::string counter;
        std::vector<std::string> events;
    } cases[] = {
        {"one_page_no_request_one_pause", "1/1", {pause}},
        {"zero_is_one_page", "0/0", {pause}},
        {"not_a_number_is_one_page", "1/x", {pause}},
        {"counter_without_slash", "7", {pause}},
        {"three_pages", "1/3", {pause, "GET " + address("pageNo", 2), pause, "GET " + address("pageNo", 3), pause}},
        {"negative_walks_nothing", "1/-1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        for (int n = 2; n <= 3; ++n)
            market.Answer(address("pageNo", n), {served(servedLink(std::to_string(n)))});
        SearchContext context = market.Context(Shop, captured(c.counter, capturedLink("1")));
        // Every pause must come before the harvest is armed.
        std::vector<int> armedAtPause;
        auto recordPause = context.sleep;
        context.sleep = [&](std::chrono::milliseconds ms) {
            armedAtPause.push_back(Recorder(context).harvestArmed);
            recordPause(ms);
        };
        TaobaoPlainWalker(context);
        EXPECT_EQ(market.Events(), c.events);
        EXPECT_EQ(armedAtPause, std::vector<int>(static_cast<std::size_t>(countOf(c.events, pause)), 0));
        EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"arm:harvest"});
    }
}

TEST(TaobaoPlainWalker, CapturedPageWithoutCounterFails) {
    for (const std::string page : {"", "<span class=\"page-info\">1/2</span>", "page-info 1/2", "PAGE-INFO>1/2"}) {
        SCOPED_TRACE(page);
        FakeMarket market;
        const SearchContext context = market.Context(Shop, page);
        TaobaoPlainWalker(context);
        EXPECT_TRUE(market.Events().empty());
        EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"status:" + RF_GBK("网络超时，请重试！")});
    }
}

TEST(TaobaoPlainWalker, RunOfPagesWithoutNewItemsEndsTheWalk) {
    const int bound = WalkLimits::MaxPagesWithoutNewItems;
    FakeMarket market;
    const SearchContext context = market.Context(Shop, captured("1/999999", capturedLink("1")));
    TaobaoPlainWalker(context);
    const std::vector<std::string> fetches = market.Fetches();
    ASSERT_EQ(fetches.size(), static_cast<std::size_t>(bound));
    EXPECT_EQ(fetches.front(), address("pageNo", 2));
    // Every failed page lacks "pageNo", so the key switched after page 2.
    EXPECT_EQ(fetches.back(), address("pageNum", 1 + bound));
    EXPECT_EQ(countOf(market.Events(), "sleep 1000"), 1 + bound);
    EXPECT_EQ(Recorder(context).harvestArmed, 1);
}

}  // namespace
}  // namespace rongfan
