#pragma once
// Building the report page from the rows a window holds.
#include <string>
#include <string_view>

#include "capture/SearchWindow.h"

namespace rongfan {

// The page for the first `rowCount` rows of the window's list. The template is
// the Taobao one when `taobaoTemplate`; each row's layout is chosen afresh from
// the shop address the window shows when that row is built. `title` (GBK) is
// escaped here like every cell.
std::string RenderReportPage(SearchWindow& window, int rowCount, bool taobaoTemplate, std::string_view title);

// Appends the row text of list row `row` (0-based), numbered row + 1.
void AppendReportRow(std::string& rows, SearchWindow& window, int row, bool taobaoRow);

}  // namespace rongfan
