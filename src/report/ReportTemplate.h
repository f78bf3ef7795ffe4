#pragma once
// The two page templates of the HTML report, as GBK texts with CR LF line ends.
#include <string>
#include <string_view>

namespace rongfan {

// The publisher's web address, shown after the brand in the page's title element.
inline constexpr std::string_view PublisherPage = "https://rongfan.example/";

// Where the report title goes (once, in the title element).
inline constexpr std::string_view ReportTitlePlaceholder = "[title]";
// Stands for the rows; the rows replace it, its tr tags included.
inline constexpr std::string_view ReportRowMarker = "<tr>[mirelvanto]</tr>";

// Eight header cells.
const std::string& TaobaoReportTemplate();
// The Taobao template without the two 30-day header cells: six header cells.
const std::string& TmallReportTemplate();

}  // namespace rongfan
