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

const std::string Shop = "http://shop1.taobao.com";
// As the capture leaves it: quotes gone.
const std::string Captured = "<input id=J_ShopAsynSearchURL type=hidden "
                             "value=/i/asynSearch.htm?mid=w-190-0&wid=190&path=/search.htm&amp;search=y />";

std::string pageAddress(int n) {
    return Shop + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=" + std::to_string(n) + "&mid=w-190-0";
}

// An item link as the asynchronous answer writes it: quotes escaped.
std::string link(const std::string& afterId) {
    return "<a href=\\\"//item.taobao.com/item.htm?id=" + afterId + "\\\" target=\\\"_blank\\\">x</a>";
}

// An asynchronous answer: the small pager (counter and "next" link), then the items.
std::string answer(const std::string& counter, const std::string& items) {
    return "jsonp142(\"<div class=\\\"J_TItems\\\"><p class=\\\"ui-page-s\\\"><span class=\\\"page-info\\\">" +
           counter + "</span><a class=\\\"J_SearchAsync next\\\" href=\\\"#\\\">" + RF_GBK("下一页") + "</a></p>" +
           items + "</div>\")";
}

std::vector<std::string> pages(int from, int to) {
    std::vector<std::string> out;
    for (int n = from; n <= to; ++n)
        out.push_back(pageAddress(n));
    return out;
}

TEST(TaobaoAsyncWalker, ItemsOfOnePage) {
    const std::string next = RF_GBK(">下一页</a>");
    const struct {
        const char* name;
        std::string page;
        std::vector<std::string> lines;
    } cases[] = {
        {"photo_name_and_comment_links_of_one_item",
         answer("1/1", link("37498952035") + link("37498952035") + link("37498952035&on_comment=1")),
         {"37498952035"}},
        {"scene_parameter_removed", answer("1/1", link("5&scene=taobao_shop")), {"5"}},
        {"removals_ignore_letter_case",
         answer("1/1", link("6&ON_COMMENT=1") + link("7&Scene=TaoBao_Shop") + link("8&SCENETAOBAO_SHOP")),
         {"6", "7", "8"}},
        {"paren_and_ampersand_removed_only_as_themselves",
         answer("1/1", link("9);&x=1") + link("10&AMP;y")),
         {"9x=1", "10AMP;y"}},
        {"escaped_ampersand_goes_whole", answer("1/1", link("11&amp;scene=taobao_shop")), {"11"}},
        {"id_inside_a_longer_id_is_its_own_item",
         answer("1/1", link("12345") + link("1234") + link("234")),
         {"12345", "1234", "234"}},
        {"empty_cut_is_never_a_line", answer("1/1", link("") + link("13")), {"13"}},
        {"adjacent_markers", answer("1/1", "item.htm?id=item.htm?id=14\\\">"), {"14"}},
        {"marker_at_the_very_end", link("15") + "item.htm?id=", {"15"}},
        {"items_between_first_and_second_next_link",
         "<a href=\\\"//item.taobao.com/item.htm?id=1\\\">" + next + link("2") + next + link("3"),
         {"2"}},
        {"without_next_link_the_whole_page", link("16") + link("17"), {"16", "17"}},
        {"no_item_marker", answer("1/1", "<p>nothing</p>"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(pageAddress(1), {c.page});
        const SearchContext context = market.Context(Shop, Captured);
        TaobaoAsyncWalker(context);
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(market.Fetches(), pages(1, 1));
        ASSERT_FALSE(Recorder(context).calls.empty());
        EXPECT_EQ(Recorder(context).calls.back(), "arm:harvest");
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

TEST(TaobaoAsyncWalker, PageCountDecidesTheRequests) {
    const struct {
        const char* name;
        std::string firstAnswer;
        int lastPage;  // pages 2..lastPage are requested
        std::vector<std::string> lines;
    } cases[] = {
        {"three_of_twelve", answer("3/12", link("1")), 12, {"1"}},
        {"zero_of_zero_is_one_page", answer("0/0", link("1")), 1, {"1"}},
        {"negative_walks_no_page_at_all", answer("1/-2", link("1")), 1, {}},
        {"not_a_number_is_one_page", answer("1/abc", link("1")), 1, {"1"}},
        {"fraction_truncated", answer("1/2.9", link("1")), 2, {"1"}},
        {"full_width_digit", answer("1/\xA3\xB3", link("1")), 3, {"1"}},
        {"counter_without_slash", answer("5", link("1")), 1, {"1"}},
        {"marker_at_the_very_end", link("1") + "<span class=\\\"page-info\\\">", 1, {"1"}},
        {"unquoted_marker_is_not_the_counter", link("1") + "<span class=page-info>1/4</span>", 1, {"1"}},
        {"failed_first_page", "", 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(pageAddress(1), {c.firstAnswer});
        const SearchContext context = market.Context(Shop, Captured);
        TaobaoAsyncWalker(context);
        EXPECT_EQ(market.Fetches(), pages(1, c.lastPage));
        EXPECT_EQ(context.state->ItemIds().Lines(), c.lines);
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
        EXPECT_TRUE(Recorder(context).statuses.empty());
    }
}

TEST(TaobaoAsyncWalker, LaterPageAddressCarriesOnlyItsOwnNumber) {
    FakeMarket market;
    market.Answer(pageAddress(1), {answer("1/12", "")});
    const SearchContext context = market.Context(Shop, Captured);
    TaobaoAsyncWalker(context);
    const std::vector<std::string> fetches = market.Fetches();
    ASSERT_EQ(fetches.size(), 12u);
    EXPECT_EQ(fetches.back(),
              "http://shop1.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=12&mid=w-190-0");
}

TEST(TaobaoAsyncWalker, SearchFragmentFromTheCapturedPage) {
    const std::string base = Shop + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w";
    const struct {
        const char* name;
        std::string captured;
        std::string firstAddress;
    } cases[] = {
        {"up_to_ampersand", Captured, base + "-190-0"},
        {"up_to_next_mid", "x?mid=w-7-0?mid=w-8-0&a", base + "-7-0"},
        {"marker_at_the_very_end", "x?mid=w", base},
        {"first_of_several", "?mid=w-1-0&a ?mid=w-2-0&b", base + "-1-0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        const SearchContext context = market.Context(Shop, c.captured);
        TaobaoAsyncWalker(context);
        EXPECT_EQ(market.Fetches(), std::vector<std::string>{c.firstAddress});
    }
}

TEST(TaobaoAsyncWalker, CapturedPageWithoutAsyncReferenceFails) {
    FakeMarket market;
    const SearchContext context = market.Context(Shop, "<span class=page-info>1/3</span>?MID=W");
    TaobaoAsyncWalker(context);
    EXPECT_TRUE(market.Fetches().empty());
    EXPECT_EQ(Recorder(context).calls, std::vector<std::string>{"status:" + RF_GBK("网络超时，请重试！")});
    EXPECT_EQ(Recorder(context).harvestArmed, 0);
}

TEST(TaobaoAsyncWalker, FailedLaterPageIsSkippedAndTheWalkGoesOn) {
    FakeMarket market;
    market.Answer(pageAddress(1), {answer("1/3", link("1"))});
    market.Answer(pageAddress(3), {answer("3/3", link("3") + link("1"))});
    const SearchContext context = market.Context(Shop, Captured);
    TaobaoAsyncWalker(context);
    EXPECT_EQ(market.Fetches(), pages(1, 3));
    EXPECT_EQ(context.state->ItemIds().Lines(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(context.state->ItemIds().Text(), "1\r\n3\r\n");
}

TEST(TaobaoAsyncWalker, ItemsAlreadyInTheBufferAreNotRepeated) {
    FakeMarket market;
    market.Answer(pageAddress(1), {answer("1/1", link("500") + link("50"))});
    const SearchContext context = market.Context(Shop, Captured);
    context.state->ItemIds().AppendUnique("500");
    TaobaoAsyncWalker(context);
    EXPECT_EQ(context.state->ItemIds().Text(), "500\r\n50\r\n");
}

// A counter that claims far more pages than the shop lists must not keep the
// walker fetching for ever.
TEST(TaobaoAsyncWalker, RunOfPagesWithoutNewItemsEndsTheWalk) {
    const int bound = WalkLimits::MaxPagesWithoutNewItems;
    const struct {
        const char* name;
        std::string counter;
        std::vector<int> pagesWithNewItem;  // other pages fail, or repeat page 1 when asked
        int everyPageUpTo;                  // and pages 1 to this one too
        bool laterPagesRepeatPageOne;
        int lastPage;
    } cases[] = {
        {"huge_count_empty_shop", "1/999999", {}, 0, false, bound},
        {"huge_count_one_page_of_items", "1/999999", {1}, 0, false, 1 + bound},
        {"huge_count_every_page_the_same", "1/999999", {1}, 0, true, 1 + bound},
        {"a_new_item_restarts_the_run", "1/999999", {1, bound}, 0, false, 2 * bound},
        {"a_run_just_short_of_the_bound_goes_on", "1/999999", {1, 1 + bound}, 0, false, 1 + 2 * bound},
        {"items_on_every_page_walked_whole", "1/45", {}, 45, false, 45},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        std::vector<int> withItems = c.pagesWithNewItem;
        for (int n = 1; n <= c.everyPageUpTo; ++n)
            withItems.push_back(n);
        market.Answer(pageAddress(1), {answer(c.counter, "")});
        for (int n : withItems)
            market.Answer(pageAddress(n), {answer(c.counter, link(std::to_string(1000 + n)))});
        if (c.laterPagesRepeatPageOne) {
            for (int n = 2; n <= 3 * bound; ++n)
                market.Answer(pageAddress(n), {answer(c.counter, link("1001"))});
        }
        const SearchContext context = market.Context(Shop, Captured);
        TaobaoAsyncWalker(context);
        EXPECT_EQ(market.Fetches(), pages(1, c.lastPage));
        EXPECT_EQ(context.state->ItemIds().LineCount(), withItems.size());
        EXPECT_EQ(Recorder(context).harvestArmed, 1);
    }
}

}  // namespace
}  // namespace rongfan
