#include "host/EndpointTable.h"
#include "host/Host.h"
#include "report/ReplaceFile.h"
#include "report/Report.h"
#include "report/ReportPage.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan {

ReportOutcome ExportReport(SearchWindow& window, const std::string& folder, const FetchFunction& fetch,
                           bool openFolder) {
    ReportOutcome outcome;
    // The count is taken once: a harvest may still append rows while the page is built.
    const int rowCount = window.RowCount();
    if (rowCount < 1) {
        window.ShowMessage(RF_GBK("暂无数据可保存"));
        outcome.status = ReportOutcome::Status::NothingToSave;
        return outcome;
    }
    const bool taobaoTemplate = ContainsText(window.ShopAddress(), EndpointTable::TaobaoDomain);
    const std::string title = ReportTitle(window.ShopAddress(), fetch);
    const std::string page = RenderReportPage(window, rowCount, taobaoTemplate, title);

    // File names are UTF-8 on this system; the page itself stays GBK.
    outcome.path = folder + "/" + GbkToUtf8(title) + ".html";
    const WriteResult written = ReplaceFile(outcome.path, TextToBytes(page));
    if (!written.ok) {
        outcome.status = ReportOutcome::Status::WriteFailed;
        outcome.error = written.error;
        window.ShowMessage(RF_GBK("报告未能保存：") + Utf8ToGbk(outcome.path) + "\n" + RF_GBK("原因：") +
                           Utf8ToGbk(written.error));
        return outcome;
    }
    outcome.status = ReportOutcome::Status::Written;
    if (openFolder) OpenWithShell(folder);
    return outcome;
}

}  // namespace rongfan
