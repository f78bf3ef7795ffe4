#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeMarket.h"
#include "harvest/Harvesters.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

using testing::FakeMarket;
using testing::RecorderWindow;

std::string G(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}

struct HarvesterKind {
    const char* name;
    void (*harvest)(const SearchContext&, std::string_view);
    std::string (*pageAddress)(const std::string& line);
    std::string page;  // an accepted item page
};

// Test names and failure messages show the case by its name.
void PrintTo(const HarvesterKind& c, std::ostream* os) {
    *os << c.name;
}

const HarvesterKind kinds[] = {
    {"Taobao", &TaobaoItemHarvester,
     [](const std::string& line) { return "http://item.taobao.com/item.htm?id=" + line; },
     Utf8ToGbk("<title>T-淘宝网</title>")},
    {"Tmall", &TmallItemHarvester, [](const std::string& line) { return line; }, "<title>T-tmall.com"},
};

struct LinesCase {
    const char* name;
    std::string text;                // the item buffer's text
    std::vector<std::string> lines;  // the items harvested, in order; none: the run fails
};

// Test names and failure messages show the case by its name.
void PrintTo(const LinesCase& c, std::ostream* os) {
    *os << c.name;
}

const LinesCase linesCases[] = {
    {"two lines each ended", "a\r\nb\r\n", {"a", "b"}},
    {"last line without its end", "a\r\nb", {"a", "b"}},
    {"empty line between two line ends", "a\r\n\r\nb\r\n", {"a", "", "b"}},
    {"empty first line", "\r\na\r\n", {"", "a"}},
    {"only a line end", "\r\n", {""}},
    {"single line without any line end", "a", {}},
    {"empty buffer", "", {}},
    {"bare LF and CR are no line ends", "a\nb\rc", {}},
};

class HarvestLines : public ::testing::TestWithParam<std::tuple<HarvesterKind, LinesCase>> {};

TEST_P(HarvestLines, OneNumberedRowPerLineBetweenStartAndEndTexts) {
    const auto& [kind, c] = GetParam();
    FakeMarket market;
    for (const auto& line : c.lines)
        market.Answer(kind.pageAddress(line), kind.page);
    const SearchContext context = market.Context({});
    market.window->rows.assign(3, std::vector<std::string>(ResultColumnCount, "old"));
    kind.harvest(context, c.text);

    const RecorderWindow& window = *market.window;
    const std::vector<std::string>& calls = window.calls;
    ASSERT_GE(calls.size(), 4u);
    // The status first, then the old rows go.
    EXPECT_EQ(calls[0], "status:" + G("正在下载数据中……"));
    EXPECT_EQ(calls[1], "clear");
    EXPECT_EQ(calls[calls.size() - 2], "unlock");
    const bool fails = c.lines.empty();
    EXPECT_EQ(calls.back(), "status:" + (fails ? G("下载失败，请清除COOKIES缓存后再重试！") : G("已完成任务！")));
    EXPECT_EQ(window.statuses.size(), 2u);

    ASSERT_EQ(window.rows.size(), c.lines.size());
    std::vector<std::string> pages;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        EXPECT_EQ(window.rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(window.rows[i][1], "T");
        pages.push_back(kind.pageAddress(c.lines[i]));
    }
    EXPECT_EQ(market.Fetches(), pages);
}

INSTANTIATE_TEST_SUITE_P(Cases, HarvestLines,
                         ::testing::Combine(::testing::ValuesIn(kinds), ::testing::ValuesIn(linesCases)),
                         [](const auto& info) {
                             std::string name =
                                 std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(HarvestLines, ReadsTheItemBufferOfTheSearchAndLeavesItUnchanged) {
    FakeMarket market;
    market.Answer("http://item.taobao.com/item.htm?id=11", G("<title>A-淘宝网</title>"));
    market.Answer("http://item.taobao.com/item.htm?id=22", G("<title>B-淘宝网</title>"));
    const SearchContext context = market.Context({"11", "22"});
    TaobaoItemHarvester(context);
    ASSERT_EQ(market.window->rows.size(), 2u);
    EXPECT_EQ(market.window->rows[1][1], "B");
    EXPECT_EQ(context.state->ItemIds().Text(), "11\r\n22\r\n");
}

struct ChoiceCase {
    const char* shopAddress;
    bool taobao;
};

TEST(RunHarvester, ChoosesTaobaoOnlyWhenTheShopAddressHoldsTheTaobaoDomain) {
    const ChoiceCase cases[] = {
        {"http://shop1.taobao.com", true},  {"http://taobao.com.tmall.com", true}, {"http://nike.tmall.com", false},
        {"http://shop1.TAOBAO.com", false}, {"http://x.example.com", false},       {"", false},
    };
    for (const auto& c : cases) {
        FakeMarket market;
        RunHarvester(market.Context({"9"}, c.shopAddress));
        const std::string expected = c.taobao ? "http://item.taobao.com/item.htm?id=9" : "9";
        ASSERT_FALSE(market.Fetches().empty()) << c.shopAddress;
        EXPECT_EQ(market.Fetches().front(), expected) << c.shopAddress;
    }
}

}  // namespace
}  // namespace rongfan
