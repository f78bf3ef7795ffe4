#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/Report.h"
#include "report/ReportTitle.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

struct TitleCase {
    const char* name;
    std::string address;
    std::string page;  // what the home-page fetch answers
    std::string title;
};

TEST(ReportTitle, DerivedFromHomePageOrAddress) {
    const TitleCase cases[] = {
        {"home page name", "http://shop1.taobao.com", G("<title>首页-榕树小店-淘宝网</title>"), G("榕树小店")},
        {"tmall home page name", "http://abc.tmall.com", G("<title>首页-天猫旗舰店-天猫</title>"), G("天猫旗舰店")},
        {"no marker: host label", "http://shop1.taobao.com", G("<title>榕树小店</title>"), "shop1"},
        {"failed fetch: host label", "http://shop1.taobao.com", "", "shop1"},
        {"nothing after http://", "http://", "", G("店铺")},
        {"name runs to the next marker", "http://shop1.taobao.com", G("首页-甲店首页-乙-"), G("甲店")},
        {"name runs to the end", "http://shop1.taobao.com", G("<p>首页-甲店"), G("甲店")},
        {"empty name between markers", "http://shop1.taobao.com", G("首页-首页-乙-"), "shop1"},
        {"marker at the very end", "http://shop1.taobao.com", G("abc首页-"), "shop1"},
        {"empty name before the dash", "http://shop1.taobao.com", G("首页--x"), "shop1"},
        // The page is text up to its first zero byte.
        {"marker after a zero byte", "http://shop1.taobao.com", std::string("ab\0", 3) + G("首页-甲-"), "shop1"},
        // Preceded by a lone lead byte, the marker's bytes do not start on a character.
        {"marker not on a character", "http://shop1.taobao.com", "\xB0" + G("首页-甲-"), "shop1"},
        {"host with a port", "http://shop1:8080", "", "shop1_8080"},
    };
    for (const TitleCase& c : cases) {
        std::vector<std::string> asked;
        const FetchFunction fetch = [&](std::string_view address) {
            asked.emplace_back(address);
            return c.page;
        };
        EXPECT_EQ(ReportTitle(c.address, fetch), c.title) << c.name;
        EXPECT_EQ(asked, std::vector<std::string>{c.address}) << c.name;
    }
}

struct SafeCase {
    const char* name;
    std::string candidate;
    std::string address;
    std::string safe;
};

TEST(ReportTitle, HostileTitlesBecomeSafeNames) {
    const std::string trailBackslash = G("誠信");  // 誠 ends in the byte of "\"
    const std::string trailBar = G("東方");        // 東 ends in the byte of "|"
    const SafeCase cases[] = {
        {"parent folders", "../../x", "http://s.taobao.com", "______x"},
        {"separator", "a/b", "http://s.taobao.com", "a_b"},
        {"backslash", "a\\b", "http://s.taobao.com", "a_b"},
        {"control bytes", "\x01x\x1f\x7fy\t\r\n", "http://s.taobao.com", "_x__y___"},
        {"refused characters", "c:*?\"<>|d", "http://s.taobao.com", "c_______d"},
        {"leading dot", ".hidden", "http://s.taobao.com", "_hidden"},
        {"dot run inside", "a..b", "http://s.taobao.com", "a__b"},
        {"single dots kept", "v1.2 shop.", "http://s.taobao.com", "v1.2 shop."},
        {"only dots", "..", "http://s.taobao.com", "s"},
        {"only blanks and marks", " /\x01 ", "http://s.taobao.com", "s"},
        {"empty", "", "http://s.taobao.com", "s"},
        {"nothing usable anywhere", "", "http://", G("店铺")},
        {"hostile host label", "", "http://../", G("店铺")},
        {"gbk with backslash trail stays whole", trailBackslash, "http://s.taobao.com", trailBackslash},
        {"gbk with bar trail stays whole", trailBar, "http://s.taobao.com", trailBar},
        {"lone lead byte at the end", "ab\xD6", "http://s.taobao.com", "ab_"},
        {"lead byte before a separator", "\xD6/x", "http://s.taobao.com", "__x"},
        {"bytes GBK never uses", "a\x80\xFF" "b", "http://s.taobao.com", "a__b"},
    };
    ASSERT_NE(trailBackslash.find('\\'), std::string::npos);
    ASSERT_NE(trailBar.find('|'), std::string::npos);
    for (const SafeCase& c : cases) EXPECT_EQ(SafeReportTitle(c.candidate, c.address), c.safe) << c.name;
}

TEST(ReportTitle, LongTitlesAreCutOnACharacter) {
    std::string wide;
    for (int i = 0; i < 300; ++i) wide += G("中");
    const std::string cut = SafeReportTitle(wide, "http://s.taobao.com");
    EXPECT_EQ(cut.size(), MaxReportTitleBytes);
    EXPECT_EQ(GbkToUtf8(cut).find("\xEF\xBF\xBD"), std::string::npos);

    // One byte short of room for the last character: it is left out, not halved.
    const std::string odd = std::string(MaxReportTitleBytes - 1, 'a') + G("中");
    EXPECT_EQ(SafeReportTitle(odd, "http://s.taobao.com"), std::string(MaxReportTitleBytes - 1, 'a'));
}

}  // namespace
}  // namespace rongfan
