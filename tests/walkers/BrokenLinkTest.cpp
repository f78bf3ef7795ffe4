// Pages whose item links are broken by a line break or end in half a character.
// The harvesters read the item buffer back by splitting it at CR LF, so every
// line a walker appends must come back as exactly one line: one item each.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeMarket.h"
#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

using testing::FakeMarket;

const std::string TaobaoShop = "http://shop1.taobao.com";
const std::string TmallShop = "http://abc.tmall.com";
const std::string AsyncCaptured = "<input value=/i/asynSearch.htm?mid=w-190-0&wid=190&path=/search.htm />";
const std::string AsyncPage1 = TaobaoShop + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w-190-0";
const std::string PlainPage2 = TaobaoShop + "/search.htm?orderType=hotsell_desc&pageNo=2";
const std::string TmallCaptured = "<input value=/i/asynSearch.htm?mid=w-555-0&wid=555 />";
const std::string TmallPage1 = TmallShop + "/i/asynSearch.htm?mid=w-555-0&path=/search.htm&&search=y&pageNo=1";

std::string asyncAnswer(const std::string& afterId) {
    return "jsonp1(\"<a href=\\\"//item.taobao.com/item.htm?id=" + afterId + "\\\">x</a>\")";
}
std::string plainPage(const std::string& afterId) {
    return "<span class=\"page-info\">2/2</span> pageNo <a href=\"//item.taobao.com/item.htm?id=" + afterId +
           "\">x</a>";
}
std::string tmallAnswer(const std::string& afterId) {
    return "jsonp9(\"<b class=\\\"ui-page-s-len\\\">1/1</b><a href=\\\"//detail.tmall.com/item.htm?id=" + afterId +
           "\\\">x</a>" + RF_GBK("上一页") + "</a>\")";
}
std::string tmallLine(const std::string& id) {
    return "http://detail.tmall.com/item.htm?id=" + id;
}

TEST(BrokenLinks, EveryAppendedLineReadsBackAsOneLine) {
    const struct {
        const char* name;
        std::function<void(const SearchContext&)> walker;
        std::string shop;
        std::string captured;
        std::string address;
        std::string answer;
        std::vector<std::string> lines;
    } cases[] = {
        {"async_line_break_inside_the_link",
         TaobaoAsyncWalker,
         TaobaoShop,
         AsyncCaptured,
         AsyncPage1,
         asyncAnswer("12\r\n34"),
         {"12"}},
        {"async_bare_line_feed",
         TaobaoAsyncWalker,
         TaobaoShop,
         AsyncCaptured,
         AsyncPage1,
         asyncAnswer("56\n78"),
         {"56"}},
        {"async_answer_ending_in_a_lead_byte",
         TaobaoAsyncWalker,
         TaobaoShop,
         AsyncCaptured,
         AsyncPage1,
         "jsonp1(\"<a href=\\\"//item.taobao.com/item.htm?id=77\x81",
         {"77"}},
        {"async_line_break_first_gives_nothing",
         TaobaoAsyncWalker,
         TaobaoShop,
         AsyncCaptured,
         AsyncPage1,
         asyncAnswer("\r\n9"),
         {}},
        {"plain_page_two_line_break_inside_the_link",
         TaobaoPlainWalker,
         TaobaoShop,
         "page-info>1/2 pageNo",
         PlainPage2,
         plainPage("6\r\n02"),
         {"6"}},
        {"plain_captured_link_ending_in_a_lead_byte",
         TaobaoPlainWalker,
         TaobaoShop,
         "page-info>1/1 <a href=//item.taobao.com/item.htm?id=8\xFE target=_blank>",
         PlainPage2,
         "",
         {"8"}},
        // The region runs to the end of the answer when its "previous" link stands before the counter.
        {"tmall_answer_ending_in_a_lead_byte",
         TmallWalker,
         TmallShop,
         TmallCaptured,
         TmallPage1,
         RF_GBK("上一页") +
             "</a><b class=\\\"ui-page-s-len\\\">1/1</b><a href=\\\"//detail.tmall.com/item.htm?id=5\x81",
         {tmallLine("5")}},
        {"tmall_whole_character_kept",
         TmallWalker,
         TmallShop,
         TmallCaptured,
         TmallPage1,
         tmallAnswer("5\xB0\xA1&skuId=1"),
         {tmallLine("5\xB0\xA1")}},
        // Found by fuzzing: an id of half a character read back as an address without an id.
        {"tmall_id_of_half_a_character_gives_nothing",
         TmallWalker,
         TmallShop,
         TmallCaptured,
         TmallPage1,
         RF_GBK("上一页") + "</a><b class=\\\"ui-page-s-len\\\">1/1</b><a href=\\\"//detail.tmall.com/item.htm?id=\x81",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMarket market;
        market.Answer(c.address, {c.answer});
        const SearchContext context = market.Context(c.shop, c.captured);
        c.walker(context);
        const ItemIdBuffer& buffer = context.state->ItemIds();
        EXPECT_EQ(buffer.Lines(), c.lines);
        const std::string text = buffer.Text();
        const TextList readBack = SplitText(text, "\r\n");
        EXPECT_EQ(std::vector<std::string>(readBack.Pieces().begin(), readBack.Pieces().end()), c.lines);
    }
}

}  // namespace
}  // namespace rongfan
