#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/Report.h"
#include "report/ReportPage.h"
#include "report/ReportTemplate.h"
#include "ReportFixtures.h"

namespace rongfan {
namespace {

using testing::CountOf;
using testing::FillList;
using testing::RecorderWindow;
using testing::RowLine;
using testing::SplitRows;

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// The desktop program may change the address box while an export runs; each
// row takes its layout from the address as it reads then.
class ChangingAddressWindow : public RecorderWindow {
public:
    std::vector<std::string> addresses;  // answered in turn, the last one repeated
    std::size_t asked = 0;
    std::string ShopAddress() override {
        const std::string& address = addresses[std::min(asked, addresses.size() - 1)];
        ++asked;
        return address;
    }
};

TEST(ReportPage, EachRowTakesItsLayoutFromTheAddressOfTheMoment) {
    ChangingAddressWindow window;
    FillList(window, "", testing::TaobaoRows());
    window.addresses = {"http://shop1.taobao.com", "http://shop1.tmall.com", "http://shop1.taobao.com"};

    const std::string page = RenderReportPage(window, 3, true, "t");
    const std::vector<std::string> rows = SplitRows(RowLine(page));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(CountOf(rows[0], "<td>"), 8);
    EXPECT_EQ(CountOf(rows[1], "<td>"), 6);
    EXPECT_EQ(CountOf(rows[2], "<td>"), 8);
    // The header follows the template chosen before the rows.
    EXPECT_NE(page.find(G("<td>30天成交</td>")), std::string::npos);
}

TEST(ReportPage, RowsAreNumberedByPositionNotByTheIndexCell) {
    RecorderWindow window;
    FillList(window, "http://shop1.tmall.com",
             {{"7", "a"}, {"", "b"}, {"x", "c"}, {"7", "d"}, {"7", "e"}, {"7", "f"}, {"7", "g"}, {"7", "h"},
              {"7", "i"}, {"7", "j"}, {"7", "k"}});
    const std::vector<std::string> rows = SplitRows(RowLine(RenderReport(window)));
    ASSERT_EQ(rows.size(), 11u);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].rfind("<tr><td>" + std::to_string(i + 1) + "</td>", 0), 0u) << rows[i];
}

TEST(ReportPage, TitleIsEscapedAndCellsCannotActAsPlaceholders) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com",
             {{"1", "[title] <tr>[mirelvanto]</tr>", "", "", "", "", "", "u", "p"}});
    const std::string page = RenderReportPage(window, 1, true, G("甲&乙"));

    EXPECT_NE(page.find(G("<title>榕帆 甲&amp;乙 云栈")), std::string::npos);
    EXPECT_EQ(CountOf(page, G("甲&amp;乙")), 1);
    EXPECT_NE(page.find("<td>[title] &lt;tr&gt;[mirelvanto]&lt;/tr&gt;</td>"), std::string::npos);
    EXPECT_EQ(CountOf(page, "[mirelvanto]"), 1);
}

TEST(ReportPage, QuotesInAddressesStayInsideTheirAttributes) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com",
             {{"1", "t", "", "", "", "", "", "http://i/\"><script>x</script>",
               "http://img/x.jpg\" onerror=\"alert(1)"}});
    const std::string row = SplitRows(RowLine(RenderReport(window))).at(0);
    EXPECT_NE(row.find("<a href=\"http://i/&quot;&gt;&lt;script&gt;x&lt;/script&gt;\" target=\"_blank\">"),
              std::string::npos)
        << row;
    EXPECT_NE(row.find("<img src=\"http://img/x.jpg&quot; onerror=&quot;alert(1)\" alt="), std::string::npos) << row;
    EXPECT_EQ(row.find("<script>"), std::string::npos);
}

TEST(ReportPage, TemplatesDifferOnlyByTheThirtyDayHeaderLines) {
    std::string taobao = TaobaoReportTemplate();
    const std::string lines = G("    <td>30天成交</td>\r\n    <td>30天收货</td>\r\n");
    const std::size_t at = taobao.find(lines);
    ASSERT_NE(at, std::string::npos);
    taobao.erase(at, lines.size());
    EXPECT_EQ(taobao, TmallReportTemplate());
    EXPECT_EQ(CountOf(TaobaoReportTemplate(), "\r\n"), 28);
    EXPECT_EQ(CountOf(TaobaoReportTemplate(), "\n"), 28);
}

}  // namespace
}  // namespace rongfan
