#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "FakeMarket.h"
#include "harvest/Harvesters.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

using testing::FakeMarket;

std::string G(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}

std::vector<std::string> times(int n, const std::string& address) {
    return std::vector<std::string>(n, address);
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

const std::string Page7 = "http://item.taobao.com/item.htm?id=7";
const std::string Url7 = "https://item.taobao.com/item.htm?id=7";
const std::string Counter7 = "http://count.taobao.com/counter3?keys=ICCP_1_7&callback=json";
const std::string Skip7 = "http://detailskip.taobao.com/json/ifq.htm?id=7&sid=9";
const std::string Rate7 = "http://rate.taobao.com/detailCount.do?itemId=7&callback=jsonp120";
const std::string Title = "<title>T-淘宝网</title>";

// A whole item page in the shape the marketplace serves, with every value present.
std::string fullPage() {
    return G("<html><head><title>女装 春款 连衣裙-淘宝网</title></head><body>\n"
             "<script>var g_config = {\n"
             "  counterApi : '//count.taobao.com/counter3?inc=ICVT_7_7&keys=DFX_200_1_7,ICVT_7_7,ICCP_1_7,SCCP_2_11',\n"
             "  rateCounterApi   : '//rate.taobao.com/detailCount.do?itemId=7',\n"
             "  ifq : \"http://detailskip.taobao.com/json/ifq.htm?id=7&sid=9\"\n"
             "};</script>\n"
             "<strong id=\"J_StrPrice\"><em class=\"tb-rmb\">¥</em><em class=\"tb-rmb-num\"> 276.00 - 856.00 </em>"
             "</strong>\n"
             "<ul id=\"J_UlThumb\"><li><div class=\"tb-pic tb-s50\"><a href=\"#\">"
             "<img data-src=\"//gd3.alicdn.com/i4/7.jpg_50x50.jpg\"/></a></div></li></ul>\n"
             "</body></html>");
}

void answerFullServices(FakeMarket& market) {
    market.Answer(Counter7, "jsonp86({\"ICCP_1_7\":562});");
    market.Answer(Skip7, "var d={quantity:{quanity: 123,\tinterval: 30,\tconfirmGoods: 118, }};");
    market.Answer(Rate7, "jsonp120({\"7\":3264})");
}

TEST(TaobaoItemHarvester, FillsEveryCellInColumnOrderFromFourSources) {
    FakeMarket market;
    market.Answer(Page7, fullPage());
    answerFullServices(market);
    const auto context = market.Context({"7"}, "http://shop1.taobao.com");
    TaobaoItemHarvester(context);

    const auto& window = *market.window;
    ASSERT_EQ(window.rows.size(), 1u);
    const std::vector<std::string> expected = {
        "1",  G("女装 春款 连衣裙"),           "276.00-856.00", "562", "123", "118", "3264",
        Url7, "http://gd3.alicdn.com/i4/7.jpg"};
    EXPECT_EQ(window.rows[0], expected);
    // Each cell is written as soon as its value is cut, in column order.
    EXPECT_EQ(market.CellWrites(), (std::vector<std::string>{"cell:0:1", "cell:0:2", "cell:0:3", "cell:0:4", "cell:0:5",
                                                             "cell:0:6", "cell:0:7", "cell:0:8"}));
    EXPECT_EQ(market.events, (std::vector<std::string>{"fetch " + Page7, "sleep 1", "fetch " + Counter7,
                                                       "fetch " + Skip7, "fetch " + Rate7}));
}

// One item page and its services; the row's cells other than 0 and 7 and the
// service requests after the item page are what each case expects.
struct PageCase {
    const char* name;
    std::string page;                                         // UTF-8, made GBK for the run
    std::map<std::string, std::vector<std::string>> answers;  // service answers by address
    std::map<int, std::string> cells;                         // UTF-8; every other cell stays empty
    std::vector<std::string> services;                        // requests after the item page, in order
};

// Test names and failure messages show the case by its name.
void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string SkipRef = "ifq:\"http://detailskip.taobao.com/json/ifq.htm?id=7&sid=9\"";
const std::string RateRef = "rateCounterApi:\"//rate.taobao.com/detailCount.do?itemId=7\"";
const std::string Good7 = "jsonp120({\"7\":3264})";
const std::string GoodSkip = "{quanity:5,confirmGoods:4}";

std::vector<PageCase> pageCases() {
    return {
        {"only the title", Title, {}, {{1, "T"}}, {}},
        {"title keeps its spaces", "<title> a  b -淘宝网</title>", {}, {{1, " a  b "}}, {}},
        {"price spaces removed, full-width too",
         Title + "tb-rmb-num\"> 1　2. 5 </em>",
         {},
         {{1, "T"}, {2, "12.5"}},
         {}},
        {"price marker ends the page", Title + "tb-rmb-num\">", {}, {{1, "T"}}, {}},
        {"price without its quote is no price", Title + "tb-rmb-num>9</em>", {}, {{1, "T"}}, {}},
        {"price runs to the end without a tag", Title + "tb-rmb-num\">9.90", {}, {{1, "T"}, {2, "9.90"}}, {}},
        {"counter key cleaned of quote and spaces",
         Title + "keys=ICCP_1_ 7\" ,",
         {{Counter7, {"jsonp86({\"ICCP_1_7\":562});"}}},
         {{1, "T"}, {3, "562"}},
         {Counter7}},
        {"counter answer empty", Title + "ICCP_1_7,", {}, {{1, "T"}}, {Counter7}},
        {"counter answer lacks the key",
         Title + "ICCP_1_7,",
         {{Counter7, {"jsonp86({\"ICCP_1_8\":1});"}}},
         {{1, "T"}},
         {Counter7}},
        {"counter value without closing brace",
         Title + "ICCP_1_7,",
         {{Counter7, {"jsonp86({\"ICCP_1_7\":42"}}},
         {{1, "T"}, {3, "42"}},
         {Counter7}},
        {"counter key ends the page: empty key still asked",
         Title + "ICCP_1_",
         {},
         {{1, "T"}},
         {"http://count.taobao.com/counter3?keys=ICCP_1_&callback=json"}},
        {"detail-skip on the first attempt",
         Title + SkipRef,
         {{Skip7, {GoodSkip}}},
         {{1, "T"}, {4, "5"}, {5, "4"}},
         {Skip7}},
        {"detail-skip spaces and tabs removed from address and answer",
         Title + "ifq:\"http://detailskip.taobao.com/json/ifq.htm?id=7 &sid=9\"",
         {{Skip7, {"{quanity:\t 1 2 ,\tconfirmGoods :\t3\t}"}}},
         {{1, "T"}, {4, "12"}, {5, "3"}},
         {Skip7}},
        {"detail-skip succeeds on the tenth attempt",
         Title + SkipRef,
         {{Skip7, join({times(9, "regcheckcode"), {GoodSkip}})}},
         {{1, "T"}, {4, "5"}, {5, "4"}},
         times(10, Skip7)},
        {"detail-skip never answers: ten requests, received goods from the last",
         Title + SkipRef,
         {{Skip7, {"busy", "busy", "{confirmGoods:8}"}}},
         {{1, "T"}, {5, "8"}},
         times(10, Skip7)},
        {"detail-skip empty answers", Title + SkipRef, {}, {{1, "T"}}, times(10, Skip7)},
        {"detail-skip marker at the very end",
         Title + "detailskip.taobao.com/json/ifq.htm?",
         {},
         {{1, "T"}},
         times(10, "http://detailskip.taobao.com/json/ifq.htm?")},
        {"rate marker with double quote", Title + RateRef, {{Rate7, {Good7}}}, {{1, "T"}, {6, "3264"}}, {Rate7}},
        {"rate counter written with apostrophes in any letter case",
         Title + "RateCOUNTERapi   : '//rate.taobao.com/detailCount.do?itemId=7',",
         {{Rate7, {Good7}}},
         {{1, "T"}, {6, "3264"}},
         {Rate7}},
        {"rate counter with one space before the colon is not one",
         Title + "rateCounterApi : '//r.x/c?itemId=7',",
         {},
         {{1, "T"}},
         {}},
        {"rate reference spaces and quotes removed",
         Title + "rateCounterApi:\"//rate.taobao.com/detailCount.do? itemId=7\"",
         {{Rate7, {Good7}}},
         {{1, "T"}, {6, "3264"}},
         {Rate7}},
        {"rate counter succeeds on the tenth attempt",
         Title + RateRef,
         {{Rate7, join({times(9, ""), {Good7}})}},
         {{1, "T"}, {6, "3264"}},
         times(10, Rate7)},
        {"rate counter never names the item: ten requests",
         Title + RateRef,
         {{Rate7, {"jsonp120({\"count\":3264})"}}},
         {{1, "T"}},
         times(10, Rate7)},
        {"rate answer names the item without a colon: one request, no value",
         Title + RateRef,
         {{Rate7, {"jsonp120({\"itemId\":\"7\"})"}}},
         {{1, "T"}},
         {Rate7}},
        {"rate value without closing brace",
         Title + RateRef,
         {{Rate7, {"({\"7\":15"}}},
         {{1, "T"}, {6, "15"}},
         {Rate7}},
        {"picture",
         Title + "tb-pic tb-s50\"><img data-src=\"//p.cn/a.jpg_50x50.jpg\">",
         {},
         {{1, "T"}, {8, "http://p.cn/a.jpg"}},
         {}},
        {"picture piece without the thumbnail marker",
         Title + "tb-pic tb-s50\"><img src=\"//p.cn/a.jpg_50x50.jpg\">",
         {},
         {{1, "T"}, {8, "http://"}},
         {}},
        {"picture piece ending with the thumbnail marker",
         Title + "tb-pic tb-s50\"><img data-src=\"//_50x50.jpg",
         {},
         {{1, "T"}, {8, "http://"}},
         {}},
        {"picture read after the rewrite",
         Title + "tb-pic tb-s50',data-src=\"//p.cn/',b.jpg_50x50.jpg",
         {},
         {{1, "T"}, {8, "http://p.cn/\"b.jpg"}},
         {}},
    };
}

class TaobaoPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(TaobaoPages, CutsEachCellAndAsksOnlyTheNamedServices) {
    const PageCase& c = GetParam();
    FakeMarket market;
    market.Answer(Page7, G(c.page));
    for (const auto& [address, answers] : c.answers)
        market.Answer(address, answers);
    TaobaoItemHarvester(market.Context({"7"}));

    ASSERT_EQ(market.window->rows.size(), 1u);
    std::vector<std::string> expected(ResultColumnCount);
    expected[0] = "1";
    expected[7] = Url7;
    for (const auto& [column, value] : c.cells)
        expected[static_cast<std::size_t>(column)] = G(value);
    EXPECT_EQ(market.window->rows[0], expected);
    EXPECT_EQ(market.Fetches(), join({{Page7}, c.services}));
}

INSTANTIATE_TEST_SUITE_P(Cases, TaobaoPages, ::testing::ValuesIn(pageCases()), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(TaobaoItemHarvester, ItemPageAcceptedOnTheTenthAttemptAfterPausesEach) {
    FakeMarket market;
    // Empty answers, then a login page without the title end, then the page.
    market.Answer(Page7, join({times(5, ""), times(4, G("<title>登录</title>")), {G(Title)}}));
    TaobaoItemHarvester(market.Context({"7"}));

    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert(expected.end(), {"fetch " + Page7, "sleep 1"});
    EXPECT_EQ(market.events, expected);
    EXPECT_EQ(market.window->rows[0][1], "T");
}

TEST(TaobaoItemHarvester, ItemPageThatNeverComesKeepsOnlyNumberAndAddressAndGoesOn) {
    FakeMarket market;
    // The page names services, but without its title end it is never accepted.
    market.Answer(Page7, G("<title>x</title>ICCP_1_7," + SkipRef + RateRef));
    market.Answer("http://item.taobao.com/item.htm?id=8", G(Title));
    TaobaoItemHarvester(market.Context({"7", "8"}));

    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert(expected.end(), {"fetch " + Page7, "sleep 1"});
    expected.insert(expected.end(), {"fetch http://item.taobao.com/item.htm?id=8", "sleep 1"});
    EXPECT_EQ(market.events, expected);
    ASSERT_EQ(market.window->rows.size(), 2u);
    std::vector<std::string> first(ResultColumnCount);
    first[0] = "1";
    first[7] = Url7;
    EXPECT_EQ(market.window->rows[0], first);
    EXPECT_EQ(market.window->rows[1][1], "T");
    EXPECT_EQ(market.window->status, G("已完成任务！"));
}

TEST(TaobaoItemHarvester, PageCutAtItsFirstZeroByte) {
    FakeMarket market;
    std::string page = G(Title) + "tb-rmb-num\">1";
    page.push_back('\0');
    page += "9<ICCP_1_7,";
    market.Answer(Page7, page);
    TaobaoItemHarvester(market.Context({"7"}));
    EXPECT_EQ(market.window->rows[0][2], "1");
    EXPECT_EQ(market.Fetches(), std::vector<std::string>{Page7});
}

TEST(TaobaoItemHarvester, EachItemUsesItsOwnIdInEveryAddressAndCut) {
    FakeMarket market;
    const std::string ids[] = {"7", "1234567890123"};
    for (const std::string& id : ids) {
        market.Answer("http://item.taobao.com/item.htm?id=" + id,
                      G("<title>" + id + "-淘宝网</title>rateCounterApi:\"//rate.taobao.com/d?itemId=" + id + "\""));
        // Both ids appear in each answer: only the item's own key counts.
        market.Answer("http://rate.taobao.com/d?itemId=" + id + "&callback=jsonp120",
                      "({\"7\":70,\"1234567890123\":99})");
    }
    TaobaoItemHarvester(market.Context({ids[0], ids[1]}));
    ASSERT_EQ(market.window->rows.size(), 2u);
    EXPECT_EQ(market.window->rows[0][6], "70");
    EXPECT_EQ(market.window->rows[1][6], "99");
    EXPECT_EQ(market.window->rows[1][7], "https://item.taobao.com/item.htm?id=1234567890123");
}

}  // namespace
}  // namespace rongfan
