#include "capture/CaptureRules.h"

#include <gtest/gtest.h>

#include <string>

#include "text/Gbk.h"

namespace rongfan {
namespace {

TEST(NormaliseCapturedPage, ThreePassesInOrder) {
    const struct {
        const char* name;
        std::string page;
        std::string normalised;
    } cases[] = {
        {"quoted_page_info", "<span class=\"page-info\">1/3</span>", "<span class=page-info>1/3</span>"},
        {"page_info_any_case", "<b class=\"PAGE-Info\">2/9</b>", "<b class=page-info>2/9</b>"},
        {"quote_not_before_angle_stays_plain_removal", "page-info\" x>", "page-info x>"},
        {"every_quote_goes", "\"a\"\"b\"", "ab"},
        {"percent_3d_both_cases", "a%3Db%3dc", "a=b=c"},
        // The quote pass runs before the %3D pass, so a quote inside "%3D" does not save it.
        {"quote_inside_percent_3d", "x%3\"D", "x="},
        {"incomplete_escape_at_end", "a%3", "a%3"},
        {"gbk_text_kept", RF_GBK("<a href=\"/s\">下一页</a>"), RF_GBK("<a href=/s>下一页</a>")},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        const std::string out = NormaliseCapturedPage(c.page);
        EXPECT_EQ(out, c.normalised) << c.name;
        EXPECT_EQ(out.find('"'), std::string::npos) << c.name;
    }
}

TEST(IsCapturedPage, EitherMarkerCaptures) {
    const struct {
        std::string page;
        bool captured;
    } cases[] = {
        {"<script>var u='/i/asynSearch.htm?mid=w-123-0&wid=123';</script>", true},
        {"<span class=page-info>1/2</span>", true},
        {NormaliseCapturedPage("<span class=\"page-info\">1/2</span>"), true},
        {"<span class=\"page-info\">1/2</span>", false},  // not normalised yet
        {"?mid=W-1", false},
        {"PAGE-INFO>", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsCapturedPage(c.page), c.captured) << c.page;
}

TEST(ShowsLoginHint, NeedsAllThreeTextsAndNoMarker) {
    const std::string title = RF_GBK("<title>淘宝网 - 登录</title>");
    const std::string cannot = RF_GBK("无法显示该网页");
    const std::string cert = RF_GBK("此网站的安全证书有问题");
    const struct {
        const char* name;
        std::string page;
        bool hint;
    } cases[] = {
        {"all_three", title + cannot + cert, true},
        {"title_only", title, false},
        {"without_certificate", title + cannot, false},
        {"without_title", cannot + cert, false},
        {"with_async_marker", title + cannot + cert + "?mid=w-1-0", false},
        {"with_page_info", title + cannot + cert + "page-info>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShowsLoginHint(c.page), c.hint) << c.name;
}

TEST(ChooseWalker, ByShopAddressThenPageLayout) {
    const struct {
        const char* shop;
        const char* page;
        WalkerChoice choice;
    } cases[] = {
        {"http://shop1.taobao.com", "x ?mid=w-1-0 page-info>", WalkerChoice::TaobaoAsync},
        {"http://shop1.taobao.com", "page-info>1/2", WalkerChoice::TaobaoPlain},
        {"http://shop1.taobao.com", "", WalkerChoice::TaobaoPlain},
        {"http://abc.tmall.com", "page-info>", WalkerChoice::Tmall},
        {"http://abc.tmall.hk", "?mid=w-9-0", WalkerChoice::Tmall},
        {"http://a.tmall.taobao.com", "?mid=w", WalkerChoice::TaobaoAsync},
        {"http://example.com", "?mid=w-1-0", WalkerChoice::None},
        {"http://HTTP:", "page-info>", WalkerChoice::None},
        {"", "", WalkerChoice::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseWalker(c.shop, c.page), c.choice) << c.shop << " / " << c.page;
    }
}

}  // namespace
}  // namespace rongfan
