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

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

const std::string Line7 = "http://detail.tmall.com/item.htm?id=7";
const std::string Url7 = "https://detail.tmall.com/item.htm?id=7";
const std::string Counter7 = "http://count.taobao.com/counter3?keys=ICCP_1_7&callback=json";
const std::string Skip7 = "http://detailskip.taobao.com/json/ifq.htm?id=7&sid=1";
const std::string Rating7 = "http://dsr-rate.tmall.com/list_dsr_info.htm?itemId=7&spuId=716&callback=jsonp160";
const std::string Title = "<title>T-tmall.com天猫</title>";

std::string fullPage() {
    return G("<html><head><title>Nike 884445-500-tmall.com天猫</title></head><body>\n"
             "<script>TShop.Setup({\"apiBeans\":\"//count.taobao.com/counter3?keys=ICCP_1_7\","
             "\"detail\":{\"defaultItemPrice\":\"276.00 - 856.00\",\"x\":1},"
             "\"itemDO\":{\"spuId\":\"716\",\"itemId\":\"7\"},"
             "\"initApi\":\"//detailskip.taobao.com/json/ifq.htm?id=7&sid=1\"});</script>\n"
             "<ul id=\"J_UlThumb\" class=\"tb-thumb tm-clear\"><li><a href=\"#\">"
             "<img src=\"//img.alicdn.com/i1/7.jpg_60x60q90.jpg\" alt=\"商品预览图\"></a></li></ul>\n"
             "</body></html>");
}

TEST(TmallItemHarvester, FillsEveryCellInColumnOrderFromFourSources) {
    FakeMarket market;
    market.Answer(Line7, fullPage());
    market.Answer(Counter7, "jsonp86({\"ICCP_1_7\":562});");
    market.Answer(Skip7, "{quantity:{quanity: 123,\tconfirmGoods: 118}}");
    market.Answer(Rating7, "\r\njsonp128({\"dsr\":{\"gradeAvg\":4.8,\"rateTotal\":2986,\"sellerId\":0}})");
    TmallItemHarvester(market.Context({Line7}, "http://nike.tmall.com"));

    ASSERT_EQ(market.window->rows.size(), 1u);
    const std::vector<std::string> expected = {
        "1", "Nike 884445-500", "276.00-856.00", "562", "123", "118", "2986", Url7, "http://img.alicdn.com/i1/7.jpg"};
    EXPECT_EQ(market.window->rows[0], expected);
    EXPECT_EQ(market.CellWrites(), (std::vector<std::string>{"cell:0:1", "cell:0:2", "cell:0:3", "cell:0:4", "cell:0:5",
                                                             "cell:0:6", "cell:0:7", "cell:0:8"}));
    EXPECT_EQ(market.events, (std::vector<std::string>{"fetch " + Line7, "sleep 1", "fetch " + Counter7,
                                                       "fetch " + Skip7, "fetch " + Rating7}));
}

struct PageCase {
    const char* name;
    std::string line;                                         // the buffer line; its page answers `page`
    std::string page;                                         // UTF-8, made GBK for the run
    std::map<std::string, std::vector<std::string>> answers;  // service answers by address
    std::map<int, std::string> cells;                         // UTF-8; every other cell stays empty
    std::vector<std::string> services;                        // requests after the item page, in order
};

// Test names and failure messages show the case by its name.
void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<PageCase> pageCases() {
    return {
        {"only the title", Line7, Title, {}, {{1, "T"}, {7, Url7}}, {}},
        {"alternative item host still listed on the main item host",
         "http://detail.tmall.hk/hk/item.htm?id=7",
         Title,
         {},
         {{1, "T"}, {7, Url7}},
         {}},
        {"item id ends at a second id=",
         "http://detail.tmall.com/item.htm?id=7&sid=5",
         Title,
         {},
         {{1, "T"}, {7, "https://detail.tmall.com/item.htm?id=7&s"}},
         {}},
        {"line without id= has an empty item id",
         "http://detail.tmall.com/item.htm?x=7",
         Title,
         {},
         {{1, "T"}, {7, "https://detail.tmall.com/item.htm?id="}},
         {}},
        {"title without its end runs to the end of the page",
         Line7,
         "x-tmall.<title>A B",
         {},
         {{1, "A B"}, {7, Url7}},
         {}},
        {"title without its end runs to the next title tag",
         Line7,
         "x-tmall.<title>A<title>B",
         {},
         {{1, "A"}, {7, Url7}},
         {}},
        {"accepted page without a title tag has no title", Line7, "<TITLE>A-tmall.com", {}, {{7, Url7}}, {}},
        {"price written bare", Line7, Title + "defaultItemPrice: 9.90 ,", {}, {{1, "T"}, {2, "9.90"}, {7, Url7}}, {}},
        {"price written quoted",
         Line7,
         Title + "\"defaultItemPrice\":\" 9.90\",",
         {},
         {{1, "T"}, {2, "9.90"}, {7, Url7}},
         {}},
        {"price marker ends the page", Line7, Title + "defaultItemPrice:", {}, {{1, "T"}, {7, Url7}}, {}},
        {"counter key quoted",
         Line7,
         Title + "\"keys\":\"ICCP_1_7\",",
         {{Counter7, {"({\"ICCP_1_7\":3})"}}},
         {{1, "T"}, {3, "3"}, {7, Url7}},
         {Counter7}},
        {"detail-skip asked once even when it fails",
         Line7,
         Title + "\"//detailskip.taobao.com/json/ifq.htm?id=7&sid=1\"",
         {{Skip7, {"regcheckcode"}}},
         {{1, "T"}, {7, Url7}},
         {Skip7}},
        {"detail-skip query cut at the page's own double quote",
         Line7,
         Title + "a=\"//detailskip.taobao.com/json/ifq.htm?id=7&sid=1\",b=\"x\"",
         {{Skip7, {"{quanity:2,confirmGoods:1}"}}},
         {{1, "T"}, {4, "2"}, {5, "1"}, {7, Url7}},
         {Skip7}},
        {"detail-skip marker found only once quotes are gone",
         Line7,
         Title + "detailskip.taobao.com\"/json/ifq.htm?id=7",
         {},
         {{1, "T"}, {7, Url7}},
         {"http://detailskip.taobao.com/json/ifq.htm?"}},
        {"rating with product id quoted",
         Line7,
         Title + "\"spuId\":\"716\",",
         {{Rating7, {"({\"rateTotal\":55})"}}},
         {{1, "T"}, {6, "55"}, {7, Url7}},
         {Rating7}},
        {"rating answer missing", Line7, Title + "spuId:716,", {}, {{1, "T"}, {7, Url7}}, {Rating7}},
        {"rating answer without the total",
         Line7,
         Title + "spuId:716,",
         {{Rating7, {"({\"dsr\":{\"gradeAvg\":4}})"}}},
         {{1, "T"}, {7, Url7}},
         {Rating7}},
        {"rating asked with the item id of the line and spaces removed",
         "http://detail.tmall.com/item.htm?id=7 ",
         Title + "spuId: 716 ,",
         {{Rating7, {"({rateTotal:55}"}}},
         {{1, "T"}, {6, "55"}, {7, Url7 + " "}},
         {Rating7}},
        {"picture",
         Line7,
         Title + "J_UlThumb><img src=\"//p.cn/a.jpg_60x60q90.jpg\">",
         {},
         {{1, "T"}, {7, Url7}, {8, "http://p.cn/a.jpg"}},
         {}},
        {"picture piece without src=//",
         Line7,
         Title + "J_UlThumb><img data-x=p.jpg_60x60q90.jpg",
         {},
         {{1, "T"}, {7, Url7}, {8, "http://"}},
         {}},
        {"picture piece closed by a second J_UlThumb",
         Line7,
         Title + "J_UlThumb src=//a.jpg J_UlThumb src=//b.jpg_60x60q90.jpg",
         {},
         {{1, "T"}, {7, Url7}, {8, "http://a.jpg "}},
         {}},
    };
}

class TmallPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(TmallPages, CutsEachCellAndAsksOnlyTheNamedServices) {
    const PageCase& c = GetParam();
    FakeMarket market;
    market.Answer(c.line, G(c.page));
    for (const auto& [address, answers] : c.answers)
        market.Answer(address, answers);
    TmallItemHarvester(market.Context({c.line}));

    ASSERT_EQ(market.window->rows.size(), 1u);
    std::vector<std::string> expected(ResultColumnCount);
    expected[0] = "1";
    for (const auto& [column, value] : c.cells)
        expected[static_cast<std::size_t>(column)] = G(value);
    EXPECT_EQ(market.window->rows[0], expected);
    EXPECT_EQ(market.Fetches(), join({{c.line}, c.services}));
}

INSTANTIATE_TEST_SUITE_P(Cases, TmallPages, ::testing::ValuesIn(pageCases()), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(TmallItemHarvester, ItemPageAcceptedOnTheTenthAttemptAfterPausesEach) {
    FakeMarket market;
    std::vector<std::string> answers(9, G("<title>登录-淘宝网</title>"));
    answers.push_back(G(Title));
    market.Answer(Line7, answers);
    TmallItemHarvester(market.Context({Line7}));

    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert(expected.end(), {"fetch " + Line7, "sleep 1"});
    EXPECT_EQ(market.events, expected);
    EXPECT_EQ(market.window->rows[0][1], "T");
}

TEST(TmallItemHarvester, ItemPageThatNeverComesKeepsOnlyNumberAndAddress) {
    FakeMarket market;
    market.Answer(Line7, G("<title>x</title>ICCP_1_7,spuId:1,J_UlThumb src=//a_60x60q90.jpg"));
    TmallItemHarvester(market.Context({Line7}));

    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert(expected.end(), {"fetch " + Line7, "sleep 1"});
    EXPECT_EQ(market.events, expected);
    std::vector<std::string> row(ResultColumnCount);
    row[0] = "1";
    row[7] = Url7;
    EXPECT_EQ(market.window->rows[0], row);
    EXPECT_EQ(market.window->status, G("已完成任务！"));
}

}  // namespace
}  // namespace rongfan
