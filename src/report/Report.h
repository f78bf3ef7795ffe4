#pragma once
// The HTML report page of the result list, written as GBK into a folder.
#include <string>

#include "capture/SearchWindow.h"
#include "host/HttpFetch.h"

namespace rongfan {

struct ReportOutcome {
    enum class Status { Written, NothingToSave, WriteFailed } status = Status::NothingToSave;
    std::string path;   // the file written or attempted; its name is the title in UTF-8
    std::string error;  // why the write failed (UTF-8)
};

// The title the report is named after: from the shop's home page ("首页-" … "-"),
// else from the address; made safe as a file name. GBK.
std::string ReportTitle(std::string_view shopAddress, const FetchFunction& fetch);

// The whole page (GBK bytes, CR LF line ends) for the rows the window holds now;
// the row count is taken once.
std::string RenderReport(SearchWindow& window);

// Export into `folder`: "暂无数据可保存" through ShowMessage for an empty list,
// a message naming the path and reason when the write fails; on success the
// folder is opened with OpenWithShell when `openFolder`.
ReportOutcome ExportReport(SearchWindow& window, const std::string& folder, const FetchFunction& fetch,
                           bool openFolder);

}  // namespace rongfan
