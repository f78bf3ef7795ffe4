#include "report/ReportTemplate.h"

#include "text/Gbk.h"

namespace rongfan {
namespace {

// The lines are kept in UTF-8 here and converted once; the two 30-day header
// lines are the only difference between the templates.
std::string buildTemplate(bool withThirtyDayColumns) {
    const std::string title = std::string("<title>榕帆 ") + std::string(ReportTitlePlaceholder) + " 云栈" +
                              std::string(PublisherPage) + "</title>";
    const std::string lines[] = {
        R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">)",
        R"(<html xmlns="http://www.w3.org/1999/xhtml">)",
        "<head>",
        R"(<meta http-equiv="Content-Type" content="text/html; charset=gb2312" />)",
        title,
        "<style>",
        "img{height:200px; width:200px}",
        "tr td{text-align:center;}",
        "</style>",
        "</head>",
        "",
        "<body>",
        R"(<table width="100%" border="1" cellspacing="0" cellpadding="0">)",
        R"(  <tr bgcolor="#FFFFCC">)",
        "    <td>序号</td>",
        "    <td>主图</td>",
        "    <td>标题</td>",
        "    <td>摆价</td>",
        "    <td>收藏量</td>",
        "    <td>30天成交</td>",
        "    <td>30天收货</td>",
        "    <td>评价数</td>",
        "  </tr>",
        "  " + std::string(ReportRowMarker),
        "</table>",
        "</body>",
        "</html>",
        "",
    };
    std::string utf8;
    int number = 0;
    for (const std::string& line : lines) {
        ++number;
        if (!withThirtyDayColumns && (number == 20 || number == 21)) continue;
        utf8 += line;
        utf8 += "\r\n";
    }
    return Utf8ToGbk(utf8);
}

}  // namespace

const std::string& TaobaoReportTemplate() {
    static const std::string page = buildTemplate(true);
    return page;
}

const std::string& TmallReportTemplate() {
    static const std::string page = buildTemplate(false);
    return page;
}

}  // namespace rongfan
