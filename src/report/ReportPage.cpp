#include "report/ReportPage.h"

#include "host/EndpointTable.h"
#include "report/HtmlEscape.h"
#include "report/Report.h"
#include "report/ReportTemplate.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan {
namespace {

bool isTaobaoAddress(std::string_view address) { return ContainsText(address, EndpointTable::TaobaoDomain); }

void appendCell(std::string& out, SearchWindow& window, int row, ResultColumn column) {
    AppendEscapedHtml(out, window.Cell(row, static_cast<int>(column)));
}

}  // namespace

void AppendReportRow(std::string& rows, SearchWindow& window, int row, bool taobaoRow) {
    rows += "<tr><td>";
    rows += NumberToText(row + 1);
    rows += "</td><td><a href=\"";
    appendCell(rows, window, row, ResultColumn::Url);
    rows += "\" target=\"_blank\"><img src=\"";
    appendCell(rows, window, row, ResultColumn::Picture);
    rows += "\" alt=\"";
    rows += RF_GBK("榕帆");
    rows += "\" /></a></td><td>";
    appendCell(rows, window, row, ResultColumn::Title);
    rows += "</td><td>";
    appendCell(rows, window, row, ResultColumn::Price);
    rows += "</td><td>";
    appendCell(rows, window, row, ResultColumn::Collections);
    if (taobaoRow) {
        rows += "</td><td>";
        appendCell(rows, window, row, ResultColumn::Deals30);
        rows += "</td><td>";
        appendCell(rows, window, row, ResultColumn::Received30);
    }
    rows += "</td><td>";
    appendCell(rows, window, row, ResultColumn::Reviews);
    rows += "</td></tr>";
}

std::string RenderReportPage(SearchWindow& window, int rowCount, bool taobaoTemplate, std::string_view title) {
    const std::string& pageTemplate = taobaoTemplate ? TaobaoReportTemplate() : TmallReportTemplate();
    const std::string page = ReplaceText(pageTemplate, ReportTitlePlaceholder, EscapeHtml(title));

    std::string rows;
    for (int row = 0; row < rowCount; ++row) AppendReportRow(rows, window, row, isTaobaoAddress(window.ShopAddress()));

    // The marker is replaced in one step after the rows are built, so no cell
    // text is ever searched for the marker or the title placeholder.
    const std::size_t marker = page.find(ReportRowMarker);
    if (marker == std::string::npos) return page;
    std::string out;
    out.reserve(page.size() + rows.size());
    out.append(page, 0, marker);
    out += rows;
    out.append(page, marker + ReportRowMarker.size());
    return out;
}

std::string RenderReport(SearchWindow& window) {
    const int rowCount = window.RowCount();
    const std::string address = window.ShopAddress();
    return RenderReportPage(window, rowCount, isTaobaoAddress(address), ReportTitle(address, FetchFunction()));
}

}  // namespace rongfan
