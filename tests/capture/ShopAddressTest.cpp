#include "capture/ShopAddress.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/RecorderWindow.h"
#include "text/Gbk.h"
#include "walkers/SearchState.h"

namespace rongfan {
namespace {

using testing::RecorderWindow;

const std::string FullWidthSpace = "\xA1\xA1";

struct LaunchCase {
    const char* name;
    std::string typed;
    std::string afterRemoveSpaces;
    std::string afterScheme;
    std::string afterPrefix;
    bool accepted;
    std::string base;  // expected only when accepted
    ShopKind kind;
    std::string searchUrl;
};

std::vector<LaunchCase> launchCases() {
    const std::string taobaoPath = "/search.htm?orderType=hotsell_desc";
    const std::string tmallPath = "/search.htm?search=y";
    return {
        {"spaces_fullwidth_and_mixed_case_https",
         " HtTpS://shop 12" + FullWidthSpace + "3.taobao.com/search.htm?q=a b ",
         "HtTpS://shop123.taobao.com/search.htm?q=ab", "http://shop123.taobao.com/search.htm?q=ab",
         "http://shop123.taobao.com/search.htm?q=ab", true, "http://shop123.taobao.com", ShopKind::TaobaoShop,
         "http://shop123.taobao.com" + taobaoPath},
        {"no_scheme_gets_one", "abc.tmall.com", "abc.tmall.com", "abc.tmall.com", "http://abc.tmall.com", true,
         "http://abc.tmall.com", ShopKind::TmallShop, "http://abc.tmall.com" + tmallPath},
        {"plain_scheme_not_prefixed_again", "http://abc.tmall.hk/", "http://abc.tmall.hk/", "http://abc.tmall.hk/",
         "http://abc.tmall.hk/", true, "http://abc.tmall.hk", ShopKind::TmallShop, "http://abc.tmall.hk" + tmallPath},
        {"every_https_replaced", "https://x.taobao.com/?r=HTTPS://y", "https://x.taobao.com/?r=HTTPS://y",
         "http://x.taobao.com/?r=http://y", "http://x.taobao.com/?r=http://y", true, "http://x.taobao.com",
         ShopKind::TaobaoShop, "http://x.taobao.com" + taobaoPath},
        // The scheme test is byte-exact: the capitalised scheme becomes the host.
        {"capital_plain_scheme_reads_as_host", "HTTP://shop.taobao.com/", "HTTP://shop.taobao.com/",
         "HTTP://shop.taobao.com/", "http://HTTP://shop.taobao.com/", true, "http://HTTP:", ShopKind::TmallShop,
         "http://HTTP:" + tmallPath},
        {"taobao_marker_only_in_query", "http://example.com/?u=shop.taobao.com",
         "http://example.com/?u=shop.taobao.com", "http://example.com/?u=shop.taobao.com",
         "http://example.com/?u=shop.taobao.com", true, "http://example.com", ShopKind::TmallShop,
         "http://example.com" + tmallPath},
        {"tmall_marker_only_in_path", "example.com/tmall.x", "example.com/tmall.x", "example.com/tmall.x",
         "http://example.com/tmall.x", true, "http://example.com", ShopKind::TmallShop,
         "http://example.com" + tmallPath},
        {"taobao_wins_over_tmall_in_host", "a.tmall.taobao.com", "a.tmall.taobao.com", "a.tmall.taobao.com",
         "http://a.tmall.taobao.com", true, "http://a.tmall.taobao.com", ShopKind::TaobaoShop,
         "http://a.tmall.taobao.com" + taobaoPath},
        {"tabs_stay", "\tshop.taobao.com", "\tshop.taobao.com", "\tshop.taobao.com", "http://\tshop.taobao.com", true,
         "http://\tshop.taobao.com", ShopKind::TaobaoShop, "http://\tshop.taobao.com" + taobaoPath},
        {"empty_is_rejected", "", "", "", "", false, "", ShopKind::Neither, ""},
        {"only_spaces_are_rejected_and_left_empty", "  " + FullWidthSpace + " ", "", "", "", false, "",
         ShopKind::Neither, ""},
        {"other_site_rejected_after_prefix", "www.example.com", "www.example.com", "www.example.com",
         "http://www.example.com", false, "", ShopKind::Neither, ""},
        {"markers_are_case_sensitive", "SHOP.TAOBAO.COM", "SHOP.TAOBAO.COM", "SHOP.TAOBAO.COM",
         "http://SHOP.TAOBAO.COM", false, "", ShopKind::Neither, ""},
    };
}

class LaunchTable : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchTable, DecideLaunchGivesEachStep) {
    const LaunchCase& c = GetParam();
    const LaunchDecision d = DecideLaunch(c.typed);
    EXPECT_EQ(d.afterRemoveSpaces, c.afterRemoveSpaces);
    EXPECT_EQ(d.afterScheme, c.afterScheme);
    EXPECT_EQ(d.afterPrefix, c.afterPrefix);
    ASSERT_EQ(d.accepted, c.accepted);
    if (!c.accepted) return;
    EXPECT_EQ(d.baseAddress, c.base);
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.searchUrl, c.searchUrl);
}

// The click handler: the window sees each cleaned text, then either the
// message box alone or the whole launch in its order.
TEST_P(LaunchTable, LaunchSearchDrivesTheWindow) {
    const LaunchCase& c = GetParam();
    RecorderWindow window;
    window.shopAddress = c.typed;
    SearchState state;
    state.SetSearchUrl("http://old.taobao.com/search.htm?orderType=hotsell_desc");
    state.SetCapturedPage("old page ?mid=w-1-0");
    state.ItemIds().AppendUnique("111");

    const bool launched = LaunchSearch(window, state);

    EXPECT_EQ(launched, c.accepted);
    std::vector<std::string> expected = {"address:" + c.afterRemoveSpaces, "address:" + c.afterScheme,
                                         "address:" + c.afterPrefix};
    if (!c.accepted) {
        expected.push_back("message:" + RF_GBK("请输入淘宝店或天猫店首页网址！"));
        EXPECT_EQ(window.calls, expected);
        EXPECT_EQ(window.shopAddress, c.afterPrefix);
        EXPECT_FALSE(window.locked);
        EXPECT_EQ(state.SearchUrl(), "http://old.taobao.com/search.htm?orderType=hotsell_desc");
        EXPECT_EQ(state.ItemIds().LineCount(), 1u);
        return;
    }
    expected.push_back("address:" + c.base);
    expected.push_back("lock");
    expected.push_back("status:" + RF_GBK("正在分析商品地址中……"));
    expected.push_back("capture");
    EXPECT_EQ(window.calls, expected);
    EXPECT_EQ(window.shopAddress, c.base);
    EXPECT_TRUE(window.locked);
    EXPECT_EQ(state.SearchUrl(), c.searchUrl);
    // A new search must not list the items of the one before.
    EXPECT_EQ(state.ItemIds().LineCount(), 0u);
    EXPECT_EQ(state.ItemIds().Text(), "");
    EXPECT_EQ(state.CapturedPage(), "");
}

INSTANTIATE_TEST_SUITE_P(TypedTexts, LaunchTable, ::testing::ValuesIn(launchCases()),
                         [](const ::testing::TestParamInfo<LaunchCase>& info) { return std::string(info.param.name); });

TEST(ClassifyShop, TellsTheThreeOutcomesApart) {
    const struct {
        const char* text;
        ShopKind kind;
    } cases[] = {
        {"http://shop.taobao.com", ShopKind::TaobaoShop}, {"http://shop.tmall.com", ShopKind::TmallShop},
        {"http://shop.tmall.hk", ShopKind::TmallShop},    {"http://x.tmall.com/?from=taobao.com", ShopKind::TaobaoShop},
        {"http://tmallx.com", ShopKind::Neither},         {"", ShopKind::Neither},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyShop(c.text), c.kind) << c.text;
}

// Widths as the window starts: title 280, the 30-day columns 90 each.
TEST(ApplyColumnLayout, SwitchesOnlyWhenTheKindChanges) {
    const struct {
        const char* name;
        std::vector<ShopKind> searches;
        int title, deals, received;
    } cases[] = {
        {"taobao_on_fresh_window_changes_nothing", {ShopKind::TaobaoShop}, 280, 90, 90},
        {"tmall_hides_30_day_columns", {ShopKind::TmallShop}, 460, 0, 0},
        {"two_tmall_searches_same_as_one", {ShopKind::TmallShop, ShopKind::TmallShop}, 460, 0, 0},
        {"tmall_then_taobao_restores", {ShopKind::TmallShop, ShopKind::TaobaoShop}, 280, 90, 90},
        {"taobao_twice_after_tmall", {ShopKind::TmallShop, ShopKind::TaobaoShop, ShopKind::TaobaoShop}, 280, 90, 90},
    };
    for (const auto& c : cases) {
        RecorderWindow window;
        for (ShopKind kind : c.searches)
            ApplyColumnLayout(window, kind);
        EXPECT_EQ(window.ColumnWidth(1), c.title) << c.name;
        EXPECT_EQ(window.ColumnWidth(4), c.deals) << c.name;
        EXPECT_EQ(window.ColumnWidth(5), c.received) << c.name;
        EXPECT_EQ(window.ColumnWidth(2), 120) << c.name;
    }
}

TEST(LaunchSearch, TmallThenTaobaoSwitchesColumnsThroughTheLaunch) {
    RecorderWindow window;
    SearchState state;
    window.shopAddress = "abc.tmall.com";
    ASSERT_TRUE(LaunchSearch(window, state));
    EXPECT_EQ(window.ColumnWidth(4), 0);
    EXPECT_EQ(window.ColumnWidth(1), 460);
    window.shopAddress = "abc.taobao.com";
    ASSERT_TRUE(LaunchSearch(window, state));
    EXPECT_EQ(window.ColumnWidth(4), 90);
    EXPECT_EQ(window.ColumnWidth(5), 90);
    EXPECT_EQ(window.ColumnWidth(1), 280);
}

}  // namespace
}  // namespace rongfan
